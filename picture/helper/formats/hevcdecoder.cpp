#include "picture/helper/formats/hevcdecoder.h"

#include "picture/helper/formats/hevcstream.h"

#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace picture::hevc {
namespace {

// libde265 refuses more; a photo has few more rows of blocks in flight.
constexpr int MostWorkers = 16;

thread_local int workersHere = 1;
thread_local const MadeRgb *rgbHere = nullptr;

struct Decoder
{
    de265_decoder_context *context = nullptr;
};

constexpr heif_error Ok{heif_error_Ok, heif_suberror_Unspecified, "Success"};

heif_error failed(heif_suberror_code why, const char *what)
{
    return {heif_error_Decoder_plugin_error, why, what};
}

const char *pluginName()
{
    return "libde265 on every core";
}

int supports(heif_compression_format format)
{
    // libheif's own decoder says 100.
    return format == heif_compression_HEVC ? 200 : 0;
}

heif_error newDecoder(void **made)
{
    auto *decoder = new (std::nothrow) Decoder;
    if (!decoder)
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "no memory for a decoder"};
    decoder->context = de265_new_decoder();
    if (!decoder->context) {
        delete decoder;
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "no memory for a decoder"};
    }
    // Without its workers libde265 still decodes, in the calling thread.
    de265_start_worker_threads(decoder->context, std::clamp(workersHere, 1, MostWorkers));
    *made = decoder;
    return Ok;
}

void freeDecoder(void *raw)
{
    auto *decoder = static_cast<Decoder *>(raw);
    de265_free_decoder(decoder->context);
    delete decoder;
}

// Strictness, in libheif's own decoder, fails a picture whose stream names
// colour codes libheif does not know; the viewer never asks for it.
void setStrict(void *, int) {}

// The item's NAL units, each after its four-byte length.
heif_error pushData(void *raw, const void *data, size_t size)
{
    auto *decoder = static_cast<Decoder *>(raw);
    switch (pushNalUnits(decoder->context, static_cast<const unsigned char *>(data), size)) {
    case Pushed::All: return Ok;
    case Pushed::CutShort: return failed(heif_suberror_End_of_data, "a NAL unit cut short");
    case Pushed::NoMemory: break;
    }
    return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "no memory for a NAL unit"};
}

// The picture's planes as libheif expects them from its own decoder.
heif_error toHeifImage(const de265_image *picture, heif_image **made)
{
    const de265_chroma chroma = de265_get_chroma_format(picture);
    const bool mono = chroma == de265_chroma_mono;
    heif_error error = heif_image_create(de265_get_image_width(picture, 0), de265_get_image_height(picture, 0),
                                         mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                                         static_cast<heif_chroma>(chroma), made);
    if (error.code != heif_error_Ok)
        return error;
    const int bits = de265_get_bits_per_pixel(picture, 0);
    const heif_channel planes[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int c = 0; c < (mono ? 1 : 3); ++c) {
        const int width = de265_get_image_width(picture, c);
        const int height = de265_get_image_height(picture, c);
        if (de265_get_bits_per_pixel(picture, c) != bits)
            error = {heif_error_Unsupported_feature, heif_suberror_Unsupported_color_conversion,
                     "planes of different depths"};
        else if (width <= 0 || height <= 0)
            error = failed(heif_suberror_Invalid_image_size, "an empty plane");
        else
            error = heif_image_add_plane(*made, planes[c], width, height, bits);
        if (error.code != heif_error_Ok) {
            heif_image_release(*made);
            *made = nullptr;
            return error;
        }
        int fromStride = 0;
        int toStride = 0;
        const uint8_t *from = de265_get_image_plane(picture, c, &fromStride);
        uint8_t *to = heif_image_get_plane(*made, planes[c], &toStride);
        if (!from || !to) {
            heif_image_release(std::exchange(*made, nullptr));
            return failed(heif_suberror_Unspecified, "a plane without its samples");
        }
        const size_t rowBytes = size_t(width) * size_t((bits + 7) / 8);
        for (int y = 0; y < height; ++y)
            std::memcpy(to + size_t(y) * size_t(toStride), from + size_t(y) * size_t(fromStride), rowBytes);
    }
    return Ok;
}

