#pragma once

// The pictures a JPEG carries of itself before its pixels: the EXIF
// thumbnail and a camera's MPF preview, read from the file's first bytes.

#include <QIODevice>
#include <QImage>
#include <QSize>

namespace picture {

// A JPEG's previews: the picture's size, its EXIF orientation and the
// largest preview it stores (EXIF thumbnail or MPF preview), as stored.
struct JpegPreview
{
    QSize size;          // the picture's, as stored
    int orientation = 1; // EXIF's 1 to 8
    QImage preview;
};
JpegPreview readJpegPreview(QIODevice &file);

} // namespace picture
