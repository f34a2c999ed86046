#pragma once

#include <QIODevice>

namespace picture {

// The EXIF orientation (1 to 8) of a PNG or WebP picture, whose readers in
// Qt leave it to the viewer; 1 when it says none, or is no such picture.
// Read by exiv2, from the file's metadata only.
int leftOrientation(QIODevice &file);

} // namespace picture
