#!/usr/bin/env bash
# Installs the Debian 12 packages Tolmarin needs, by purpose. Idempotent: packages already
# installed are skipped, and nothing is asked when everything is there.
#
#   install-deps.sh programs   building and running the three programs (scripts/setup.sh)
#   install-deps.sh package    the programs and the Debian package (scripts/package.sh)
#   install-deps.sh all        everything: tests, benchmarks, fuzzers, release checks (scripts/test.sh)
set -euo pipefail

# Building and running: the compiler, Qt (Multimedia for measuring live with a sound card),
# NLopt, KissFFT and libsndfile (room measurement), the fonts and Qt translations the editor
# shows, Qt SQL's SQLite driver that keeps the venue's event log, and Qt HTTP Server that
# serves the monitor (its CMake package needs Qt WebSockets).
programs=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev qt6-multimedia-dev libgl-dev
    qt6-httpserver-dev qt6-websockets-dev
    qt6-translations-l10n libqt6sql6-sqlite
    fonts-liberation fonts-liberation2 fonts-wqy-microhei
    libnlopt-dev libnlopt-cxx-dev
    libkissfft-dev libsndfile1-dev
)
# The Debian package: cpack's DEB generator and the compressed manual pages.
package=(dpkg-dev file man-db)
# The suites, the benchmarks, the fuzzers (clang) and the release checks (lintian, the
# core built for Windows and tested under Wine); Prometheus (server and promtool) for the
# monitor's round trip and the checks of the example scrape configuration and alerts;
# PulseAudio for the live measurement's test on a real audio path without a sound card.
testing=(
    git clang clang-format clang-tidy libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    poppler-utils python3 xvfb pulseaudio pulseaudio-utils
    desktop-file-utils appstream lintian prometheus
    g++-mingw-w64-x86-64-posix wine64
)

case "${1:-all}" in
    programs) packages=("${programs[@]}") ;;
    package) packages=("${programs[@]}" "${package[@]}") ;;
    all) packages=("${programs[@]}" "${package[@]}" "${testing[@]}") ;;
    *)
        echo "install-deps: unknown set '$1' (programs, package or all)" >&2
        exit 2
        ;;
esac

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
