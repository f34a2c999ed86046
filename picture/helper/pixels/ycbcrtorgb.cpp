#include "picture/helper/pixels/ycbcrtorgb.h"

#include "picture/helper/pixels/rowbands.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>

namespace picture {
namespace {

// Each sample's share of each colour, in 1/65536ths, so that a pixel is a few
// additions: 12 megapixels made RGB on every core in a few milliseconds.
struct Tables
{
    static constexpr int Shift = 16;
    std::array<int, 256> luma{}, redFromCr{}, greenFromCb{}, greenFromCr{}, blueFromCb{};

    explicit Tables(const YCbCrMatrix &matrix)
    {
        const double lumaScale = matrix.fullRange ? 1.0 : 255.0 / 219.0;
        const double chromaScale = matrix.fullRange ? 1.0 : 255.0 / 224.0;
        const double black = matrix.fullRange ? 0.0 : 16.0;
        const double kg = 1.0 - matrix.kr - matrix.kb;
        const auto fixed = [](double value) { return int(std::lround(value * (1 << Shift))); };
        for (int sample = 0; sample < 256; ++sample) {
            const double chroma = (sample - 128) * chromaScale;
            // Half a level, so that the shift rounds to nearest.
            luma[std::size_t(sample)] = fixed((sample - black) * lumaScale + 0.5);
            redFromCr[std::size_t(sample)] = fixed(2.0 * (1.0 - matrix.kr) * chroma);
            blueFromCb[std::size_t(sample)] = fixed(2.0 * (1.0 - matrix.kb) * chroma);
            greenFromCb[std::size_t(sample)] = fixed(-2.0 * matrix.kb * (1.0 - matrix.kb) / kg * chroma);
            greenFromCr[std::size_t(sample)] = fixed(-2.0 * matrix.kr * (1.0 - matrix.kr) / kg * chroma);
        }
    }

    static std::uint8_t level(int value) { return std::uint8_t(std::clamp(value >> Shift, 0, 255)); }
};

void convertRows(const YCbCrPlanes &planes, const Tables &tables, const RgbPlanesOf<std::uint8_t> &out, int from,
                 int to)
{
    const int width = planes.size.width();
    for (int y = from; y < to; ++y) {
        const std::uint8_t *luma = planes.y + qsizetype(y) * planes.yStride;
        const std::uint8_t *cb = planes.cb + qsizetype(y >> planes.chromaShiftY) * planes.cbStride;
        const std::uint8_t *cr = planes.cr + qsizetype(y >> planes.chromaShiftY) * planes.crStride;
        std::uint8_t *red = out.red + qsizetype(y) * out.redStride;
        std::uint8_t *green = out.green + qsizetype(y) * out.greenStride;
        std::uint8_t *blue = out.blue + qsizetype(y) * out.blueStride;
        for (int x = 0; x < width; ++x) {
            const int l = tables.luma[luma[x]];
            const std::uint8_t b = cb[x >> planes.chromaShiftX];
            const std::uint8_t r = cr[x >> planes.chromaShiftX];
            red[x] = Tables::level(l + tables.redFromCr[r]);
            green[x] = Tables::level(l + tables.greenFromCb[b] + tables.greenFromCr[r]);
            blue[x] = Tables::level(l + tables.blueFromCb[b]);
        }
    }
}

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

void toRgb(const YCbCrPlanes &planes, const YCbCrMatrix &matrix, const RgbPlanesOf<std::uint8_t> &out, int threads)
{
    const Tables tables(matrix);
    inRowBands(planes.size.height(), threads,
               [&](int from, int to) { convertRows(planes, tables, out, from, to); });
}

} // namespace picture
