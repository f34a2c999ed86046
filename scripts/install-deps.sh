#!/usr/bin/env bash
# Installs the Debian packages that a task needs, only those that are missing.
#   scripts/install-deps.sh run      building and running the program
#   scripts/install-deps.sh test     the above, and what the tests drive it with
#   scripts/install-deps.sh fuzz     the above (run), and clang's libFuzzer
#   scripts/install-deps.sh package  the above (run), and building a .deb
#   scripts/install-deps.sh bench    the above (run), a virtual display and
#                                    what the benchmark drives and compares with
set -euo pipefail

run=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
    qt6-image-formats-plugins libqt6svg6 libheif-dev libde265-dev libjxl-dev libavif-dev libraw-dev libseccomp-dev libexiv2-dev libturbojpeg0-dev libjpeg62-turbo-dev zlib1g-dev libx11-dev
    fonts-noto-cjk
)
test=(
    "${run[@]}" ccache
    xvfb xauth x11-utils xdotool wmctrl openbox imagemagick xclip libraw-bin
    libclang-rt-14-dev
    dbus-x11 at-spi2-core python3-pyatspi orca
    libglib2.0-bin trash-cli dosfstools exfatprogs
    weston qt6-wayland python3-gi libimage-exiftool-perl
    desktop-file-utils appstream dpkg-dev lintian
)
fuzz=("${run[@]}" clang libclang-rt-14-dev)
package=("${run[@]}" dpkg-dev lintian)
bench=("${run[@]}" dbus-daemon xvfb xauth x11-utils openbox xdotool wmctrl libx11-dev libxtst-dev libjpeg-turbo-progs libheif-examples imagemagick curl
    feh qimgv geeqie gthumb)

case "${1:-run}" in
    run) packages=("${run[@]}") ;;
    test) packages=("${test[@]}") ;;
    fuzz) packages=("${fuzz[@]}") ;;
    package) packages=("${package[@]}") ;;
    bench) packages=("${bench[@]}") ;;
    *) echo "usage: $0 run|test|fuzz|package|bench" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
