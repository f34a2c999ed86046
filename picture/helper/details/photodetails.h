#pragma once

// What a photo's file says of it, read by exiv2 from the file's bytes
// (JPEG, TIFF, PNG, WebP, camera RAW, and HEIF, AVIF and JPEG XL through
// their boxes). exiv2 has had its faults with hostile files, which is why
// this runs only in a contained helper; whatever it throws is caught here.

#include "picture/wire/details.h"

#include <QIODevice>

namespace picture {

// Nothing when the file holds no metadata exiv2 reads. Its marks come from
// `sidecar` (its XMP sidecar, when it has one) where the file keeps its
// marks there (keepsMarksInSidecar).
PhotoDetails readPhotoDetails(QIODevice &file, QIODevice *sidecar = nullptr);

} // namespace picture
