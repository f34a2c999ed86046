#include "picture/helper/formats/heifhandler.h"

#include "picture/helper/exif/exifblock.h"
#include "picture/helper/formats/fileinput.h"
#include "picture/helper/formats/heifgrid.h"
#include "picture/helper/formats/hevcgrid.h"
#include "picture/helper/formats/hevcdecoder.h"
#include "picture/helper/pixels/colour.h"
#include "picture/helper/pixels/boxshrink.h"
#include "picture/helper/pixels/hdr.h"
#include "picture/helper/pixels/planeshrink.h"
#include "picture/helper/pixels/planeturn.h"
#include "picture/helper/pixels/tileshrink.h"
#include "picture/wire/orientation.h"

#include <QColorSpace>
#include <QImage>
#include <QIODevice>
#include <QThread>
#include <QVariant>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace picture {
namespace {

constexpr qint64 MaxFileBytes = 512 * 1024 * 1024;

struct ContextFree
{
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HandleFree
{
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct ImageFree
{
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct OptionsFree
{
    void operator()(heif_decoding_options *options) const { heif_decoding_options_free(options); }
};
struct NclxFree
{
    void operator()(heif_color_profile_nclx *nclx) const { heif_nclx_color_profile_free(nclx); }
};

} // namespace

// The file's bytes (mapped, not read) and its primary image, parsed once for
// both the size and the pixels; libheif reads from that memory, which must
// outlive the context.
struct HeifHandler::File
{
    explicit File(QIODevice *device) : input(device, MaxFileBytes) {}
    FileInput input;
    QByteArray asMif1; // the file as libheif is given it, when its brands had to be renamed
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleFree> primary;
    const char *failure = nullptr; // why it cannot be read, when it cannot
    int exifTurn = 1; // the EXIF orientation libheif leaves to the viewer (1: none)
    int turn = 1;     // how the picture is turned in all, its boxes' or its EXIF's
};

namespace {

// What the user is told for what libheif says (the library's own words go
// to the log).
const char *reasonFor(const heif_error &error)
{
    qCInfo(lcDecoders, "libheif: %s (%d.%d)", error.message ? error.message : "", int(error.code), int(error.subcode));
    // libheif's own bounds (an overlay of too many pictures, a grid too
    // large): what it would cost, not damage.
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return "too-large";
    switch (error.code) {
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature: return "unsupported";
    case heif_error_Memory_allocation_error: return "memory";
    default: return "damaged";
    }
}

// An image sequence (HEIF or AVIF) without a still image of its own.
bool isSequence(const FileInput &input)
{
    const int head = int(std::min<qint64>(input.size(), 4096));
    for (const char *brand : {"msf1", "heis", "hevs", "avis"}) {
        if (heif_read_main_brand(input.data(), head) == heif_fourcc_to_brand(brand)
            || heif_has_compatible_brand(input.data(), head, brand) == 1)
            return true;
    }
    return false;
}

quint32 bigEndian32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

// How the file says to turn or mirror its pictures in boxes of its own
// (irot, imir, among the item properties), which libheif applies, as
// EXIF's orientation; nullopt when it says nothing so. HEIF turns first,
// then mirrors; a file of several pictures is taken to turn them alike.
QByteArrayView boxesOf(const FileInput &input)
{
    return QByteArrayView(input.data(), std::min<qint64>(input.size(), 16 * 1024 * 1024));
}

std::optional<int> orientationOf(const heifgrid::TurnSaid &said)
{
    if (!said.quarterTurns && !said.mirror)
        return std::nullopt;
    return composeOrientations(turnOrientation(-said.quarterTurns.value_or(0)),
                               !said.mirror ? 1 : *said.mirror == 0 ? 4 : 2);
}

std::optional<int> boxTurnOf(const FileInput &input)
{
    return orientationOf(heifgrid::turnSaidOf(boxesOf(input)));
}

// The EXIF orientation of the primary image, for a file that does not say
// how it is turned in boxes (the caller asks) and does not claim MIAF (whose
// files say it in boxes alone): HEIF calls EXIF's orientation informative
// only, but Apple's viewers apply it to such files (iPhones write them), and
// so does this one.
int exifTurnOf(const FileInput &input, heif_image_handle *primary)
{
    if (heif_has_compatible_brand(input.data(), int(std::min<qint64>(input.size(), 4096)), "miaf") == 1)
        return 1;
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(primary, "Exif", &id, 1) != 1)
        return 1;
    const size_t size = heif_image_handle_get_metadata_size(primary, id);
    if (size < 4 || size > 1024 * 1024)
        return 1;
    QByteArray block(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(primary, id, block.data()).code != heif_error_Ok)
        return 1;
    // The block begins with where its TIFF header is, counted past those four bytes.
    const quint32 offset = bigEndian32(reinterpret_cast<const uchar *>(block.constData()));
    if (offset > quint32(block.size() - 4))
        return 1;
    return exif::readExifBlock(QByteArrayView(block).sliced(4 + offset)).orientation;
}

// The file with its ftyp's mif2 brands named mif1 (null: none). MIAF's
// second edition brand promises what mif1 does and more, but libheif 1.15
// refuses a file that names only mif2 (and a codec's brand not at all).
QByteArray renamedMif2(const FileInput &input)
{
    const uchar *data = input.data();
    if (input.size() < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return {};
    const quint32 size = bigEndian32(data);
    if (size < 16 || size > input.size())
        return {};
    QByteArray copy(reinterpret_cast<const char *>(data), qsizetype(input.size()));
    bool renamed = false;
    // The major brand, then the compatible ones past the minor version.
    for (quint32 at = 8; at + 4 <= size; at += at == 8 ? 8 : 4) {
        if (std::memcmp(data + at, "mif2", 4) == 0) {
            std::memcpy(copy.data() + at, "mif1", 4);
            renamed = true;
        }
    }
    return renamed ? copy : QByteArray();
}

// A fresh context with the viewer's bounds, parsing `bytes` in place
// (false: no memory for one).
bool readInto(HeifHandler::File &file, const char *bytes, qint64 size, heif_error *read)
{
    hevc::registerDecoder();
    file.context.reset(heif_context_alloc());
    if (!file.context)
        return false;
    heif_context_set_maximum_image_size_limit(file.context.get(), HeifHandler::MaxSide);
    // A grid's tiles on every core.
    heif_context_set_max_decoding_threads(file.context.get(), std::max(1, QThread::idealThreadCount()));
    *read = heif_context_read_from_memory_without_copy(file.context.get(), bytes, size_t(size), nullptr);
    return true;
}

std::unique_ptr<HeifHandler::File> open(QIODevice *device)
{
    if (!device)
        return nullptr;
    auto opened = std::make_unique<HeifHandler::File>(device);
    heif_error read{};
    if (opened->input.isEmpty()
        || !readInto(*opened, reinterpret_cast<const char *>(opened->input.data()), opened->input.size(), &read)) {
        opened->failure = opened->input.isEmpty() ? "too-large" : "memory";
        return opened;
    }
    if (read.code == heif_error_Unsupported_filetype) {
        opened->asMif1 = renamedMif2(opened->input);
        if (!opened->asMif1.isNull()
            && !readInto(*opened, opened->asMif1.constData(), opened->asMif1.size(), &read)) {
            opened->failure = "memory";
            return opened;
        }
    }
    if (read.code != heif_error_Ok) {
        opened->failure = isSequence(opened->input) ? "unsupported" : reasonFor(read);
        return opened;
    }
    heif_image_handle *primary = nullptr;
    const heif_error got = heif_context_get_primary_image_handle(opened->context.get(), &primary);
    if (got.code != heif_error_Ok || !primary) {
        opened->failure = isSequence(opened->input) ? "unsupported" : reasonFor(got);
        return opened;
    }
    opened->primary.reset(primary);
    const std::optional<int> boxTurn = boxTurnOf(opened->input);
    opened->exifTurn = boxTurn ? 1 : exifTurnOf(opened->input, primary);
    opened->turn = boxTurn.value_or(opened->exifTurn);
    return opened;
}

// The picture's colours: its ICC profile, or its nclx description (with
// the HDR transfer, when it is one).
struct Colours
{
    QColorSpace space;
    std::optional<HdrTransfer> hdr;
    int primaries = 0;
};

// Of the picture as stored, or else of its decoded pixels: a grid's tiles
// carry the profile that the grid itself may not (heif-enc writes them so).
template<typename Source>
Colours coloursOf(const Source *source, size_t (*iccSize)(const Source *),
                  heif_error (*iccOf)(const Source *, void *),
                  heif_error (*nclxOf)(const Source *, heif_color_profile_nclx **))
{
    Colours colours;
    const size_t size = iccSize(source);
    if (size > 0) {
        QByteArray icc(qsizetype(size), Qt::Uninitialized);
        if (iccOf(source, icc.data()).code == heif_error_Ok) {
            colours.space = QColorSpace::fromIccProfile(icc);
            if (colours.space.isValid())
                return colours;
        }
    }
    heif_color_profile_nclx *nclx = nullptr;
    const heif_error error = nclxOf(source, &nclx);
    // Found by fuzzing: libheif may hand over a profile with an error.
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> owned(nclx);
    if (error.code != heif_error_Ok || !nclx)
        return colours;
    colours.hdr = hdrTransferFromNclx(nclx->transfer_characteristics);
    colours.primaries = nclx->color_primaries;
    colours.space = colours.hdr ? linearSpace(nclx->color_primaries)
                                : colourSpaceFromNclx(nclx->color_primaries, nclx->transfer_characteristics);
    return colours;
}

// The brightest the picture says it holds, in cd/m²; 0 when it says nothing.
double peakOf(const heif_image *image)
{
    if (heif_image_has_content_light_level(image)) {
        heif_content_light_level level{};
        heif_image_get_content_light_level(image, &level);
        if (level.max_content_light_level > 0)
            return level.max_content_light_level;
    }
    if (heif_image_has_mastering_display_colour_volume(image)) {
        heif_mastering_display_colour_volume volume{};
        heif_image_get_mastering_display_colour_volume(image, &volume);
        // In units of 0.0001 cd/m².
        return volume.max_display_mastering_luminance / 10000.0;
    }
    return 0;
}

// A picture that came out smaller than announced, stretched to it: the
// reader has already told the size, and a scaled or clipped read is
// worked out from it.
QImage toAnnounced(QImage picture, QSize announced)
{
    if (picture.size() == announced)
        return picture;
    return picture.scaled(announced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

struct Shrunk
{
    QImage image;                // null: it failed, for `failure`
    const char *failure = nullptr;
};

// `tile`, from `origin` in a picture of `size`, added to `shrink` once turned
// `quarters` quarter turns anticlockwise with the picture.
void addTurned(TileShrink &shrink, const RgbPlanes &tile, QPoint origin, QSize size, int quarters)
{
    if (quarters == 0) {
        shrink.add(tile, origin);
        return;
    }
    const QRect place = turnedRect(QRect(origin, tile.size), size, quarters);
    const qsizetype plane = qsizetype(place.width()) * place.height();
    std::vector<std::uint8_t> samples(size_t(plane) * 3);
    std::uint8_t *at = samples.data();
    const RgbPlanesOf<std::uint8_t> turned{at, at + plane, at + 2 * plane, place.width(), place.width(),
                                           place.width(), place.size()};
    turnPlanes(tile, quarters, turned);
    shrink.add({turned.red, turned.green, turned.blue, turned.redStride, turned.greenStride, turned.blueStride,
                turned.size},
               place.topLeft());
}

// The primary picture shrunk to `wanted` from its tiles, when it is a plain
// grid of 8-bit tiles of the size announced: none else, or when a tile will
// not decode so, and libheif decodes it. Stops between tiles once `cancelled`.
std::optional<Shrunk> shrunkGrid(QByteArrayView file, QSize announced, QSize wanted, const Colours &colours,
                                 const std::optional<YCbCrMatrix> &ownMatrix, const std::function<bool()> &cancelled)
{
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(file);
    if (!grid || (grid->quarterTurns % 2 ? grid->size.transposed() : grid->size) != announced)
        return std::nullopt;
    // libheif makes each tile RGB through the tile's own nclx, which a plain
    // grid's tiles have none of (BT.601 over the full range), and a picture
    // coded whole through the file's.
    const std::optional<YCbCrMatrix> matrix = grid->whole ? ownMatrix : ycbcrMatrix(2, true);
    TileShrink shrink(announced, wanted);
    if (!matrix || !shrink.isValid())
        return std::nullopt;
    const bool decoded = hevc::decodeGridTiles(
        *grid, *matrix, QThread::idealThreadCount(),
        [&shrink, &grid](const RgbPlanes &tile, QPoint origin) {
            addTurned(shrink, tile, origin, grid->size, grid->quarterTurns);
        },
        cancelled);
    if (!decoded) {
        // Cancelled, it ends here (the reason is never told); else libheif tries.
        return cancelled() ? std::optional(Shrunk{{}, "damaged"}) : std::nullopt;
    }
    QImage shown = shrink.result(QThread::idealThreadCount());
    if (shown.isNull())
        return Shrunk{{}, "memory"};
    shown.setColorSpace(colours.space);
    return Shrunk{std::move(shown)};
}

// An 8-bit picture shown at half its size or less: a plain grid or a
// picture coded whole shrunk here, tile by tile and band by band; any other
// shrunk from the RGB planes libheif makes of every picture it decodes (a
// grid's tiles pasted into them; asked for anything else, 4:2:0 planes
// included, it converts all 12 megapixels a second time, on one core).
std::optional<Shrunk> shrunkFromPlanes(QByteArrayView file, heif_image_handle *handle, QSize announced, QSize wanted,
                                       Colours &colours, const std::function<bool()> &cancelled)
{
    // A picture coded whole is made RGB here or by our decoder, on every
    // core, as libheif would: through the file's nclx, else BT.601 over the
    // full range.
    heif_color_profile_nclx *described = nullptr;
    heif_image_handle_get_nclx_color_profile(handle, &described);
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(described);
    const std::optional<YCbCrMatrix> matrix =
        nclx ? ycbcrMatrix(int(nclx->matrix_coefficients), nclx->full_range_flag != 0) : ycbcrMatrix(2, true);
    if (std::optional<Shrunk> grid = shrunkGrid(file, announced, wanted, colours, matrix, cancelled))
        return grid;
    std::optional<hevc::MadeRgb> madeRgb;
    if (matrix)
        madeRgb.emplace(*matrix, announced);
    heif_image *decoded = nullptr;
    const heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_444, nullptr);
    if (error.code == heif_error_Unsupported_feature)
        return std::nullopt;
    if (error.code != heif_error_Ok || !decoded)
        return Shrunk{{}, reasonFor(error)};
    const std::unique_ptr<heif_image, ImageFree> pixels(decoded);
    RgbPlanes planes;
    planes.red = heif_image_get_plane_readonly(decoded, heif_channel_R, &planes.redStride);
    planes.green = heif_image_get_plane_readonly(decoded, heif_channel_G, &planes.greenStride);
    planes.blue = heif_image_get_plane_readonly(decoded, heif_channel_B, &planes.blueStride);
    // Only the announced part, as for the whole picture; a part smaller
    // than the size shown is left to the other way.
    planes.size = QSize(std::min(heif_image_get_width(decoded, heif_channel_R), announced.width()),
                        std::min(heif_image_get_height(decoded, heif_channel_R), announced.height()));
    // Each plane there, of 8-bit samples, and at least as large as the part used.
    const auto usable = [decoded, &planes](heif_channel channel, const std::uint8_t *samples) {
        return samples && heif_image_get_bits_per_pixel_range(decoded, channel) == 8
               && heif_image_get_width(decoded, channel) >= planes.size.width()
               && heif_image_get_height(decoded, channel) >= planes.size.height();
    };
    if (heif_image_get_colorspace(decoded) != heif_colorspace_RGB
        || heif_image_get_chroma_format(decoded) != heif_chroma_444 || !usable(heif_channel_R, planes.red)
        || !usable(heif_channel_G, planes.green) || !usable(heif_channel_B, planes.blue)
        || planes.size.width() < wanted.width() || planes.size.height() < wanted.height())
        return std::nullopt;
    if (!colours.space.isValid() && !colours.hdr)
        colours = coloursOf(static_cast<const heif_image *>(decoded), heif_image_get_raw_color_profile_size,
                            heif_image_get_raw_color_profile, heif_image_get_nclx_color_profile);
    QImage shown = shrunkToRgbx(planes, wanted, QThread::idealThreadCount());
    if (shown.isNull())
        return Shrunk{{}, "memory"};
    shown.setColorSpace(colours.space);
    return Shrunk{std::move(shown)};
}


} // namespace

bool HeifHandler::canRead(QIODevice *device)
{
    if (!device)
        return false;
    // The ftyp box with its brands.
    const QByteArray head = device->peek(256);
    if (head.size() < 12 || head.mid(4, 4) != "ftyp")
        return false;
    const auto *data = reinterpret_cast<const uint8_t *>(head.constData());
    if (heif_check_filetype(data, int(head.size())) == heif_filetype_yes_supported)
        return true;
    // A structural brand first (mif1, msf1): libheif is not sure, or says no
    // to a main brand it does not know (mif2); it is asked whenever a brand
    // names an image it may decode.
    for (const char *brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "avif", "avis", "mif1", "mif2", "miaf", "msf1"}) {
        if (heif_has_compatible_brand(data, int(head.size()), brand) == 1)
            return true;
    }
    return false;
}

HeifHandler::HeifHandler() = default;

HeifHandler::~HeifHandler() = default;

HeifHandler::File *HeifHandler::file() const
{
    if (!m_file && device() && !device()->isSequential()) {
        m_file = open(device());
        // Said as soon as it is known: the size is asked for first.
        if (m_file && m_file->failure)
            failedBecause(m_file->failure);
        else if (m_file)
            turnedBy(m_file->turn);
    }
    return m_file.get();
}

QVariant HeifHandler::option(ImageOption option) const
{
    if (option == Description) {
        if (!turnSaid())
            (void)file();
        return description();
    }
    if (option != Size)
        return {};
    // The size needs the boxes only, not the pixels.
    const File *opened = file();
    if (!opened || !opened->primary)
        return {};
    QSize size(heif_image_handle_get_width(opened->primary.get()), heif_image_handle_get_height(opened->primary.get()));
    if (opened->exifTurn >= 5)
        size.transpose();
    // A file that names no size is not believed to have none.
    return size.isEmpty() ? QVariant() : QVariant(size);
}

bool HeifHandler::read(QImage *image)
{
    // Freed once read: the decoded planes and the parsed file go together.
    const std::unique_ptr<File> opened = file() ? std::move(m_file) : nullptr;
    if (!opened || !opened->primary) {
        failedBecause(opened && opened->failure ? opened->failure : "damaged");
        return false;
    }
    heif_image_handle *handle = opened->primary.get();
    const QSize announced(heif_image_handle_get_width(handle),
                          heif_image_handle_get_height(handle));
    // Found by fuzzing: a file without its size box decodes to a size it never
    // announced, past every check made on the announced one.
    if (announced.isEmpty()) {
        failedBecause("damaged");
        return false;
    }
    if (qint64(announced.width()) * announced.height() > MaxPixels) {
        failedBecause("too-large");
        return false;
    }
    Colours colours = coloursOf(handle, heif_image_handle_get_raw_color_profile_size,
                                heif_image_handle_get_raw_color_profile, heif_image_handle_get_nclx_color_profile);
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    // HDR samples are kept at 16 bits to be tone mapped (a 10-bit picture
    // always is: HDR is never 8-bit).
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 || colours.hdr;
    // The picture is decoded here, in this thread, whichever way: on every core.
    const hevc::Workers everyCore(QThread::idealThreadCount());
    // The size asked for, as the picture is stored (it is turned by its EXIF last).
    const QSize wanted = opened->exifTurn >= 5 ? m_scaledSize.transposed() : m_scaledSize;
    if (!deep && !alpha && !colours.hdr && !wanted.isEmpty() && announced.width() >= 2 * wanted.width()
        && announced.height() >= 2 * wanted.height()) {
        const QByteArrayView bytes = opened->asMif1.isNull()
                                         ? QByteArrayView(opened->input.data(), opened->input.size())
                                         : QByteArrayView(opened->asMif1);
        const auto *behind = dynamic_cast<const FileBehind *>(device());
        const auto cancelled = [behind] { return behind && behind->cancelled(); };
        if (std::optional<Shrunk> shrunk = shrunkFromPlanes(bytes, handle, announced, wanted, colours, cancelled)) {
            if (shrunk->image.isNull()) {
                failedBecause(shrunk->failure);
                return false;
            }
            *image = upright(std::move(shrunk->image), opened->exifTurn);
            return true;
        }
    }
    // Four bytes a pixel even without alpha: what Qt scales and paints fastest.
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : heif_chroma_interleaved_RGBA;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    heif_image *decoded = nullptr;
    const heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, options.get());
    if (error.code != heif_error_Ok || !decoded) {
        failedBecause(reasonFor(error));
        return false;
    }
    std::unique_ptr<heif_image, ImageFree> pixels(decoded);
    const QSize coded(heif_image_get_width(decoded, heif_channel_interleaved),
                      heif_image_get_height(decoded, heif_channel_interleaved));
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!plane || coded.isEmpty()) {
        failedBecause("damaged");
        return false;
    }
    // The size the file announces is the picture's; libheif may hand over
    // more (coded padding, a crop rounded) or less (a size box that says more
    // than was coded, as edited phone photos and derived images may). Only
    // the announced part is kept, so that no more is used than was checked.
    const int width = std::min(coded.width(), announced.width());
    const int height = std::min(coded.height(), announced.height());
    if (!colours.space.isValid() && !colours.hdr)
        colours = coloursOf(static_cast<const heif_image *>(decoded), heif_image_get_raw_color_profile_size,
                            heif_image_get_raw_color_profile, heif_image_get_nclx_color_profile);

