#include "picture/helper/server.h"

#include "picture/helper/firstlook/previews.h"
#include "picture/helper/picturedecode.h"
#include "picture/wire/protocol.h"
#include "picture/wire/sealedmemory.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cerrno>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace picture {
namespace {

using protocol::Reply;
using protocol::Request;
using protocol::RequestKind;
using protocol::Status;

// The picture as the window takes it: in a wire format (a colour table
// would not cross: palettes, one-bit and grey-with-alpha pictures become
// true colour) and laid out with QImage's own stride for its width.
QImage forTheWire(QImage image)
{
    if (!protocol::isWireFormat(image.format()))
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const qsizetype line = (qsizetype(image.width()) * image.depth() + 31) / 32 * 4;
    if (!image.isNull() && image.bytesPerLine() != line)
        image = image.copy();
    return image;
}

Status statusOf(DecodedPicture::Status status)
{
    switch (status) {
    case DecodedPicture::Status::Decoded: return Status::Decoded;
    case DecodedPicture::Status::Animated: return Status::Animated;
    case DecodedPicture::Status::CannotDisplay:
    case DecodedPicture::Status::Cancelled: break;
    }
    return Status::CannotDisplay;
}

bool reply(int socket, quint64 id, const DecodedPicture &picture, Status status, int frame = 0)
{
    Reply message;
    message.id = id;
    message.status = status;
    message.reason = quint8(picture.reason);
    message.fullWidth = picture.fullSize.width();
    message.fullHeight = picture.fullSize.height();
    message.regionX = picture.region.x();
    message.regionY = picture.region.y();
    message.regionWidth = picture.region.width();
    message.regionHeight = picture.region.height();
    message.delayMs = picture.delayMs;
    message.loops = picture.loops;
    message.frame = frame;
    int pixels = -1;
    QByteArray icc;
    const QImage image = status == Status::CannotDisplay ? QImage() : forTheWire(picture.image);
    if (!image.isNull()) {
        pixels = protocol::sealedCopy(image.constBits(), size_t(image.sizeInBytes()));
        if (pixels < 0) {
            message.status = Status::CannotDisplay;
            message.reason = quint8(DecodedPicture::Reason::TooMuchMemory);
        } else {
            message.width = image.width();
            message.height = image.height();
            message.bytesPerLine = int(image.bytesPerLine());
            message.format = int(image.format());
            if (image.colorSpace().isValid())
                icc = image.colorSpace().iccProfile();
            if (icc.size() > protocol::MaxMessageBytes / 2)
                icc.clear();
            message.iccBytes = quint32(icc.size());
        }
    }
    const bool sent = protocol::send(socket, &message, sizeof message, icc, pixels);
    if (pixels >= 0)
        ::close(pixels);
    return sent;
}

DecodeRequest requestFrom(const Request &message, const QByteArray &icc)
{
    DecodeRequest request;
    request.bounds = QSize(message.boundsWidth, message.boundsHeight);
    request.scale = message.scale;
    request.region = QRect(message.regionX, message.regionY, message.regionWidth, message.regionHeight);
    request.preview = message.kind == RequestKind::Preview;
    if (!icc.isEmpty()) {
        const QColorSpace screen = QColorSpace::fromIccProfile(icc);
        if (screen.isValid())
            request.screen = screen;
    }
    return request;
}

// An animation being played: its file and the reader going through it.
struct Animation
{
    std::unique_ptr<QFile> file;
    std::unique_ptr<QImageReader> reader;
    DecodeRequest request;
    int frame = 0; // of the frame read next

    void restart()
    {
        file->seek(0);
        reader = std::make_unique<QImageReader>(file.get());
        frame = 0;
    }
};

} // namespace

