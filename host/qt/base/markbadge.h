#pragma once

// A photo's marks as the window shows them wherever a photo is named: its
// stars as "★3", a rejected photo as "✕", its colour label as a dot of that
// colour; and in words for screen readers. One look for the file list, the
// thumbnails and the picture.

#include "common/marks.h"

#include <QColor>
#include <QRect>
#include <QString>

class QFont;
class QPainter;

namespace qthost {

// "星 3、赤ラベル"; empty for a photo without marks.
QString spokenMarks(const marks::Marks &marks);
// The label's name as the popups say it ("赤").
QString labelName(marks::Label label);
QColor labelColour(marks::Label label);

// The width the badge takes in `font` (0 without marks).
int badgeWidth(const QFont &font, const marks::Marks &marks);
// Paints the badge at the right of `area`, vertically centred, in `text`'s
// colour for the stars; returns the part of `area` left of it.
QRect paintBadge(QPainter &painter, const QRect &area, const marks::Marks &marks, const QColor &text);

} // namespace qthost
