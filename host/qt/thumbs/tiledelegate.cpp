#include "host/qt/thumbs/tiledelegate.h"

#include "host/qt/base/markbadge.h"
#include "host/qt/thumbs/tilemodel.h"

#include <QPainter>

namespace qthost {

void TileDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.highlight());
    const QRect tile = option.rect.adjusted(Margin, Margin, -Margin, -Margin);
    const QImage image = index.data(Qt::DecorationRole).value<QImage>();
    if (!image.isNull()) {
        // Made in device pixels, for this screen.
        const qreal ratio = painter->device()->devicePixelRatioF();
        QRect placed(QPoint(0, 0), (QSizeF(image.size()) / ratio).toSize().boundedTo(tile.size()));
        placed.moveCenter(tile.center());
        painter->drawImage(placed, image);
    } else if (const QString why = index.data(TileModel::PlaceholderRole).toString(); !why.isEmpty()) {
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(tile.adjusted(0, 0, -1, -1));
        painter->setPen(option.palette.color(QPalette::PlaceholderText));
        painter->drawText(tile.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, why);
    }
    if (const QVariant marked = index.data(TileModel::MarksRole); marked.isValid()) {
        // In the tile's lower corner, on a plate that any photo leaves readable.
        const auto marks = marked.value<marks::Marks>();
        const QFontMetrics metrics(option.font);
        const int width = badgeWidth(option.font, marks) + 4;
        const QRect plate(tile.right() - width, tile.bottom() - metrics.height() - 2, width, metrics.height() + 2);
        painter->setFont(option.font);
        painter->fillRect(plate, QColor(0, 0, 0, 150));
        paintBadge(*painter, plate.adjusted(0, 0, -2, 0), marks, Qt::white);
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.highlightedText(), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

} // namespace qthost
