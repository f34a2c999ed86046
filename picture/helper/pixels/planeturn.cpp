#include "picture/helper/pixels/planeturn.h"

namespace picture {
namespace {

int quarterOf(int quarters)
{
    return ((quarters % 4) + 4) % 4;
}

void turnPlane(const std::uint8_t *from, int fromStride, QSize size, int quarters, std::uint8_t *to, int toStride)
{
    const int width = size.width();
    const int height = size.height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = from + qsizetype(y) * fromStride;
        for (int x = 0; x < width; ++x) {
            int toX = x, toY = y;
            switch (quarters) {
            case 1: toX = y, toY = width - 1 - x; break;
            case 2: toX = width - 1 - x, toY = height - 1 - y; break;
            case 3: toX = height - 1 - y, toY = x; break;
            default: break;
            }
            to[qsizetype(toY) * toStride + toX] = row[x];
        }
    }
}

} // namespace

QRect turnedRect(QRect part, QSize size, int quarters)
{
    switch (quarterOf(quarters)) {
    case 1: return {part.top(), size.width() - part.right() - 1, part.height(), part.width()};
    case 2: return {size.width() - part.right() - 1, size.height() - part.bottom() - 1, part.width(), part.height()};
    case 3: return {size.height() - part.bottom() - 1, part.left(), part.height(), part.width()};
    default: return part;
    }
}

void turnPlanes(const RgbPlanes &planes, int quarters, const RgbPlanesOf<std::uint8_t> &out)
{
    const int quarter = quarterOf(quarters);
    turnPlane(planes.red, planes.redStride, planes.size, quarter, out.red, out.redStride);
    turnPlane(planes.green, planes.greenStride, planes.size, quarter, out.green, out.greenStride);
    turnPlane(planes.blue, planes.blueStride, planes.size, quarter, out.blue, out.blueStride);
}

} // namespace picture
