#include "picture/picturedecode.h"

#include "picture/colour.h"
#include "platform/platform.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QTransform>
#include <QtPlugin>

#include <algorithm>
#include <cstring>

// The program's own picture formats (HEIF, AVIF, JPEG XL), for every
// QImageReader in the process.
Q_IMPORT_PLUGIN(ZelvoImageFormats)

namespace picture {
namespace {

// The file as the decoder sees it: every read first asks whether the work
// is still wanted, so a cancelled decode fails at its next read instead of
// running to the end of a large file.
class CancellableFile final : public QIODevice
{
public:
    CancellableFile(const QString &path, const std::atomic_bool &cancelled) : m_path(path), m_cancelled(cancelled) {}

    bool open(OpenMode mode) override
    {
        return mode == ReadOnly && platform::openForReading(m_file, m_path) && QIODevice::open(mode);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && m_file.seek(pos); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            return -1;
        return m_file.read(data, maxSize);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QString m_path;
    QFile m_file;
    const std::atomic_bool &m_cancelled;
};

// Maps a rectangle of the shown (oriented) picture back onto the stored one:
// the reader clips before it orients.
QRect storedRect(const QRect &shown, QSize stored, QImageIOHandler::Transformations transformation)
{
    QTransform toShown;
    // Qt orients by mirroring and flipping first, then turning 90 degrees clockwise.
    if (transformation & QImageIOHandler::TransformationMirror)
        toShown = toShown * QTransform(-1, 0, 0, 1, stored.width(), 0);
    if (transformation & QImageIOHandler::TransformationFlip)
        toShown = toShown * QTransform(1, 0, 0, -1, 0, stored.height());
    if (transformation & QImageIOHandler::TransformationRotate90)
        toShown = toShown * QTransform(0, 1, -1, 0, stored.height(), 0);
    return toShown.inverted().mapRect(QRectF(shown)).toAlignedRect().intersected(QRect(QPoint(0, 0), stored));
}

// A picture's text chunks (a PNG may carry megabytes of them) would stay
// with it in the cache; only the pixels are kept.
QImage withoutText(const QImage &image)
{
    if (image.isNull() || image.textKeys().isEmpty())
        return image;
    QImage pixels(image.size(), image.format());
    if (pixels.isNull())
        return {};
    pixels.setColorTable(image.colorTable());
    pixels.setDevicePixelRatio(image.devicePixelRatio());
    pixels.setColorSpace(image.colorSpace());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels.scanLine(y), image.constScanLine(y), size_t(std::min(pixels.bytesPerLine(), image.bytesPerLine())));
    return pixels;
}

DecodedPicture status(DecodedPicture::Status status, QSize fullSize = {})
{
    DecodedPicture result;
    result.status = status;
    result.fullSize = fullSize;
    return result;
}

} // namespace

QSize allocatedSize(QImageReader &reader)
{
    // A GIF's frames are drawn on its canvas, which the reader does not
    // report (it gives the first frame's size) but allocates for every frame.
    QSize canvas;
    const QByteArray head = reader.device() ? reader.device()->peek(10) : QByteArray();
    if (head.size() == 10 && (head.startsWith("GIF87a") || head.startsWith("GIF89a"))) {
        const auto little16 = [&head](int at) { return int(quint8(head[at])) | int(quint8(head[at + 1])) << 8; };
        canvas = QSize(little16(6), little16(8));
    }
    const QSize size = reader.size();
    return size.isValid() ? size.expandedTo(canvas) : size;
}

QSize fitWithin(QSize size, QSize bounds)
{
    if (bounds.isEmpty() || (size.width() <= bounds.width() && size.height() <= bounds.height()))
        return size;
    return size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

DecodedPicture decodePicture(const DecodeRequest &request, const std::atomic_bool &cancelled)
{
    using Status = DecodedPicture::Status;
    if (!platform::isRegularFile(request.path))
        return status(Status::CannotDisplay);
    CancellableFile file(request.path, cancelled);
    if (!file.open(QIODevice::ReadOnly))
        return status(Status::CannotDisplay);
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize stored = allocatedSize(reader);
    if (!reader.canRead() || stored.isEmpty())
        return status(Status::CannotDisplay);
    const QImageIOHandler::Transformations transformation = reader.transformation();
    const bool turned = transformation & QImageIOHandler::TransformationRotate90;
    const QSize full = turned ? stored.transposed() : stored;
    if (qint64(full.width()) * full.height() > MaxPicturePixels)
        return status(Status::CannotDisplay, full);

    if (reader.supportsAnimation() && reader.imageCount() != 1
        && qint64(full.width()) * full.height() <= MaxAnimationPixels) {
        if (cancelled)
            return status(Status::Cancelled);
        return status(Status::Animated, full);
    }

    QRect region(QPoint(0, 0), full);
    QSize shownSize = fitWithin(full, request.bounds);
    if (request.scale > 0 && request.region.isValid()) {
        region = request.region.intersected(region);
        if (region.isEmpty())
            return status(Status::CannotDisplay, full);
        reader.setClipRect(storedRect(region, stored, transformation));
        shownSize = (QSizeF(region.size()) * request.scale).toSize().expandedTo(QSize(1, 1));
    }
    if (shownSize != region.size())
        reader.setScaledSize(turned ? shownSize.transposed() : shownSize);

    DecodedPicture result;
    result.image = inScreenColours(withoutText(reader.read()), request.screen);
    result.fullSize = full;
    result.region = region;
    if (cancelled)
        return status(Status::Cancelled);
    result.status = result.image.isNull() ? Status::CannotDisplay : Status::Decoded;
    return result;
}

} // namespace picture
