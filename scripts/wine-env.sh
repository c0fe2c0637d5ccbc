# Sourced by the run, test and benchmark scripts: a private Wine prefix on a display of its own.
#   wine_env_start PREFIX   creates PREFIX when missing, starts a virtual display when none is
#                           usable, and a wineserver bound to it
#   wine_env_stop           stops the wineserver, then the virtual display
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
XVFB_PID=""

wine_env_start() {
  export WINEPREFIX="$1"
  if [ -z "${PURGEON_USE_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    # Our own virtual display, so runs never touch the user's desktop.
    local n=$(( 90 + RANDOM % 400 ))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$(( n + 1 )); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # A bare prefix has no font with Chinese glyphs: link the Debian one behind the UI fonts.
    local face
    for face in Tahoma "MS Shell Dlg" "Microsoft Sans Serif" "Segoe UI"; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    done
  fi
  # A persistent wineserver and a booted prefix make each later wine call fast, and their
  # output must not hold a pipe of the caller's open.
  (setsid wineserver -p >/dev/null 2>&1 </dev/null &)
  (setsid wine wineboot >/dev/null 2>&1 </dev/null &)
  wine cmd /c exit >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
