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

inline QRect toPixels(const host::ControlDesign &design)
{
    return {toPixels(design.left), toPixels(design.top), toPixels(design.width), toPixels(design.height)};
}

} // namespace qthost
