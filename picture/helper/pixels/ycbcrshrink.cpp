#include "picture/helper/pixels/ycbcrshrink.h"

#include "picture/helper/pixels/boxshrink.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace picture {
namespace {

// Where each shown row or column starts among stored ones, and how many
// stored ones it takes: for the luma and, subsampled, for the chroma.
struct Boxes
{
    std::vector<int> of;                // stored index -> shown index
    std::vector<std::uint64_t> counts;  // per shown index
    std::vector<int> first;             // per shown index, and one past the end

    Boxes(int stored, int shown, int shift)
    {
        std::vector<int> lumaOf;
        std::vector<std::uint64_t> lumaCounts;
        spread(stored, shown, lumaOf, lumaCounts);
        // A chroma sample belongs where the first luma sample it covers goes.
        const int samples = (stored + (1 << shift) - 1) >> shift;
        of.resize(std::size_t(samples));
        counts.assign(std::size_t(shown), 0);
        first.assign(std::size_t(shown) + 1, samples);
        for (int i = samples - 1; i >= 0; --i) {
            of[std::size_t(i)] = lumaOf[std::size_t(i << shift)];
            ++counts[std::size_t(of[std::size_t(i)])];
            first[std::size_t(of[std::size_t(i)])] = i;
        }
    }
};

std::uint8_t level(double value)
{
    return std::uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

struct Shrink
{
    const YCbCrPlanes &planes;
    const YCbCrMatrix &matrix;
    Boxes lumaColumns, lumaRows, chromaColumns, chromaRows;
    QImage &result;

    void sumRows(const std::uint8_t *plane, int stride, int from, int to, const std::vector<int> &columnOf,
                 std::vector<std::uint64_t> &sums) const
    {
        std::fill(sums.begin(), sums.end(), 0);
        const int columns = int(columnOf.size());
        for (int y = from; y < to; ++y) {
            const std::uint8_t *sample = plane + qsizetype(y) * stride;
            for (int x = 0; x < columns; ++x)
                sums[std::size_t(columnOf[std::size_t(x)])] += sample[x];
        }
    }

    void rows(int from, int to) const
    {
        const int width = result.width();
        const auto columns = std::size_t(width);
        std::vector<std::uint64_t> y(columns), cb(columns), cr(columns);
        const double range = matrix.fullRange ? 1.0 : 255.0 / 219.0;
        const double chromaRange = matrix.fullRange ? 1.0 : 255.0 / 224.0;
        const double black = matrix.fullRange ? 0.0 : 16.0;
        const double kg = 1.0 - matrix.kr - matrix.kb;
        for (int row = from; row < to; ++row) {
            const std::size_t r = std::size_t(row);
            sumRows(planes.y, planes.yStride, lumaRows.first[r], lumaRows.first[r + 1], lumaColumns.of, y);
            sumRows(planes.cb, planes.cbStride, chromaRows.first[r], chromaRows.first[r + 1], chromaColumns.of, cb);
            sumRows(planes.cr, planes.crStride, chromaRows.first[r], chromaRows.first[r + 1], chromaColumns.of, cr);
            uchar *pixel = result.scanLine(row);
            for (int x = 0; x < width; ++x, pixel += 4) {
                const std::size_t c = std::size_t(x);
                const double luma = (double(y[c]) / double(lumaColumns.counts[c] * lumaRows.counts[r]) - black) * range;
                const double chroma = double(chromaColumns.counts[c] * chromaRows.counts[r]);
                const double blue = (double(cb[c]) / chroma - 128.0) * chromaRange;
                const double red = (double(cr[c]) / chroma - 128.0) * chromaRange;
                const double r_ = luma + 2.0 * (1.0 - matrix.kr) * red;
                const double b_ = luma + 2.0 * (1.0 - matrix.kb) * blue;
                pixel[0] = level(r_);
                pixel[1] = level((luma - matrix.kr * r_ - matrix.kb * b_) / kg);
                pixel[2] = level(b_);
                pixel[3] = 0xFF;
            }
        }
    }
};

} // namespace

std::optional<YCbCrMatrix> ycbcrMatrix(int code, bool fullRange)
{
    switch (code) {
    case 1: return YCbCrMatrix{0.2126, 0.0722, fullRange};      // BT.709
    case 2:                                                      // unspecified
    case 5:                                                      // BT.470 B/G
    case 6: return YCbCrMatrix{0.299, 0.114, fullRange};        // BT.601
    case 4: return YCbCrMatrix{0.30, 0.11, fullRange};          // FCC
    case 7: return YCbCrMatrix{0.212, 0.087, fullRange};        // SMPTE 240M
    case 9: return YCbCrMatrix{0.2627, 0.0593, fullRange};      // BT.2020, non-constant luminance
    default: return std::nullopt;
    }
}

QImage shrunkToRgb(const YCbCrPlanes &planes, const YCbCrMatrix &matrix, QSize size, int threads)
{
    if (size.isEmpty() || size.width() > planes.size.width() || size.height() > planes.size.height())
        return {};
    QImage result(size, QImage::Format_RGBX8888);
    if (result.isNull())
        return result;
    const Shrink shrink{planes,
                        matrix,
                        Boxes(planes.size.width(), size.width(), 0),
                        Boxes(planes.size.height(), size.height(), 0),
                        Boxes(planes.size.width(), size.width(), planes.chromaShiftX),
                        Boxes(planes.size.height(), size.height(), planes.chromaShiftY),
                        result};
    const int height = size.height();
    const int bands = std::clamp(threads, 1, height);
    const auto band = [&shrink, bands, height](int which) {
        shrink.rows(height * which / bands, height * (which + 1) / bands);
    };
    std::vector<std::thread> workers;
    int done = 1;
    try {
        for (; done < bands; ++done)
            workers.emplace_back(band, done);
    } catch (const std::system_error &) {
        // No thread for the bands left: this one does them.
    }
    for (int which = done; which < bands; ++which)
        band(which);
    band(0);
    for (std::thread &worker : workers)
        worker.join();
    return result;
}

} // namespace picture
