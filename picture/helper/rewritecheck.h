#pragma once

// Whether a file rewritten from a photo (its marks or a turn written) still
// holds the photo: its pixels as stored, decoded again and compared with
// the photo's, and its orientation, as the edit asked.

#include "picture/wire/details.h"

#include <QIODevice>

#include <atomic>
#include <optional>

namespace picture {

// Whether `rewritten` holds the picture `original` does, exactly as stored
// (each decoded as decodeAsStored decodes it), pixel for pixel. Nullopt
// when either cannot be decoded, or `cancelled` was set.
std::optional<bool> sameStoredPixels(QIODevice &original, QIODevice &rewritten, const std::atomic_bool &cancelled);

// Whether `rewritten` holds the picture `original` does as stored, turned
// upright by `orientation` (EXIF's 1 to 8), within the rounding of a JPEG's
// blocks turned whole. Nullopt when either cannot be decoded.
std::optional<bool> turnedStoredPixels(QIODevice &original, QIODevice &rewritten, int orientation,
                                       const std::atomic_bool &cancelled);

// Whether `rewritten` shows the photo `original` holds as it showed, turned
// by `quarterTurns` clockwise (0: a mark, which changes neither pixels nor
// orientation): the same pixels and the orientation tag turned, or the
// pixels turned by the orientation wanted and the tag upright. `details`
// gets what the rewritten file says of itself.
bool showsAsAsked(QIODevice &original, QIODevice &rewritten, int quarterTurns, PhotoDetails &details,
                  const std::atomic_bool &cancelled);

} // namespace picture
