#!/usr/bin/env bash
# The installer for Windows players, as an admin runs it for a LAN party,
# under Wine and Xvfb: a silent install into a game's folder puts every file
# of the zip in place, with the uninstall entry and the Start menu links, and
# the installed zandrel.exe starts (a screenshot); an update over an older
# install leaves the settings, the log and the mods byte for byte; the silent
# uninstall removes our files and nothing of the game, the mods or the
# settings.
#
#   windows_installer_test.sh SETUP ZIP DEMO_GENERATOR SCREENSHOT_DIR
set -euo pipefail
setup=${1:?usage: windows_installer_test.sh SETUP ZIP DEMO_GENERATOR SCREENSHOT_DIR}
zip=${2:?}
generator=${3:?}
shots=${4:?}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -f "$setup" ] || skip "no installer at $setup (run ./dev windows)"
[ -f "$zip" ] || skip "no zip at $zip (run ./dev windows)"
command -v xvfb-run >/dev/null || skip "xvfb-run is missing"
setup=$(realpath "$setup") zip=$(realpath "$zip") generator=$(realpath "$generator")
mkdir -p "$shots" && shots=$(realpath "$shots")

work=$(mktemp -d /tmp/windows-installer.XXXXXX)
# Wine's desktop and Start menu live in the prefix, away from the real home.
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
run_x() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
# A run of the installer or uninstaller ends when Wine has nothing left running.
wine_wait() { run_x sh -c 'wine "$@"; wineserver -w' wine "$@" >/dev/null 2>&1; }

game=$work/game
"$generator" "$game" >/dev/null
wingame=$(winepath -w "$game" 2>/dev/null)
[ -n "$wingame" ] || fail "Wine does not start"

# What the player has before: the game, a mod, and every settings file.
mkdir -p "$game/mods/Rising Tide"
printf 'mod data\r\n' >"$game/mods/Rising Tide/units.dat"
printf '[Info]\r\nServer=1\r\n' >"$game/varnok.ini"
printf 'old log line\r\n' >"$game/varnok.LOG"
mkdir -p "$game/zandrel"
printf '[lang]\r\nMain.Caption=Mine\r\n' >"$game/zandrel/lang.ini"
[ -f "$game/switcher.ini" ] || printf '[game]\r\nmode=cdv\r\n' >"$game/switcher.ini"

# Our files: the zip's entries. (The demo installation has language files of
# its own, which are ours to replace.)
mkdir -p "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
(cd "$work/zip" && find . -type f | sed 's|^\./||' | sort) >"$work/our-files"
[ -s "$work/our-files" ] || fail "the zip is empty"
(cd "$game" && find . -type f | sed 's|^\./||' | sort | grep -vxF -f "$work/our-files" |
  xargs -d '\n' sha256sum) >"$work/player-files"

check_ours() {
  while read -r f; do
    cmp -s "$work/zip/$f" "$game/$f" || fail "$1: $f is not the zip's"
  done <"$work/our-files"
}
check_players() {
  (cd "$game" && sha256sum --quiet -c "$work/player-files") >&2 || fail "$1: a file of the game, a mod or the settings changed"
}
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zandrel'
reg_value() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
menu() { find "$WINEPREFIX/drive_c/users" -path "*/Start Menu/Programs/Zandrel/$1" 2>/dev/null | head -1; }
desktop() { find -L "$WINEPREFIX/drive_c/users" -path "*/Desktop/Zandrel.lnk" 2>/dev/null | head -1; }

echo "== silent install"
wine_wait "$setup" /S "/D=$wingame"
check_ours "install"
check_players "install"
[ -f "$game/Uninstall-zandrel.exe" ] || fail "no uninstaller in the game's folder"
for link in Zandrel.lnk Varnok.lnk Uninstall.lnk; do
  [ -n "$(menu "$link")" ] || fail "no Start menu link $link"
done
[ -n "$(desktop)" ] || fail "no desktop shortcut"
version=$(basename "$setup" | sed -n 's/^zandrel-\(.*\)-setup\.exe$/\1/p')
[ "$(reg_value DisplayName)" = Zandrel ] || fail "uninstall entry: DisplayName is '$(reg_value DisplayName)'"
[ "$(reg_value DisplayVersion)" = "$version" ] || fail "uninstall entry: DisplayVersion is '$(reg_value DisplayVersion)'"
[ "$(reg_value Publisher)" = "The zandrel developers" ] || fail "uninstall entry: no publisher"
[ "$(reg_value InstallLocation)" = "$wingame" ] || fail "uninstall entry: InstallLocation is '$(reg_value InstallLocation)'"
[[ "$(reg_value DisplayIcon)" == *'\zandrel.exe,0' ]] || fail "uninstall entry: DisplayIcon is '$(reg_value DisplayIcon)'"
size=$(reg_value EstimatedSize)
[ -n "$size" ] && [ $((size)) -gt 1000 ] || fail "uninstall entry: EstimatedSize is '$size'"
echo "files, links and the uninstall entry are in place"

echo "== the installed zandrel.exe starts"
export ZANDREL_SERVICE=http://127.0.0.1:9
run_x wine "$game/zandrel.exe" --screenshot "$(winepath -w "$shots/zandrel-installed.png")" >/dev/null 2>&1 ||
  fail "the installed zandrel.exe did not show its window"
[ -s "$shots/zandrel-installed.png" ] || fail "no screenshot of the installed zandrel.exe"
echo "screenshot: $shots/zandrel-installed.png"
# The start wrote nothing of the player's.
check_players "start"

echo "== update over an older install"
# An older install: other program bytes, an older version in the entry.
printf 'older program' >"$game/zandrel.exe"
printf 'older monitor' >"$game/varnok.exe"
wine reg add "$key" /v DisplayVersion /d 0.9.0 /f >/dev/null 2>&1
wine_wait "$setup" /S "/D=$wingame"
check_ours "update"
check_players "update"
[ "$(reg_value DisplayVersion)" = "$version" ] || fail "update: the entry still says $(reg_value DisplayVersion)"
echo "our files updated; settings, log and mod kept byte for byte"

echo "== silent uninstall"
wine_wait "$game/Uninstall-zandrel.exe" /S
while read -r f; do
  [ ! -e "$game/$f" ] || fail "uninstall left $f"
done <"$work/our-files"
[ ! -e "$game/Uninstall-zandrel.exe" ] || fail "uninstall left itself"
check_players "uninstall"
# Nothing but the player's files remain.
(cd "$game" && find . -type f | sed 's|^\./||' | sort) >"$work/left"
diff <(cut -c67- "$work/player-files") "$work/left" >&2 || fail "uninstall left or removed other files"
for link in Zandrel.lnk Varnok.lnk Uninstall.lnk; do
  [ -z "$(menu "$link")" ] || fail "uninstall left the Start menu link $link"
done
[ -z "$(desktop)" ] || fail "uninstall left the desktop shortcut"
[ -z "$(reg_value DisplayName)" ] || fail "uninstall left the uninstall entry"
echo "our files, links and entry are gone; the game, the mod and the settings stay"
echo PASS
