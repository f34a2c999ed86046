#include "picture/helper/formats/rawhandler.h"

#include "picture/helper/formats/fileinput.h"
#include "picture/wire/orientation.h"
#include "picture/helper/pixels/shape.h"
#include "picture/wire/decoding.h"

#include <QColorSpace>
#include <QImage>
#include <QBuffer>
#include <QIODevice>
#include <QImageReader>
#include <QVariant>

#include <libraw/libraw.h>

#include <cstring>
#include <memory>

namespace picture {
namespace {

// Medium-format backs write files of a few hundred megabytes.
constexpr qint64 MaxFileBytes = 1024LL * 1024 * 1024;
// LibRaw's own bound on what it allocates for the raw data, well inside the
// decoder helper's memory.
constexpr unsigned MaxRawMemoryMiB = 1024;

// The first bytes of the RAW formats that are not TIFF-shaped, and of TIFF.
bool looksRaw(const QByteArray &head)
{
    static const char *const starts[] = {"II*\0", "MM\0*", "IIRO", "IIRS", "MMOR", "IIU\0", "FUJIFILM", "FOVb",
                                         "\0MRM", "IIII"};
    for (const char *start : starts) {
        const qsizetype length = start[0] == 0 || start[3] == 0 ? 4 : qsizetype(std::strlen(start));
        if (head.size() >= length && std::memcmp(head.constData(), start, size_t(length)) == 0)
            return true;
    }
    // Canon's CR3 is an ISO media file of brand "crx ".
    return head.size() >= 12 && head.mid(4, 8) == "ftypcrx ";
}

// Opens `input` in `raw`; true when LibRaw found a camera's raw data in it.
bool opened(LibRaw &raw, const FileInput &input)
{
    if (input.isEmpty())
        return false;
    raw.imgdata.params.max_raw_memory_mb = MaxRawMemoryMiB;
    // LibRaw reads the buffer only.
    const int status = raw.open_buffer(const_cast<uchar *>(input.data()), size_t(input.size()));
    return status == LIBRAW_SUCCESS && (raw.imgdata.idata.make[0] || raw.imgdata.idata.dng_version);
}

// LibRaw's flip as an EXIF orientation (it knows only the turns).
int exifOrientation(int flip)
{
    switch (flip) {
    case 3: return 3;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
    }
}

// An 8-bit RGB or grey bitmap of LibRaw's (rows packed, no padding) as a QImage.
QImage fromBitmap(const uchar *data, int width, int height, int colours)
{
    if (colours != 3 && colours != 1)
        return {};
    QImage image(width, height, colours == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    if (image.isNull())
        return {};
    const size_t row = size_t(width) * size_t(colours);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), data + row * size_t(y), row);
    return image;
}

// `part` of `source` at `out`.
QImage cutAndScaled(const QImage &source, const QRect &part, QSize out)
{
    const QImage cut = part == source.rect() ? source : source.copy(part);
    return cut.size() == out ? cut : cut.scaled(out, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The largest picture the camera stored beside its raw data, not yet
// decoded: a JPEG's bytes or a bitmap.
class StoredPreview
{
public:
    explicit StoredPreview(LibRaw &raw) : m_orientation(exifOrientation(raw.imgdata.sizes.flip))
    {
        if (raw.unpack_thumb() != LIBRAW_SUCCESS)
            return;
        const libraw_thumbnail_t &thumbnail = raw.imgdata.thumbnail;
        if (thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG && thumbnail.thumb) {
            // A copy: developing the raw data may free LibRaw's.
            m_jpeg = QByteArray(thumbnail.thumb, qsizetype(thumbnail.tlength));
            QBuffer buffer(&m_jpeg);
            (void)buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, "jpeg");
            reader.setAutoDetectImageFormat(false);
            m_stored = reader.size();
        } else if (thumbnail.tformat == LIBRAW_THUMBNAIL_BITMAP && thumbnail.thumb
                   && qint64(thumbnail.tlength) >= qint64(thumbnail.twidth) * thumbnail.theight * thumbnail.tcolors) {
            m_bitmap = fromBitmap(reinterpret_cast<const uchar *>(thumbnail.thumb), thumbnail.twidth,
                                  thumbnail.theight, thumbnail.tcolors);
            m_stored = m_bitmap.size();
        }
    }

    // Upright; empty when there is none LibRaw can give.
    QSize size() const
    {
        return transformationOf(m_orientation) & QImageIOHandler::TransformationRotate90 ? m_stored.transposed()
                                                                                       : m_stored;
    }

    // `part` of it (upright) at `out`, upright. A JPEG is shrunk by libjpeg
    // as it decodes, as a JPEG file is: decoded whole first, a 12 MP preview
    // took twice as long.
    QImage read(const QRect &part, QSize out) const
    {
        if (m_stored.isEmpty() || part.isEmpty() || out.isEmpty())
            return {};
        if (!m_bitmap.isNull())
            return cutAndScaled(upright(m_bitmap, m_orientation), part, out);
        QBuffer buffer;
        buffer.setData(m_jpeg);
        if (!buffer.open(QIODevice::ReadOnly))
            return {};
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoDetectImageFormat(false); // what is not a JPEG is no preview, whatever else it may be
        reader.setAutoTransform(false); // LibRaw's flip turns it, not the preview's own tags
        const QImageIOHandler::Transformations turn = transformationOf(m_orientation);
        const QRect stored = storedRect(part, m_stored, turn);
        if (stored != QRect(QPoint(0, 0), m_stored))
            reader.setClipRect(stored);
        const QSize storedOut = turn & QImageIOHandler::TransformationRotate90 ? out.transposed() : out;
        if (storedOut != stored.size())
            reader.setScaledSize(storedOut);
        return upright(reader.read(), m_orientation);
    }

private:
    int m_orientation = 1;
    QByteArray m_jpeg;
    QImage m_bitmap;
    QSize m_stored;
};

// The part of a picture of `full` size that `clip` covers, on a source of
// `source` size showing the whole of it.
QRect partOn(const QRect &clip, QSize full, QSize source)
{
    const qreal fx = qreal(source.width()) / full.width();
    const qreal fy = qreal(source.height()) / full.height();
    return QRectF(clip.x() * fx, clip.y() * fy, clip.width() * fx, clip.height() * fy)
        .toAlignedRect()
        .intersected(QRect(QPoint(0, 0), source));
}

// The raw data developed: the camera's white balance, sRGB, 8 bits, upright.
QImage developed(LibRaw &raw, bool halfSize, const char **failure)
{
    raw.imgdata.params.use_camera_wb = 1;
    raw.imgdata.params.output_color = 1; // sRGB
    raw.imgdata.params.output_bps = 8;
    raw.imgdata.params.half_size = halfSize ? 1 : 0;
    int status = raw.unpack();
    if (status == LIBRAW_SUCCESS)
        status = raw.dcraw_process();
    libraw_processed_image_t *processed = status == LIBRAW_SUCCESS ? raw.dcraw_make_mem_image(&status) : nullptr;
    if (!processed) {
        qCInfo(lcDecoders, "LibRaw: %s", libraw_strerror(status));
        *failure = status == LIBRAW_UNSUFFICIENT_MEMORY || status == LIBRAW_TOO_BIG ? "too-large" : "damaged";
        return {};
    }
    QImage image;
    if (processed->type == LIBRAW_IMAGE_BITMAP && processed->bits == 8)
        image = fromBitmap(processed->data, processed->width, processed->height, processed->colors);
    LibRaw::dcraw_clear_mem(processed);
    if (image.isNull())
        *failure = "memory";
    return image;
}

} // namespace

// The file's bytes (mapped) and LibRaw's reading of them, kept for both the
// size and the pixels; LibRaw reads from that memory, which must outlive it.
struct RawHandler::File
{
    explicit File(QIODevice *device) : input(device, MaxFileBytes), raw(std::make_unique<LibRaw>(0))
    {
        ok = opened(*raw, input);
    }
    FileInput input;
    std::unique_ptr<LibRaw> raw; // large: on the heap
    bool ok = false;

