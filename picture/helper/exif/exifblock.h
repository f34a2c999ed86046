#pragma once

// What the viewer needs of an EXIF block (the TIFF structure after a JPEG
// APP1's "Exif\0\0"): how the picture is turned, and the thumbnail stored
// in its second directory.

#include <QByteArrayView>

namespace picture::exif {

struct ExifBlock
{
    bool valid = false;   // a TIFF structure at all
    int orientation = 1;  // EXIF's 1 to 8; 1 when absent or out of range
    QByteArrayView thumbnail; // the JPEG thumbnail's bytes, inside the block; empty when none
};

ExifBlock readExifBlock(QByteArrayView tiff);

} // namespace picture::exif
