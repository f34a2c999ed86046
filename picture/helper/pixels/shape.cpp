#include "picture/helper/pixels/shape.h"

#include <algorithm>
#include <cmath>

namespace picture {

bool sameShape(QSize preview, QSize full)
{
    if (preview.isEmpty() || full.isEmpty())
        return false;
    const qreal height = qreal(preview.width()) * full.height() / full.width();
    return std::abs(height - preview.height()) <= std::max(1.5, 0.02 * preview.height());
}

} // namespace picture
