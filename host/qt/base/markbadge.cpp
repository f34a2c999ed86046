#include "host/qt/base/markbadge.h"

#include "common/texts.h"

#include <QFontMetrics>
#include <QPainter>

namespace qthost {
namespace {

constexpr int Gap = 4;

QString starsText(int rating)
{
    if (rating == marks::Rejected)
        return texts::MarkRejected;
    return rating > 0 ? texts::MarkStars.arg(rating) : QString();
}

bool hasDot(marks::Label label)
{
    return label != marks::Label::None;
}

} // namespace

QString labelName(marks::Label label)
{
    switch (label) {
    case marks::Label::Red: return texts::LabelRed;
    case marks::Label::Yellow: return texts::LabelYellow;
    case marks::Label::Green: return texts::LabelGreen;
    case marks::Label::Blue: return texts::LabelBlue;
    case marks::Label::None:
    case marks::Label::Other: break;
    }
    return {};
}

QColor labelColour(marks::Label label)
{
    switch (label) {
    case marks::Label::Red: return QColor(220, 50, 47);
    case marks::Label::Yellow: return QColor(222, 180, 0);
    case marks::Label::Green: return QColor(60, 160, 60);
    case marks::Label::Blue: return QColor(38, 110, 210);
    case marks::Label::Other: return QColor(140, 140, 140);
    case marks::Label::None: break;
    }
    return {};
}

QString spokenMarks(const marks::Marks &marks)
{
    QStringList parts;
    if (marks.rating == marks::Rejected)
        parts.append(texts::SpokenRejected);
    else if (marks.rating > 0)
        parts.append(texts::SpokenStars.arg(marks.rating));
    if (marks.label == marks::Label::Other)
        parts.append(texts::SpokenOtherLabel);
    else if (marks.label != marks::Label::None)
        parts.append(texts::SpokenLabel.arg(labelName(marks.label)));
    return parts.join(QStringLiteral("、"));
}

int badgeWidth(const QFont &font, const marks::Marks &marks)
{
    if (marks.isEmpty())
        return 0;
    const QFontMetrics metrics(font);
    const QString stars = starsText(marks.rating);
    int width = stars.isEmpty() ? 0 : metrics.horizontalAdvance(stars);
    if (hasDot(marks.label))
        width += (width > 0 ? Gap : 0) + metrics.height() / 2;
    return width + Gap;
}

QRect paintBadge(QPainter &painter, const QRect &area, const marks::Marks &marks, const QColor &text)
{
    const int width = badgeWidth(painter.font(), marks);
    if (width == 0)
        return area;
    const QFontMetrics metrics(painter.font());
    int right = area.right();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (hasDot(marks.label)) {
        const int diameter = metrics.height() / 2;
        const QRect dot(right - diameter + 1, area.center().y() - diameter / 2, diameter, diameter);
        // A thin ring keeps the dot apart from any background, light or dark.
        painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
        painter.setBrush(labelColour(marks.label));
        painter.drawEllipse(dot);
        right -= diameter + Gap;
    }
    const QString stars = starsText(marks.rating);
    if (!stars.isEmpty()) {
        // A rejected photo's cross stands out; stars keep to the text's colour.
        painter.setPen(marks.rating == marks::Rejected ? QColor(235, 70, 70) : text);
        const QRect at(area.left(), area.top(), right - area.left() + 1, area.height());
        painter.drawText(at, Qt::AlignRight | Qt::AlignVCenter, stars);
    }
    painter.restore();
    return QRect(area.left(), area.top(), std::max(0, area.width() - width), area.height());
}

} // namespace qthost