// The picture as RGB planes, through the matrix `rgb` says; false when it is
// not one `rgb` is for, and libheif is left to make it RGB.
bool toRgbImage(const de265_image *picture, const MadeRgb &rgb, heif_image **made, heif_error *error)
{
    const std::optional<YCbCrPlanes> planes = ycbcrPlanesOf(picture);
    if (!planes || (planes->size != rgb.size() && planes->size != rgb.size().transposed()))
        return false;
    const QSize size = planes->size;
    *error = heif_image_create(size.width(), size.height(), heif_colorspace_RGB, heif_chroma_444, made);
    if (error->code != heif_error_Ok)
        return true;
    RgbPlanesOf<std::uint8_t> out;
    for (const heif_channel channel : {heif_channel_R, heif_channel_G, heif_channel_B}) {
        *error = heif_image_add_plane(*made, channel, size.width(), size.height(), 8);
        if (error->code != heif_error_Ok) {
            heif_image_release(std::exchange(*made, nullptr));
            return true;
        }
    }
    out.red = heif_image_get_plane(*made, heif_channel_R, &out.redStride);
    out.green = heif_image_get_plane(*made, heif_channel_G, &out.greenStride);
    out.blue = heif_image_get_plane(*made, heif_channel_B, &out.blueStride);
    out.size = size;
    if (!out.red || !out.green || !out.blue) {
        heif_image_release(std::exchange(*made, nullptr));
        *error = failed(heif_suberror_Unspecified, "a plane without its samples");
        return true;
    }
    toRgb(*planes, rgb.matrix(), out, std::clamp(workersHere, 1, MostWorkers));
    *error = Ok;
    return true;
}

heif_error decodeImage(void *raw, heif_image **made)
{
    auto *decoder = static_cast<Decoder *>(raw);
    *made = nullptr;
    if (de265_flush_data(decoder->context) != DE265_OK)
        return failed(heif_suberror_Unspecified, "the stream could not be ended");
    int more = 0;
    do {
        more = 0;
        if (de265_decode(decoder->context, &more) != DE265_OK)
            break;
        if (const de265_image *picture = de265_get_next_picture(decoder->context)) {
            // The last picture of the item is the one kept, as libheif's own does.
            if (*made)
                heif_image_release(std::exchange(*made, nullptr));
            // Its colours are not said: libheif takes them from the file's
            // boxes, not from what a decoder says the stream holds.
            heif_error error = Ok;
            if (!rgbHere || !toRgbImage(picture, *rgbHere, made, &error))
                error = toHeifImage(picture, made);
            de265_release_next_picture(decoder->context);
            if (error.code != heif_error_Ok)
                return error;
        }
    } while (more);
    if (!*made)
        return failed(heif_suberror_Unspecified, "no picture decoded");
    return Ok;
}

const heif_decoder_plugin plugin{
    3,
    pluginName,
    nullptr, // each decoder sets libde265 up itself
    nullptr,
    supports,
    newDecoder,
    freeDecoder,
    pushData,
    decodeImage,
    setStrict,
    "libde265-workers",
};

} // namespace

void registerDecoder()
{
    static std::once_flag registered;
    std::call_once(registered, [] { heif_register_decoder_plugin(&plugin); });
}

MadeRgb::MadeRgb(const YCbCrMatrix &matrix, QSize size) : m_matrix(matrix), m_size(size), m_before(rgbHere)
{
    rgbHere = this;
}

MadeRgb::~MadeRgb()
{
    rgbHere = m_before;
}

Workers::Workers(int count) : m_before(workersHere)
{
    workersHere = count;
}

Workers::~Workers()
{
    workersHere = m_before;
}

} // namespace picture::hevc
