#!/usr/bin/env bash
# Times scripts/setup.sh on a fresh Debian 12: a minimal bookworm made with debootstrap
# (kept in WORK/base and reused), copied, given this checkout's committed tree, and the
# set-up run in it under chroot, as root. Needs root and debootstrap; the network only
# for Debian's mirror. Prints the set-up's wall time.
#
#   scripts/time-fresh-setup.sh WORK [REVISION]
set -euo pipefail
cd "$(dirname "$0")/.."

work=${1:?usage: time-fresh-setup.sh WORK [REVISION]}
revision=${2:-HEAD}
mirror=http://deb.debian.org/debian
mkdir -p "$work"
work=$(cd "$work" && pwd)

if [ ! -e "$work/base/etc/debian_version" ]; then
    debootstrap --variant=minbase bookworm "$work/base.tmp" "$mirror"
    mv "$work/base.tmp" "$work/base"
fi

root="$work/run"
cleanup() {
    for m in dev/pts dev proc sys; do
        mountpoint -q "$root/$m" && umount -l "$root/$m"
    done
    return 0
}
trap cleanup EXIT
cleanup
rm -rf "$root"
cp -a "$work/base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/root/tolmarin"
git archive "$revision" | tar -x -C "$root/root/tolmarin"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

start=$(date +%s)
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
    /bin/bash -c 'cd /root/tolmarin && scripts/setup.sh' 2>&1 | tee "$work/setup.log"
status=${PIPESTATUS[0]}
end=$(date +%s)
elapsed=$((end - start))
printf 'time-fresh-setup: scripts/setup.sh exited %d after %d min %02d s\n' \
    "$status" $((elapsed / 60)) $((elapsed % 60))
exit "$status"
