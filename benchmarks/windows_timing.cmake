# Whole-program timing of the monitor's local check on Windows (run under Wine
# in the cross build): a plain program, since Google Benchmark is not built
# for the target. Included from the top level in Windows builds only.
add_executable(toolhelp_timing ${CMAKE_CURRENT_LIST_DIR}/toolhelp_timing_windows.cpp)
target_link_libraries(toolhelp_timing PRIVATE monitor_engine)
set_target_properties(toolhelp_timing PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The floor of the Windows start-up benchmark: the bare Qt window, linked
# against the same static Qt as the programs.
if(ZANDREL_HAVE_QT)
  add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
  target_link_libraries(bare_window PRIVATE project_settings Qt6::Widgets)
  set_target_properties(bare_window PROPERTIES WIN32_EXECUTABLE ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  zandrel_qt_program(bare_window)
endif()
