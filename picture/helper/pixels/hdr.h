#pragma once

// HDR photos shown on an SDR screen. Their samples code light levels of up
// to thousands of candelas (PQ, SMPTE ST 2084) or a scene relative to a
// display's peak (HLG, ARIB STD-B67); painted as they are, they look flat and
// grey. They are tone mapped where they are decoded: the reference white of
// HDR (203 cd/m², ITU-R BT.2408) becomes the screen's white, and the
// highlights above it, up to the picture's own peak, roll off smoothly into
// it (ITU-R BT.2390's EETF, in the PQ domain, on the brightest component of
// each pixel, so that hues stay).

#include <QColorSpace>
#include <QImage>

#include <optional>

namespace picture {

enum class HdrTransfer { PQ, HLG };

// The HDR transfer that H.273 transfer characteristics name (16 PQ, 18 HLG).
std::optional<HdrTransfer> hdrTransferFromNclx(int transfer);

// SDR white, and the peak taken when a picture names none.
inline constexpr double ReferenceWhiteNits = 203.0;
inline constexpr double DefaultPeakNits = 1000.0;

// The picture's samples (16 bits a channel, RGBA64 or RGBX64) turned into
// linear light relative to SDR white, tone mapped as above; `peakNits` is
// the brightest the picture says it holds (its content light level or its
// mastering display's), 0 when it says nothing. The caller tags the result
// with linearSpace() of its primaries.
void toneMapToSdr(QImage &image, HdrTransfer transfer, double peakNits);

// Linear light in the primaries that H.273 colour primaries name (1
// BT.709/sRGB, 9 BT.2020, 12 Display P3); invalid for others.
QColorSpace linearSpace(int primaries);

// The BT.2390 EETF from a source of `sourcePeak` to SDR white, both in
// cd/m²: what a light level of `nits` is shown as. For tests.
double eetf(double nits, double sourcePeak);

} // namespace picture
