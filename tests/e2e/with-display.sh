#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, with a small window
# manager unless --no-wm is given; the display goes away with the command.
set -euo pipefail

wm=openbox
if [ "${1:-}" = "--no-wm" ]; then
    wm=""
    shift
fi

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
# What the program remembers between starts stays with this run, so that
# no test starts where another left the window (nor where the user did).
config=$(mktemp -d)
export XDG_CONFIG_HOME="$config"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

wm_pid=""
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$config"
}
trap cleanup EXIT

if [ -n "$wm" ]; then
    # The window manager is ready once it owns the screen's selection. Seen
    # rarely: it never gets there; then it is started again, and a display
    # without one is not handed to tests that close windows through it.
    wm_log=$(mktemp)
    ready=""
    for _attempt in 1 2 3; do
        "$wm" --sm-disable >"$wm_log" 2>&1 &
        wm_pid=$!
        for _ in $(seq 200); do
            if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
                ready=1
                break
            fi
            sleep 0.05
        done
        [ -n "$ready" ] && break
        kill "$wm_pid" 2>/dev/null || true
        wait "$wm_pid" 2>/dev/null || true
    done
    if [ -z "$ready" ]; then
        echo "with-display.sh: $wm did not start:" >&2
        cat "$wm_log" >&2
        exit 1
    fi
    rm -f "$wm_log"
fi

"$@"
