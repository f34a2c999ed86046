#pragma once

// A real photo, whose colours the benchmark does not choose, told sharp: the
// points of its picture with the most detail, read once it has settled. A
// preview the file carries, scaled up, blurs them; the photo itself holds them.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <vector>

struct DetailPoints
{
    std::vector<QPoint> at;
    std::vector<QColor> colour;
};

// The most detailed point of each of `cells` x `cells` parts of `settled`
// (what shows in `area` once the picture has settled), where it has detail.
DetailPoints detailPoints(const QImage &settled, const QRect &area, int cells);

// The share of `points` whose colour `seen` at them is still theirs.
double shareHeld(const DetailPoints &points, const std::function<QColor(QPoint)> &seen);

// The share of `points` that `seen` no longer shows as `empty`.
double shareShown(const DetailPoints &points, const QColor &empty, const std::function<QColor(QPoint)> &seen);
