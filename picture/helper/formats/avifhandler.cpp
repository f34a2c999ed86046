#include "picture/helper/formats/avifhandler.h"

#include "picture/helper/pixels/colour.h"
#include "picture/helper/pixels/hdr.h"

#include <QColorSpace>
#include <QImage>
#include <QIODevice>
#include <QThread>
#include <QTransform>
#include <QVariant>

#include <avif/avif.h>

#include <algorithm>

namespace picture {
namespace {

constexpr qint64 MaxFileBytes = 512 * 1024 * 1024;
constexpr quint32 MaxPixels = 200'000'000;

struct DecoderFree
{
    void operator()(avifDecoder *decoder) const { avifDecoderDestroy(decoder); }
};

bool hasBrand(const QByteArray &ftyp, const char *brand)
{
    // Major brand at 8, then the compatible ones from 16, four bytes each.
    if (ftyp.mid(8, 4) == brand)
        return true;
    for (qsizetype at = 16; at + 4 <= ftyp.size(); at += 4) {
        if (ftyp.mid(at, 4) == brand)
            return true;
    }
    return false;
}

// The picture as it is shown: libavif leaves irot and imir to the caller.
QImage oriented(QImage image, const avifImage &avif)
{
    if ((avif.transformFlags & AVIF_TRANSFORM_IMIR) != 0)
        // Axis 0 mirrors top to bottom, axis 1 left to right (libavif 0.11's field).
        image = image.mirrored(avif.imir.mode == 1, avif.imir.mode == 0);
    if ((avif.transformFlags & AVIF_TRANSFORM_IROT) != 0 && avif.irot.angle != 0)
        // irot turns anticlockwise in quarter turns.
        image = image.transformed(QTransform().rotate(-90.0 * avif.irot.angle));
    return image;
}

} // namespace

struct AvifSequenceHandler::Decoding
{
    explicit Decoding(QIODevice *device) : input(device, MaxFileBytes) {}
    FileInput input;
    std::unique_ptr<avifDecoder, DecoderFree> decoder;
    bool parsed = false;
};

AvifSequenceHandler::AvifSequenceHandler() = default;

AvifSequenceHandler::~AvifSequenceHandler() = default;

bool AvifSequenceHandler::canRead(QIODevice *device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(64);
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return false;
    const quint32 size = quint32(quint8(head[0])) << 24 | quint32(quint8(head[1])) << 16
                         | quint32(quint8(head[2])) << 8 | quint32(quint8(head[3]));
    return hasBrand(head.left(std::min<qsizetype>(size, head.size())), "avis");
}

AvifSequenceHandler::Decoding *AvifSequenceHandler::decoding() const
{
    if (m_decoding)
        return m_decoding->parsed ? m_decoding.get() : nullptr;
    m_decoding = std::make_unique<Decoding>(device());
    Decoding &d = *m_decoding;
    d.decoder.reset(avifDecoderCreate());
    if (!d.decoder || d.input.isEmpty())
        return nullptr;
    d.decoder->maxThreads = std::max(1, QThread::idealThreadCount());
    d.decoder->imageSizeLimit = MaxPixels;
    if (avifDecoderSetIOMemory(d.decoder.get(), d.input.data(), size_t(d.input.size())) != AVIF_RESULT_OK)
        return nullptr;
    const avifResult parsed = avifDecoderParse(d.decoder.get());
    if (parsed != AVIF_RESULT_OK) {
        qCInfo(lcDecoders, "libavif: %s", avifResultToString(parsed));
        return nullptr;
    }
    d.parsed = true;
    return &d;
}

bool AvifSequenceHandler::supportsOption(ImageOption option) const
{
    return option == Animation ? imageCount() > 1 : OwnHandler::supportsOption(option);
}

int AvifSequenceHandler::imageCount() const
{
    const Decoding *d = decoding();
    return d ? std::max(1, d->decoder->imageCount) : 0;
}

QVariant AvifSequenceHandler::option(ImageOption option) const
{
    if (option == Description)
        return description();
    if (option == Animation)
        return imageCount() > 1;
    const Decoding *d = decoding();
    if (option != Size || !d)
        return {};
    const avifImage &image = *d->decoder->image;
    const bool turned = (image.transformFlags & AVIF_TRANSFORM_IROT) != 0 && image.irot.angle % 2 == 1;
    const QSize size(int(image.width), int(image.height));
    return size.isEmpty() ? QVariant() : QVariant(turned ? size.transposed() : size);
}

bool AvifSequenceHandler::read(QImage *image)
{
    Decoding *d = decoding();
    if (!d) {
        failedBecause("damaged");
        return false;
    }
    const avifResult next = avifDecoderNextImage(d->decoder.get());
    if (next == AVIF_RESULT_NO_IMAGES_REMAINING)
        return false;
    if (next != AVIF_RESULT_OK) {
        qCInfo(lcDecoders, "libavif: %s", avifResultToString(next));
        failedBecause(next == AVIF_RESULT_OUT_OF_MEMORY ? "memory" : "damaged");
        return false;
    }
    const avifImage &frame = *d->decoder->image;
    const std::optional<HdrTransfer> hdr = hdrTransferFromNclx(int(frame.transferCharacteristics));
    const bool deep = frame.depth > 8 || hdr;
    QImage result;
    if (!allocateImage(QSize(int(frame.width), int(frame.height)), deep ? QImage::Format_RGBA64 : QImage::Format_RGBA8888,
                       &result)) {
        failedBecause("memory");
        return false;
    }
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &frame);
    rgb.format = AVIF_RGB_FORMAT_RGBA;
    rgb.depth = deep ? 16 : 8;
    rgb.pixels = result.bits();
    rgb.rowBytes = uint32_t(result.bytesPerLine());
    if (avifImageYUVToRGB(&frame, &rgb) != AVIF_RESULT_OK) {
        failedBecause("damaged");
        return false;
    }
    QColorSpace colours;
    if (frame.icc.size > 0)
        colours = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char *>(frame.icc.data), qsizetype(frame.icc.size)));
    if (hdr) {
        toneMapToSdr(result, *hdr, 0);
        colours = linearSpace(int(frame.colorPrimaries));
    } else if (!colours.isValid()) {
        colours = colourSpaceFromNclx(int(frame.colorPrimaries), int(frame.transferCharacteristics));
    }
    result.setColorSpace(colours);
    m_nextDelay = int(d->decoder->imageTiming.duration * 1000.0 + 0.5);
    ++m_frame;
    *image = oriented(std::move(result), frame);
    return true;
}

} // namespace picture
