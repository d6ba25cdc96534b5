#!/usr/bin/env bash
# The unit and the postinst of gamelistd, from the source tree (the package
# test checks the same on the installed package):
#   1. `systemd-analyze security --offline=true` rates the unit "OK" or
#      better, an exposure of at most 2.0, and its LimitNOFILE leaves room
#      for the service's connections;
#   2. the postinst refuses an existing account gamelistd that is not a
#      system account, and says why; it takes a system account of that name.
#      It runs in an overlay of the machine's own root inside private
#      namespaces, so no account on the machine changes.
# Needs systemd-analyze for 1 and root for 2 (skipped, code 77, without them).
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
unit=$here/packaging/gamelistd/gamelistd.service
postinst=$here/packaging/gamelistd/postinst

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

command -v systemd-analyze >/dev/null || skip "no systemd-analyze"
echo "== systemd-analyze security --offline=true"
# It rates a unit by its file name; a copy keeps the name and leaves the tree alone.
work=$(mktemp -d /tmp/gamelistd-unit.XXXXXX)
trap 'umount -R "$work/root" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$unit" "$work/gamelistd.service"
report=$(cd "$work" && systemd-analyze security --offline=true gamelistd.service 2>&1) || true
overall=$(grep 'Overall exposure level' <<<"$report" || true)
echo "$overall"
[ -n "$overall" ] || { echo "$report"; fail "no rating from systemd-analyze"; }
exposure=$(sed -n 's/.*: \([0-9.]*\) .*/\1/p' <<<"$overall")
awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }' || { grep '✗' <<<"$report"; fail "exposure $exposure is over 2.0"; }
grep -Eq ': [0-9.]+ (OK|SAFE|PERFECT)' <<<"$overall" || fail "rated worse than OK: $overall"

# Every connection the service takes (2,000 by default) is a descriptor, and
# the database, its log and the access log need some beside them.
limit=$(sed -n 's/^LimitNOFILE=//p' "$unit")
connections=$(sed -n 's/.*unsigned connections = \([0-9]*\);.*/\1/p' "$here/gamelist/service/service_options.h")
[ -n "$limit" ] && [ -n "$connections" ] && [ "$limit" -ge $((connections + 64)) ] ||
  fail "LimitNOFILE=${limit:-unset} leaves no room for ${connections:-?} connections"

[ "$(id -u)" -eq 0 ] || skip "the postinst's account check needs root"
echo "== the postinst and an account gamelistd"
mkdir -p "$work/upper" "$work/scratch" "$work/root"
cp "$postinst" "$work/postinst"
unshare --mount --net --pid --fork --mount-proc bash -s "$work" <<'INSIDE'
set -euo pipefail
work=$1
root=$work/root
fail() { echo "FAILED: $*" >&2; exit 1; }
mount --make-rprivate /
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/scratch" "$root"
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/tmp"
mount -t tmpfs tmpfs "$root/run"
cp "$work/postinst" "$root/tmp/postinst"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
if in_root getent passwd gamelistd >/dev/null; then in_root userdel gamelistd; fi

# Somebody's own account of that name (and root's uid) is refused, with the reason.
for uid in 1500 0; do
  in_root useradd --non-unique -u "$uid" -M -s /bin/sh gamelistd
  rc=0
  in_root sh /tmp/postinst configure >"$work/out" 2>&1 || rc=$?
  cat "$work/out"
  [ "$rc" -ne 0 ] || fail "the postinst took the account gamelistd with uid $uid"
  grep -q "uid $uid" "$work/out" && grep -q 'not a system account' "$work/out" || fail "the postinst did not say why"
  [ ! -e "$root/var/lib/gamelistd" ] || fail "the postinst made the state folder for uid $uid"
  in_root userdel -f gamelistd 2>/dev/null
done

# A system account of that name is the service's.
in_root adduser --system --group --quiet --no-create-home gamelistd
in_root sh /tmp/postinst configure >"$work/out" 2>&1 || { cat "$work/out"; fail "the postinst refused a system account"; }
[ "$(in_root stat -c %U /var/lib/gamelistd)" = gamelistd ] || fail "/var/lib/gamelistd is not the service's"
[ "$(in_root stat -c %U /var/log/gamelistd)" = gamelistd ] || fail "/var/log/gamelistd is not the service's"
echo "refused uid 1500 and uid 0, took a system account"
INSIDE
echo "gamelistd unit: PASSED"
