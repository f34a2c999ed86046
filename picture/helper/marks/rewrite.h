#pragma once

// Writing a photo's marks and turns where other programs read them, in a
// contained helper: exiv2 rewrites the photo's own XMP and EXIF (JPEG, PNG,
// WebP, TIFF) or its XMP sidecar (every other file, which is never
// rewritten), and TurboJPEG turns a JPEG's blocks without loss. What comes
// back are the new bytes, whole; the window writes them, and only after it
// has checked them.

#include "picture/wire/decoding.h"

#include <QByteArray>
#include <QIODevice>

namespace picture {

struct Rewritten
{
    QByteArray bytes;           // the photo's file, or its sidecar, whole
    bool sidecar = false;       // the bytes are the sidecar's
    bool pixelsTurned = false;  // a JPEG's blocks were turned, not only its tag
    DecodedPicture::Reason failure = DecodedPicture::Reason::None; // nothing written, for this reason
};

// The edit written into `file` (or into `sidecar`, which may be null: a new
// one is made). Other tags, in the file and in the sidecar, are kept.
Rewritten rewritePhoto(QIODevice &file, QIODevice *sidecar, const MarkEdit &edit);

} // namespace picture
