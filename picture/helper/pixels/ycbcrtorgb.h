#pragma once

#include "picture/helper/pixels/rgbplanes.h"

#include <QSize>

#include <cstdint>
#include <optional>

namespace picture {

// How Y, Cb and Cr make red, green and blue: red's and blue's shares of Y,
// and whether the samples span 0-255 or the studio range (16-235, 16-240).
struct YCbCrMatrix
{
    double kr = 0.299;
    double kb = 0.114;
    bool fullRange = true;
};

// The matrix an nclx `matrix_coefficients` code names (ITU-T H.273), with
// "unspecified" taken as BT.601; none for the codes that are not such a
// matrix (identity, YCgCo, chromaticity-derived ...).
std::optional<YCbCrMatrix> ycbcrMatrix(int code, bool fullRange);

// A picture's 8-bit Y, Cb and Cr planes as its decoder leaves them.
struct YCbCrPlanes
{
    const std::uint8_t *y = nullptr;
    const std::uint8_t *cb = nullptr;
    const std::uint8_t *cr = nullptr;
    int yStride = 0;
    int cbStride = 0;
    int crStride = 0;
    QSize size;           // the luma samples that are the picture, from the top left
    int chromaShiftX = 0; // 1: chroma has a column for every two (4:2:0, 4:2:2)
    int chromaShiftY = 0; // 1: and a row for every two (4:2:0)
};

// `planes` made RGB through `matrix` into `out` (of the same size), a chroma
// sample standing for each luma sample it covers, with rows shared out among
// `threads`.
void toRgb(const YCbCrPlanes &planes, const YCbCrMatrix &matrix, const RgbPlanesOf<std::uint8_t> &out, int threads);

} // namespace picture
