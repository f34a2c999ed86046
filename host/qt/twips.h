#pragma once

#include "host/design.h"

#include <QRect>

#include <cmath>
#include <exception>

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

// Where Qt calls into the logic: nothing may be thrown back through Qt's
// event delivery, so a stray exception ends here.
template<typename Procedure>
void dispatch(Procedure &&procedure) noexcept
{
    try {
        procedure();
    } catch (const std::exception &error) {
        qCritical("Zelvoviewer: an event procedure failed: %s", error.what());
    } catch (...) {
        qCritical("Zelvoviewer: an event procedure failed");
    }
}

// The Shift argument of MouseDown: 1 Shift, 2 Ctrl, 4 Alt.
inline int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace qthost
