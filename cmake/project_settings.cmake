# One INTERFACE target carries the compile settings every target shares.
add_library(project_settings INTERFACE)
target_compile_features(project_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

target_compile_options(project_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wimplicit-fallthrough)
# GCC 12 reports a false -Wrestrict on "literal" + std::string at -O2/-O3.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_settings INTERFACE -Wno-restrict)
endif()
if(ZANDREL_WERROR)
  target_compile_options(project_settings INTERFACE -Werror)
endif()

if(WIN32)
  target_compile_definitions(project_settings INTERFACE
    NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Static runtime: the test programs then run under Wine without mingw DLLs.
  target_link_options(project_settings INTERFACE -static)
endif()

target_include_directories(project_settings INTERFACE ${PROJECT_SOURCE_DIR})

# AddressSanitizer and UndefinedBehaviorSanitizer for the Linux debug build, so
# every test runs instrumented. Set for the whole directory tree rather than on
# project_settings: the stand-in programs, the web-news module and every test
# program are then instrumented too. A report aborts the program
# (-fno-sanitize-recover), which fails the test that started it.
option(ZANDREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZANDREL_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "ZANDREL_SANITIZE is for the Linux build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build (linux-fuzz preset, clang): every library is instrumented for
# libFuzzer's coverage and the sanitizers; tests/fuzz links the fuzzer's main.
option(ZANDREL_FUZZ "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(ZANDREL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ZANDREL_FUZZ needs clang (the linux-fuzz preset sets it)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
