#pragma once

// The colours a picture was made in, and the screen's: pictures are turned
// into the screen's colour space once, where they are decoded.

#include <QColorSpace>
#include <QImage>

namespace picture {

// The colour space that nclx values (ITU-T H.273 colour primaries and
// transfer characteristics, as HEIF and AVIF files carry them) describe;
// invalid for what has no faithful QColorSpace (unspecified, PQ, HLG).
QColorSpace colourSpaceFromNclx(int primaries, int transfer);

// The picture in `screen`'s colours. A picture that names no colour space
// is sRGB already and stays as it is, and so does one whose profile Qt
// cannot use: it is shown unconverted rather than not at all.
QImage inScreenColours(QImage image, const QColorSpace &screen);

} // namespace picture
