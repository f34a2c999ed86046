#!/usr/bin/env bash
# Fetches two HEICs as an iPhone (an XR) wrote them, one taken upright, into
# DEST: the test files of exiv2's Debian source package, checked against its
# hash. Only the benchmark opens them; they are never committed.
#
#     fetch-phone-heics.sh DEST
set -euo pipefail
dest=$1
tarball=exiv2_0.27.6.orig.tar.gz
sha256=f16ee5ff08b6994c66106109417857f13e711fca100ac43c6a403d4f02b59602
files=(IMG_3578.heic 2021-02-13-1929.heic)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for mirror in http://deb.debian.org/debian \
              http://snapshot.debian.org/archive/debian/20250520T000000Z; do
    if curl -fsSL --retry 2 -o "$work/$tarball" "$mirror/pool/main/e/exiv2/$tarball" \
        && echo "$sha256  $work/$tarball" | sha256sum --check --quiet; then
        tar -xzf "$work/$tarball" -C "$work" "${files[@]/#/exiv2-0.27.6/test/data/}"
        mkdir -p "$dest"
        for file in "${files[@]}"; do
            cp "$work/exiv2-0.27.6/test/data/$file" "$dest/$file"
        done
        exit 0
    fi
done
echo "could not fetch $tarball" >&2
exit 1