void loadDecoders()
{
    // Each format's plugin is loaded by decoding a small picture of it.
    QImage tiny(8, 8, QImage::Format_ARGB32);
    tiny.fill(Qt::gray);
    for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        if (!QImageWriter(&buffer, format).write(tiny))
            continue;
        buffer.seek(0);
        QImageReader(&buffer, format).read();
    }
    // The formats Qt only reads, and the fonts pictures draw their text in
    // (a font is opened when first drawn, and the helper may open nothing).
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='16'>"
                           "<text x='0' y='12' font-family='sans-serif'>Aa あ 字</text>"
                           "<text x='0' y='12' font-family='serif'>Aa あ 字</text>"
                           "<text x='0' y='12' font-family='monospace'>Aa あ 字</text></svg>";
    QBuffer vector;
    vector.setData(svg);
    vector.open(QIODevice::ReadOnly);
    QImageReader(&vector, "svg").read();
    for (const QByteArray &format : {QByteArray("heic"), QByteArray("avif"), QByteArray("jxl"), QByteArray("gif")})
        QImageReader(&vector, format).canRead();
}

int serveDecodes(int socket, std::atomic_bool *cancelled)
{
    std::optional<Animation> animation;
    while (true) {
        std::optional<protocol::Received> received = protocol::receive(socket, protocol::MaxMessageBytes);
        if (!received)
            return 0; // the program has gone, or closed this helper
        // A preview's shared thumbnail, closed with this request whatever happens.
        QFile thumbnail;
        if (received->second >= 0 && !thumbnail.open(received->second, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(received->second);
        QByteArray icc;
        const std::optional<Request> request = protocol::parse<Request>(received->bytes, &icc);
        if (!request) {
            if (received->fd >= 0)
                ::close(received->fd);
            continue;
        }
        // The program clears the cancel word before it sends: a cancel that
        // came before this helper got here is kept, not forgotten.
        const DecodeRequest wanted = requestFrom(*request, icc.left(request->iccBytes));
        if (request->kind == RequestKind::NextFrame) {
            DecodedPicture frame;
            if (animation) {
                frame = nextFrame(*animation->reader, animation->request.bounds, animation->request.screen);
                if (frame.status != DecodedPicture::Status::Decoded && animation->frame > 0) {
                    // At the end: from the start again.
                    animation->restart();
                    frame = nextFrame(*animation->reader, animation->request.bounds, animation->request.screen);
                }
            }
            const bool decoded = frame.status == DecodedPicture::Status::Decoded;
            if (!reply(socket, request->id, frame, decoded ? Status::Frame : Status::CannotDisplay,
                       animation ? animation->frame : 0))
                return 0;
            if (animation && decoded)
                ++animation->frame;
            continue;
        }
        auto file = std::make_unique<QFile>();
        if (received->fd < 0 || !file->open(received->fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (received->fd >= 0)
                ::close(received->fd);
            DecodedPicture nothing;
            nothing.reason = DecodedPicture::Reason::Damaged;
            if (!reply(socket, request->id, nothing, Status::CannotDisplay))
                return 0;
            continue;
        }
        const DecodedPicture picture =
            wanted.preview ? decodePreview(wanted, *file, thumbnail.isOpen() ? &thumbnail : nullptr,
                                           icc.mid(request->iccBytes, request->uriBytes))
                           : decodePicture(wanted, *file, *cancelled);
        Status status = statusOf(picture.status);
        if (request->kind == RequestKind::Frames && picture.status == DecodedPicture::Status::Animated) {
            // Kept open: the next frames are asked for one by one.
            animation.emplace();
            animation->request = wanted;
            animation->file = std::move(file);
            animation->restart();
            animation->reader->read(); // past the first frame, which goes with this reply
            animation->frame = 1;
        } else {
            animation.reset();
        }
        if (!reply(socket, request->id, picture, status))
            return 0;
        // A helper that ran out of memory may have left its heap in pieces:
        // it ends, and a fresh one takes its place.
        if (picture.reason == DecodedPicture::Reason::TooMuchMemory)
            return 0;
        // What the decoders freed goes back to the system between pictures.
        ::malloc_trim(0);
    }
}

} // namespace picture
