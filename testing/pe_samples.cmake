# PE files as the game has them, for tests that map them by hand (no 32-bit
# code runs on these machines): into ${CMAKE_BINARY_DIR}/bin/pe/
#   pe32_game.dll, pe64_game.dll     GNU ld, the layout mingw gives: imports in
#                                    a writable .idata, base relocations, TLS
#   pe32_merged.dll, pe64_merged.dll lld-link with read-only data, writable data
#                                    and the delay-load tables merged into the
#                                    executable .text (import address table,
#                                    delay-load table and its module handle in
#                                    code the program cannot write)
#   pe32_n2text.dll                  the game's text library, 32-bit
# Needs the i686 and x86_64 mingw compilers, lld-link and llvm-dlltool. When
# one is missing the files are not made and the tests that need them say so.
include_guard(GLOBAL)
set(pe_samples_source ${CMAKE_CURRENT_LIST_DIR}/pe_samples)
set(pe_samples_dir ${CMAKE_BINARY_DIR}/bin/pe)

find_program(PE_CC32 i686-w64-mingw32-gcc-posix)
find_program(PE_CC64 x86_64-w64-mingw32-gcc-posix)
find_program(PE_LLD_LINK NAMES lld-link lld-link-14 HINTS /usr/lib/llvm-14/bin)
find_program(PE_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 HINTS /usr/lib/llvm-14/bin)
if(NOT PE_CC32 OR NOT PE_CC64 OR NOT PE_LLD_LINK OR NOT PE_DLLTOOL)
  message(WARNING "PE test files not made: need i686/x86_64 mingw gcc, lld-link and llvm-dlltool")
  return()
endif()

set(pe_outputs)
foreach(bits 32 64)
  if(bits EQUAL 32)
    set(cc ${PE_CC32})
    set(machine x86)
    set(dlltool_machine i386)
    set(mingw_lib /usr/i686-w64-mingw32/lib)
    set(user32_export "GetDesktopWindow@0")
  else()
    set(cc ${PE_CC64})
    set(machine x64)
    set(dlltool_machine i386:x86-64)
    set(mingw_lib /usr/x86_64-w64-mingw32/lib)
    set(user32_export "GetDesktopWindow")
  endif()
  set(game ${pe_samples_dir}/pe${bits}_game.dll)
  set(merged ${pe_samples_dir}/pe${bits}_merged.dll)
  set(object ${pe_samples_dir}/game${bits}.o)
  set(def ${pe_samples_dir}/user32_${bits}.def)
  set(user32 ${pe_samples_dir}/user32_${bits}.a)
  file(WRITE ${def} "LIBRARY user32.dll\nEXPORTS\n${user32_export}\n")
  # A preferred base that the simulation never uses, so relocations apply.
  add_custom_command(OUTPUT ${game}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${pe_samples_dir}
    COMMAND ${cc} -O1 -shared -s -static-libgcc -Wl,--image-base,0x10000000
            -o ${game} ${pe_samples_source}/game_code.c
    DEPENDS ${pe_samples_source}/game_code.c VERBATIM)
  # llvm-dlltool makes a short import library, which lld-link can delay-load.
  add_custom_command(OUTPUT ${merged}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${pe_samples_dir}
    COMMAND ${cc} -O1 -c -DWITH_DELAY_LOAD -fno-asynchronous-unwind-tables
            -o ${object} ${pe_samples_source}/game_code.c
    COMMAND ${PE_DLLTOOL} -m ${dlltool_machine} -k -d ${def} -l ${user32}
    COMMAND ${PE_LLD_LINK} -lldmingw /dll /noentry /nodefaultlib /machine:${machine}
            /base:0x10000000 /merge:.rdata=.text /merge:.data=.text
            /delayload:user32.dll /out:${merged} ${object} ${mingw_lib}/libkernel32.a ${user32}
    DEPENDS ${pe_samples_source}/game_code.c VERBATIM)
  list(APPEND pe_outputs ${game} ${merged})
endforeach()
set(n2text ${pe_samples_dir}/pe32_n2text.dll)
add_custom_command(OUTPUT ${n2text}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${pe_samples_dir}
  COMMAND ${PE_CC32} -O1 -shared -s -static-libgcc -o ${n2text} ${pe_samples_source}/n2text.c
  DEPENDS ${pe_samples_source}/n2text.c VERBATIM)
list(APPEND pe_outputs ${n2text})
add_custom_target(pe_samples ALL DEPENDS ${pe_outputs})
