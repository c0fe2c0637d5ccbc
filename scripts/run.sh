#!/usr/bin/env bash
# Builds Purgeon and starts it in a demo Wine prefix (build/demo-prefix) seeded with sample
# programs, installed from the portable package; the user's own Wine prefix is never touched.
# With a usable display (DISPLAY set) the program runs there until it is closed. Without one it
# runs on a virtual display: a screenshot of the main window is saved and the program is closed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh"
. "$top/scripts/wine-env.sh"

have_display=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then have_display=1; export PURGEON_USE_DISPLAY=1; fi

prefix="$top/build/demo-prefix"
trap wine_env_stop EXIT
wine_env_start "$prefix"

bin="$top/build/bin"
install_dir="$prefix/drive_c/Program Files/Purgeon"
# The program as users get it: everything the portable package holds.
cmake --build "$top/build" --target purgeon_package >/dev/null
bash "$top/scripts/install-package.sh" "$(ls "$top"/build/Purgeon-*-win64.zip | head -n1)" "$install_dir"
if [ ! -f "$prefix/.purgeon-demo-seeded" ]; then
  wine "$bin/PurgeonSamples.exe" install-demo
  touch "$prefix/.purgeon-demo-seeded"
fi

cd "$install_dir"
if [ -n "$have_display" ]; then
  wine Purgeon.exe
  exit 0
fi

wine Purgeon.exe >/dev/null 2>&1 &
program=$!
window=""
# The splash window comes first and carries the same title: wait for the main window's size.
for _ in $(seq 150); do
  for candidate in $(xdotool search --onlyvisible --name '^Purgeon$' 2>/dev/null || true); do
    width=$(xdotool getwindowgeometry "$candidate" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    if [ "${width:-0}" -ge 700 ]; then window=$candidate; break; fi
  done
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "run: the main window did not appear" >&2
  exit 1
fi
sleep 1.5   # let the list paint
shot="$top/build/purgeon-main-window.png"
for _ in $(seq 10); do
  import -window "$window" "$shot" 2>/dev/null && break
  sleep 0.5
done
[ -f "$shot" ] || { echo "run: no screenshot could be taken" >&2; exit 1; }
echo "Screenshot of the main window: $shot"
# A polite close, as the close button does: Exit saves the options and ends the program.
wine taskkill /im Purgeon.exe >/dev/null 2>&1 || true
wait "$program" || true
echo "Purgeon closed."
