#pragma once

#include "picture/helper/pixels/rgbplanes.h"

#include <QImage>
#include <QSize>

namespace picture {

// `planes` shrunk to `size`, each shown pixel the mean of the samples that
// fall in it, with rows shared out among `threads`: no interleaved copy of
// the whole picture (48 MB for 12 megapixels) is made first. `size` is at
// most the planes' own in each direction. RGBX8888; null without the memory.
QImage shrunkToRgbx(const RgbPlanes &planes, QSize size, int threads);

} // namespace picture
