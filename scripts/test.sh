#!/usr/bin/env bash
# Builds Tolmarin with warnings as errors and runs the whole test suite.
# Exits non-zero on any build error or failing test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake --preset ci
cmake --build --preset ci
ctest --preset ci
