# Cross build for 64-bit Windows. Without ZANDREL_WINDOWS_DEPS it builds the
# plain layers and their tests. With it (the folder that
# packaging/windows/build_deps.sh fills: a static Qt for mingw-w64 and
# libjpeg) the programs and their window tests too: Qt's own toolchain file
# then sets up the search paths and the host tools (moc, rcc, uic from
# Debian's qt6-base-dev) and loads the compilers' file below.
set(ZANDREL_WINDOWS_DEPS "" CACHE PATH "Windows libraries built by packaging/windows/build_deps.sh")
set(_zandrel_qt_toolchain "${ZANDREL_WINDOWS_DEPS}/qt/lib/cmake/Qt6/qt.toolchain.cmake")
if(ZANDREL_WINDOWS_DEPS AND EXISTS "${_zandrel_qt_toolchain}")
  set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake")
  include("${_zandrel_qt_toolchain}")
  list(APPEND CMAKE_FIND_ROOT_PATH "${ZANDREL_WINDOWS_DEPS}/jpeg")
else()
  include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake")
endif()
