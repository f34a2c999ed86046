#pragma once

// The one place where the window takes in what a decoder helper hands
// back. A helper may be running a compromised decoder: every reply is
// checked as if it were hostile, and one that does not hold together is
// refused with a reason the user sees, never with a crash.

#include "picture/wire/decoding.h"
#include "picture/wire/protocol.h"

namespace picture {

// The picture a reply carries, its pixels the sealed memfd `fd` mapped as
// they are (read-only, never copied). `fd` is taken (closed here) whatever
// happens. Refused (CannotDisplay, DecoderFailed) unless the memory is
// sealed against shrinking and writing, holds the whole picture, the format
// is one of protocol::isWireFormat's, the stride is the format's own for
// the width, and the picture has at most MaxPicturePixels. A reply that
// says it cannot display a picture is believed, and any memory it brings
// is closed unread. A reply that rewrote a file brings its bytes, as many
// as the sealed memory holds at least (Rewritten), copied out of it.
DecodedPicture pictureFrom(const protocol::Reply &reply, const QByteArray &tail, int fd);

// The bytes a line of `width` pixels of a wire format takes, as QImage lays
// them out (rounded up to 4); -1 for a width or format a reply may not have.
qint64 wireLineBytes(QImage::Format format, qint64 width);

} // namespace picture
