#include "detailpoints.h"
#include "xscreen.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr int Tolerance = 10;
// A point this far from a neighbour two pixels off, in some channel, is an
// edge a scaled-up preview cannot draw as the photo does.
constexpr int LeastDetail = 60;

// The share of `points` for which `counts` holds.
double shareOf(const DetailPoints &points, const std::function<bool(size_t)> &counts)
{
    if (points.at.empty())
        return 0;
    size_t counted = 0;
    for (size_t i = 0; i < points.at.size(); ++i)
        counted += counts(i) ? 1 : 0;
    return double(counted) / double(points.at.size());
}

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
    if (settled.size() != area.size() || cells < 1 || inside.width() < cells || inside.height() < cells)
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

double shareHeld(const DetailPoints &points, const std::function<QColor(QPoint)> &seen)
{
    return shareOf(points, [&](size_t i) { return near(seen(points.at[i]), points.colour[i], Tolerance); });
}

double shareShown(const DetailPoints &points, const QColor &empty, const std::function<QColor(QPoint)> &seen)
{
    return shareOf(points, [&](size_t i) { return !near(seen(points.at[i]), empty, Tolerance); });
}
