#!/usr/bin/env bash
# Builds Keyloom.exe and runs it under Wine, on the current display or, when
# there is none, on a private Xvfb display. The prefix build/wine-run is kept
# between runs, so the macros stored in its registry stay.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/install-deps.sh
bash scripts/build.sh windows

. scripts/wine-env.sh

prefix="$ROOT/build/wine-run"
private_display=0
stop() {
    if [[ "$private_display" -eq 1 ]]; then
        kl_kill_prefix "$prefix"
        kl_stop_display
    fi
}
trap stop EXIT
trap 'kl_kill_prefix "$prefix"; exit 130' INT TERM

if ! kl_display_usable; then
    kl_ensure_display
    private_display=1
fi
if [[ ! -f "$prefix/system.reg" ]]; then
    kl_fresh_prefix "$prefix"
fi
export WINEPREFIX="$prefix"

# A desktop's window manager decorates the windows; on the bare private
# display Wine draws the captions itself.
kl_set_managed "$prefix" "$([[ $private_display -eq 1 ]] && echo N || echo Y)"

probe="$ROOT/build/windows/klprobe.exe"
if [[ "$private_display" -eq 1 ]]; then
    cat <<INFO
Keyloom runs on a private X display $DISPLAY (DISPLAY was unset or unusable).
  screenshot:        DISPLAY=$DISPLAY import -window root build/screen.png
  show main window:  DISPLAY=$DISPLAY WINEPREFIX=$prefix WINEDEBUG=-all wine $probe post Keyloom 0x405 0 0x201
Ctrl+C stops it and the display.
INFO
else
    echo "Keyloom runs on $DISPLAY; its tray icon shows the main window (prefix $prefix)."
fi

# In the background, so that the traps run at once on Ctrl+C or TERM.
wine "$ROOT/build/windows/Keyloom.exe" &
wait $!
