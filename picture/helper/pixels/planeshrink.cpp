#include "picture/helper/pixels/planeshrink.h"

#include "picture/helper/pixels/boxshrink.h"
#include "picture/helper/pixels/rowbands.h"

#include <algorithm>
#include <array>
#include <vector>

namespace picture {
namespace {

struct Shrink
{
    const RgbPlanes &planes;
    std::vector<int> columnOf, rowOf;
    std::vector<std::uint64_t> columns, rows;
    std::vector<int> firstRow; // per shown row, and one past the end
    QImage &result;

    Shrink(const RgbPlanes &from, QImage &into) : planes(from), result(into)
    {
        spread(planes.size.width(), result.width(), columnOf, columns);
        spread(planes.size.height(), result.height(), rowOf, rows);
        firstRow.assign(std::size_t(result.height()) + 1, planes.size.height());
        for (int y = planes.size.height() - 1; y >= 0; --y)
            firstRow[std::size_t(rowOf[std::size_t(y)])] = y;
    }

    void sumRows(const std::uint8_t *plane, int stride, int row, std::vector<std::uint64_t> &sums) const
    {
        std::fill(sums.begin(), sums.end(), 0);
        const int width = planes.size.width();
        for (int y = firstRow[std::size_t(row)]; y < firstRow[std::size_t(row) + 1]; ++y) {
            const std::uint8_t *sample = plane + qsizetype(y) * stride;
            for (int x = 0; x < width; ++x)
                sums[std::size_t(columnOf[std::size_t(x)])] += sample[x];
        }
    }

    void band(int from, int to) const
    {
        const auto width = std::size_t(result.width());
        std::array<std::vector<std::uint64_t>, 3> sums{std::vector<std::uint64_t>(width),
                                                       std::vector<std::uint64_t>(width),
                                                       std::vector<std::uint64_t>(width)};
        for (int row = from; row < to; ++row) {
            sumRows(planes.red, planes.redStride, row, sums[0]);
            sumRows(planes.green, planes.greenStride, row, sums[1]);
            sumRows(planes.blue, planes.blueStride, row, sums[2]);
            uchar *pixel = result.scanLine(row);
            for (std::size_t x = 0; x < width; ++x, pixel += 4) {
                const std::uint64_t count = columns[x] * rows[std::size_t(row)];
                for (std::size_t c = 0; c < 3; ++c)
                    pixel[c] = uchar((sums[c][x] + count / 2) / count);
                pixel[3] = 0xFF;
            }
        }
    }
};

} // namespace

QImage shrunkToRgbx(const RgbPlanes &planes, QSize size, int threads)
{
    if (size.isEmpty() || size.width() > planes.size.width() || size.height() > planes.size.height())
        return {};
    QImage result(size, QImage::Format_RGBX8888);
    if (result.isNull())
        return result;
    const Shrink shrink(planes, result);
    inRowBands(size.height(), threads, [&shrink](int from, int to) { shrink.band(from, to); });
    return result;
}

} // namespace picture
