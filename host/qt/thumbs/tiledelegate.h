#pragma once

#include <QStyledItemDelegate>

namespace qthost {

// A tile: the thumbnail centred in its cell, or a framed word or two saying
// why there is none; the chosen ones highlighted.
class TileDelegate final : public QStyledItemDelegate
{
public:
    TileDelegate(QObject *parent, int side) : QStyledItemDelegate(parent), m_side(side) {}

    static constexpr int Margin = 4;
    static constexpr int cellSide(int side) { return side + 2 * Margin; }
    void setSide(int side) { m_side = side; }
    int side() const { return m_side; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {cellSide(m_side), cellSide(m_side)};
    }

private:
    int m_side;
};

} // namespace qthost
