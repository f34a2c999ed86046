#pragma once

// A JPEG's pixels exactly as stored, decoded by TurboJPEG: neither turned
// nor scaled nor converted, for comparing a file with what it was.

#include <QByteArrayView>
#include <QImage>

namespace picture {

// Null when the bytes are no JPEG TurboJPEG decodes, or hold more than
// `maxPixels` pixels.
QImage jpegAsStored(QByteArrayView jpeg, qint64 maxPixels);

} // namespace picture
