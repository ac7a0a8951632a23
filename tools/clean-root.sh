# Sourced by packaging/install-test.sh and tools/fresh-test.sh: a clean Debian 12 root made
# once with debootstrap (minbase, brought up to date, a user "tester") and kept in
# $PALVARIN_TEST_ROOT_CACHE; each run works on a fresh copy of it in $root, with the apt
# downloads cached beside it. Needs root and debootstrap. The caller sets $start_label
# (the word its failures begin with) before sourcing.
cache=${PALVARIN_TEST_ROOT_CACHE:-/var/cache/palvarin-test-root}
mirror=${PALVARIN_TEST_MIRROR:-http://deb.debian.org/debian}
base=$cache/base
root=$cache/run
start=$SECONDS

step() { printf '== %s (%ds)\n' "$*" $((SECONDS - start)); }
fail() { echo "${start_label:-clean root}: FAILED: $*" >&2; exit 1; }
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
mount_into() { # source target [options]
  mount "${@:3}" "$1" "$2"
  mounted+=("$2")
}
trap unmount_all EXIT

[ "$(id -u)" -eq 0 ] || fail "needs root (chroot, mounts)"
mkdir -p "$cache/archives"

# The base holds nothing a newcomer's Debian 12 lacks: what the tests need, they install.
prepare_base() {
  [ -e "$base/.palvarin-minbase-ready" ] && return 0
  step "making the clean Debian 12 root in $base"
  rm -rf "$base"
  debootstrap --variant=minbase --cache-dir="$cache/archives" bookworm "$base" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -20 "$cache/debootstrap.log"; fail "debootstrap"; }
  # The same suites as an up-to-date Debian 12: the point-release updates and security.
  cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
  cp /etc/resolv.conf "$base/etc/resolv.conf"
  mount_into /proc "$base/proc" -t proc
  mount_into "$cache/archives" "$base/var/cache/apt/archives" --bind
  chroot "$base" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    sh -c 'apt-get update -q && apt-get dist-upgrade -y -q' >"$cache/base-upgrade.log" 2>&1 ||
    { tail -20 "$cache/base-upgrade.log"; fail "bringing the root up to date"; }
  unmount_all
  chroot "$base" useradd --create-home --shell /bin/sh tester
  touch "$base/.palvarin-minbase-ready"
}

# A fresh copy of the base in $root with /proc, /sys, /dev and the apt cache mounted.
copy_root() {
  step "copying the clean root"
  if grep -q " $root/" /proc/mounts; then fail "still mounted under $root"; fi
  rm -rf --one-file-system "$root"
  cp -a "$base" "$root"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount_into /proc "$root/proc" -t proc
  mount_into /sys "$root/sys" --rbind
  mount_into /dev "$root/dev" --rbind
  mount_into "$cache/archives" "$root/var/cache/apt/archives" --bind
}

remove_root() {
  unmount_all
  # Never into a folder still mounted from the machine (its /dev, /sys).
  if grep -q " $root/" /proc/mounts; then fail "still mounted under $root"; fi
  rm -rf --one-file-system "$root"
}
