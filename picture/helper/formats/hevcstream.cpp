#include "picture/helper/formats/hevcstream.h"

namespace picture::hevc {

Pushed pushNalUnits(de265_decoder_context *context, const unsigned char *data, size_t size)
{
    size_t at = 0;
    while (at < size) {
        if (size - at < 4)
            return Pushed::CutShort; // a length
        const size_t length = size_t(data[at]) << 24 | size_t(data[at + 1]) << 16 | size_t(data[at + 2]) << 8
                            | size_t(data[at + 3]);
        at += 4;
        if (length > size - at)
            return Pushed::CutShort; // a unit
        if (de265_push_NAL(context, data + at, int(length), 0, nullptr) != DE265_OK)
            return Pushed::NoMemory;
        at += length;
    }
    return Pushed::All;
}

std::optional<YCbCrPlanes> ycbcrPlanesOf(const de265_image *picture)
{
    const de265_chroma chroma = de265_get_chroma_format(picture);
    if (chroma == de265_chroma_mono)
        return std::nullopt;
    for (int c = 0; c < 3; ++c) {
        if (de265_get_bits_per_pixel(picture, c) != 8)
            return std::nullopt;
    }
    YCbCrPlanes planes;
    planes.y = de265_get_image_plane(picture, 0, &planes.yStride);
    planes.cb = de265_get_image_plane(picture, 1, &planes.cbStride);
    planes.cr = de265_get_image_plane(picture, 2, &planes.crStride);
    planes.size = QSize(de265_get_image_width(picture, 0), de265_get_image_height(picture, 0));
    planes.chromaShiftX = chroma == de265_chroma_444 ? 0 : 1;
    planes.chromaShiftY = chroma == de265_chroma_420 ? 1 : 0;
    const QSize needed((planes.size.width() + (1 << planes.chromaShiftX) - 1) >> planes.chromaShiftX,
                       (planes.size.height() + (1 << planes.chromaShiftY) - 1) >> planes.chromaShiftY);
    if (planes.size.isEmpty() || !planes.y || !planes.cb || !planes.cr
        || QSize(de265_get_image_width(picture, 1), de265_get_image_height(picture, 1)) != needed
        || QSize(de265_get_image_width(picture, 2), de265_get_image_height(picture, 2)) != needed)
        return std::nullopt;
    return planes;
}

} // namespace picture::hevc
