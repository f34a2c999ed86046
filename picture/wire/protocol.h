#pragma once

// What the program and its decoder helpers say to each other over a socket
// pair of their own (SOCK_SEQPACKET: one message per call, never split). A
// request carries the picture as an open descriptor, so that the helper never
// opens a path. A helper makes no shared memory of its own: for the pixels of
// a reply it asks the window for memory of their size (NeedsMemory), and the
// window lends it a memfd of exactly that size (RequestKind::Memory), which
// it seals against writing once the reply is in and maps as it is, never
// copied. The screen's colour profile goes to each helper once, in a sealed
// memfd (RequestKind::ScreenProfile), whatever its size.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <cstring>
#include <optional>

namespace picture::protocol {

inline constexpr quint32 Magic = 0x5A4C5644; // "ZLVD"

enum class RequestKind : quint8 {
    Decode,    // the picture, fitted or a region of it
    Frames,    // the animation in the file: its frames from the first, one per request
    NextFrame, // the next frame of the animation asked for last
    Preview,   // the preview the file carries of itself, fitted
    Memory,    // the memory lent for the reply to `id` (none: refused)
    ScreenProfile, // the screen's ICC profile, in a sealed memfd (none: sRGB)
    Details,   // what the file says of the photo alone, not its picture: the
               // reply is CannotDisplay for no reason, with the details
    Thumbnail, // a thumbnail, fitted: the URI follows, and a second descriptor
               // is the shared cache's entry for it or its failure record
    Edit,      // marks or a turn written into the photo's bytes, or its
               // sidecar's: the reply is Rewritten, the new bytes in memory lent
    Compare,   // the photo's pixels as stored against those of a file
               // rewritten from it, the second descriptor, after a turn of
               // `quarterTurns` (0: a mark): the reply is CannotDisplay for no
               // reason with the rewritten file's details, SamePixels when it
               // shows the photo as it was, turned as asked
};

struct Request
{
    quint32 magic = Magic;
    quint64 id = 0;
    RequestKind kind = RequestKind::Decode;
    qint32 boundsWidth = 0; // fitted within this (empty: its own size)
    qint32 boundsHeight = 0;
    double scale = 0;       // a region at this scale, when > 0
    qint32 regionX = 0, regionY = 0, regionWidth = 0, regionHeight = 0;
    quint32 uriBytes = 0;   // a preview: the picture's URI follows, and a second
                            // descriptor is its shared thumbnail, if any
    quint32 flags = 0;      // RequestFlags
    qint32 rating = 0;      // an edit: the stars to give (EditsRating), -1 rejected, 0 none
    quint32 label = 0;      // an edit: the label to give (EditsLabel), a marks::Label
    qint32 quarterTurns = 0; // an edit: how far to turn it, clockwise
};

enum RequestFlags : quint32 {
    WantsDetails = 1, // what the file says of the photo, with its picture
    SecondIsFailure = 2, // a thumbnail's second descriptor is the cache's record of a failure
    SidecarFollows = 4, // the last descriptor is the photo's XMP sidecar
    EditsRating = 8,
    EditsLabel = 16,
};

enum ReplyFlags : quint32 {
    FromSharedCache = 1, // a thumbnail as the shared cache holds it
    RewroteSidecar = 2,  // the bytes rewritten are the sidecar's, not the photo's
    PixelsTurned = 4,    // a JPEG's pixels were turned, not its orientation tag alone
    SamePixels = 8,      // a comparison: the rewritten file shows the photo as it was (turned as asked)
};

// NeedsFonts: the picture may draw text, and this helper has no fonts.
enum class Status : quint8 { Ready, Decoded, Animated, Frame, CannotDisplay, NeedsMemory, Rewritten, NeedsFonts };

struct Reply
{
    quint32 magic = Magic;
    quint64 id = 0;
    Status status = Status::CannotDisplay;
    quint8 reason = 0;     // picture::DecodedPicture::Reason, when it cannot be shown
    qint32 fullWidth = 0, fullHeight = 0;
    qint32 regionX = 0, regionY = 0, regionWidth = 0, regionHeight = 0;
    qint32 width = 0, height = 0, bytesPerLine = 0;
    qint32 format = 0;     // QImage::Format
    qint32 delayMs = 0;    // a frame: how long it shows
    qint32 loops = 0;      // an animation: how often it plays, -1 for ever
    qint32 frame = 0;      // a frame: which, counted from 0 at each start
    quint32 iccBytes = 0;  // the pixels' colour space follows (empty: none named)
    quint32 detailsBytes = 0; // then what the file says of the photo (encodeDetails)
    quint32 colourNameBytes = 0; // then the name of its colour profile, UTF-8
    quint64 memoryBytes = 0; // NeedsMemory: how much the pixels take; Rewritten: how many bytes
    quint32 containment = 0; // Ready: what holds the helper in (Contained flags)
    quint32 flags = 0;       // ReplyFlags
};

// What a helper says, when ready, holds it in.
enum Contained : quint32 {
    SystemCallFilter = 1, // only the calls decoding needs, each checked
    EmptyRoot = 2,        // no file of the user's can be named
    NoCapabilities = 4,   // none, in its own user namespace or outside
};

// Sends a message: the fixed part, then `tail`, with the descriptors `fd`,
// `second` and `third` that are >= 0 passed along in that order. Returns
// false when the other side has gone.
bool send(int socket, const void *message, size_t size, const QByteArray &tail, int fd, int second = -1,
          int third = -1);

// Receives one message of at most `limit` bytes: the bytes, and the
// descriptor passed along (-1 when none). Nullopt when there is none (on a
// socket that does not block), on a message cut short, and when the other
// side has gone, which sets `gone`.
struct Received
{
    QByteArray bytes;
    int fd = -1;
    int second = -1; // a second descriptor passed along
    int third = -1;
};
std::optional<Received> receive(int socket, qsizetype limit, bool *gone = nullptr);

// The fixed part of a message received, checked; nullopt when it is too
// short or not ours. `tail` is what follows it.
template<typename Message>
std::optional<Message> parse(const QByteArray &bytes, QByteArray *tail = nullptr)
{
    Message message;
    if (bytes.size() < qsizetype(sizeof message))
        return std::nullopt;
    memcpy(&message, bytes.constData(), sizeof message);
    if (message.magic != Magic)
        return std::nullopt;
    if (tail)
        *tail = bytes.mid(sizeof message);
    return message;
}

// The pixel formats a reply may carry: true colour and grey, none with a
// colour table (a table would not cross with the pixels). A helper turns
// any other into one of these before it replies; the window refuses any
// other.
bool isWireFormat(QImage::Format format);

// The largest message either side sends: the fixed part and a URI, or a
// picture's own colour profile (a larger one is not sent: the pixels are in
// the screen's colours already).
inline constexpr qsizetype MaxMessageBytes = 64 * 1024;
// The largest screen profile a helper takes.
inline constexpr qsizetype MaxScreenProfileBytes = 16 * 1024 * 1024;

} // namespace picture::protocol
