#pragma once

// What the helper's two ways of decoding HEVC with libde265 share: the
// coded bytes in, the 8-bit planes out.

#include "picture/helper/pixels/ycbcrtorgb.h"

#include <libde265/de265.h>

#include <cstddef>
#include <optional>

namespace picture::hevc {

enum class Pushed { All, CutShort, NoMemory };

// Hands libde265 the NAL units in `data`, each after its four-byte length.
Pushed pushNalUnits(de265_decoder_context *context, const unsigned char *data, size_t size);

// The picture's Y, Cb and Cr planes when it has all three at 8 bits, chroma
// of the size its layout says.
std::optional<YCbCrPlanes> ycbcrPlanesOf(const de265_image *picture);

} // namespace picture::hevc
