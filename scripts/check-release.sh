#!/usr/bin/env bash
# What a release needs beyond the test suite, for CI:
#   1. the desktop entry, the AppStream metainfo and the manual pages are valid, and the
#      Debian package made from BUILD_DIR (default build/ci, already built) has no lintian
#      error;
#      the monitor's service unit, example Prometheus configuration and alert rules are
#      valid;
#   2. the plain C++ core and its suites cross-compile for 64-bit Windows with MinGW-w64
#      and pass under Wine.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
jobs=${TOLMARIN_JOBS:-2}

echo "== desktop entry, metainfo, manual pages =="
desktop-file-validate data/org.tolmarin.Tolmarin.desktop
appstreamcli validate --no-net "$build/data/org.tolmarin.Tolmarin.metainfo.xml"
for page in "$build"/data/man/*.1; do
    # man prints its warnings on standard error; any of them fails the check.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings"
        exit 1
    fi
    echo "$(basename "$page"): renders without warnings"
done

echo "== Debian package =="
rm -f "$build"/tolmarin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tolmarin_*.deb)
dpkg-deb --field "$deb" Package Version Depends
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "lintian: no error in $(basename "$deb")"
# Every packaged program says the package's upstream version.
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
version=$(dpkg-deb --field "$deb" Version)
for program in tolmarin tolmarin-cli trv410-sim; do
    said=$("$unpacked/usr/bin/$program" --version)
    if [ "$said" != "$program ${version%-*}" ]; then
        echo "$program --version says '$said', the package is $version"
        exit 1
    fi
    echo "$said"
done

echo "== monitor: service unit, example Prometheus configuration and alert rules =="
promtool check config docs/monitor/prometheus.yml
promtool check rules docs/monitor/tolmarin-alerts.yml
unit="$unpacked/usr/lib/systemd/system/tolmarin-monitor.service"
if [ ! -f "$unit" ]; then
    echo "the package has no tolmarin-monitor.service"
    exit 1
fi
if command -v systemd-analyze >/dev/null; then
    # The unit names the installed program: verify a copy naming the package's own.
    checked=$(mktemp -d)
    sed "s#/usr/bin/tolmarin-cli#$unpacked/usr/bin/tolmarin-cli#" "$unit" >"$checked/tolmarin-monitor.service"
    # It only warns (exit 0) about a line it ignores: any word from it fails the check.
    said=$(systemd-analyze verify --man=no "$checked/tolmarin-monitor.service" 2>&1) || {
        echo "$said"
        exit 1
    }
    rm -rf "$checked"
    if [ -n "$said" ]; then
        echo "$said"
        exit 1
    fi
    echo "tolmarin-monitor.service: verified"
else
    echo "systemd-analyze not present: tolmarin-monitor.service not verified"
fi
rm -rf "$unpacked"

echo "== core for Windows (MinGW-w64), tests under Wine =="
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --no-warn-unused-cli -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTOLMARIN_CORE_ONLY=ON -DTOLMARIN_WERROR=ON \
    -DTOLMARIN_GTEST_SOURCE=/usr/src/googletest "${launcher[@]}" >/dev/null
cmake --build build/mingw -j "$jobs"
export WINEPREFIX="$PWD/build/mingw/wine" WINEDEBUG=-all
start=$(date +%s)
# Each suite is one CTest test; -V shows its own count. pipefail carries a failure out.
ctest --test-dir build/mingw --output-on-failure -V 2>&1 |
    grep -E '^[0-9]+: \[ *(PASSED|SKIPPED|FAILED) *\]|tests passed|Total Test time|  Failed  |\*\*\*'
echo "Wine run: $(($(date +%s) - start)) s"
