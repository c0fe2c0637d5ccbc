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
status=0
ctest --output-on-failure --timeout 600 "$@" || status=$?
# Printing to a real queue: CUPS with a PDF printer, running only around the print test, which
# then runs once more and reads back what it printed.
# grep reads to the end: with pipefail, an early exit of grep -q would fail the pipe and skip this.
if ctest -N "$@" 2>/dev/null | grep ' test_print$' >/dev/null; then
  trap 'bash "$top/scripts/print-service.sh" stop; wine_env_stop' EXIT
  if bash "$top/scripts/print-service.sh" start; then
    rm -f "$HOME/PDF/Purgeon_Application_Report"*.pdf
    PURGEON_PRINT_QUEUE=PurgeonPDF PURGEON_PDF_DIR="$HOME/PDF" \
      ctest --output-on-failure --timeout 600 -R '^test_print$' || status=$?
  else
    echo "test: no print queue could be started; printing to a queue was not tested" >&2
  fi
  bash "$top/scripts/print-service.sh" stop
fi
exit $status
