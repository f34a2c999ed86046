#pragma once

#include <QSize>

namespace picture {

// Whether a preview of `preview`'s size shows a picture of `full`'s shape
// (allowing the rounding of a small one's sides).
bool sameShape(QSize preview, QSize full);

} // namespace picture
