#!/usr/bin/env bash
# The Debian packages from `./dev package`, checked and installed as a player
# and a community would: lintian shows no errors; the desktop entries, the
# metainfo and the manual pages validate; the three packages install into a
# throw-away root (an overlay over this machine's own root, in private mount,
# network and PID namespaces, so nothing on the machine changes); the programs
# answer from their installed paths; gamelistd refuses a personal account of
# its name, its unit is rated "OK" by `systemd-analyze security`, and it starts
# as its unit starts it, under its own system user, and serves the list.
#
# The README's commands for Linux players run there too, on a demo
# installation in a Wine prefix's place, with a stand-in game for varnok.
#
# Needs root (skipped, code 77, otherwise) and the packages in $1; $2 is the
# test build's bin/ (demo installation generator, stand-in game).
set -euo pipefail
packages=${1:?usage: package_test.sh PACKAGE_DIR TEST_BIN_DIR}
testbin=${2:?usage: package_test.sh PACKAGE_DIR TEST_BIN_DIR}
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "installing packages needs root"
debs=("$packages"/zandrel_*.deb "$packages"/varnok_*.deb "$packages"/gamelistd_*.deb)
for deb in "${debs[@]}"; do [ -f "$deb" ] || skip "no packages in $packages (run ./dev package)"; done

echo "== lintian"
report=$(lintian --tag-display-limit 0 "${debs[@]}" 2>&1 | grep -v 'running with root privileges' || true)
echo "$report"
if grep -q '^E:' <<<"$report"; then fail "lintian reports errors"; fi

work=$(mktemp -d /tmp/package-test.XXXXXX)
trap 'umount -R "$work/root" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/upper" "$work/scratch" "$work/root"
cp "${debs[@]}" "$work/"
# The README's block of commands for Linux players.
sed -n '/<!-- linux-player-commands/,/^```$/p' "$readme" | sed '1,2d;$d' >"$work/player-commands"
grep -q '^zandrel' "$work/player-commands" || fail "no player commands found in $readme"

# Everything else runs inside the namespaces, against the overlay.
unshare --mount --net --pid --fork --mount-proc bash -s "$work" "$testbin" <<'INSIDE'
set -euo pipefail
work=$1 testbin=$2
root=$work/root
fail() { echo "FAILED: $*" >&2; exit 1; }

mount --make-rprivate /
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/scratch" "$root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"
mount -t tmpfs tmpfs "$root/run"
ip link set lo up
cp "$work"/*.deb "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== a personal account named gamelistd is not taken over"
in_root useradd --non-unique -u 1500 -M -s /bin/sh gamelistd
rc=0
in_root sh -c 'dpkg -i /tmp/gamelistd_*.deb' >"$work/refused.log" 2>&1 || rc=$?
[ "$rc" -ne 0 ] || fail "gamelistd installed as the personal account gamelistd"
grep -q 'not a system account' "$work/refused.log" || { cat "$work/refused.log"; fail "the refusal does not say why"; }
in_root userdel gamelistd
in_root dpkg --purge gamelistd >/dev/null
echo "refused the account with uid 1500 and said why"

echo "== install"
# A leftover installation on the machine itself would hide what the packages do.
for p in zandrel varnok gamelistd; do
  if in_root dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok'; then
    in_root dpkg --purge "$p" >/dev/null
  fi
done
in_root sh -c 'dpkg -i /tmp/zandrel_*.deb /tmp/varnok_*.deb /tmp/gamelistd_*.deb'
in_root dpkg-query -W zandrel varnok gamelistd

echo "== installed files"
for f in /usr/bin/zandrel /usr/bin/varnok /usr/sbin/gamelistd /usr/lib/zandrel/zandrel_webnews.so /usr/lib/zandrel/zandrel_http.so \
         /usr/lib/varnok/libkessit.so /usr/lib/varnok/varnok_net.so /usr/share/zandrel/lang/English.ini /usr/share/zandrel/lang/German.ini \
         /usr/share/zandrel/lang/Russian.ini /usr/share/zandrel/lang/Polish.ini \
         /lib/systemd/system/gamelistd.service /etc/default/gamelistd; do
  [ -e "$root$f" ] || fail "$f is not installed"
done
for program in zandrel varnok; do
  desktop-file-validate "$root/usr/share/applications/net.zandrel_community.$program.desktop"
  appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/net.zandrel_community.$program.metainfo.xml" >/dev/null \
    || appstreamcli validate --no-net "$root/usr/share/metainfo/net.zandrel_community.$program.metainfo.xml"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$program.svg" ] || fail "no scalable icon of $program"
  [ -f "$root/usr/share/icons/hicolor/48x48/apps/$program.png" ] || fail "no 48 px icon of $program"
done
for page in man1/zandrel.1 man1/varnok.1 man8/gamelistd.8; do
  out=$(MANWIDTH=80 man -l "$root/usr/share/man/$page.gz" 2>&1 >/dev/null) || fail "man -l $page"
  [ -z "$out" ] || fail "man -l $page warns: $out"
done

echo "== the programs answer"
v=$(in_root env QT_QPA_PLATFORM=offscreen zandrel --version) && [[ "$v" == "zandrel "* ]] || fail "zandrel --version: $v"
v=$(in_root env QT_QPA_PLATFORM=offscreen varnok --version) && [[ "$v" == "varnok "* ]] || fail "varnok --version: $v"
in_root gamelistd --help | grep -q -- '--database' || fail "gamelistd --help"
echo "zandrel, varnok and gamelistd answer from /usr"

echo "== the service's user, folder and unit"
in_root getent passwd gamelistd >/dev/null || fail "no system user gamelistd"
[ "$(in_root stat -c %U /var/lib/gamelistd)" = gamelistd ] || fail "/var/lib/gamelistd is not the service's"
[ -L "$root/etc/systemd/system/multi-user.target.wants/gamelistd.service" ] || fail "the unit is not enabled"
# The installed unit is rated "OK" or better (an exposure of at most 2.0).
overall=$(cd "$root/lib/systemd/system" && systemd-analyze security --offline=true gamelistd.service 2>&1 |
  grep 'Overall exposure level' || true)
echo "$overall"
exposure=$(sed -n 's/.*: \([0-9.]*\) .*/\1/p' <<<"$overall")
[ -n "$exposure" ] && awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }' || fail "the unit's exposure is ${exposure:-unknown}"

