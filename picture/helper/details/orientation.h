#pragma once

#include <QIODevice>
#include <QImageReader>

namespace picture {

// The EXIF orientation (1 to 8) of a PNG or WebP picture, whose readers in
// Qt leave it to the viewer; 1 when it says none, or is no such picture.
// Read by exiv2, from the file's metadata only.
int leftOrientation(QIODevice &file);

// How the reader's file says its picture is turned, as EXIF's orientation:
// what the reader applies, or what the program's own handlers say they did.
int fileOrientation(QImageReader &reader);
// The same for `file` (at any position; left where it was), read as the
// decoders read it (a camera's RAW never as the TIFF it looks like).
int fileOrientation(QIODevice &file);

// How much more than what `file` itself says to turn its pictures when its
// sidecar says `sidecarOrientation` (1: nothing more), for its previews.
int turnBeyondFile(QIODevice &file, int sidecarOrientation);

} // namespace picture
