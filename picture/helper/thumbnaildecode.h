#pragma once

// A thumbnail of a picture, in the decoder helper, from the fastest source
// that fills the size asked: the shared cache's entry, the preview the file
// carries of itself, or the picture decoded at that size (the decoders scale
// at the source: JPEG by its DCT, HEIF by its thumbnail or a reduced
// decode, RAW by its half size).

#include "picture/wire/decoding.h"

#include <QIODevice>

#include <atomic>

namespace picture {

// `entry` is the shared cache's entry for the picture (or, when
// `entryIsFailure`, its record that no thumbnail could be made), used only
// when it names `uri` and the file as it is now; then fromSharedCache is
// set. Upright, in the screen's colours, an animation's first frame:
// Decoded; else CannotDisplay with the reason.
DecodedPicture decodeThumbnail(const DecodeRequest &request, QIODevice &file, QIODevice *entry, bool entryIsFailure,
                               const QByteArray &uri, const std::atomic_bool &cancelled);

} // namespace picture
