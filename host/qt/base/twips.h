#pragma once

#include "host/design.h"

#include <QRect>

#include <cmath>

namespace qthost {

inline int toPixels(host::Twips twips)
{
    return int(std::lround(twips / host::TwipsPerPixel));
}

inline host::Twips toTwips(int pixels)
{
    return host::Twips(pixels) * host::TwipsPerPixel;
}

// The frame the window's layout leaves room for: 120 twips across and 420
// down (a title bar and borders). A thicker frame, as the client-side
// decoration Qt draws on Wayland (30 pixels of title, 3 of border), counts
// as that much: the lists would otherwise run under the status bar.
inline constexpr int FrameAcrossPixels = 8;
inline constexpr int FrameDownPixels = 28;

inline QRect toPixels(const host::ControlDesign &design)
{
    return {toPixels(design.left), toPixels(design.top), toPixels(design.width), toPixels(design.height)};
}

} // namespace qthost
