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
    # Our own virtual display, so runs never touch the user's desktop; as large as a 200 % laptop's
    # screen, so windows at that scale fit.
    local n=$(( 90 + RANDOM % 400 ))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$(( n + 1 )); done
    Xvfb ":$n" -screen 0 "${PURGEON_SCREEN:-2560x1600x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  # One persistent wineserver for the whole run, started before anything else, so the services a
  # boot starts (among them the one COM needs) belong to it and are not raced by a second boot.
  # Its output and that of the services must not hold a pipe of the caller's open.
  mkdir -p "$WINEPREFIX"
  (setsid wineserver -p >/dev/null 2>&1 </dev/null &)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # A bare prefix has no font with Chinese glyphs: link the Debian one behind the UI fonts.
    local face
    for face in Tahoma "MS Shell Dlg" "Microsoft Sans Serif" "Segoe UI"; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 </dev/null || true
    done
    # A program that crashes ends at once: the automatic debugger would wait for a window that
    # nobody answers here, and hold the run until its time-out.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'cmd.exe /c exit %ld %ld' /f \
      >/dev/null 2>&1 </dev/null || true
    # Services cannot be started in the session that created the prefix (COM's RpcSs among
    # them, and every running-object lookup would wait for it): start afresh.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    (setsid wineserver -p >/dev/null 2>&1 </dev/null &)
  fi
  wineboot >/dev/null 2>&1 </dev/null || true
  # Bring up the desktop process now: started later by a program under test, it would inherit
  # that program's standard handles and hold its output pipe open.
  wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
