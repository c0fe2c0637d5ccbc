#!/usr/bin/env bash
# Benchmarks, each against a baseline measured in the same run on the same prefix.
#   listing: `Purgeon.exe /list` against Wine's own `uninstaller --list`, 2,000 seeded programs
#   start-up: from process start to the main window shown with its program list filled and
#             painted, against `Purgeon.exe /list` on the same 2,000 programs
#   remains scan: the scan window walking 100,000 seeded keys, against a bare RegEnumKeyExW walk
#             of the same subtrees, and the longest time the window goes without a message pump
#   clean-up: 3,000 files set aside and given back, against bare moves of the same files
#   full backup: Purgeon.exe /backup of 1,000 seeded entries against one regedit /e of the whole
#             Uninstall key
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

# Start-up of the window, installed as a user would have it (Config.ini and Langs beside it).
install_dir="$prefix/drive_c/Program Files/Purgeon"
mkdir -p "$install_dir"
cp "$bin/Purgeon.exe" "$bin/Doffkit.dll" "$install_dir/"
cp -r "$bin/Langs" "$install_dir/" 2>/dev/null || true
# Milliseconds from process start until the main window is shown (it is shown once its
# creation has filled the list) and its list painted; then the window is closed.
window_start_ms() {
  local start end
  start=$(date +%s%N)
  (cd "$install_dir" && wine Purgeon.exe >/dev/null 2>&1 &)
  # xdotool's own --sync polls only twice a second.
  local window=""
  until window=$(xdotool search --onlyvisible --name '^Purgeon$' 2>/dev/null | head -n1) && [ -n "$window" ]; do
    sleep 0.02
  done
  # Mapped is not painted: wait until the list's area is no longer unpainted black.
  while [ "$(import -window "$window" -crop 1x1+200+200 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n1)" = "#000000" ]; do
    sleep 0.02
  done
  end=$(date +%s%N)
  wine taskkill /im Purgeon.exe >/dev/null 2>&1 || true
  while pgrep -f 'Purgeon.exe' >/dev/null; do sleep 0.05; done
  # The next run must not find this run's window still mapped.
  while xdotool search --onlyvisible --name '^Purgeon$' >/dev/null 2>&1; do sleep 0.05; done
  echo $(( (end - start) / 1000000 ))
}
window_start_ms >/dev/null   # warm-up, also creates Config.ini and the language file
starts=()
for _ in $(seq "$runs"); do starts+=("$(window_start_ms)"); done
echo "    runs: ${starts[*]}" >&2
wine "$bin/bench_fill.exe" >/dev/null 2>&1 || true   # warm-up
echo "where the window's start goes:"
wine "$bin/bench_fill.exe"
startup=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
listing=$(median_ms wine "$bin/Purgeon.exe" /list)
echo "start-up to a filled, painted program list, $entries seeded programs (median of $runs runs):"
echo "  Purgeon.exe window       ${startup} ms"
echo "  Purgeon.exe /list        ${listing} ms"
awk -v a="$startup" -v b="$listing" 'BEGIN { printf "  ratio                    %.2f (target <= 1.50)\n", a / b }'

# The remains scan as its window runs it, against a bare walk of the same registry subtrees in
# the same process; bench_scan seeds the keys, prints its figures and removes the keys again.
scan_keys=${BENCH_SCAN_KEYS:-100000}
wine "$bin/bench_scan.exe" --keys "$scan_keys" --runs "$runs"

# A clean-up setting files aside, and its undo, against bare moves of the same files.
wine "$bin/bench_cleanup.exe" --files "${BENCH_CLEANUP_FILES:-3000}" --runs "$runs"
# The full backup as a process (one file per Uninstall subkey) against the registry editor's one
# export of the whole key; bench_backup seeds the entries, prints its figures and removes them.
wine "$bin/bench_backup.exe" --keys "${BENCH_BACKUP_KEYS:-1000}" --runs "$runs"
# A quiet batch uninstall of 20 stand-ins against their quiet commands started directly, two at a
# time: Purgeon's own time per program beyond the uninstallers' run time.
wine "$bin/bench_batch.exe" --programs "${BENCH_BATCH_PROGRAMS:-20}" --runs "$runs"
