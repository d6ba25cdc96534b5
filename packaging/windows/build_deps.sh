#!/usr/bin/env bash
# Builds the Windows libraries that Debian ships only as sources: Qt's base
# modules (static, mingw-w64) from the qt6-base source package and libjpeg from
# the libjpeg-turbo source package. Both come from the same Debian release as
# the Linux build, so the Windows programs use the same Qt as the Linux ones,
# with Debian's own host tools (moc, rcc, uic) from qt6-base-dev.
#
# The result goes to a cache outside the clone, keyed by the source versions
# and the options below, so that a machine builds it once (about half an hour
# on two cores) and every later clone reuses it.
#
#   build_deps.sh --print-prefix   print the cache folder (built or not)
#   build_deps.sh --is-built       print it and succeed when it is complete
#   build_deps.sh                  build into it unless it is complete
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
TOOLCHAIN=$ROOT/cmake/mingw-w64-compilers.cmake

log() { printf '== %s\n' "$*" >&2; }

QT_VERSION=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
JPEG_VERSION=$(dpkg-query -W -f='${Version}' libjpeg62-turbo-dev 2>/dev/null || true)
[ -n "$QT_VERSION" ] || { log "qt6-base-dev is not installed"; exit 1; }
[ -n "$JPEG_VERSION" ] || { log "libjpeg62-turbo-dev is not installed"; exit 1; }

# Only what the programs use: Core, Gui, Widgets, Network and Test. OpenGL
# stays (dynamic): the Windows platform plugin does not compile without it.
# The source package leaves out wintab.h, hence no tablet events. Every third
# party library is Qt's bundled copy, so nothing from the build machine leaks in.
QT_OPTIONS=(
  -DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DINPUT_opengl=dynamic
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_icu=OFF
  # Size: code optimised for size, and no widget, format or service the
  # programs never use. Functions in sections of their own let a linker that
  # collects unused sections in PE files drop them (GNU ld 2.40 keeps every
  # function with unwind data, so it drops almost nothing).
  -DFEATURE_optimize_size=ON
  "-DCMAKE_C_FLAGS=-ffunction-sections -fdata-sections"
  "-DCMAKE_CXX_FLAGS=-ffunction-sections -fdata-sections"
  -DFEATURE_freetype=OFF -DFEATURE_vulkan=OFF -DFEATURE_sessionmanager=OFF
  -DFEATURE_systemtrayicon=OFF -DFEATURE_pdf=OFF -DFEATURE_movie=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_imageformat_ppm=OFF -DFEATURE_imageformat_xbm=OFF
  -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_undoview=OFF
  -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF -DFEATURE_colordialog=OFF
  -DFEATURE_fontdialog=OFF -DFEATURE_fontcombobox=OFF -DFEATURE_wizard=OFF -DFEATURE_mdiarea=OFF
  -DFEATURE_dial=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_columnview=OFF -DFEATURE_toolbox=OFF
  -DFEATURE_keysequenceedit=OFF -DFEATURE_syntaxhighlighter=OFF -DFEATURE_graphicsview=OFF
  -DFEATURE_splashscreen=OFF -DFEATURE_sharedmemory=OFF -DFEATURE_systemsemaphore=OFF
  -DFEATURE_networkdiskcache=OFF -DFEATURE_sctp=OFF -DFEATURE_dnslookup=OFF
)
JPEG_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF)

key=$(printf '%s\n' "$QT_VERSION" "$JPEG_VERSION" "${QT_OPTIONS[@]}" "${JPEG_OPTIONS[@]}" \
  "$(x86_64-w64-mingw32-g++-posix -dumpfullversion 2>/dev/null)" | sha256sum | cut -c1-12)
if [ -n "${ZANDREL_WINDOWS_CACHE:-}" ]; then
  cache=$ZANDREL_WINDOWS_CACHE
