#pragma once

#include <QColorSpace>
#include <QString>

namespace qthost {

// The colour space of the screen: on X11 the profile the display publishes
// in its root window's _ICC_PROFILE property (as colour managers set it);
// without X11 (Wayland), the profile colord gives the display, asked over
// D-Bus; else sRGB, which is also what a screen without a profile, or with
// one Qt cannot use, is taken to be.
QColorSpace screenColours();

// colord's profile for a display (the first that has one, `model`'s when
// several do), read from its file; invalid when colord is not there or
// gives none.
QColorSpace colordProfile(const QString &model = {});

} // namespace qthost
