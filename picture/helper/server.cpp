#include "picture/helper/server.h"

#include "picture/helper/details/orientation.h"
#include "picture/helper/details/photodetails.h"
#include "picture/helper/details/sidecar.h"
#include "picture/helper/firstlook/previews.h"
#include "picture/helper/formats/svgbounds.h"
#include "picture/helper/marks/rewrite.h"
#include "picture/helper/picturedecode.h"
#include "picture/helper/rewritecheck.h"
#include "picture/wire/orientation.h"
#include "picture/helper/thumbnaildecode.h"
#include "picture/wire/protocol.h"
#include "picture/wire/sealedmemory.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <cstring>
#include <malloc.h>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

namespace picture {
namespace {

using protocol::Reply;
using protocol::Request;
using protocol::RequestKind;
using protocol::Status;
using Reason = DecodedPicture::Reason;

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

// A preview or thumbnail, made as the file alone says, turned as its
// sidecar says beyond that. The shared cache's entries stand for the file
// alone: one turned so is not for the cache.
void turnFurther(DecodedPicture &picture, int orientation)
{
    if (orientation == 1 || picture.image.isNull())
        return;
    picture.image = upright(picture.image, orientation);
    if (orientation >= 5)
        picture.fullSize.transpose();
    picture.region = QRect(QPoint(0, 0), picture.fullSize);
    picture.fromSharedCache = true;
}

Status statusOf(DecodedPicture::Status status)
{
    switch (status) {
    case DecodedPicture::Status::Decoded: return Status::Decoded;
    case DecodedPicture::Status::Animated: return Status::Animated;
    case DecodedPicture::Status::CannotDisplay:
    case DecodedPicture::Status::Cancelled:
    case DecodedPicture::Status::Rewritten: break;
    }
    return Status::CannotDisplay;
}

// An animation being played: its file and the reader going through it.
struct Animation
{
    std::unique_ptr<QFile> file;
    std::unique_ptr<QImageReader> reader;
    QSize bounds;
    int frame = 0; // of the frame read next

    void restart()
    {
        file->seek(0);
        reader = std::make_unique<QImageReader>(file.get());
        frame = 0;
    }
};

// What a helper keeps from one request to the next.
class Session
{
public:
    explicit Session(const ReadyHelper &helper)
        : m_socket(helper.socket), m_cancelled(helper.cancelled), m_fonts(helper.fonts)
    {
    }
    // False once the program has gone.
    bool serve(protocol::Received &received);

private:
    bool reply(quint64 id, const DecodedPicture &picture, Status status, int frame = 0);
    // The bytes written into memory the window lends for them. Nullopt when
    // the program has gone; else the reason there are none (None: written).
    std::optional<Reason> lendFor(quint64 id, const uchar *bytes, size_t size);
    // The same for the reply `message`, which says why when none are
    // lent; false when the program has gone.
    bool lendInto(Reply &message, const uchar *bytes, size_t size);
    bool replyRewritten(quint64 id, const Rewritten &rewritten);
    bool nextFrame(quint64 id);
    void takeScreenProfile(int fd);

