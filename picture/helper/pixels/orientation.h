#pragma once

#include <QImage>

namespace picture {

// A picture stored in EXIF orientation `orientation` (1 to 8), turned upright.
QImage upright(const QImage &stored, int orientation);

} // namespace picture
