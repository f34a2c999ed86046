#include "picture/window/replycheck.h"

#include "picture/wire/sealedmemory.h"

#include <algorithm>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

namespace picture {
namespace {

using Reason = DecodedPicture::Reason;

DecodedPicture failed(Reason reason)
{
    DecodedPicture result;
    result.status = DecodedPicture::Status::CannotDisplay;
    result.reason = reason;
    return result;
}

struct Mapping
{
    void *address;
    size_t length;
};

DecodedPicture::Status statusOf(protocol::Status status)
{
    switch (status) {
    case protocol::Status::Decoded:
    case protocol::Status::Frame: return DecodedPicture::Status::Decoded;
    case protocol::Status::Animated: return DecodedPicture::Status::Animated;
    case protocol::Status::Rewritten: return DecodedPicture::Status::Rewritten;
    case protocol::Status::Ready:
    case protocol::Status::NeedsMemory:
    case protocol::Status::NeedsFonts:
    case protocol::Status::CannotDisplay: break;
    }
    return DecodedPicture::Status::CannotDisplay;
}

// What the tail says of the photo after the profile, each part within the
// tail and its bound; a part that does not fit is left out.
void addDetails(DecodedPicture &result, const protocol::Reply &reply, const QByteArray &tail)
{
    const qint64 detailsAt = qint64(reply.iccBytes);
    const qint64 nameAt = detailsAt + reply.detailsBytes;
    const qint64 end = nameAt + reply.colourNameBytes;
    if (end > tail.size() || reply.detailsBytes > MaxDetailsBytes || reply.colourNameBytes > 1024)
        return;
    if (reply.detailsBytes > 0)
        result.details = decodeDetails(QByteArrayView(tail).sliced(detailsAt, reply.detailsBytes));
    QString name = QString::fromUtf8(QByteArrayView(tail).sliced(nameAt, reply.colourNameBytes)).left(128);
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    result.colourName = name;
}

} // namespace

qint64 wireLineBytes(QImage::Format format, qint64 width)
{
    if (!protocol::isWireFormat(format) || width <= 0 || width > MaxPicturePixels)
        return -1;
    const qint64 bits = width * QImage::toPixelFormat(format).bitsPerPixel();
    return (bits + 31) / 32 * 4;
}

DecodedPicture rewrittenFrom(const protocol::Reply &reply, int fd)
{
    // The bytes are taken as a stranger's: only as many as the memory lent
    // holds, sealed; what they say is checked by decoding them again.
    const quint64 size = reply.memoryBytes;
    if (fd < 0 || size == 0 || size > quint64(std::numeric_limits<qsizetype>::max())
        || !protocol::isSealedWithAtLeast(fd, qint64(size))) {
        if (fd >= 0)
            ::close(fd);
        return failed(Reason::DecoderFailed);
    }
    void *address = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED)
        return failed(Reason::TooMuchMemory);
    DecodedPicture result;
    result.status = DecodedPicture::Status::Rewritten;
    result.rewritten = QByteArray(static_cast<const char *>(address), qsizetype(size));
    ::munmap(address, size_t(size));
    result.rewroteSidecar = (reply.flags & protocol::RewroteSidecar) != 0;
    result.pixelsTurned = (reply.flags & protocol::PixelsTurned) != 0;
    return result;
}

DecodedPicture pictureFrom(const protocol::Reply &reply, const QByteArray &tail, int fd)
{
    if (reply.status == protocol::Status::Rewritten)
        return rewrittenFrom(reply, fd);
    DecodedPicture result;
    result.status = statusOf(reply.status);
    result.reason = Reason(std::min<int>(reply.reason, int(Reason::NoDecoder)));
    result.fullSize = QSize(reply.fullWidth, reply.fullHeight);
    result.region = QRect(reply.regionX, reply.regionY, reply.regionWidth, reply.regionHeight);
    // A frame shows for at most a minute; an animation plays for ever at most.
    result.delayMs = std::clamp(reply.delayMs, 0, 60000);
    result.loops = std::max(reply.loops, -1);
    result.fromSharedCache = (reply.flags & protocol::FromSharedCache) != 0;
    if (result.status == DecodedPicture::Status::CannotDisplay) {
        addDetails(result, reply, tail);
        result.samePixels = (reply.flags & protocol::SamePixels) != 0;
        if (fd >= 0)
            ::close(fd);
        if (!result.fullSize.isValid())
            result.fullSize = QSize();
        result.region = QRect();
        return result;
    }
    // What the picture is part of: a size the program shows, and the part
    // decoded inside it (the view zooms and pans by these numbers).
    const QRect whole(QPoint(0, 0), result.fullSize);
    if (result.fullSize.isEmpty() || qint64(reply.fullWidth) * reply.fullHeight > MaxPicturePixels
        || result.region.isEmpty() || !whole.contains(result.region)) {
        if (fd >= 0)
            ::close(fd);
        return failed(Reason::DecoderFailed);
    }
    if (fd < 0)
        return failed(Reason::DecoderFailed);
    // Every number is checked before any is multiplied: the product of two
    // huge ones would wrap.
    const auto format = QImage::Format(reply.format);
    const qint64 line = reply.format > QImage::Format_Invalid && reply.format < QImage::NImageFormats
                            ? wireLineBytes(format, reply.width)
                            : -1;
    const bool sane = line > 0 && reply.height > 0 && qint64(reply.width) * reply.height <= MaxPicturePixels
                      && reply.bytesPerLine == line
                      && protocol::isSealedWithAtLeast(fd, line * reply.height);
    void *address = MAP_FAILED;
    const size_t length = sane ? size_t(line * reply.height) : 0;
    if (sane)
        address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0); // read whole when painted
    ::close(fd);
    if (address == MAP_FAILED)
        return failed(Reason::DecoderFailed);
    // The picture is the mapped memory itself; unmapped with the last copy of it.
    result.image = QImage(static_cast<const uchar *>(address), reply.width, reply.height, reply.bytesPerLine, format,
                          [](void *info) {
                              auto *mapping = static_cast<Mapping *>(info);
                              ::munmap(mapping->address, mapping->length);
                              delete mapping;
                          },
                          new Mapping{address, length});
    if (reply.iccBytes > 0 && tail.size() >= qsizetype(reply.iccBytes))
        result.image.setColorSpace(QColorSpace::fromIccProfile(tail.left(reply.iccBytes)));
    addDetails(result, reply, tail);
    return result;
}

} // namespace picture
