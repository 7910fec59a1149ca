# Sourced: starts what the Windows programs need for one run and stops it on exit.
#  - the checkout's private prefix, made once (32-bit, needs wine32);
#  - a display: Xvfb when DISPLAY is unset, since dialogs cannot be made without one;
#  - one persistent wineserver, so a program start costs a quarter second, not three.
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

wine_session_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Making a prefix runs wineboot, which takes minutes where i386 code is
    # emulated; make one template per machine and copy it for every prefix.
    local template=/var/tmp/tamari3-wineprefix-template
    (
      flock 9
      if [ ! -f "$template/.complete" ]; then
        echo "creating the Wine prefix template $template"
        rm -rf "$template"
        WINEPREFIX="$template" wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX="$template" wineserver -w
        touch "$template/.complete"
      fi
    ) 9>/var/tmp/tamari3-wineprefix-template.lock
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
  fi
  _tamari_xvfb_pid=
  if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number to the pipe.
    local fifo n
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    _tamari_xvfb_pid=$!
    read -r n <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$n"
  fi
  wineserver -f -p >/dev/null 2>&1 &
  _tamari_wineserver_pid=$!
  # The first programs of a session start Wine's own services and desktop
  # process, which outlive them. Start them here, away from the output pipes of
  # the test runner, which would otherwise wait for them (tools/wine_warmup.c).
  local tools_dir warmup
  tools_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  warmup="$WINEPREFIX/wine_warmup.exe"
  if [ ! -f "$warmup" ] || [ "$tools_dir/wine_warmup.c" -nt "$warmup" ]; then
    i686-w64-mingw32-gcc -O2 -mwindows -o "$warmup" "$tools_dir/wine_warmup.c"
  fi
  wine "$warmup" >/dev/null 2>&1 </dev/null || true
  # Xvfb has no window manager: let Wine draw the title bars itself, so that
  # screenshots show the captions.
  if [ ! -f "$WINEPREFIX/.tamari3-decorated" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 </dev/null &&
      touch "$WINEPREFIX/.tamari3-decorated"
  fi
  trap wine_session_stop EXIT
}

wine_session_stop() {
  # Stop only what this run started: the prefix's programs, the wineserver by
  # its own pid, then Xvfb. (Wine's services do not always end with their server.)
  if [ -n "${_tamari_wineserver_pid:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$_tamari_wineserver_pid" 2>/dev/null || true
    wait "$_tamari_wineserver_pid" 2>/dev/null || true
  fi
  if [ -n "${_tamari_xvfb_pid:-}" ]; then
    kill "$_tamari_xvfb_pid" 2>/dev/null || true
    wait "$_tamari_xvfb_pid" 2>/dev/null || true
  fi
}
