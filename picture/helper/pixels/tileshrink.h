#pragma once

#include "picture/helper/pixels/rgbplanes.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace picture {

// A picture that comes in tiles shrunk a tile at a time, to the very pixels
// shrunkToRgbx makes of it whole (each shown pixel the mean of the samples
// in its box), without planes for the whole picture: a 12 MP photo's are
// 36 MB of fresh memory, cleared by the system page by page before use.
class TileShrink
{
public:
    // For a picture of `picture` pixels shown at `shown`, at most as large in
    // each direction.
    TileShrink(QSize picture, QSize shown);
    // False when its boxes are too large for the sums (more than 16 million
    // samples each) or there is no memory for them.
    bool isValid() const { return bool(m_sums); }
    // Adds `tile`, the part of the picture from `origin` that its size says.
    // Tiles that do not overlap may be added from several threads at once.
    void add(const RgbPlanes &tile, QPoint origin);
    // Once every sample is in: RGBX8888, rows shared out among `threads`;
    // null without the memory.
    QImage result(int threads) const;

private:
    struct Free
    {
        void operator()(std::uint32_t *sums) const { std::free(sums); }
    };

    QSize m_picture;
    QSize m_shown;
    std::vector<int> m_columnOf, m_rowOf;
    std::vector<std::uint64_t> m_columns, m_rows;
    std::unique_ptr<std::uint32_t[], Free> m_sums; // red, green and blue of each shown pixel
};

} // namespace picture
