#include "sharpwatch.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace {

constexpr int HeldTolerance = 10;
// A point this far from a neighbour two pixels off, in some channel, is an
// edge a scaled-up preview cannot draw as the photo does.
constexpr int LeastDetail = 60;

int detailAt(const QImage &image, int x, int y)
{
    const QRgb here = image.pixel(x, y);
    int most = 0;
    for (const QPoint off : {QPoint(2, 0), QPoint(-2, 0), QPoint(0, 2), QPoint(0, -2)}) {
        const QRgb there = image.pixel(x + off.x(), y + off.y());
        most = std::max({most, std::abs(qRed(here) - qRed(there)), std::abs(qGreen(here) - qGreen(there)),
                         std::abs(qBlue(here) - qBlue(there))});
    }
    return most;
}

} // namespace

DetailPoints detailPoints(const QImage &settled, const QRect &area, int cells)
{
    DetailPoints points;
    // Off the picture's edges, where a viewer's scaling may differ by a pixel.
    const QRect inside = QRect(QPoint(0, 0), area.size()).adjusted(4, 4, -4, -4);
    if (settled.size() != area.size() || inside.width() < cells || inside.height() < cells)
        return points;
    for (int row = 0; row < cells; ++row) {
        for (int column = 0; column < cells; ++column) {
            const QRect cell(inside.left() + inside.width() * column / cells, inside.top() + inside.height() * row / cells,
                             inside.width() / cells, inside.height() / cells);
            int best = LeastDetail - 1;
            std::optional<QPoint> found;
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    if (const int detail = detailAt(settled, x, y); detail > best) {
                        best = detail;
                        found = QPoint(x, y);
                    }
                }
            }
            if (found) {
                points.at.push_back(area.topLeft() + *found);
                points.colour.push_back(settled.pixelColor(*found));
            }
        }
    }
    return points;
}

double shareHeld(XScreen &x, const DetailPoints &points)
{
    if (points.at.empty())
        return 0;
    size_t held = 0;
    for (size_t i = 0; i < points.at.size(); ++i)
        held += near(x.pixel(points.at[i]), points.colour[i], HeldTolerance) ? 1 : 0;
    return double(held) / double(points.at.size());
}

double shareShown(XScreen &x, const DetailPoints &points, const QColor &empty)
{
    if (points.at.empty())
        return 0;
    size_t shown = 0;
    for (const QPoint &at : points.at)
        shown += near(x.pixel(at), empty, HeldTolerance) ? 0 : 1;
    return double(shown) / double(points.at.size());
}

double whenSharp(XScreen &x, const DetailPoints &points, Clock::time_point since, int limit,
                 const std::function<void()> &each)
{
    while (millisecondsSince(since) < limit) {
        if (each)
            each();
        if (shareHeld(x, points) >= 0.9)
            return millisecondsSince(since);
        usleep(1000);
    }
    return NAN;
}

std::optional<QColor> colourAround(XScreen &x, const QRect &area)
{
    const QPoint middle = area.center();
    const QColor left = x.pixel({area.left() - 3, middle.y()}), right = x.pixel({area.right() + 3, middle.y()});
    const QColor above = x.pixel({middle.x(), area.top() - 3}), below = x.pixel({middle.x(), area.bottom() + 3});
    if (left == right)
        return left;
    if (above == below)
        return above;
    return std::nullopt;
}

std::optional<QRect> settledArea(XScreen &x, const QColor &colour, double aspect, Clock::time_point since, int limit)
{
    std::optional<QRect> last;
    while (millisecondsSince(since) < limit) {
        const std::optional<QRect> area = x.area(colour, 4, aspect);
        if (area && area == last && area->width() >= 8 && area->height() >= 8)
            return area;
        last = area;
        QThread::msleep(500);
    }
    return std::nullopt;
}
