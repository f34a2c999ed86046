#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack from this build,
# checked by lintian, its dependencies the runtime ones only, unpacked and
# started by an ordinary user, who cannot write the program folder.
#   tst_package.sh BUILD_DIR ARTIFACTS_DIR   (on a display: tests/e2e/with-display.sh)
set -euo pipefail
build=$1
artifacts=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
deb=$(ls "$scratch"/out/zelvoviewer_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for needed in libqt6widgets6 libqt6gui6 qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk; do
    grep -q "$needed" <<<"$depends" || { echo "FAIL: $needed is not a dependency"; exit 1; }
done
for unwanted in -dev xvfb xdotool openbox imagemagick cmake python3; do
    if grep -q -- "$unwanted" <<<"$depends"; then echo "FAIL: $unwanted is a dependency"; exit 1; fi
done

lintian --fail-on error "$deb" 2>&1 | grep -v "running with root privileges" || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || { echo "FAIL: lintian reports errors"; exit 1; }

dpkg-deb -x "$deb" "$scratch/root"
home="$scratch/home"
mkdir -p "$home"
chown nobody: "$home"
runuser -u nobody -- env HOME="$home" LANG=C.UTF-8 DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
    PYTHONPATH="$here/../e2e" ZELVO_ARTIFACTS="$artifacts" \
    "$here/../e2e/with-accessibility.sh" /usr/bin/python3 "$here/as_user.py" "$scratch/root/usr"
