#include "picture/helper/exif/exifblock.h"

#include "picture/helper/exif/tiffstructure.h"

namespace picture::exif {

namespace {

constexpr quint16 OrientationTag = 0x0112;
constexpr quint16 ThumbnailOffsetTag = 0x0201;
constexpr quint16 ThumbnailLengthTag = 0x0202;

} // namespace

ExifBlock readExifBlock(QByteArrayView tiff)
{
    ExifBlock block;
    const TiffStructure exif(tiff);
    if (!exif.isValid())
        return block;
    block.valid = true;
    quint32 thumbnailAt = 0, thumbnailLength = 0;
    const quint32 next = exif.directory(exif.firstDirectory(), [&](quint16 tag, qint64 value) {
        if (tag == OrientationTag && exif.u16(value) >= 1 && exif.u16(value) <= 8)
            block.orientation = exif.u16(value);
    });
    exif.directory(next, [&](quint16 tag, qint64 value) {
        if (tag == ThumbnailOffsetTag)
            thumbnailAt = exif.u32(value);
        else if (tag == ThumbnailLengthTag)
            thumbnailLength = exif.u32(value);
    });
    if (thumbnailLength > 0 && exif.has(thumbnailAt, thumbnailLength))
        block.thumbnail = tiff.sliced(thumbnailAt, thumbnailLength);
    return block;
}

} // namespace picture::exif
