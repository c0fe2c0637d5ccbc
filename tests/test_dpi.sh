#!/usr/bin/env bash
# Runs the scale tests at 100 %, 150 % and 200 %: Wine takes the screen's DPI from LogPixels when
# its server starts again. The prefix is left at 96 DPI, whatever happens.
#   test_dpi.sh <test_dpi.exe>
set -uo pipefail
exe=$1
restart_at() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
  wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
  (setsid wineserver -p >/dev/null 2>&1 </dev/null &)
  wineboot >/dev/null 2>&1 </dev/null
  wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null
}
trap 'restart_at 96' EXIT
status=0
for dpi in 96 144 192; do
  echo "== at $dpi DPI"
  restart_at "$dpi"
  out=$(mktemp)
  # A Windows program's output goes to a file: a Wine service could hold a pipe open.
  PURGEON_TEST_DPI=$dpi timeout 600 wine "$exe" >"$out" 2>&1 </dev/null || status=1
  cat "$out"; rm -f "$out"
done
exit $status
