#!/usr/bin/env bash
# Builds everything, then runs every test through CTest in a fresh throwaway Wine prefix
# on a virtual display. Exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh"
. "$top/scripts/wine-env.sh"
prefix="$top/build/test-prefix"
rm -rf "$prefix"
trap wine_env_stop EXIT
wine_env_start "$prefix"
cd "$top/build"
ctest --output-on-failure --timeout 600 "$@"
