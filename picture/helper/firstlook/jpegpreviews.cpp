#include "picture/helper/firstlook/jpegpreviews.h"

#include "picture/helper/exif/exifblock.h"
#include "picture/helper/exif/tiffstructure.h"

#include <optional>

namespace picture {
namespace {

// A JPEG's EXIF and MPF segments come before its pixels, within this.
constexpr qint64 HeadBytes = 256 * 1024;
// An MPF preview is a JPEG of a few megapixels at most.
constexpr qint64 MaxPreviewBytes = 16 * 1024 * 1024;

bool isStartOfFrame(uchar marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The larger of `best` and the JPEG in `bytes`.
void keepLarger(QImage &best, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const QImage candidate = QImage::fromData(bytes, "jpeg");
    if (!candidate.isNull() && qint64(candidate.width()) * candidate.height() > qint64(best.width()) * best.height())
        best = candidate;
}

} // namespace

JpegPreview readJpegPreview(QIODevice &file)
{
    JpegPreview found;
    if (!file.seek(0))
        return found;
    const QByteArray head = file.read(HeadBytes);
    if (!head.startsWith("\xFF\xD8"))
        return found;
    std::optional<qint64> mpfAt; // where the MPF structure starts in the file
    QByteArrayView mpfData;
    qint64 at = 2;
    while (at + 4 <= head.size() && uchar(head[at]) == 0xFF) {
        const uchar marker = uchar(head[at + 1]);
        if (marker == 0xFF) { // fill
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the pixels begin: nothing more to learn
            break;
        const qint64 length = (qint64(uchar(head[at + 2])) << 8) | uchar(head[at + 3]);
        if (length < 2)
            break;
        const QByteArrayView segment = QByteArrayView(head).sliced(at + 4, std::min(length - 2, head.size() - at - 4));
        if (isStartOfFrame(marker) && segment.size() >= 5) {
            found.size = QSize((uchar(segment[3]) << 8) | uchar(segment[4]), (uchar(segment[1]) << 8) | uchar(segment[2]));
            break;
        }
        if (marker == 0xE1 && segment.startsWith("Exif\0\0")) {
            const exif::ExifBlock exif = exif::readExifBlock(segment.sliced(6));
            if (exif.valid) {
                found.orientation = exif.orientation;
                keepLarger(found.preview, exif.thumbnail);
            }
        } else if (marker == 0xE2 && segment.startsWith(QByteArrayView("MPF\0", 4))) {
            mpfAt = at + 4 + 4;
            mpfData = segment.sliced(4);
        }
        at += 2 + length;
    }
    // The MPF index names the file's other pictures (a camera's large
    // preview), by their offset from the index itself.
    const exif::TiffStructure mpf(mpfData);
    if (mpfAt && mpf.isValid()) {
        qint64 entries = -1, entriesLength = 0;
        mpf.directory(mpf.firstDirectory(), [&](quint16 tag, qint64 value) {
            if (tag == 0xB002) {
                entriesLength = mpf.u32(value - 4);
                entries = entriesLength > 4 ? qint64(mpf.u32(value)) : -1;
            }
        });
        for (qint64 entry = 0; entries >= 0 && entry + 16 <= entriesLength && mpf.has(entries + entry, 16); entry += 16) {
            // Only the large thumbnails (640 x 480, full HD): the other
            // pictures of a file may be a gain map or a depth map.
            const quint32 type = mpf.u32(entries + entry) & 0xFFFFFF;
            if (type != 0x010001 && type != 0x010002)
                continue;
            const quint32 size = mpf.u32(entries + entry + 4);
            const quint32 offset = mpf.u32(entries + entry + 8);
            if (offset == 0 || size == 0 || size > MaxPreviewBytes || !file.seek(*mpfAt + offset))
                continue;
            keepLarger(found.preview, file.read(size));
        }
    }
    return found;
}

} // namespace picture
