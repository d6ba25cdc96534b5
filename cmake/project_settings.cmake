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
