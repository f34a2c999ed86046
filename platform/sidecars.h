#pragma once

// Where a photo's XMP sidecar is, the file other programs keep its marks
// in when the photo itself is never rewritten (a camera's RAW, HEIF, AVIF,
// JPEG XL): `IMG_1.CR2.xmp` when that one is there (darktable's name), else
// `IMG_1.xmp` (Lightroom's and Photo Mechanic's), either in any letter case.

#include "platform/platform.h"

#include <QString>

#include <optional>

namespace platform {

struct Sidecar
{
    QString path;        // the sidecar there is, or the one to make (`IMG_1.xmp`)
    bool exists = false; // a regular file is there (after links)
};

Sidecar sidecarOf(const QString &photo);

// The stamp of the photo's sidecar; nullopt when it has none. A sidecar
// written since may turn the photo or change its marks.
std::optional<FileStamp> sidecarStampOf(const QString &photo);

} // namespace platform
