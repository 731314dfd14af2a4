#!/usr/bin/env bash
# Configures (once) and builds into build/.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$top/build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$top/build" -j"$(nproc)"
