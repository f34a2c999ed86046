#include "host/qt/thumbs/thumbnailstrip.h"

#include "common/texts.h"
#include "host/qt/thumbs/tiledelegate.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace qthost {
namespace {

// A tile's side, in the window's pixels, and its cell's.
constexpr int TileSide = 96;
constexpr int CellSide = TileDelegate::cellSide(TileSide);
// Made at the shared cache's `large` size, which file managers show too.
constexpr int MadeSide = 256;

int deviceSide(const QWidget *widget)
{
    return int(std::ceil(TileSide * (widget ? widget->devicePixelRatioF() : 1.0)));
}

} // namespace

ThumbnailStrip::ThumbnailStrip(QWidget *parent, picture::DecodeQueue &queue)
    : TileView(parent, queue, deviceSide(parent), std::max(MadeSide, deviceSide(parent)))
{
    setItemDelegate(new TileDelegate(this, TileSide));
    setWrapping(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setObjectName(QStringLiteral("ThumbnailStrip"));
    setAccessibleName(texts::StripAccessible);
    setAccessibleDescription(texts::StripAccessibleHelp);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &ThumbnailStrip::askVisible);
    hide();
}

int ThumbnailStrip::stripHeight() const
{
    return CellSide + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth();
}

std::pair<int, int> ThumbnailStrip::rowsOnScreen() const
{
    const int scrolled = horizontalScrollBar()->value();
    return {scrolled / CellSide, (scrolled + viewport()->width()) / CellSide};
}

void ThumbnailStrip::wheelEvent(QWheelEvent *event)
{
    // The wheel turns the strip along: it has no other way to go.
    const QPoint delta = event->angleDelta();
    const int along = std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - along * CellSide / 120);
    event->accept();
}

} // namespace qthost
