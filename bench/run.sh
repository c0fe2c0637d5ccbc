#!/usr/bin/env bash
# Benchmarks, each against a baseline measured in the same run on the same prefix.
#   listing: `Purgeon.exe /list` against Wine's own `uninstaller --list`, 2,000 seeded programs
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" >/dev/null
. "$top/scripts/wine-env.sh"
prefix="$top/build/bench-prefix"
rm -rf "$prefix"
trap wine_env_stop EXIT
wine_env_start "$prefix"
bin="$top/build/bin"
runs=${BENCH_RUNS:-7}

# Median wall time of a command, in milliseconds, after one warm-up run.
median_ms() {
  "$@" >/dev/null 2>&1 || true
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  echo "    runs: ${times[*]}" >&2
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

entries=${BENCH_ENTRIES:-2000}
wine "$bin/PurgeonSamples.exe" seed "$entries" >/dev/null
listed=$(wine "$bin/Purgeon.exe" /list | grep -c . || true)
baseline_listed=$(wine uninstaller --list 2>/dev/null | grep -c . || true)
ours=$(median_ms wine "$bin/Purgeon.exe" /list)
theirs=$(median_ms wine uninstaller --list)
echo "listing, $entries seeded programs (median of $runs runs):"
echo "  Purgeon.exe /list        ${ours} ms  ($listed lines)"
echo "  wine uninstaller --list  ${theirs} ms  ($baseline_listed lines)"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "  ratio                    %.2f (target <= 1.00)\n", a / b }'
