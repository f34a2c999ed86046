#pragma once

// Decoding one picture file, in the decoder helper: only the pixels that
// will be shown, never more than a sane budget, and stoppable part way.

#include "picture/wire/decoding.h"

#include <QImageReader>

#include <atomic>

namespace picture {

// Decodes the picture that `file` (open for reading, at its start) holds,
// told by its content, never by a name. Returns Cancelled soon after
// `cancelled` becomes true where the decoder reads as it goes. Turned as the
// file says, or as `sidecarOrientation` (EXIF's 1 to 8) says in its place.
DecodedPicture decodePicture(const DecodeRequest &request, QIODevice &file, const std::atomic_bool &cancelled,
                             int sidecarOrientation = 0);


// The same for the file at `request.path`, opened here.
DecodedPicture decodePicture(const DecodeRequest &request, const std::atomic_bool &cancelled);

// The whole picture `file` holds exactly as stored (the check of a file rewritten):
// neither turned nor scaled nor converted; a JPEG's by TurboJPEG.
DecodedPicture decodeAsStored(QIODevice &file, const std::atomic_bool &cancelled);

// The next frame of an animation `reader` reads, fitted within `bounds` and
// in `screen`'s colours; Decoded with its delay, or CannotDisplay when the
// frames are over or one cannot be read.
DecodedPicture nextFrame(QImageReader &reader, QSize bounds, const QColorSpace &screen);

// The size a decode allocates, before orientation: the reader's size, or a
// GIF's canvas when that is larger. Invalid when the reader cannot tell.
QSize allocatedSize(QImageReader &reader);

} // namespace picture