    // A file may store its colours multiplied by their alpha (its `prem`
    // reference says so): taken as they are, they would show too dark.
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    const QImage::Format format =
        deep ? (alpha ? (premultiplied ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64)
                      : QImage::Format_RGBX64)
             : (alpha ? (premultiplied ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888)
                      : QImage::Format_RGBX8888);
    if (!deep && stride % 4 == 0) {
        // The library's own pixels, not a copy of them: a panorama of 200
        // megapixels would otherwise need 800 MB twice.
        QImage result(plane, width, height, stride, format,
                      [](void *decodedImage) { heif_image_release(static_cast<heif_image *>(decodedImage)); },
                      decoded);
        std::ignore = pixels.release(); // the picture owns it now
        result.setColorSpace(colours.space);
        *image = atScaledSize(upright(toAnnounced(std::move(result), announced), opened->exifTurn));
        return true;
    }
    QImage result;
    if (!allocateImage(QSize(width, height), format, &result)) {
        failedBecause("memory");
        return false;
    }
    const int bits = heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
    const int shift = deep ? 16 - bits : 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t *from = plane + qsizetype(y) * stride;
        uchar *to = result.scanLine(y);
        if (!deep) {
            std::memcpy(to, from, size_t(width) * 4);
            continue;
        }
        // 10 or 12 bits, little-endian, widened to 16 (the top bits repeat
        // into the bottom so that full scale stays full scale).
        auto *out = reinterpret_cast<quint16 *>(to);
        const int channels = alpha ? 4 : 3;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                if (c == 3 && !alpha) {
                    out[x * 4 + 3] = 0xFFFF;
                    continue;
                }
                const uint8_t *sample = from + (qsizetype(x) * channels + c) * 2;
                const quint16 value = quint16(sample[0] | (sample[1] << 8));
                out[x * 4 + c] = shift > 0 ? quint16((value << shift) | (value >> (bits - shift))) : value;
            }
        }
    }
    if (colours.hdr) {
        if (premultiplied)
            result.convertTo(QImage::Format_RGBA64); // tone mapped as colours, not as their share of alpha
        toneMapToSdr(result, *colours.hdr, peakOf(decoded));
    }
    result.setColorSpace(colours.space);
    *image = atScaledSize(upright(toAnnounced(std::move(result), announced), opened->exifTurn));
    return true;
}

