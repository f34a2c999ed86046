#!/usr/bin/env bash
# Runs a command as a Wayland client of a headless weston of its own, with
# a bus of its own standing for the system bus, where a fake colord gives the
# display the profile a photo carries:
#   with-wayland.sh <photo with a profile> <command...>
# Exits 77 (skipped) when weston or Qt's Wayland platform is not installed.
set -euo pipefail
photo=$1
shift
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
if ! command -v weston >/dev/null || [ ! -e "$plugins/platforms/libqwayland-generic.so" ]; then
    echo "with-wayland.sh: weston or qt6-wayland is not installed" >&2
    exit 77
fi
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
profile="$runtime/screen.icc"
convert "$photo" "icc:$profile"
export ZELVO_TEST_SCREEN_PROFILE="$profile"
config=$(mktemp -d)
export XDG_CONFIG_HOME="$config"
weston --backend=headless-backend.so --socket=zelvo-wayland --width=1280 --height=1024 --use-pixman \
    --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
cleanup() {
    kill "$weston_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$runtime" "$config"
}
trap cleanup EXIT
for _ in $(seq 200); do
    [ -S "$runtime/zelvo-wayland" ] && break
    sleep 0.05
done
export WAYLAND_DISPLAY=zelvo-wayland
export QT_QPA_PLATFORM=wayland
unset DISPLAY
here=$(cd "$(dirname "$0")" && pwd)
# The bus stands for the system bus, where colord is.
exec dbus-run-session -- bash -c '
    export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
    "$0/fake-colord.py" "$1" "" > "$XDG_RUNTIME_DIR/colord.out" &
    for _ in $(seq 200); do grep -q ready "$XDG_RUNTIME_DIR/colord.out" 2>/dev/null && break; sleep 0.05; done
    shift
    "$@"' "$here" "$profile" "$@"
