#pragma once

#include <QColorSpace>

namespace qthost {

// The colour space of the screen: the profile the X display publishes in
// its root window's _ICC_PROFILE property (as colour managers set it), else
// sRGB, which is also what a screen without a profile is taken to be.
QColorSpace screenColours();

} // namespace qthost
