#pragma once

// libavcodec's HEVC decoder, loaded at run time so that only the helpers
// that decode HEIF photos pay for it.

#include <libheif/heif.h>

#include <cstdint>
#include <vector>

namespace picture::hevc {

// Loads it, once (the process must still be able to open files).
bool loadAvcodec();
bool avcodecLoaded();

// Decodes `stream` (NAL units, each after a start code) in `threads`
// threads; `made` is its last picture, planes as libheif's own decoder
// gives them.
heif_error decodeWithAvcodec(const std::vector<uint8_t> &stream, int threads, heif_image **made);

} // namespace picture::hevc
