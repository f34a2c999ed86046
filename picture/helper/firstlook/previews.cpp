#include "picture/previews.h"

#include "picture/colour.h"
#include "picture/heifhandler.h"
#include "picture/orientation.h"
#include "picture/rawhandler.h"
#include "picture/svgbounds.h"
#include "picture/thumbnailcache.h"

#include <QFileDevice>
#include <QImageReader>

#include <cmath>
#include <sys/stat.h>

namespace picture {
namespace {

// A JPEG's EXIF and MPF segments come before its pixels, within this.
constexpr qint64 HeadBytes = 256 * 1024;
// An MPF preview is a JPEG of a few megapixels at most.
constexpr qint64 MaxPreviewBytes = 16 * 1024 * 1024;

// A TIFF structure (EXIF's, MPF's) inside a segment.
class Tiff
{
public:
    explicit Tiff(QByteArrayView data) : m_data(data)
    {
        m_valid = data.size() >= 8 && (data.startsWith("II*\0") || data.startsWith("MM\0*"));
        m_little = data.startsWith("II");
    }
    bool isValid() const { return m_valid; }
    QByteArrayView data() const { return m_data; }
    bool has(qint64 at, qint64 length) const { return at >= 0 && length >= 0 && at + length <= m_data.size(); }
    quint16 u16(qint64 at) const
    {
        if (!has(at, 2))
            return 0;
        const auto *p = reinterpret_cast<const uchar *>(m_data.data() + at);
        return m_little ? quint16(p[0] | p[1] << 8) : quint16(p[0] << 8 | p[1]);
    }
    quint32 u32(qint64 at) const
    {
        return m_little ? quint32(u16(at)) | quint32(u16(at + 2)) << 16 : quint32(u16(at)) << 16 | quint32(u16(at + 2));
    }
    quint32 firstDirectory() const { return u32(4); }

    // Calls `entry(tag, valueAt)` for each entry of the directory at `at`
    // (valueAt: where its value, or the offset of it, is); returns the next
    // directory's offset (0: none).
    template<typename Entry>
    quint32 directory(quint32 at, Entry entry) const
    {
        const quint16 count = u16(at);
        if (at == 0 || !has(qint64(at) + 2, qint64(count) * 12 + 4))
            return 0;
        for (quint16 i = 0; i < count; ++i) {
            const qint64 item = qint64(at) + 2 + qint64(i) * 12;
            entry(u16(item), item + 8);
        }
        return u32(qint64(at) + 2 + qint64(count) * 12);
    }

private:
    QByteArrayView m_data;
    bool m_valid = false;
    bool m_little = true;
};

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

bool sameShape(QSize preview, QSize full)
{
    if (preview.isEmpty() || full.isEmpty())
        return false;
    const qreal height = qreal(preview.width()) * full.height() / full.width();
    return std::abs(height - preview.height()) <= std::max(1.5, 0.02 * preview.height());
}

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
            const Tiff exif(segment.sliced(6));
            if (exif.isValid()) {
                quint32 thumbnailAt = 0, thumbnailLength = 0;
                const quint32 next = exif.directory(exif.firstDirectory(), [&](quint16 tag, qint64 value) {
                    if (tag == 0x0112 && exif.u16(value) >= 1 && exif.u16(value) <= 8)
                        found.orientation = exif.u16(value);
                });
                exif.directory(next, [&](quint16 tag, qint64 value) {
                    if (tag == 0x0201)
                        thumbnailAt = exif.u32(value);
                    else if (tag == 0x0202)
                        thumbnailLength = exif.u32(value);
                });
                if (exif.has(thumbnailAt, thumbnailLength))
                    keepLarger(found.preview, exif.data().sliced(thumbnailAt, thumbnailLength));
            }
        } else if (marker == 0xE2 && segment.startsWith(QByteArrayView("MPF\0", 4))) {
            mpfAt = at + 4 + 4;
            mpfData = segment.sliced(4);
        }
        at += 2 + length;
    }
    // The MPF index names the file's other pictures (a camera's large
    // preview), by their offset from the index itself.
    const Tiff mpf(mpfData);
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

DecodedPicture decodePreview(const DecodeRequest &request, QIODevice &file, QIODevice *thumbnail, const QByteArray &uri)
{
    DecodedPicture result;
    QImage preview;
    QSize full;
    const QByteArray head = file.peek(3);
    if (head == "\xFF\xD8\xFF") {
        const JpegPreview jpeg = readJpegPreview(file);
        preview = upright(jpeg.preview, jpeg.orientation);
        full = jpeg.orientation >= 5 ? jpeg.size.transposed() : jpeg.size;
    } else if (HeifHandler::canRead(&file)) {
        HeifHandler heif;
        heif.setDevice(&file);
        full = heif.option(QImageIOHandler::Size).toSize();
        preview = heif.thumbnail();
    } else if (RawHandler::canRead(&file)) {
        RawHandler raw;
        raw.setDevice(&file);
        full = raw.option(QImageIOHandler::Size).toSize();
        preview = raw.preview();
    } else if (thumbnail) {
        // Another format, whose only preview can be the cache's: its size,
        // when the reader tells it from the header.
        QImageReader reader(&file);
        reader.setAutoTransform(true);
        if (!mayBeSvg(file) && reader.canRead())
            full = reader.transformation() & QImageIOHandler::TransformationRotate90 ? reader.size().transposed()
                                                                                        : reader.size();
    }
    // A file manager's thumbnail of the file as it is now, when larger.
    const auto *behind = qobject_cast<QFileDevice *>(&file);
    struct stat status {};
    if (thumbnail && behind && ::fstat(behind->handle(), &status) == 0) {
        const QImage cached = validThumbnail(*thumbnail, uri, qint64(status.st_mtime));
        if (qint64(cached.width()) * cached.height() > qint64(preview.width()) * preview.height())
            preview = cached;
    }
    if (preview.isNull() || full.isEmpty())
        return result;
    // Another shape would jump when the picture replaces it.
    if (!sameShape(preview.size(), full))
        return result;
    const QSize shown = fitWithin(preview.size(), request.bounds);
    if (shown != preview.size())
        preview = preview.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result.status = DecodedPicture::Status::Decoded;
    result.image = inScreenColours(std::move(preview), request.screen);
    result.fullSize = full;
    result.region = QRect(QPoint(0, 0), full);
    return result;
}

} // namespace picture
