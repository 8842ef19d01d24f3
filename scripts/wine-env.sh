# Sourced by the scripts that run the Windows program: a private Wine prefix
# and, when there is no display or when asked, a private Xvfb.
# wine_env_start [--headless] / wine_env_stop.

MQ_ROOT=${MQ_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# Some virtual machines run 64-bit user code only: their kernel refuses
# Wine's 32-bit loader (IA-32 emulation is off). There the Windows programs
# are built for 64-bit Windows from the same sources and run under Wine's
# 64-bit loader, so the tests still drive the real program.
mq_kernel_runs_32bit() {
  local rc=0
  /lib/ld-linux.so.2 --help >/dev/null 2>&1 || rc=$?
  [ $rc != 126 ]
}
if mq_kernel_runs_32bit; then
  MQ_WINDOWS_BUILD=build/windows
  MQ_WINDOWS_TOOLCHAIN=cmake/mingw-i686.cmake
  export WINEARCH=win32
else
  MQ_WINDOWS_BUILD=build/windows64
  MQ_WINDOWS_TOOLCHAIN=cmake/mingw-x86_64.cmake
  export WINEARCH=win64
fi
# Wine keeps per-user state under HOME, which a bare CI environment may lack.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export WINEDEBUG=${WINEDEBUG:--all}
MQ_XVFB_PID=""

wine_env_start() {
  local headless=0 suffix=""
  if [ $WINEARCH = win64 ]; then
    suffix=64
    # Debian's wine and winepath take the 32-bit loader whenever it is
    # installed, and the 64-bit one must not be called by another name.
    local bin=$MQ_ROOT/build/wine64-bin
    mkdir -p "$bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/wine"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 winepath.exe "$@"\n' >"$bin/winepath"
    chmod +x "$bin/wine" "$bin/winepath"
    export PATH=$bin:$PATH
  fi
  if [ "${1:-}" = "--headless" ] || [ -z "${DISPLAY:-}" ]; then headless=1; fi
  # A desktop keeps its window manager; the private display gets a prefix of
  # its own in which Wine draws the frames.
  if [ $headless = 1 ]; then
    export WINEPREFIX=${MQ_WINEPREFIX:-$MQ_ROOT/build/wineprefix$suffix-headless}
  else
    export WINEPREFIX=${MQ_WINEPREFIX:-$MQ_ROOT/build/wineprefix$suffix}
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
