# Sourced by the scripts that run the Windows program: a private Wine prefix
# and, when there is no display or when asked, a private Xvfb.
# wine_env_start [--headless] / wine_env_stop.

MQ_ROOT=${MQ_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEARCH=win32
# Wine keeps per-user state under HOME, which a bare CI environment may lack.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export WINEDEBUG=${WINEDEBUG:--all}
MQ_XVFB_PID=""

wine_env_start() {
  local headless=0 rc=0
  # Wine starts the program through the 32-bit loader; a kernel with IA-32
  # emulation switched off refuses it, and every later step would fail
  # without saying why.
  /lib/ld-linux.so.2 --help >/dev/null 2>&1 || rc=$?
  if [ $rc = 126 ]; then
    echo "This kernel does not run 32-bit programs (IA-32 emulation is off): Wine cannot" \
      "run the Windows program here." >&2
    return 1
  fi
  if [ "${1:-}" = "--headless" ] || [ -z "${DISPLAY:-}" ]; then headless=1; fi
  # A desktop keeps its window manager; the private display gets a prefix of
  # its own in which Wine draws the frames.
  if [ $headless = 1 ]; then
    export WINEPREFIX=${MQ_WINEPREFIX:-$MQ_ROOT/build/wineprefix-headless}
  else
    export WINEPREFIX=${MQ_WINEPREFIX:-$MQ_ROOT/build/wineprefix}
  fi
  if [ $headless = 1 ]; then
    local n
    for n in $(seq 91 130); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    MQ_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/.mq-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Without a window manager Wine waits 2 s on every hidden window unless
    # it draws the frames itself.
    if [ $headless = 1 ]; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    fi
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.mq-ready"
  fi
  # ctest waits for its output pipe, which Wine's helpers would inherit:
  # start them now, outside it.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$MQ_XVFB_PID" ]; then
    kill "$MQ_XVFB_PID" 2>/dev/null || true
    wait "$MQ_XVFB_PID" 2>/dev/null || true
    MQ_XVFB_PID=""
  fi
}
