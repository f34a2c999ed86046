#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>

namespace picture {

// A picture's 8-bit red, green and blue planes, each a sample a pixel, as
// libheif makes every picture it decodes before anything else.
struct RgbPlanes
{
    const std::uint8_t *red = nullptr;
    const std::uint8_t *green = nullptr;
    const std::uint8_t *blue = nullptr;
    int redStride = 0;
    int greenStride = 0;
    int blueStride = 0;
    QSize size; // the samples that are the picture, from the top left
};

// `planes` shrunk to `size`, each shown pixel the mean of the samples that
// fall in it, with rows shared out among `threads`: no interleaved copy of
// the whole picture (48 MB for 12 megapixels) is made first. `size` is at
// most the planes' own in each direction. RGBX8888; null without the memory.
QImage shrunkToRgbx(const RgbPlanes &planes, QSize size, int threads);

} // namespace picture
