#pragma once

// What an SVG may cost before it is drawn. Qt SVG inflates a compressed
// SVG whole and decodes every picture it holds at its own size, all in
// memory: the file is looked over first, and one over these bounds is
// refused before anything is paid.

#include <QIODevice>

namespace picture {

struct SvgBounds
{
    qint64 bytes = 64 * 1024 * 1024;   // its text, inflated
    int pictures = 100;                // <image> elements
    qint64 picturePixels = 64'000'000; // of the pictures it holds (data: URIs), all together
};

// Whether `device` may hold an SVG: gzip-compressed data, or text that
// names an <svg> element near its start. Looks at its first bytes only.
bool mayBeSvg(QIODevice &device);

// Whether the SVG that `device` holds (plain or gzip-compressed) stays
// within `bounds`. Reads the device and puts it back at its start.
bool svgWithinBounds(QIODevice &device, const SvgBounds &bounds = {});

} // namespace picture
