#!/usr/bin/env bash
# Installs the Debian 12 packages Tolmarin needs. Idempotent: packages already
# installed are skipped, and nothing is asked when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    clang clang-format clang-tidy libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev libgl-dev
    qt6-translations-l10n poppler-utils
    fonts-liberation fonts-liberation2 fonts-wqy-microhei
    libnlopt-dev libnlopt-cxx-dev
    python3 xvfb
    dpkg-dev file man-db desktop-file-utils appstream lintian
    g++-mingw-w64-x86-64-posix wine64
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
