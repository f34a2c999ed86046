#pragma once

#include <QSize>

#include <cstdint>

namespace picture {

// A picture's 8-bit red, green and blue planes, each a sample a pixel: read
// (`const std::uint8_t`) or written (`std::uint8_t`).
template<typename Sample>
struct RgbPlanesOf
{
    Sample *red = nullptr;
    Sample *green = nullptr;
    Sample *blue = nullptr;
    int redStride = 0;
    int greenStride = 0;
    int blueStride = 0;
    QSize size; // the samples that are the picture, from the top left
};

using RgbPlanes = RgbPlanesOf<const std::uint8_t>;

} // namespace picture
