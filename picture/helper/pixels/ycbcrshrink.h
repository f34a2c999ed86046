#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>

namespace picture {

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

// `planes` shrunk to `size`, each shown pixel made from the means of the Y,
// Cb and Cr samples that fall in it: the picture is made RGB at the size it
// is shown, never whole. `size` is at most the planes' own in each direction.
// Rows are shared out among `threads`. RGBX8888; null without the memory.
QImage shrunkToRgb(const YCbCrPlanes &planes, const YCbCrMatrix &matrix, QSize size, int threads);

} // namespace picture
