#!/usr/bin/env bash
# Proves that the Debian package installs and runs on a fresh Debian 12:
# builds it (scripts/deb.sh), installs it with apt into a minimal bookworm
# made by debootstrap, so that apt alone has to bring in every runtime
# library, then checks there, as an ordinary user without a display, that
# both programs find all their libraries, that quble says it has no display
# and writes the start-up graph, that quble-cli prints valid JSON and that
# the user's program folder is seeded with the examples; the installed
# desktop entry and AppStream metainfo are validated too.
#
# Needs root (debootstrap, chroot, mounts) and the Debian mirror
# (DEB_MIRROR, default http://deb.debian.org/debian); about 1 GB under
# /var/tmp. Not part of CI. The pristine bookworm is made once in
# DEB_CHECK_BASE (default /var/tmp/bookworm) and copied for every run, so
# each run installs into an untouched system. The start-up graph is left in
# build/deb/check-start.png for a look.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

fail() { echo "deb-check: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts)"

mirror=${DEB_MIRROR:-http://deb.debian.org/debian}
base=${DEB_CHECK_BASE:-/var/tmp/bookworm}
root=${base}-check
user=student

step "Building the package"
bash scripts/deb.sh
deb=$(ls build/deb/quble_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The fit links FFTW; without it in Depends apt would install a program
# that cannot start.
grep -q 'libfftw3-double3' <<<"$depends" || fail "Depends lacks the FFTW3 runtime library"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6svg6 libc6 libstdc++6 fonts-liberation2; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

step "Preparing a fresh bookworm"
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || bash scripts/setup.sh
done
if [ ! -e "$base/.deb-check-complete" ]; then
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
  touch "$base/.deb-check-complete"
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
if [ -d "$root" ]; then
  # A mount left by an interrupted run would make rm -rf reach the host.
  if grep -q " $root/" /proc/mounts; then fail "$root still has mounts; unmount them first"; fi
  rm -rf "$root"
fi
cp -a "$base" "$root"
rm -f "$root/.deb-check-complete"
for m in proc dev dev/pts; do
  mount --bind "/$m" "$root/$m"
  mounted+=("$root/$m")
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
# What a fresh installation has: the point-release and security updates.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
EOF
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() {
  chroot --userspec="$user:$user" "$root" /usr/bin/env -i HOME="/home/$user" USER="$user" \
    PATH=/usr/bin:/bin LANG=C.UTF-8 /bin/sh -c "cd && $1"
}

step "Installing $(basename "$deb") with apt"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "/tmp/$(basename "$deb")" jq >/dev/null || fail "apt-get install of the package failed"
in_root useradd -m -s /bin/sh "$user"
# Owners are compared by number: the host may give the uid another name.
uid=$(in_root id -u "$user")

step "Libraries"
ldd_out=$(in_root ldd /usr/bin/quble /usr/bin/quble-cli)
if grep -q "not found" <<<"$ldd_out"; then
  grep "not found" <<<"$ldd_out" >&2
  fail "a library is missing"
fi
echo "ldd: $(grep -c '=>' <<<"$ldd_out") libraries resolved, none missing"

step "quble without a display, as $user"
err=$(as_user 'quble --startup-png start.png 2>&1 >/dev/null') || fail "quble --startup-png exited non-zero: $err"
echo "$err"
grep -q "No display available: writing the start-up graph to start.png" <<<"$err" ||
  fail "quble did not say that there is no display"
png="$root/home/$user/start.png"
[ -s "$png" ] || fail "no start-up graph was written"
[ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "start.png is no PNG"
[ "$(stat -c %s "$png")" -gt 2000 ] || fail "start.png holds no drawing"
[ "$(stat -c %u "$png")" = "$uid" ] || fail "start.png does not belong to $user"
cp "$png" build/deb/check-start.png
echo "start.png: $(stat -c %s "$png") bytes, copied to build/deb/check-start.png"

# The bare option writes quble-startup.png where the user stands.
as_user 'mkdir -p bare && cd bare && quble --startup-png 2>/dev/null' || fail "quble --startup-png without a path failed"
[ -s "$root/home/$user/bare/quble-startup.png" ] || fail "--startup-png without a path wrote no quble-startup.png"

step "The program folder"
folder="$root/home/$user/.local/share/quble"
[ -d "$folder/Examples" ] || fail "$folder has no Examples"
[ "$(stat -c %u "$folder/Examples")" = "$uid" ] || fail "the examples do not belong to $user"
echo "$(find "$folder/Examples" -type f | wc -l) example files in ~/.local/share/quble/Examples"

step "quble-cli simulate --json, as $user"
as_user 'quble-cli simulate --h 1869.25:5.0,3.1,2.9,2.8,0.7,0.5 --width 1 --resolution 0.1 --shape gaussian --json >sim.json' ||
  fail "quble-cli simulate failed"
in_root jq -e '.lines | length > 0' "/home/$user/sim.json" >/dev/null || fail "quble-cli printed no valid JSON with lines"
echo "sim.json: valid JSON, $(in_root jq '.lines | length' "/home/$user/sim.json") lines"

step "Desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/org.quble.Quble.desktop" || fail "desktop-file-validate"
echo "desktop-file-validate: no complaints"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quble.Quble.metainfo.xml" || fail "appstreamcli validate"

echo "deb-check: all passed in $(($(date +%s) - started)) s"