echo "== gamelistd started as its unit starts it"
# The unit's command line, with the options file read as systemd reads it.
unit=$root/lib/systemd/system/gamelistd.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
user=$(sed -n 's/^User=//p' "$unit")
directory=$(sed -n 's/^WorkingDirectory=//p' "$unit")
in_root runuser -u "$user" -- sh -c ". /etc/default/gamelistd && cd $directory && exec $exec_start" \
  >"$work/service.log" 2>&1 &
service=$!
port=$(sed -n 's/.*--port \([0-9]*\).*/\1/p' "$root/etc/default/gamelistd")
reply=
for _ in $(seq 50); do
  # In a subshell: a refused connection ends only the subshell.
  reply=$( (exec 3<>"/dev/tcp/127.0.0.1/$port" &&
    printf 'GET /vqx/?mode=list HTTP/1.0\r\nHost: localhost\r\n\r\n' >&3 && cat <&3) 2>/dev/null || true)
  [ -n "$reply" ] && break
  sleep 0.1
done
grep -q '^HTTP/1.[01] 200' <<<"$reply" || { cat "$work/service.log"; fail "no list from the installed service: $reply"; }
grep -q 'ww2' <<<"$reply" || fail "the list lacks the configured classes: $reply"
[ -f "$root/var/lib/gamelistd/games.db" ] || fail "no database in /var/lib/gamelistd"
[ "$(in_root stat -c %U /var/lib/gamelistd/games.db)" = gamelistd ] || fail "the database is not the service's"
# The service itself, not runuser in front of it, gets the signal, as from systemd.
pkill -TERM -x gamelistd
wait "$service" || fail "gamelistd did not stop cleanly on SIGTERM: $(cat "$work/service.log")"
echo "served the list on port $port as user $user, stopped cleanly"

echo "== the README's commands for Linux players"
home=/tmp/home
game=$home/.wine/drive_c/Games/SuddenStrike2
mkdir -p "$root$home"
ASAN_OPTIONS=detect_leaks=0 "$testbin/make_demo_installation" "$root$game" >/dev/null
# The stand-in game maps the game's DLLs as Wine would, two folders below sudtest.ini.
release=$game/game/code/release
cp "$testbin/stand_in_sust" "$testbin/n2text_dll.dll" "$testbin/game_main.dll" "$root$release/"
mkfifo "$root/tmp/game-input"
exec 5<>"$root/tmp/game-input"
chroot "$root" "$release/stand_in_sust" --load-game-dll <&5 >"$work/game.log" 2>&1 &
for _ in $(seq 50); do grep -q '^ok' "$work/game.log" && break; sleep 0.1; done
# The player's shell: the installed programs, offscreen. The switcher ends at
# its first shown window (a wrong root stops at a message box instead); the
# monitor writes its status file, and the test ends it.
{
  echo 'set -e'
  echo 'export QT_QPA_PLATFORM=offscreen ZANDREL_EXIT_ON_FIRST_SHOW=1 ZANDREL_SERVICE=http://127.0.0.1:9 VARNOK_DEBUG=1'
  sed -e 's|^zandrel\(.*\)$|timeout 60 zandrel\1 \&\& echo "switcher shown: zandrel\1"|' \
      -e 's|^varnok\(.*\)$|varnok\1 --status-file /tmp/varnok-status.json \& echo $! >/tmp/varnok.pid|' \
      "$work/player-commands"
} >"$root/tmp/player.sh"
in_root env HOME=$home XDG_RUNTIME_DIR=/tmp bash /tmp/player.sh 2>"$work/player.log" || {
  cat "$work/player.log"; fail "a README command failed"; }
status=$root/tmp/varnok-status.json
for _ in $(seq 100); do
  [ -s "$status" ] && jq -e '.player == "DemoPlayer" and .started == "Game started"' "$status" >/dev/null 2>&1 && break
  sleep 0.2
done
jq -e '.player == "DemoPlayer" and .started == "Game started"' "$status" >/dev/null 2>&1 || { cat "$status" "$work/player.log"; fail "varnok did not find the game under the Wine prefix"; }
kill "$(cat "$root/tmp/varnok.pid")"
# kessit comes from /usr/lib/varnok: a failed binding is an internal error line.
if grep -q 'kessit' "$work/player.log"; then cat "$work/player.log"; fail "the installed varnok did not bind kessit"; fi
[ -d "$root$home/.local/share/varnok" ] || fail "the installed varnok did not make ~/.local/share/varnok"
echo "varnok found the game of $(jq -r .player "$status") ($(jq -r .started "$status"), $(jq -r .checked "$status")) and keeps its files in ~/.local/share/varnok"
exec 5>&-

echo "== purge"
in_root dpkg --purge gamelistd varnok zandrel >/dev/null
[ ! -e "$root/var/lib/gamelistd" ] || fail "purge left /var/lib/gamelistd"
! in_root getent passwd gamelistd >/dev/null || fail "purge left the system user"
INSIDE
echo "packages: PASSED"
