#pragma once

// A first look at a picture while it is decoded: the smaller picture of
// itself that the file carries (a JPEG's EXIF thumbnail or MPF preview, a
// HEIF's thumbnail item, a camera RAW's preview), read in a few
// milliseconds from the file's first bytes or a part of it.

#include "picture/wire/decoding.h"

#include <QIODevice>

namespace picture {

// The largest preview `file` carries, or the shared thumbnail cache's entry
// for it (`thumbnail`, when there is one: used only when it names `uri` and
// the file's modification time), upright, fitted within `request.bounds`,
// with the whole picture's size (upright) as its fullSize: Decoded.
// CannotDisplay when there is none, or one of another shape than the
// picture (cropped or letterboxed) that would move when the picture
// replaces it.
DecodedPicture decodePreview(const DecodeRequest &request, QIODevice &file, QIODevice *thumbnail = nullptr,
                             const QByteArray &uri = {});

} // namespace picture
