#include "picture/heifhandler.h"

#include "picture/colour.h"
#include "picture/fileinput.h"

#include <QColorSpace>
#include <QImage>
#include <QIODevice>
#include <QThread>
#include <QVariant>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>

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
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleFree> primary;
};

namespace {

std::unique_ptr<HeifHandler::File> open(QIODevice *device)
{
    if (!device)
        return nullptr;
    auto opened = std::make_unique<HeifHandler::File>(device);
    opened->context.reset(heif_context_alloc());
    if (!opened->context || opened->input.isEmpty())
        return nullptr;
    heif_context_set_maximum_image_size_limit(opened->context.get(), HeifHandler::MaxSide);
    // A grid's tiles on every core.
    heif_context_set_max_decoding_threads(opened->context.get(), std::max(1, QThread::idealThreadCount()));
    if (heif_context_read_from_memory_without_copy(opened->context.get(), opened->input.data(),
                                                   size_t(opened->input.size()), nullptr)
            .code
        != heif_error_Ok)
        return nullptr;
    heif_image_handle *primary = nullptr;
    if (heif_context_get_primary_image_handle(opened->context.get(), &primary).code != heif_error_Ok || !primary)
        return nullptr;
    opened->primary.reset(primary);
    return opened;
}

QColorSpace colourSpaceOf(const heif_image_handle *handle)
{
    const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size > 0) {
        QByteArray icc(qsizetype(size), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
            const QColorSpace space = QColorSpace::fromIccProfile(icc);
            if (space.isValid())
                return space;
        }
    }
    heif_color_profile_nclx *nclx = nullptr;
    const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &nclx);
    // Found by fuzzing: libheif may hand over a profile with an error.
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> owned(nclx);
    if (error.code != heif_error_Ok || !nclx)
        return {};
    return colourSpaceFromNclx(nclx->color_primaries, nclx->transfer_characteristics);
}

} // namespace

bool HeifHandler::canRead(QIODevice *device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(32);
    if (head.size() < 12)
        return false;
    const heif_filetype_result type = heif_check_filetype(reinterpret_cast<const uint8_t *>(head.constData()),
                                                          int(head.size()));
    return type == heif_filetype_yes_supported;
}

HeifHandler::HeifHandler() = default;

HeifHandler::~HeifHandler() = default;

HeifHandler::File *HeifHandler::file() const
{
    if (!m_file && device() && !device()->isSequential())
        m_file = open(device());
    return m_file.get();
}

QVariant HeifHandler::option(ImageOption option) const
{
    if (option != Size)
        return {};
    // The size needs the boxes only, not the pixels.
    const File *opened = file();
    if (!opened)
        return {};
    const QSize size(heif_image_handle_get_width(opened->primary.get()), heif_image_handle_get_height(opened->primary.get()));
    // A file that names no size is not believed to have none.
    return size.isEmpty() ? QVariant() : QVariant(size);
}

bool HeifHandler::read(QImage *image)
{
    // Freed once read: the decoded planes and the parsed file go together.
    const std::unique_ptr<File> opened = file() ? std::move(m_file) : nullptr;
    if (!opened)
        return false;
    heif_image_handle *handle = opened->primary.get();
    const QSize announced(heif_image_handle_get_width(handle),
                          heif_image_handle_get_height(handle));
    // Found by fuzzing: a file without its size box decodes to a size it never
    // announced, past every check made on the announced one.
    if (announced.isEmpty() || qint64(announced.width()) * announced.height() > MaxPixels)
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    // Four bytes a pixel even without alpha: what Qt scales and paints fastest.
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : heif_chroma_interleaved_RGBA;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    heif_image *decoded = nullptr;
    if (heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, options.get()).code != heif_error_Ok
        || !decoded)
        return false;
    const std::unique_ptr<heif_image, ImageFree> pixels(decoded);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!plane || QSize(width, height) != announced)
        return false;

    const QImage::Format format = deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                       : (alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    QImage result;
    if (!allocateImage(QSize(width, height), format, &result))
        return false;
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
    result.setColorSpace(colourSpaceOf(handle));
    *image = result;
    return true;
}

} // namespace picture
