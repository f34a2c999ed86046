#pragma once

// Where a photo keeps its marks, and what its XMP sidecar says. JPEG, PNG,
// WebP and TIFF pictures hold them in their own XMP; every other file (a
// camera's RAW however TIFF-like, HEIF, AVIF, JPEG XL, and the formats no
// one writes XMP into) is never rewritten, and its sidecar holds them, and
// the turn the user gave it (`tiff:Orientation`), for this program and the
// other programs that read sidecars.

#include "common/marks.h"

#include <QByteArray>
#include <QIODevice>

#include <optional>

namespace picture {

// Told by the file's content (its first bytes, and LibRaw for what looks
// like a TIFF), never by its name.
bool keepsMarksInSidecar(QIODevice &file);

struct SidecarSays
{
    std::optional<int> rating;         // xmp:Rating, when it says one
    std::optional<marks::Label> label; // xmp:Label, when it says one
    int orientation = 0;               // tiff:Orientation, 1 to 8; 0 when it says none
    bool readable = false;             // the bytes are XMP exiv2 reads
};

// What the sidecar's XMP says; nothing for bytes that are no XMP. At most
// MaxSidecarBytes are looked at.
SidecarSays readSidecar(QIODevice &sidecar);
inline constexpr qint64 MaxSidecarBytes = 16 * 1024 * 1024;

// The whole sidecar, or nothing when it is larger than that.
QByteArray sidecarBytes(QIODevice &sidecar);

} // namespace picture
