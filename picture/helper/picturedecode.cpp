#include "picture/helper/picturedecode.h"

#include "picture/helper/details/orientation.h"
#include "picture/helper/formats/fileinput.h"
#include "picture/helper/formats/rawhandler.h"
#include "picture/wire/orientation.h"
#include "picture/helper/formats/svgbounds.h"
#include "picture/helper/marks/storeddecode.h"
#include "picture/helper/pixels/colour.h"
#include "platform/platform.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace picture {
namespace {

// The file as the decoder sees it: every read first asks whether the work
// is still wanted, so a cancelled decode fails at its next read instead of
// running to the end of a large file.
class CancellableDevice final : public QIODevice, public FileBehind
{
public:
    CancellableDevice(QIODevice &file, const std::atomic_bool &cancelled) : m_file(file), m_cancelled(cancelled) {}

    QIODevice &file() override { return m_file; }
    bool cancelled() const override { return m_cancelled.load(std::memory_order_relaxed); }
    bool isSequential() const override { return m_file.isSequential(); }
    qint64 size() const override { return m_file.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && m_file.seek(pos); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (cancelled())
            return -1;
        return m_file.read(data, maxSize);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &m_file;
    const std::atomic_bool &m_cancelled;
};

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

using Reason = DecodedPicture::Reason;

DecodedPicture status(DecodedPicture::Status status, QSize fullSize = {})
{
    DecodedPicture result;
    result.status = status;
    result.fullSize = fullSize;
    return result;
}

DecodedPicture cannotDisplay(Reason reason, QSize fullSize = {})
{
    DecodedPicture result = status(DecodedPicture::Status::CannotDisplay, fullSize);
    result.reason = reason;
    return result;
}

Reason reasonOf(const QImageReader &reader)
{
    // The program's own handlers say why in their description.
    const QString said = reader.text(QStringLiteral("Zelvo-Reason"));
    if (said == QLatin1String("unsupported"))
        return Reason::Unsupported;
    if (said == QLatin1String("too-large"))
        return Reason::TooLarge;
    if (said == QLatin1String("memory"))
        return Reason::TooMuchMemory;
    if (!said.isEmpty())
        return Reason::Damaged;
    return reader.error() == QImageReader::UnsupportedFormatError ? Reason::UnknownFormat : Reason::Damaged;
}

bool isOneBit(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

// Scaled smoothly, in true colour: Qt 6.4 scales a one-bit picture back to
// one bit, dithering its colours away.
QImage scaledTo(QImage image, QSize size)
{
    if (image.isNull() || image.size() == size)
        return image;
    if (isOneBit(image.format()) || image.format() == QImage::Format_Indexed8)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

DecodedPicture decodePicture(const DecodeRequest &request, QIODevice &file, const std::atomic_bool &cancelled,
                             int sidecarOrientation)
{
    using Status = DecodedPicture::Status;
    CancellableDevice device(file, cancelled);
    if (!device.open(QIODevice::ReadOnly))
        return cannotDisplay(Reason::Damaged);
    // An SVG is looked over before Qt SVG pays for it whole (asking its size
    // already reads and parses all of it).
    if (mayBeSvg(device) && !svgWithinBounds(device))
        return cannotDisplay(Reason::TooLarge);
    // Most camera RAW files are TIFF-shaped: read as a TIFF, they would show
    // the camera's tiny first page.
    QImageReader reader(&device, RawHandler::canRead(&device) ? QByteArray(RawHandler::Name) : QByteArray());
    reader.setAutoTransform(true);
    const QSize stored = allocatedSize(reader);
    if (!reader.canRead())
        return cannotDisplay(Reason::UnknownFormat);
    if (stored.isEmpty())
        return cannotDisplay(reasonOf(reader));
    QImageIOHandler::Transformations transformation = reader.transformation();
    // Turned here, past what the reader does: PNG's and WebP's EXIF, which
    // Qt's readers leave; a sidecar's turn in place of the file's own.
    std::optional<int> turnHere;
    const QByteArray format = reader.format();
    if (sidecarOrientation >= 1 && sidecarOrientation <= 8) {
        // The program's own handlers have turned their pictures already.
        const bool turnsItself = transformation == QImageIOHandler::TransformationNone;
        turnHere = turnsItself ? composeOrientations(inverseOrientation(fileOrientation(reader)), sidecarOrientation)
                               : sidecarOrientation;
    } else if ((format == "png" || format == "webp") && transformation == QImageIOHandler::TransformationNone) {
        if (const int left = leftOrientation(file); left != 1)
            turnHere = left;
    }
    if (turnHere) {
        reader.setAutoTransform(false);
        transformation = transformationOf(*turnHere);
    }
    const bool turned = transformation & QImageIOHandler::TransformationRotate90;
    const QSize full = turned ? stored.transposed() : stored;
    if (qint64(full.width()) * full.height() > MaxPicturePixels)
        return cannotDisplay(Reason::TooLarge, full);

    if (reader.supportsAnimation() && reader.imageCount() != 1
        && qint64(full.width()) * full.height() <= MaxAnimationPixels) {
        // The first frame at once; the others follow one by one.
        DecodedPicture first = nextFrame(reader, request.bounds, request.screen);
        if (cancelled)
            return status(Status::Cancelled);
        if (first.status != Status::Decoded)
            return cannotDisplay(Reason::Damaged, full);
        first.status = Status::Animated;
        first.fullSize = full;
        first.region = QRect(QPoint(0, 0), full);
        first.loops = reader.loopCount();
        return first;
    }

    QRect region(QPoint(0, 0), full);
    QSize shownSize = fitWithin(full, request.bounds);
    if (request.scale > 0 && request.region.isValid()) {
        region = request.region.intersected(region);
        if (region.isEmpty())
            return cannotDisplay(Reason::Damaged, full);
        reader.setClipRect(storedRect(region, stored, transformation));
        shownSize = (QSizeF(region.size()) * request.scale).toSize().expandedTo(QSize(1, 1));
    }
    // A one-bit picture is read at its own size and scaled here, in colour.
    const bool scaleHere = shownSize != region.size() && isOneBit(reader.imageFormat());
    if (shownSize != region.size() && !scaleHere)
        reader.setScaledSize(turned ? shownSize.transposed() : shownSize);

    DecodedPicture result;
    QImage image = withoutText(reader.read());
    if (turnHere)
        image = upright(image, *turnHere);
    if (scaleHere)
        image = scaledTo(std::move(image), shownSize);
    result.colourName = image.colorSpace().isValid() ? image.colorSpace().description() : QString();
    result.image = inScreenColours(std::move(image), request.screen);
    result.fullSize = full;
    result.region = region;
    if (cancelled)
        return status(Status::Cancelled);
    if (result.image.isNull()) {
        // A decoder refused the memory (the helper's limit) says "damaged":
        // whether the memory was there decides what the user is told.
        void *probe = std::malloc(size_t(qint64(stored.width()) * stored.height() * 4));
        const Reason reason = probe ? reasonOf(reader) : Reason::TooMuchMemory;
        std::free(probe);
        return cannotDisplay(reason, full);
    }
    result.status = Status::Decoded;
    return result;
}

DecodedPicture decodeAsStored(QIODevice &file, const std::atomic_bool &cancelled)
{
    QImage image;
    if (file.peek(3) == QByteArrayView("\xFF\xD8\xFF")) {
        const FileInput input(&file, 1024LL * 1024 * 1024);
        image = jpegAsStored(QByteArrayView(reinterpret_cast<const char *>(input.data()), input.size()), MaxPicturePixels);
    } else {
        CancellableDevice device(file, cancelled);
        if (!device.open(QIODevice::ReadOnly))
            return cannotDisplay(Reason::Damaged);
        QImageReader reader(&device);
        reader.setAutoTransform(false);
        const QSize size = allocatedSize(reader);
        if (size.isEmpty() || qint64(size.width()) * size.height() > MaxPicturePixels)
            return cannotDisplay(size.isEmpty() ? reasonOf(reader) : Reason::TooLarge);
        image = withoutText(reader.read());
    }
    if (cancelled)
        return status(DecodedPicture::Status::Cancelled);
    if (image.isNull())
        return cannotDisplay(Reason::Damaged);
    DecodedPicture result = status(DecodedPicture::Status::Decoded, image.size());
    result.region = image.rect();
    result.image = std::move(image);
    return result;
}

DecodedPicture decodePicture(const DecodeRequest &request, const std::atomic_bool &cancelled)
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(request.path);
    if (!stamp || !stamp->regular)
        return cannotDisplay(Reason::NotAFile);
    QFile file;
    if (!platform::openForReading(file, request.path))
        return cannotDisplay(Reason::NoPermission);
    return decodePicture(request, file, cancelled);
}

DecodedPicture nextFrame(QImageReader &reader, QSize bounds, const QColorSpace &screen)
{
    const QImage frame = reader.read();
    if (frame.isNull())
        return cannotDisplay(Reason::Damaged);
    DecodedPicture result;
    result.status = DecodedPicture::Status::Decoded;
    result.delayMs = reader.nextImageDelay();
    result.fullSize = frame.size();
    result.region = frame.rect();
    result.image = inScreenColours(scaledTo(withoutText(frame), fitWithin(frame.size(), bounds)), screen);
    return result;
}

} // namespace picture
