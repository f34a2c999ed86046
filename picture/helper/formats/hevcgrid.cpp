#include "picture/helper/formats/hevcgrid.h"

#include "picture/helper/formats/hevcstream.h"
#include "picture/helper/pixels/rowbands.h"

#include <algorithm>
#include <atomic>
#include <memory>

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

// Tile `index` decoded by `context` (reset first) into its place in `out`.
bool decodeTile(de265_decoder_context *context, const heifgrid::Grid &grid, int index, const YCbCrMatrix &matrix,
                const RgbPlanesOf<std::uint8_t> &out)
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
    const int left = index % grid.columns * grid.tileSize.width();
    const int top = index / grid.columns * grid.tileSize.height();
    const QSize kept(std::min(grid.tileSize.width(), out.size.width() - left),
                     std::min(grid.tileSize.height(), out.size.height() - top));
    bool made = false;
    int more = 0;
    do {
        more = 0;
        if (de265_decode(context, &more) != DE265_OK)
            break;
        if (const de265_image *picture = de265_get_next_picture(context)) {
            // The last picture of the item is the one kept, as libheif's decoder does.
            std::optional<YCbCrPlanes> planes = ycbcrPlanesOf(picture);
            made = planes && planes->size == grid.tileSize;
            if (made) {
                planes->size = kept;
                RgbPlanesOf<std::uint8_t> place = out;
                place.red += qsizetype(top) * out.redStride + left;
                place.green += qsizetype(top) * out.greenStride + left;
                place.blue += qsizetype(top) * out.blueStride + left;
                place.size = kept;
                toRgb(*planes, matrix, place, 1);
            }
            de265_release_next_picture(context);
            if (!made)
                return false;
        }
    } while (more);
    return made;
}

} // namespace

bool decodeGridInto(const heifgrid::Grid &grid, const YCbCrMatrix &matrix, const RgbPlanesOf<std::uint8_t> &out,
                    int threads)
{
    const int count = int(grid.tiles.size());
    if (count == 0 || count != grid.rows * grid.columns || !out.red || !out.green || !out.blue
        || out.size.width() > grid.columns * grid.tileSize.width()
        || out.size.height() > grid.rows * grid.tileSize.height())
        return false;
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
        for (int index = next++; index < count && !failed; index = next++) {
            if (!decodeTile(context.get(), grid, index, matrix, out))
                failed = true;
        }
    });
    return !failed;
}

} // namespace picture::hevc
