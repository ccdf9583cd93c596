#!/usr/bin/env bash
# Builds the Debian package of Tolmarin (build/package/tolmarin_<version>_<arch>.deb) from
# a release build of the three programs; install it with apt (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
cmake --preset package
cmake --build --preset package
(cd build/package && cpack -G DEB)
ls build/package/tolmarin_*.deb
