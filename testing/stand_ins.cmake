# Stand-in game programs: stand_in_game, stand_in_editor and stand_in_briefing,
# one source with the role fixed at build time. Each records its command line
# and working directory and exits. Built natively and in the Windows cross
# build (where they run under Wine), into ${CMAKE_BINARY_DIR}/bin.
set(stand_in_dir ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  set(stand_in_platform ${stand_in_dir}/stand_in_command_line_windows.cpp)
else()
  set(stand_in_platform ${stand_in_dir}/stand_in_command_line_linux.cpp)
endif()
foreach(role game editor briefing)
  add_executable(stand_in_${role} ${stand_in_dir}/stand_in_program.cpp ${stand_in_platform})
  target_compile_definitions(stand_in_${role} PRIVATE ZANDREL_STAND_IN_ROLE="${role}")
  target_link_libraries(stand_in_${role} PRIVATE common project_settings)
  # A Windows GUI program, so no console window appears when it starts.
  set_target_properties(stand_in_${role} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    WIN32_EXECUTABLE ON)
endforeach()
