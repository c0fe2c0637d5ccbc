#!/usr/bin/env bash
# Benchmarks, each against a baseline measured in the same run on the same prefix, each at three
# sizes with the time per thousand, so it shows whether cost grows linearly:
#   listing:  `Purgeon.exe /list` against Wine's own `uninstaller --list` and against the bare
#             program reading the same values one key after another (bench_listing floor; the
#             catalogue reads its keys on a few threads at once), programs spread over the
#             three Uninstall keys; 500, 2,000 and 10,000 programs
#   start-up: from process start to the main window shown with the first row of its program list
#             painted, against `Purgeon.exe /list` of the same 2,000 programs (bench_startup)
#   remains scan: the scan window walking seeded keys, against a bare RegEnumKeyExW walk of the
#             same subtrees, and the longest time the window goes without a message pump;
#             10,000, 100,000 and 300,000 keys
#   clean-up: files set aside and given back, against bare moves of the same files; 300, 3,000
#             and 30,000 files
#   leftovers: the search for the leftovers of gone programs over 2,000 installed programs and
#             100,000 seeded keys below SOFTWARE, against a bare walk of the same places
#   full backup: Purgeon.exe /backup of 1,000 seeded entries against one regedit /e of the whole
#             Uninstall key, and the first backup against that export plus bare file creation
# Sizes and runs:
#   BENCH_QUICK=1          only the smallest size of each figure and 3 runs (a few minutes)
#   BENCH_RUNS             runs per figure (default 7, quick 3)
#   BENCH_LIST_SIZES, BENCH_SCAN_SIZES, BENCH_CLEANUP_SIZES   blank-separated sizes
#   BENCH_SCAN_KEYS, BENCH_CLEANUP_FILES, BENCH_ENTRIES       one size of that figure
#   BENCH_LEFTOVER_KEYS    keys seeded for the leftovers figure (default 100,000)
#   BENCH_ONLY             blank-separated figures to run: listing startup scan cleanup backup batch
#                          leftovers
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" >/dev/null
. "$top/scripts/wine-env.sh"
prefix="$top/build/bench-prefix"
rm -rf "$prefix"
trap wine_env_stop EXIT
wine_env_start "$prefix"
bin="$top/build/bin"

quick=${BENCH_QUICK:-}
runs=${BENCH_RUNS:-$([ -n "$quick" ] && echo 3 || echo 7)}
list_sizes=${BENCH_LIST_SIZES:-${BENCH_ENTRIES:-$([ -n "$quick" ] && echo 500 || echo "500 2000 10000")}}
scan_sizes=${BENCH_SCAN_SIZES:-${BENCH_SCAN_KEYS:-$([ -n "$quick" ] && echo 10000 || echo "10000 100000 300000")}}
cleanup_sizes=${BENCH_CLEANUP_SIZES:-${BENCH_CLEANUP_FILES:-$([ -n "$quick" ] && echo 300 || echo "300 3000 30000")}}
startup_size=2000
only=${BENCH_ONLY:-listing startup scan cleanup backup batch leftovers}
wants() { [[ " $only " == *" $1 "* ]]; }
summary=()
failures=0
# One line of the closing table: figure, size, milliseconds, the time per thousand.
record() { summary+=("$(awk -v f="$1" -v n="$2" -v ms="$3" 'BEGIN { printf "  %-34s %8d %10.0f ms %9.1f ms per 1,000", f, n, ms, ms * 1000 / n }')"); }

# Times several commands alternately, after one warm-up each; prints each one's median in ms,
# in the order given. A command that fails is reported, and the whole figure with it.
#   alternate_ms NAME1 "CMD1" NAME2 "CMD2" ...
alternate_ms() {
  local names=() commands=() i
  while [ $# -gt 0 ]; do names+=("$1"); commands+=("$2"); shift 2; done
  for i in "${!commands[@]}"; do
    if ! eval "${commands[$i]}" >/dev/null 2>&1; then
      echo "    FAILED: ${names[$i]} (${commands[$i]})" >&2
      return 1
    fi
  done
  local -A times=()
  local run start end
  for run in $(seq "$runs"); do
    for i in "${!commands[@]}"; do
      start=$(date +%s%N)
      if ! eval "${commands[$i]}" >/dev/null 2>&1; then
        echo "    FAILED: ${names[$i]} in run $run" >&2
        return 1
      fi
      end=$(date +%s%N)
      times[$i]+="$(( (end - start) / 1000000 )) "
    done
  done
  for i in "${!commands[@]}"; do
    echo "    ${names[$i]} runs: ${times[$i]}" >&2
    printf '%s\n' ${times[$i]} | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
  done
}

if wants listing; then
  for entries in $list_sizes; do
    wine "$bin/bench_listing.exe" unseed >/dev/null
    wine "$bin/bench_listing.exe" seed "$entries" >/dev/null
    listed=$(wine "$bin/Purgeon.exe" /list > "$prefix/list.txt" 2>&1; grep -c . "$prefix/list.txt" || true)
    floor_listed=$(wine "$bin/bench_listing.exe" floor > "$prefix/floor.txt" 2>&1; grep -c . "$prefix/floor.txt" || true)
    baseline_listed=$(wine uninstaller --list > "$prefix/wine.txt" 2>/dev/null; grep -c . "$prefix/wine.txt" || true)
    if ! figures=$(alternate_ms "/list" "wine '$bin/Purgeon.exe' /list" \
                                "uninstaller" "wine uninstaller --list" \
                                "floor" "wine '$bin/bench_listing.exe' floor"); then
      echo "listing, $entries programs: FAILED"
      failures=$((failures + 1))
      continue
    fi
    read -r ours theirs floor <<<"$(echo $figures)"
    echo "listing, $entries seeded programs in three Uninstall keys (median of $runs runs):"
    echo "  Purgeon.exe /list           ${ours} ms  ($listed lines)"
    echo "  wine uninstaller --list     ${theirs} ms  ($baseline_listed lines)"
    echo "  bench_listing floor         ${floor} ms  ($floor_listed lines, the bare reading of the same values)"
    awk -v a="$ours" -v b="$theirs" -v c="$floor" 'BEGIN {
      printf "  ratio to Wine uninstaller   %.2f (target <= 1.00)\n", a / b
      printf "  ratio to the floor          %.2f (target <= 1.05)\n", a / c }'
    record "listing, Purgeon.exe /list" "$entries" "$ours"
    record "listing, uninstaller --list" "$entries" "$theirs"
    record "listing, floor" "$entries" "$floor"
  done
  wine "$bin/bench_listing.exe" unseed >/dev/null
