#!/usr/bin/env bash
# Configures and builds everything (program, component, tools, tests, benchmarks) into build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
if [ ! -f "$top/build/build.ninja" ]; then
  cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$top/build"
