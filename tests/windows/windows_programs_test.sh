#!/usr/bin/env bash
# The zip for Windows players, as a player uses it, under Wine and Xvfb:
# it unpacks into the game's folder as it is, the language files where the
# switcher looks for them; both programs carry their icon, version and
# manifest; the programs import only Windows' own DLLs; both answer
# --version; zandrel shows its main window on a demo installation and varnok
# its window (screenshots in build/); a second start of each leaves one
# instance.
#
#   windows_programs_test.sh ZIP DEMO_GENERATOR SCREENSHOT_DIR
set -euo pipefail
zip=${1:?usage: windows_programs_test.sh ZIP DEMO_GENERATOR SCREENSHOT_DIR}
generator=${2:?}
shots=${3:?}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -f "$zip" ] || skip "no zip at $zip (run ./dev windows)"
zip=$(realpath "$zip") generator=$(realpath "$generator")
mkdir -p "$shots" && shots=$(realpath "$shots")
command -v xvfb-run >/dev/null || skip "xvfb-run is missing"

work=$(mktemp -d /tmp/windows-programs.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=${WINEPREFIX:-$work/prefix} WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

echo "== unpack into the game's folder"
game=$work/game
"$generator" "$game" >/dev/null
(cd "$game" && cmake -E tar xf "$zip")
folder=$game
for f in zandrel.exe varnok.exe kessit.dll Zandrel-README.txt zandrel/lang/English.ini zandrel/lang/German.ini \
         zandrel/lang/Russian.ini zandrel/lang/Polish.ini; do
  [ -f "$folder/$f" ] || fail "the zip lacks $f"
done
(cd "$work" && cmake -E tar tf "$zip") | grep -v -E '^(zandrel\.exe|varnok\.exe|kessit\.dll|Zandrel-README\.txt|zandrel/|zandrel/lang/|zandrel/lang/[A-Za-z]+\.ini)$' &&
  fail "the zip holds files outside its layout"

echo "== resources"
# Explorer's icon, the version in Properties and the manifest, in both programs.
for program in zandrel varnok; do
  exe=$folder/$program.exe
  wrestool -l "$exe" | grep -q "type=group_icon" || fail "$program.exe has no icon"
  wrestool -l "$exe" | grep -q -- "--type=14 --name='IDI_ICON1'" || fail "$program.exe: the icon is not IDI_ICON1"
  strings=$(wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null | tr -c '[:print:]' '\n')
  for value in "OriginalFilename" "$program.exe" "ProductName" "Zandrel" "FileVersion" "CompanyName" \
               "The zandrel developers" "LegalCopyright"; do
    grep -qxF "$value" <<<"$strings" || fail "$program.exe: the version lacks $value"
  done
  manifest=$(wrestool -x --raw --type=24 "$exe")
  for part in 'level="asInvoker"' 'PerMonitorV2' 'Microsoft.Windows.Common-Controls' \
              '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qF "$part" <<<"$manifest" || fail "$program.exe: the manifest lacks $part"
  done
  grep -qF 'activeCodePage' <<<"$manifest" && fail "$program.exe: the manifest changes the code page"
done
echo "resources: icon, version and manifest in both programs"

echo "== imports"
# Every DLL a program imports must come with Windows (so: with Wine).
system=$(wine cmd /c echo %SystemRoot% 2>/dev/null | tr -d '\r')
[ -n "$system" ] || fail "Wine does not start"
sysdir=$(winepath -u "$system\\system32" 2>/dev/null)
for program in zandrel.exe varnok.exe kessit.dll; do
  while read -r dll; do
    # api-ms-win-* names are API sets, which the loader maps onto system DLLs;
    # the starts below prove that Wine resolves them.
    case "${dll,,}" in api-ms-win-*) continue ;; esac
    if [ ! -e "$sysdir/${dll,,}" ] && [ ! -e "$sysdir/$dll" ]; then
      fail "$program imports $dll, which Windows does not have"
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$folder/$program" | sed -n 's/^\s*DLL Name: //p')
done
echo "imports: Windows DLLs only"

echo "== --version"
for program in zandrel varnok; do
  v=$(wine "$folder/$program.exe" --version 2>/dev/null | tr -d '\r')
  [[ "$v" == "$program "* ]] || fail "$program.exe --version said: $v"
  echo "$v"
done

echo "== the windows"
export ZANDREL_SERVICE=http://127.0.0.1:9
run_x() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
# Each screenshot run shows the window, saves the picture and quits.
run_x wine "$game/zandrel.exe" --screenshot "$(winepath -w "$shots/zandrel-windows.png")" >/dev/null 2>&1 ||
  fail "zandrel.exe did not show its window"
[ -s "$shots/zandrel-windows.png" ] || fail "no screenshot of zandrel.exe"
mkdir -p "$work/monitor"
cp "$folder/varnok.exe" "$folder/kessit.dll" "$work/monitor/"
run_x wine "$work/monitor/varnok.exe" --screenshot "$(winepath -w "$shots/varnok-windows.png")" >/dev/null 2>&1 ||
  fail "varnok.exe did not show its window"
[ -s "$shots/varnok-windows.png" ] || fail "no screenshot of varnok.exe"
echo "screenshots: $shots/zandrel-windows.png $shots/varnok-windows.png"

echo "== one instance each"
# In one X server: a first instance that stays, a second that must end by
# itself while the first goes on.
cat >"$work/twice.sh" <<'TWICE'
set -u
first() { wine "$@" >/dev/null 2>&1 & echo $!; }
for program in "$GAME/zandrel.exe" "$MONITOR/varnok.exe"; do
  pid=$(first "$program")
  sleep 8
  timeout 30 wine "$program" >/dev/null 2>&1
  code=$?
  [ "$code" -eq 0 ] || { echo "second start of $program: exit $code"; exit 1; }
  kill -0 "$pid" 2>/dev/null || { echo "the first $program ended"; exit 1; }
  echo "second start of $(basename "$program") ended, the first runs on"
  wineserver -k 2>/dev/null; wait "$pid" 2>/dev/null
done
exit 0
TWICE
GAME=$game MONITOR=$work/monitor run_x bash "$work/twice.sh" || fail "single instance"
echo "windows programs: PASSED"