fi

if wants startup; then
  # Installed as a user would have it (Config.ini and Langs beside it).
  install_dir="$prefix/drive_c/Program Files/Purgeon"
  mkdir -p "$install_dir"
  cp "$bin/Purgeon.exe" "$bin/Doffkit.dll" "$install_dir/"
  cp -r "$bin/Langs" "$bin/Skins" "$install_dir/" 2>/dev/null || true
  wine "$bin/bench_listing.exe" unseed >/dev/null
  wine "$bin/bench_listing.exe" seed "$startup_size" >/dev/null
  echo "start-up, $startup_size seeded programs:"
  if ! wine "$bin/bench_startup.exe" --exe 'C:\Program Files\Purgeon\Purgeon.exe' --runs "$runs"; then
    echo "  start-up: FAILED (see above)"
    failures=$((failures + 1))
  fi
  wine "$bin/bench_fill.exe" >/dev/null 2>&1 || true   # warm-up
  echo "where the window's start goes:"
  wine "$bin/bench_fill.exe" || true
  wine "$bin/bench_listing.exe" unseed >/dev/null
fi

if wants scan; then
  # bench_scan seeds the keys, prints its figures and removes the keys again.
  for keys in $scan_sizes; do
    if ! wine "$bin/bench_scan.exe" --keys "$keys" --runs "$runs" > "$prefix/scan.txt" 2>&1; then
      failures=$((failures + 1))
      echo "remains scan, $keys keys: FAILED"
    fi
    cat "$prefix/scan.txt"
    ms=$(awk '/scan in the scan window/ { print $6 }' "$prefix/scan.txt")
    bare=$(awk '/bare RegEnumKeyExW walk/ { print $4 }' "$prefix/scan.txt")
    [ -n "$ms" ] && record "remains scan, scan window" "$keys" "$ms"
    [ -n "$bare" ] && record "remains scan, bare walk" "$keys" "$bare"
  done
fi

if wants cleanup; then
  # A clean-up setting files aside, and its undo, against bare moves of the same files.
  for files in $cleanup_sizes; do
    if ! wine "$bin/bench_cleanup.exe" --files "$files" --runs "$runs" > "$prefix/cleanup.txt" 2>&1; then
      failures=$((failures + 1))
      echo "clean-up, $files files: FAILED"
    fi
    cat "$prefix/cleanup.txt"
    ms=$(awk '/CleanRemains/ { print $(NF-1) }' "$prefix/cleanup.txt")
    undo=$(awk '/RestoreCleanup/ { print $(NF-1) }' "$prefix/cleanup.txt")
    [ -n "$ms" ] && record "clean-up, CleanRemains" "$files" "$ms"
    [ -n "$undo" ] && record "undo, RestoreCleanup" "$files" "$undo"
  done
fi

if wants backup; then
  # The full backup as a process (one file per Uninstall subkey) against the registry editor's
  # one export of the whole key; bench_backup seeds the entries, prints its figures, removes them.
  if ! wine "$bin/bench_backup.exe" --keys "${BENCH_BACKUP_KEYS:-1000}" --runs "$runs"; then
    failures=$((failures + 1))
    echo "full backup: FAILED"
  fi
fi

if wants batch; then
  # A quiet batch uninstall of 20 stand-ins against their quiet commands started directly, two at
  # a time: Purgeon's own time per program beyond the uninstallers' run time.
  if ! wine "$bin/bench_batch.exe" --programs "${BENCH_BATCH_PROGRAMS:-20}" --runs "$runs"; then
    failures=$((failures + 1))
    echo "batch uninstall: FAILED"
  fi
fi

if wants leftovers; then
  # bench_leftovers seeds the keys, prints its figures and removes the keys again.
  leftover_keys=${BENCH_LEFTOVER_KEYS:-100000}
  if ! wine "$bin/bench_leftovers.exe" --keys "$leftover_keys" --runs "$runs" > "$prefix/leftovers.txt" 2>&1; then
    failures=$((failures + 1))
    echo "leftovers: FAILED"
  fi
  cat "$prefix/leftovers.txt"
  ms=$(awk '/half the seeded products installed/ { print $8 }' "$prefix/leftovers.txt")
  bare=$(awk '/bare walk of the same places/ { print $7 }' "$prefix/leftovers.txt")
  [ -n "$ms" ] && record "leftovers search" "$leftover_keys" "$ms"
  [ -n "$bare" ] && record "leftovers, bare walk" "$leftover_keys" "$bare"
fi

echo "how cost grows (medians):"
printf '%s\n' "${summary[@]}"
[ "$failures" -eq 0 ] || { echo "$failures figure(s) FAILED"; exit 1; }