    int m_socket;
    std::atomic_bool *m_cancelled;
    bool m_fonts;
    QColorSpace m_screen = QColorSpace(QColorSpace::SRgb);
    std::optional<Animation> m_animation;
};

std::optional<Reason> Session::lendFor(quint64 id, const uchar *data, size_t size)
{
    Reply ask;
    ask.id = id;
    ask.status = Status::NeedsMemory;
    ask.memoryBytes = quint64(size);
    if (!protocol::send(m_socket, &ask, sizeof ask, {}, -1))
        return std::nullopt;
    std::optional<protocol::Received> received = protocol::receive(m_socket, protocol::MaxMessageBytes);
    if (!received)
        return std::nullopt;
    const std::optional<Request> lent = protocol::parse<Request>(received->bytes);
    const int fd = received->fd;
    for (const int extra : {received->second, received->third}) {
        if (extra >= 0)
            ::close(extra);
    }
    if (!lent || lent->kind != RequestKind::Memory || lent->id != id || fd < 0) {
        if (fd >= 0)
            ::close(fd);
        // Not lent: more than the window takes for what it asked.
        return Reason::TooLarge;
    }
    // Populated at once: faulting a large picture in a page at a time costs
    // more than copying it.
    void *memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (memory == MAP_FAILED)
        return Reason::TooMuchMemory;
    std::memcpy(memory, data, size);
    // Let go at once: the window seals the memory against writing, which
    // the system refuses while a writable mapping is left.
    ::munmap(memory, size);
    return Reason::None;
}

bool Session::lendInto(Reply &message, const uchar *bytes, size_t size)
{
    const std::optional<Reason> lent = lendFor(message.id, bytes, size);
    if (!lent)
        return false;
    if (*lent != Reason::None) {
        message.status = Status::CannotDisplay;
        message.reason = quint8(*lent);
    }
    return true;
}

bool Session::replyRewritten(quint64 id, const Rewritten &rewritten)
{
    Reply message;
    message.id = id;
    message.status = Status::Rewritten;
    if (rewritten.failure != Reason::None || rewritten.bytes.isEmpty()) {
        message.status = Status::CannotDisplay;
        message.reason = quint8(rewritten.failure == Reason::None ? Reason::Damaged : rewritten.failure);
    } else {
        if (!lendInto(message, reinterpret_cast<const uchar *>(rewritten.bytes.constData()),
                      size_t(rewritten.bytes.size())))
            return false;
        if (message.status == Status::Rewritten) {
            message.memoryBytes = quint64(rewritten.bytes.size());
            if (rewritten.sidecar)
                message.flags |= protocol::RewroteSidecar;
            if (rewritten.pixelsTurned)
                message.flags |= protocol::PixelsTurned;
        }
    }
    return protocol::send(m_socket, &message, sizeof message, {}, -1);
}

bool Session::reply(quint64 id, const DecodedPicture &picture, Status status, int frame)
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
    if (picture.fromSharedCache)
        message.flags |= protocol::FromSharedCache;
    if (picture.samePixels)
        message.flags |= protocol::SamePixels;
    QByteArray icc;
    const QImage image = status == Status::CannotDisplay ? QImage() : forTheWire(picture.image);
    if (!image.isNull()) {
        if (!lendInto(message, image.constBits(), size_t(image.sizeInBytes())))
            return false;
        if (message.status != Status::CannotDisplay) {
            message.width = image.width();
            message.height = image.height();
            message.bytesPerLine = int(image.bytesPerLine());
            message.format = int(image.format());
            if (image.colorSpace().isValid())
                icc = image.colorSpace().iccProfile();
        }
    }
    // What follows the fixed part, each within what a message holds: a
    // large profile is left out (the pixels are in the screen's colours).
    const QByteArray details = picture.details.isEmpty() && picture.details.format.isEmpty()
                                   ? QByteArray()
                                   : encodeDetails(picture.details);
    const QByteArray colourName = picture.colourName.left(256).toUtf8();
    if (qsizetype(sizeof message) + icc.size() + details.size() + colourName.size() > protocol::MaxMessageBytes)
        icc.clear();
    message.iccBytes = quint32(icc.size());
    message.detailsBytes = quint32(details.size());
    message.colourNameBytes = quint32(colourName.size());
    return protocol::send(m_socket, &message, sizeof message, icc + details + colourName, -1);
}

void Session::takeScreenProfile(int fd)
{
    // Sealed by the window, so what is read is what it sent; a profile Qt
    // cannot use, or none, leaves the pictures for an sRGB screen.
    const QByteArray icc = fd >= 0 ? protocol::readSealed(fd, protocol::MaxScreenProfileBytes) : QByteArray();
    const QColorSpace screen = icc.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(icc);
    m_screen = screen.isValid() ? screen : QColorSpace(QColorSpace::SRgb);
}

bool Session::nextFrame(quint64 id)
{
    DecodedPicture frame;
    if (m_animation) {
        frame = picture::nextFrame(*m_animation->reader, m_animation->bounds, m_screen);
        if (frame.status != DecodedPicture::Status::Decoded && m_animation->frame > 0) {
            // At the end: from the start again.
            m_animation->restart();
            frame = picture::nextFrame(*m_animation->reader, m_animation->bounds, m_screen);
        }
    }
    const bool decoded = frame.status == DecodedPicture::Status::Decoded;
    if (!reply(id, frame, decoded ? Status::Frame : Status::CannotDisplay, m_animation ? m_animation->frame : 0))
        return false;
    if (m_animation && decoded)
        ++m_animation->frame;
    return true;
}

bool Session::serve(protocol::Received &received)
{
    QByteArray tail;
    const std::optional<Request> request = protocol::parse<Request>(received.bytes, &tail);
    // A preview's shared thumbnail and the photo's sidecar, closed with this
    // request whatever happens. The sidecar is the last descriptor.
    int sidecarFd = -1;
    if (request && (request->flags & protocol::SidecarFollows))
        sidecarFd = std::exchange(received.third >= 0 ? received.third : received.second, -1);
    QFile thumbnail;
    QFile sidecarFile;
    for (auto [fd, into] : {std::pair{received.second, &thumbnail}, std::pair{sidecarFd, &sidecarFile}}) {
        if (fd >= 0 && !into->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(fd);
    }
    if (received.third >= 0)
        ::close(received.third);
    QIODevice *sidecar = sidecarFile.isOpen() ? &sidecarFile : nullptr;
    if (!request || request->kind == RequestKind::Memory) {
        // Not ours, or memory no reply is waiting for.
        if (received.fd >= 0)
            ::close(received.fd);
        return true;
    }
    if (request->kind == RequestKind::ScreenProfile) {
        takeScreenProfile(received.fd);
        if (received.fd >= 0)
            ::close(received.fd);
        return true;
    }
    if (request->kind == RequestKind::NextFrame) {
        if (received.fd >= 0)
            ::close(received.fd);
        return nextFrame(request->id);
    }
    auto file = std::make_unique<QFile>();
    if (received.fd < 0 || !file->open(received.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (received.fd >= 0)
            ::close(received.fd);
        DecodedPicture nothing;
        nothing.reason = Reason::Damaged;
        return reply(request->id, nothing, Status::CannotDisplay);
    }
    if (request->kind == RequestKind::Edit) {
        MarkEdit edit;
        if (request->flags & protocol::EditsRating)
            edit.rating = marks::ratingFrom(request->rating);
        if ((request->flags & protocol::EditsLabel) && request->label <= quint32(marks::Label::Blue))
            edit.label = marks::Label(request->label);
        edit.quarterTurns = request->quarterTurns % 4;
        const Rewritten rewritten = rewritePhoto(*file, sidecar, edit);
        file.reset();
        if (!replyRewritten(request->id, rewritten))
            return false;
        ::malloc_trim(0);
        return true;
    }
    if (request->kind == RequestKind::Compare) {
        // The second descriptor is the file rewritten from the photo.
        DecodedPicture compared;
        if (thumbnail.isOpen())
            compared.samePixels = showsAsAsked(*file, thumbnail, request->quarterTurns % 4, compared.details, *m_cancelled);
        return reply(request->id, compared, Status::CannotDisplay);
    }
    if (request->kind == RequestKind::Details) {
        DecodedPicture described;
        described.details = readPhotoDetails(*file, sidecar);
        return reply(request->id, described, Status::CannotDisplay);
    }
    // Drawn here, the text an SVG may hold would be left out: it goes back,
    // for a helper with fonts (a file's own preview draws nothing).
    if (!m_fonts && request->kind != RequestKind::Preview && mayBeSvg(*file)) {
        Reply back;
        back.id = request->id;
        back.status = Status::NeedsFonts;
        return protocol::send(m_socket, &back, sizeof back, {}, -1);
    }
    DecodeRequest wanted;
    wanted.bounds = QSize(request->boundsWidth, request->boundsHeight);
    wanted.scale = request->scale;
    wanted.region = QRect(request->regionX, request->regionY, request->regionWidth, request->regionHeight);
    wanted.preview = request->kind == RequestKind::Preview;
    wanted.screen = m_screen;
    QIODevice *entry = thumbnail.isOpen() ? &thumbnail : nullptr;
    const QByteArray uri = tail.left(request->uriBytes);
    // A file never rewritten is turned as its sidecar says.
    const int sidecarTurn = sidecar && keepsMarksInSidecar(*file) ? readSidecar(*sidecar).orientation : 0;
    DecodedPicture picture =
        request->kind == RequestKind::Thumbnail
            ? decodeThumbnail(wanted, *file, entry, request->flags & protocol::SecondIsFailure, uri, *m_cancelled)
        : wanted.preview ? decodePreview(wanted, *file, entry, uri)
                         : decodePicture(wanted, *file, *m_cancelled, sidecarTurn);
    if (sidecarTurn != 0 && (wanted.preview || request->kind == RequestKind::Thumbnail))
        turnFurther(picture, turnBeyondFile(*file, sidecarTurn));
    if ((request->flags & protocol::WantsDetails) && picture.status != DecodedPicture::Status::Cancelled
        && file->seek(0)) {
        picture.details = readPhotoDetails(*file, sidecar);
        picture.details.format = QString::fromLatin1(QImageReader::imageFormat(file.get())).toUpper();
        file->seek(0);
    }
    thumbnail.close();
    if (request->kind == RequestKind::Frames && picture.status == DecodedPicture::Status::Animated) {
        // Kept open: the next frames are asked for one by one.
        m_animation.emplace();
        m_animation->bounds = wanted.bounds;
        m_animation->file = std::move(file);
        m_animation->restart();
        m_animation->reader->read(); // past the first frame, which goes with this reply
        m_animation->frame = 1;
    } else {
        m_animation.reset();
        file.reset(); // closed before the reply asks for memory: a descriptor fewer
    }
    if (!reply(request->id, picture, statusOf(picture.status)))
        return false;
    // A helper that ran out of memory may have left its heap in pieces:
    // it ends, and a fresh one takes its place.
    if (picture.reason == Reason::TooMuchMemory)
        return false;
    // What the decoders freed goes back to the system between pictures.
    ::malloc_trim(0);
    return true;
}

} // namespace

int serveDecodes(const ReadyHelper &helper)
{
    Session session(helper);
    while (true) {
        std::optional<protocol::Received> received = protocol::receive(helper.socket, protocol::MaxMessageBytes);
        // The program has gone, or closed this helper.
        if (!received || !session.serve(*received))
            return 0;
    }
}

} // namespace picture
