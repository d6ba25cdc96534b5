# The stand-in running game for the monitor's checks: stand_in_sust, with the
# libraries it loads, "n2text_dll.dll" and "game_main.dll" (file names fixed on
# every platform: the monitor recognises the game by them). All three go to
# ${CMAKE_BINARY_DIR}/bin; tests copy them into a layout of their own.
include_guard(GLOBAL)
set(stand_in_sust_dir ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
  set(stand_in_sust_platform ${stand_in_sust_dir}/stand_in_library_windows.cpp
    ${stand_in_sust_dir}/stand_in_network_windows.cpp)
else()
  set(stand_in_sust_platform ${stand_in_sust_dir}/stand_in_library_linux.cpp
    ${stand_in_sust_dir}/stand_in_network_linux.cpp)
endif()

add_executable(stand_in_sust ${stand_in_sust_dir}/stand_in_sust.cpp ${stand_in_sust_platform})
target_link_libraries(stand_in_sust PRIVATE common project_settings ${CMAKE_DL_LIBS})
if(WIN32)
  target_link_libraries(stand_in_sust PRIVATE ws2_32)
endif()
set_target_properties(stand_in_sust PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_library(n2text_dll SHARED ${stand_in_sust_dir}/n2text_dll.cpp)
add_library(game_main SHARED ${stand_in_sust_dir}/game_main_dll.cpp)
foreach(library n2text_dll game_main)
  target_link_libraries(${library} PRIVATE project_settings)
  set_target_properties(${library} PROPERTIES
    PREFIX "" SUFFIX ".dll" OUTPUT_NAME ${library}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()
add_dependencies(stand_in_sust n2text_dll game_main)
