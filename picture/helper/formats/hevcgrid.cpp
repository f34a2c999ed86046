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

// A thread's RGB planes for its tiles, one after another.
struct TileRgb
{
    explicit TileRgb(QSize size) : samples(std::size_t(size.width()) * std::size_t(size.height()) * 3)
    {
        std::uint8_t *at = samples.data();
        const qsizetype plane = qsizetype(size.width()) * size.height();
        planes = {at, at + plane, at + 2 * plane, size.width(), size.width(), size.width(), size};
    }
    std::vector<std::uint8_t> samples;
    RgbPlanesOf<std::uint8_t> planes;
};

// Tile `index` decoded by `context` (reset first) and handed to `take`.
bool decodeTile(de265_decoder_context *context, const heifgrid::Grid &grid, int index, const YCbCrMatrix &matrix,
                TileRgb &rgb, const std::function<void(const RgbPlanes &, QPoint)> &take)
{
    const heifgrid::Tile &tile = grid.tiles[size_t(index)];
    de265_reset(context);
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
    bool made = false;
    int more = 0;
    do {
        more = 0;
        if (de265_decode(context, &more) != DE265_OK)
            break;
        if (const de265_image *picture = de265_get_next_picture(context)) {
            std::optional<YCbCrPlanes> planes = ycbcrPlanesOf(picture);
            made = planes && planes->size == grid.tileSize;
            if (made) {
                planes->size = kept;
                rgb.planes.size = kept;
                toRgb(*planes, matrix, rgb.planes, 1);
            }
            de265_release_next_picture(context);
            if (!made)
                return false;
        }
    } while (more);
    // The last picture of the item is the one kept, as libheif's decoder does.
    if (made) {
        const RgbPlanes decoded{rgb.planes.red,         rgb.planes.green,       rgb.planes.blue, rgb.planes.redStride,
                                rgb.planes.greenStride, rgb.planes.blueStride, kept};
        take(decoded, origin);
    }
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
    std::atomic_int next = 0;
    std::atomic_bool failed = false;
    // Each thread takes the next tile left, with a decoder and planes of its
    // own that it keeps from one tile to the next.
    inRowBands(std::clamp(threads, 1, count), threads, [&](int, int) {
        const DecoderContext context(de265_new_decoder());
        if (!context) {
            failed = true;
            return;
        }
        // No memory for a tile's planes fails the grid, not the helper:
        // nothing may leave a thread of its own.
        try {
            TileRgb rgb(grid.tileSize);
            for (int index = next++; index < count && !failed; index = next++) {
                if (cancelled() || !decodeTile(context.get(), grid, index, matrix, rgb, take))
                    failed = true;
            }
        } catch (const std::bad_alloc &) {
            failed = true;
        }
    });
    return !failed;
}

} // namespace picture::hevc
