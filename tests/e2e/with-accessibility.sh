#!/usr/bin/env bash
# Runs a command with a session bus and the accessibility bus of its own, and
# Qt's accessibility always on (as with a screen reader running).
set -euo pipefail
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- "$0" "$@"
fi
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap 'kill $launcher 2>/dev/null || true' EXIT
# A program started before the bus is up finds no screen reader listening,
# and tells it nothing for the rest of its life: wait until the bus answers
# (asked without activating a second one).
for _ in $(seq 400); do
    if dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true; then
        address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress 2>/dev/null || true)
        [ -n "${address// /}" ] && break
    fi
    sleep 0.05
done
if [ -z "${address:-}" ]; then
    echo "with-accessibility.sh: the accessibility bus did not start" >&2
    exit 1
fi
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$@"