bool HeifHandler::supportsOption(ImageOption option) const
{
    return option == ScaledSize || OwnHandler::supportsOption(option);
}

void HeifHandler::setOption(ImageOption option, const QVariant &value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

QImage HeifHandler::atScaledSize(QImage picture) const
{
    return m_scaledSize.isValid() ? shrunk(std::move(picture), m_scaledSize) : picture;
}

QImage HeifHandler::thumbnail() const
{
    const File *opened = file();
    if (!opened || !opened->primary)
        return {};
    heif_image_handle *primary = opened->primary.get();
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0)
        return {};
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    std::unique_ptr<heif_image_handle, HandleFree> best;
    heif_item_id bestId = 0;
    qint64 bestPixels = 0;
    for (int i = 0; i < listed; ++i) {
        heif_image_handle *candidate = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[size_t(i)], &candidate).code != heif_error_Ok || !candidate)
            continue;
        std::unique_ptr<heif_image_handle, HandleFree> owned(candidate);
        const qint64 pixels = qint64(heif_image_handle_get_width(candidate)) * heif_image_handle_get_height(candidate);
        // A thumbnail is small: one that claims more is not one.
        if (pixels > bestPixels && pixels <= 4096 * 4096) {
            bestPixels = pixels;
            best = std::move(owned);
            bestId = ids[size_t(i)];
        }
    }
    heif_image *decoded = nullptr;
    if (!best || heif_decode_image(best.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code
                     != heif_error_Ok
        || !decoded)
        return {};
    const std::unique_ptr<heif_image, ImageFree> pixels(decoded);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    QImage result;
    if (!plane || width <= 0 || height <= 0 || !allocateImage(QSize(width, height), QImage::Format_RGBA8888, &result))
        return {};
    for (int y = 0; y < height; ++y)
        std::memcpy(result.scanLine(y), plane + qsizetype(y) * stride, size_t(width) * 4);
    // A file may say how a photo taken upright is turned of the photo alone
    // (libheif then turns the photo, not its thumbnail): a thumbnail that
    // says nothing, stored as the photo is, is turned with it.
    if (const std::optional<int> turn = orientationOf(heifgrid::turnLeftToThumbnail(boxesOf(opened->input), bestId)))
        result = upright(result, *turn);
    const Colours colours = coloursOf(primary, heif_image_handle_get_raw_color_profile_size,
                                      heif_image_handle_get_raw_color_profile, heif_image_handle_get_nclx_color_profile);
    // An HDR photo's thumbnail is not tone mapped: shown as stored, briefly.
    if (!colours.hdr)
        result.setColorSpace(colours.space);
    return upright(result, opened->exifTurn);
}

} // namespace picture
