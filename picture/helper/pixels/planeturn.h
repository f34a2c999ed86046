#pragma once

#include "picture/helper/pixels/rgbplanes.h"

#include <QRect>
#include <QSize>

namespace picture {

// Where `part` of a picture of `size` lies once the picture is turned
// `quarters` quarter turns anticlockwise (HEIF's irot).
QRect turnedRect(QRect part, QSize size, int quarters);

// `planes` turned `quarters` quarter turns anticlockwise into `out`, whose
// size is theirs turned (as libheif turns a picture by its irot box).
void turnPlanes(const RgbPlanes &planes, int quarters, const RgbPlanesOf<std::uint8_t> &out);

} // namespace picture
