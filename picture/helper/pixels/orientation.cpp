#include "picture/helper/pixels/orientation.h"

#include <QTransform>

namespace picture {

QImage upright(const QImage &stored, int orientation)
{
    // EXIF's orientations as Qt reads them: mirror or flip, then turn.
    const QTransform quarter = QTransform().rotate(90);
    switch (orientation) {
    case 2: return stored.mirrored(true, false);
    case 3: return stored.transformed(QTransform().rotate(180));
    case 4: return stored.mirrored(false, true);
    case 5: return stored.mirrored(false, true).transformed(quarter);
    case 6: return stored.transformed(quarter);
    case 7: return stored.mirrored(true, false).transformed(quarter);
    case 8: return stored.transformed(QTransform().rotate(270));
    default: return stored;
    }
}

} // namespace picture
