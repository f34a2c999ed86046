#pragma once

// The EXIF and XMP blocks of a HEIF or AVIF file's primary image, as libheif
// hands them over: exiv2 0.27 finds none in files whose metadata items lie
// where its own box reader does not look (as exiftool writes them).

#include <QByteArray>

namespace picture {

struct HeifMetadata
{
    bool heif = false; // libheif read the file and found its primary image
    QByteArray exif;   // from its TIFF header on
    QByteArray xmp;
};

// Empty blocks when the bytes are no HEIF file libheif reads, or say nothing.
HeifMetadata readHeifMetadata(const uchar *data, qint64 size);

} // namespace picture
