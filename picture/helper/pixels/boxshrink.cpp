#include "picture/helper/pixels/boxshrink.h"

#include <QColorSpace>

#include <cstdint>
#include <vector>

namespace picture {
namespace {

// With alpha, colours weigh as much as they show: a transparent pixel's
// colour, which nothing shows, does not tint its neighbours.
template<typename Channel, int Channels>
QImage averaged(const QImage &image, QSize size)
{
    constexpr bool alpha = Channels == 4;
    std::vector<int> columnOf, rowOf;
    std::vector<std::uint64_t> columns, rows;
    spread(image.width(), size.width(), columnOf, columns);
    spread(image.height(), size.height(), rowOf, rows);
    QImage result(size, image.format());
    if (result.isNull())
        return result;
    std::vector<std::uint64_t> sums(std::size_t(size.width()) * Channels);
    int y = 0;
    for (int row = 0; row < size.height(); ++row) {
        std::fill(sums.begin(), sums.end(), 0);
        for (; y < image.height() && rowOf[std::size_t(y)] == row; ++y) {
            const auto *pixel = reinterpret_cast<const Channel *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x, pixel += Channels) {
                std::uint64_t *sum = &sums[std::size_t(columnOf[std::size_t(x)]) * Channels];
                const std::uint64_t weight = alpha ? pixel[3] : 1;
                for (int c = 0; c < 3; ++c)
                    sum[c] += pixel[c] * weight;
                if constexpr (alpha)
                    sum[3] += pixel[3];
            }
        }
        auto *line = reinterpret_cast<Channel *>(result.scanLine(row));
        for (int x = 0; x < size.width(); ++x) {
            const std::uint64_t *sum = &sums[std::size_t(x) * Channels];
            const std::uint64_t count = columns[std::size_t(x)] * rows[std::size_t(row)];
            const std::uint64_t weight = alpha ? sum[3] : count;
            for (int c = 0; c < 3; ++c)
                line[x * Channels + c] = weight ? Channel((sum[c] + weight / 2) / weight) : Channel(0);
            if constexpr (alpha)
                line[x * Channels + 3] = Channel((sum[3] + count / 2) / count);
        }
    }
    result.setColorSpace(image.colorSpace());
    return result;
}

bool halves(const QImage &image, QSize size)
{
    return !size.isEmpty() && image.width() >= 2 * size.width() && image.height() >= 2 * size.height();
}

} // namespace

void spread(int stored, int shown, std::vector<int> &of, std::vector<std::uint64_t> &counts)
{
    of.resize(std::size_t(stored));
    counts.assign(std::size_t(shown), 0);
    for (int i = 0; i < stored; ++i) {
        of[std::size_t(i)] = int(qint64(i) * shown / stored);
        ++counts[std::size_t(of[std::size_t(i)])];
    }
}

QImage shrunk(QImage image, QSize size)
{
    if (image.size() == size)
        return image;
    const QImage::Format format = image.format();
    if (halves(image, size)) {
        if (format == QImage::Format_RGB888)
            return averaged<std::uint8_t, 3>(image, size);
        if (format == QImage::Format_RGBA8888)
            return averaged<std::uint8_t, 4>(image, size);
        if (format == QImage::Format_RGBA64)
            return averaged<std::uint16_t, 4>(image, size);
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace picture
