#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
top="$(cd "$(dirname "$0")" && pwd)"
bash "$top/scripts/deps.sh"
bash "$top/scripts/build.sh"
cd "$top/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
