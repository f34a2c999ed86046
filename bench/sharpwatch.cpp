#include "sharpwatch.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <unistd.h>

double shareHeld(XScreen &x, const DetailPoints &points)
{
    return shareHeld(points, [&x](QPoint at) { return x.pixel(at); });
}

double shareShown(XScreen &x, const DetailPoints &points, const QColor &empty)
{
    return shareShown(points, empty, [&x](QPoint at) { return x.pixel(at); });
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