elif [ -w /var/cache ] || [ -w /var/cache/zandrel-windows ]; then
  cache=/var/cache/zandrel-windows
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/zandrel-windows
fi
prefix=$cache/${QT_VERSION//[^A-Za-z0-9.]/_}-$key

if [ "${1:-}" = --print-prefix ]; then echo "$prefix"; exit 0; fi
if [ "${1:-}" = --is-built ]; then [ -f "$prefix/complete" ] && echo "$prefix"; exit $?; fi
if [ -f "$prefix/complete" ]; then echo "$prefix"; exit 0; fi

# Sources from Debian's archive; needs a deb-src entry for the release.
src=$cache/src
mkdir -p "$src"
if ! ls "$src"/qt6-base_*.dsc "$src"/libjpeg-turbo_*.dsc >/dev/null 2>&1; then
  if ! apt-cache showsrc qt6-base >/dev/null 2>&1 || [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
    [ "$(id -u)" -eq 0 ] || { log "add a deb-src entry for Debian's main archive and run apt-get update (as root)"; exit 1; }
    log "adding Debian's source archive to apt"
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$codename" >/etc/apt/sources.list.d/zandrel-src.sources
    apt-get update -qq
  fi
  log "fetching the sources of qt6-base and libjpeg-turbo"
  (cd "$src" && apt-get source -qq --download-only "qt6-base=${QT_VERSION}" libjpeg-turbo 2>&1 | grep -v unsandboxed >&2 || true)
fi

# An interrupted build resumes: the unpacked sources and Ninja's state stay in
# the work folder until the build completes.
work=$cache/work-$key
mkdir -p "$work"
jobs=$(nproc)
[ -f "$work/started" ] || date +%s >"$work/started"

if [ ! -f "$work/jpeg-done" ]; then
  rm -rf "$work/jpeg-src" "$work/jpeg-build" "$prefix/jpeg"
  log "unpacking libjpeg"
  # (apt's download checked the files; dpkg-source's signature warnings say
  # only that this machine lacks the uploaders' keys)
  dpkg-source -x "$(ls "$src"/libjpeg-turbo_*.dsc | tail -1)" "$work/jpeg-src" >/dev/null 2>&1
  log "building libjpeg (static, mingw-w64)"
  cmake -S "$work/jpeg-src" -B "$work/jpeg-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -Wno-dev \
    -DCMAKE_INSTALL_PREFIX="$prefix/jpeg" "${JPEG_OPTIONS[@]}" >"$work/jpeg.log" 2>&1
  cmake --build "$work/jpeg-build" -j "$jobs" >>"$work/jpeg.log"
  cmake --install "$work/jpeg-build" >>"$work/jpeg.log"
  touch "$work/jpeg-done"
fi

if [ ! -f "$work/qt-build/build.ninja" ]; then
  rm -rf "$work/qt-src" "$work/qt-build"
  log "unpacking Qt"
  dpkg-source -x "$(ls "$src"/qt6-base_*.dsc | tail -1)" "$work/qt-src" >/dev/null 2>&1
  log "configuring Qt (static, mingw-w64); the log is $work/qt-configure.log"
  cmake -S "$work/qt-src" -B "$work/qt-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DCMAKE_INSTALL_PREFIX="$prefix/qt" \
    "${QT_OPTIONS[@]}" >"$work/qt-configure.log" 2>&1 || { tail -40 "$work/qt-configure.log" >&2; exit 1; }
fi
log "building Qt with $jobs jobs; the log is $work/qt-build.log"
cmake --build "$work/qt-build" -j "$jobs" >>"$work/qt-build.log" 2>&1 || { tail -40 "$work/qt-build.log" >&2; exit 1; }
cmake --install "$work/qt-build" >>"$work/qt-build.log" 2>&1
start=$(cat "$work/started")

echo "$(($(date +%s) - start)) s" >"$prefix/build-seconds"
touch "$prefix/complete"
rm -rf "$work"
log "built in $(cat "$prefix/build-seconds") into $prefix"
echo "$prefix"