    QSize shownSize() const
    {
        const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
        const QSize stored(sizes.width, sizes.height);
        return sizes.flip & 4 ? stored.transposed() : stored;
    }
};

RawHandler::RawHandler() = default;

RawHandler::~RawHandler() = default;

bool RawHandler::canRead(QIODevice *device)
{
    if (!device || device->isSequential() || !looksRaw(device->peek(16)))
        return false;
    const FileInput input(device, MaxFileBytes);
    LibRaw raw(0);
    return opened(raw, input);
}

RawHandler::File *RawHandler::file() const
{
    if (!m_file) {
        m_file = std::make_unique<File>(device());
        if (m_file->ok)
            turnedBy(exifOrientation(m_file->raw->imgdata.sizes.flip));
    }
    return m_file.get();
}

bool RawHandler::supportsOption(ImageOption option) const
{
    return option == ScaledSize || option == ClipRect || OwnHandler::supportsOption(option);
}

void RawHandler::setOption(ImageOption option, const QVariant &value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
    else if (option == ClipRect)
        m_clipRect = value.toRect();
}

QVariant RawHandler::option(ImageOption option) const
{
    if (option == Description) {
        if (!turnSaid() && device())
            (void)file();
        return description();
    }
    if (option != Size || !device() || !file()->ok)
        return {};
    return file()->shownSize();
}

QImage RawHandler::preview(QSize bounds) const
{
    if (!file()->ok)
        return {};
    const StoredPreview preview(*file()->raw);
    return preview.read(QRect(QPoint(0, 0), preview.size()), fitWithin(preview.size(), bounds));
}

bool RawHandler::read(QImage *image)
{
    File &f = *file();
    if (!f.ok) {
        failedBecause("damaged");
        return false;
    }
    const QSize full = f.shownSize();
    const libraw_image_sizes_t &sizes = f.raw->imgdata.sizes;
    if (full.isEmpty() || qint64(sizes.raw_width) * sizes.raw_height > MaxPicturePixels) {
        failedBecause(full.isEmpty() ? "damaged" : "too-large");
        return false;
    }
    const QRect clip = m_clipRect.isValid() ? m_clipRect.intersected(QRect(QPoint(0, 0), full)) : QRect(QPoint(0, 0), full);
    const QSize out = m_scaledSize.isValid() ? m_scaledSize : clip.size();
    if (clip.isEmpty() || out.isEmpty()) {
        failedBecause("damaged");
        return false;
    }
    // How many of the picture's own pixels each shown pixel needs.
    const qreal needed = std::max(qreal(out.width()) / clip.width(), qreal(out.height()) / clip.height());

    const StoredPreview preview(*f.raw);
    // A preview of another shape (cropped, letterboxed) is not the picture.
    const bool usable = sameShape(preview.size(), full);
    const qreal previewHas = usable ? qreal(preview.size().width()) / full.width() : 0;
    QImage result;
    if (previewHas < needed * 0.999) {
        const char *failure = nullptr;
        const QImage raw = developed(*f.raw, needed <= 0.5, &failure);
        if (!raw.isNull()) {
            result = cutAndScaled(raw, partOn(clip, full, raw.size()), out);
        } else if (!usable) {
            failedBecause(failure);
            return false;
        }
        // A raw that cannot be developed still shows its preview.
    }
    if (result.isNull() && usable)
        result = preview.read(partOn(clip, full, preview.size()), out);
    if (result.isNull()) {
        failedBecause("memory");
        return false;
    }
    if (!result.colorSpace().isValid())
        result.setColorSpace(QColorSpace(QColorSpace::SRgb));
    *image = result;
    return true;
}

} // namespace picture
