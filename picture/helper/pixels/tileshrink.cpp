#include "picture/helper/pixels/tileshrink.h"

#include "picture/helper/pixels/boxshrink.h"
#include "picture/helper/pixels/rowbands.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace picture {

TileShrink::TileShrink(QSize picture, QSize shown) : m_picture(picture), m_shown(shown)
{
    if (shown.isEmpty() || shown.width() > picture.width() || shown.height() > picture.height())
        return;
    spread(picture.width(), shown.width(), m_columnOf, m_columns);
    spread(picture.height(), shown.height(), m_rowOf, m_rows);
    const std::uint64_t largestBox = *std::max_element(m_columns.begin(), m_columns.end())
                                   * *std::max_element(m_rows.begin(), m_rows.end());
    if (largestBox * 255 > std::numeric_limits<std::uint32_t>::max())
        return;
    // calloc: fresh memory from the system is zero already, and is not cleared twice.
    m_sums.reset(static_cast<std::uint32_t *>(
        std::calloc(std::size_t(shown.width()) * std::size_t(shown.height()) * 3, sizeof(std::uint32_t))));
}

void TileShrink::add(const RgbPlanes &tile, QPoint origin)
{
    const int left = origin.x();
    const int top = origin.y();
    const int width = tile.size.width();
    const int height = tile.size.height();
    if (!m_sums || tile.size.isEmpty() || left < 0 || top < 0 || width > m_picture.width() - left
        || height > m_picture.height() - top)
        return;
    const int firstColumn = m_columnOf[std::size_t(left)];
    const int columns = m_columnOf[std::size_t(left + width - 1)] - firstColumn + 1;
    const int firstRow = m_rowOf[std::size_t(top)];
    const int rows = m_rowOf[std::size_t(top + height - 1)] - firstRow + 1;
    // The tile's own sums first, for the shown pixels it falls in.
    std::vector<std::uint32_t> local(std::size_t(columns) * std::size_t(rows) * 3);
    for (int y = 0; y < height; ++y) {
        std::uint32_t *sums = &local[std::size_t(m_rowOf[std::size_t(top + y)] - firstRow) * std::size_t(columns) * 3];
        const std::uint8_t *red = tile.red + qsizetype(y) * tile.redStride;
        const std::uint8_t *green = tile.green + qsizetype(y) * tile.greenStride;
        const std::uint8_t *blue = tile.blue + qsizetype(y) * tile.blueStride;
        const int *columnOf = &m_columnOf[std::size_t(left)];
        for (int x = 0; x < width; ++x) {
            std::uint32_t *sum = sums + std::size_t(columnOf[x] - firstColumn) * 3;
            sum[0] += red[x];
            sum[1] += green[x];
            sum[2] += blue[x];
        }
    }
    // Then into the picture's: a shown pixel on the edge of the tile's may
    // have samples of the tiles beside it too, added by other threads; one
    // within it has the tile's alone.
    for (int row = 0; row < rows; ++row) {
        std::uint32_t *into = m_sums.get() + (std::size_t(firstRow + row) * std::size_t(m_shown.width())
                                              + std::size_t(firstColumn)) * 3;
        const std::uint32_t *from = &local[std::size_t(row) * std::size_t(columns) * 3];
        for (int column = 0; column < columns; ++column) {
            const bool edge = row == 0 || row == rows - 1 || column == 0 || column == columns - 1;
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t at = std::size_t(column) * 3 + c;
                if (edge)
                    std::atomic_ref(into[at]).fetch_add(from[at], std::memory_order_relaxed);
                else
                    into[at] += from[at];
            }
        }
    }
}

QImage TileShrink::result(int threads) const
{
    if (!m_sums)
        return {};
    QImage shown(m_shown, QImage::Format_RGBX8888);
    if (shown.isNull())
        return shown;
    inRowBands(m_shown.height(), threads, [this, &shown](int from, int to) {
        for (int row = from; row < to; ++row) {
            const std::uint32_t *sum = m_sums.get() + std::size_t(row) * std::size_t(m_shown.width()) * 3;
            uchar *pixel = shown.scanLine(row);
            for (std::size_t x = 0; x < std::size_t(m_shown.width()); ++x, pixel += 4, sum += 3) {
                const std::uint64_t count = m_columns[x] * m_rows[std::size_t(row)];
                for (std::size_t c = 0; c < 3; ++c)
                    pixel[c] = uchar((sum[c] + count / 2) / count);
                pixel[3] = 0xFF;
            }
        }
    });
    return shown;
}

} // namespace picture
