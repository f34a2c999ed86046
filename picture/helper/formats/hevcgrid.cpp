#include "picture/helper/formats/hevcgrid.h"

#include "picture/helper/formats/hevcstream.h"
#include "picture/helper/pixels/rowbands.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

namespace picture::hevc {
namespace {

// libde265 refuses more workers.
constexpr int MostWorkers = 16;

struct DecoderFree
{
    void operator()(de265_decoder_context *context) const { de265_free_decoder(context); }
};
using DecoderContext = std::unique_ptr<de265_decoder_context, DecoderFree>;

bool push(de265_decoder_context *context, QByteArrayView bytes)
{
    return pushNalUnits(context, reinterpret_cast<const unsigned char *>(bytes.data()), size_t(bytes.size()))
        == Pushed::All;
}

// The rows of a tile made RGB and handed over together: a picture coded
// whole is never made RGB all at once, and each thread's band stays in its
// cache.
constexpr int BandRows = 64;

// `planes`, from `origin` in the picture, made RGB through `matrix` and
// handed to `take` a band of rows at a time, the bands shared out among
// `threads`; false without the memory for a band.
bool handOverInBands(const YCbCrPlanes &planes, const YCbCrMatrix &matrix, QPoint origin, int threads,
                     const std::function<void(const RgbPlanes &, QPoint)> &take)
{
    const int bands = (planes.size.height() + BandRows - 1) / BandRows;
    std::atomic_bool failed = false;
    inRowBands(bands, threads, [&](int from, int to) {
        // Nothing may leave a thread of its own: no memory fails the picture.
        try {
            // Kept from band to band; not from tile to tile, so that the
            // helper gives all of it back once the picture is done.
            const qsizetype plane = qsizetype(planes.size.width()) * BandRows;
            std::vector<std::uint8_t> samples(std::size_t(plane) * 3);
            for (int band = from; band < to && !failed; ++band) {
                const int top = band * BandRows;
                YCbCrPlanes part = planes;
                part.y += qsizetype(top) * planes.yStride;
                part.cb += qsizetype(top >> planes.chromaShiftY) * planes.cbStride;
                part.cr += qsizetype(top >> planes.chromaShiftY) * planes.crStride;
                part.size = QSize(planes.size.width(), std::min(BandRows, planes.size.height() - top));
                std::uint8_t *at = samples.data();
                const RgbPlanesOf<std::uint8_t> rgb{at, at + plane, at + 2 * plane, part.size.width(),
                                                    part.size.width(), part.size.width(), part.size};
                toRgb(part, matrix, rgb, 1);
                take({rgb.red, rgb.green, rgb.blue, rgb.redStride, rgb.greenStride, rgb.blueStride, rgb.size},
                     origin + QPoint(0, top));
            }
        } catch (const std::bad_alloc &) {
            failed = true;
        }
    });
    return !failed;
}

// Tile `index` decoded by `context` (fresh or reset) and handed to `take`.
bool decodeTile(de265_decoder_context *context, const heifgrid::Grid &grid, int index, const YCbCrMatrix &matrix,
                int threads, const std::function<void(const RgbPlanes &, QPoint)> &take)
{
    const heifgrid::Tile &tile = grid.tiles[size_t(index)];
    if (!push(context, tile.parameterSets))
        return false;
    for (const QByteArrayView piece : tile.pieces) {
        if (!push(context, piece))
            return false;
    }
    if (de265_flush_data(context) != DE265_OK)
        return false;
    // Where the tile goes, and how much of it the picture keeps.
    const QPoint origin(index % grid.columns * grid.tileSize.width(), index / grid.columns * grid.tileSize.height());
    const QSize kept(std::min(grid.tileSize.width(), grid.size.width() - origin.x()),
                     std::min(grid.tileSize.height(), grid.size.height() - origin.y()));
    // An item is one picture; one of several (libheif keeps the last) is
    // left to libheif, as the pixels of the first are already handed over.
    bool made = false;
    int more = 0;
    do {
        more = 0;
        if (de265_decode(context, &more) != DE265_OK)
            break;
        if (const de265_image *picture = de265_get_next_picture(context)) {
            std::optional<YCbCrPlanes> planes = ycbcrPlanesOf(picture);
            const bool usable = !made && planes && planes->size == grid.tileSize;
            if (usable) {
                planes->size = kept;
                made = handOverInBands(*planes, matrix, origin, threads, take);
            }
            de265_release_next_picture(context);
            if (!usable || !made)
                return false;
        }
    } while (more);
    return made;
}

} // namespace

bool decodeGridTiles(const heifgrid::Grid &grid, const YCbCrMatrix &matrix, int threads,
                     const std::function<void(const RgbPlanes &tile, QPoint origin)> &take,
                     const std::function<bool()> &cancelled)
{
    const int count = int(grid.tiles.size());
    if (count == 0 || count != grid.rows * grid.columns || grid.tileSize.isEmpty())
        return false;
    // A picture coded whole uses every core itself: libde265's workers
    // decode its rows, and its bands are made RGB on all of them.
    const int threadsATile = count == 1 ? std::clamp(threads, 1, MostWorkers) : 1;
    std::atomic_int next = 0;
    std::atomic_bool failed = false;
    // Each thread takes the next tile left, with a decoder of its own that
    // keeps its buffers from one tile to the next.
    inRowBands(std::clamp(threads, 1, count), threads, [&](int, int) {
        const DecoderContext context(de265_new_decoder());
        if (!context) {
            failed = true;
            return;
        }
        if (threadsATile > 1)
            de265_start_worker_threads(context.get(), threadsATile);
        for (int index = next++; index < count && !failed; index = next++) {
            if (cancelled() || !decodeTile(context.get(), grid, index, matrix, threadsATile, take))
                failed = true;
            // Ready for the next tile, its buffers kept.
            de265_reset(context.get());
        }
    });
    return !failed;
}

} // namespace picture::hevc
