#include "host/qt/thumbs/thumbnailgrid.h"

#include "common/texts.h"
#include "host/qt/thumbs/tiledelegate.h"
#include "picture/window/sharedthumbnails.h"
#include "picture/window/thumbnails.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace qthost {
namespace {

constexpr std::array Sides{96, 128, 192, 256, 384, 512};
constexpr int FirstSide = 128;

} // namespace

ThumbnailGrid::ThumbnailGrid(QWidget *parent, picture::DecodeQueue &queue)
    : TileView(parent, queue, 1, 1), m_delegate(new TileDelegate(this, 0))
{
    setItemDelegate(m_delegate);
    // Several photos at once with Shift and Ctrl, for the file actions and the marks.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setObjectName(QStringLiteral("ThumbnailGrid"));
    setAccessibleName(texts::GridAccessible);
    setAccessibleDescription(texts::GridAccessibleHelp);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ThumbnailGrid::askVisible);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) { emit openAsked(index.row()); });
    setTileSide(FirstSide);
    hide();
}

int ThumbnailGrid::tileSide() const
{
    return m_delegate->side();
}

void ThumbnailGrid::setTileSide(int side)
{
    const int offered = *std::min_element(Sides.begin(), Sides.end(),
                                          [side](int a, int b) { return std::abs(a - side) < std::abs(b - side); });
    const int device = qCeil(offered * devicePixelRatioF());
    // Made at the shared cache's size for them: a file manager shows those too.
    thumbnails().setSizes(device, std::max(256, picture::thumbnailClassPixels(device)));
    const bool changed = offered != m_delegate->side();
    m_delegate->setSide(offered);
    // Qt lays the cells out again only for a new grid size.
    setGridSize(QSize(TileDelegate::cellSide(offered), TileDelegate::cellSide(offered)));
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    askVisible();
    if (changed)
        emit tileSideChanged(offered);
}

void ThumbnailGrid::growTiles(int steps)
{
    const auto at = std::find(Sides.begin(), Sides.end(), tileSide());
    const qsizetype index = std::clamp<qsizetype>((at - Sides.begin()) + steps, 0, qsizetype(Sides.size()) - 1);
    setTileSide(Sides[size_t(index)]);
}

void ThumbnailGrid::keyPressEvent(QKeyEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (plain && currentIndex().isValid()) {
            emit openAsked(currentIndex().row());
            return;
        }
        break;
    case Qt::Key_Escape:
    case Qt::Key_G:
        if (plain) {
            emit closeAsked();
            return;
        }
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        growTiles(1);
        return;
    case Qt::Key_Minus:
        growTiles(-1);
        return;
    default: break;
    }
    TileView::keyPressEvent(event);
}

void ThumbnailGrid::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() != 0)
            growTiles(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QListView::wheelEvent(event);
}

std::pair<int, int> ThumbnailGrid::rowsOnScreen() const
{
    const QModelIndex top = indexAt(QPoint(TileDelegate::Margin, TileDelegate::Margin));
    const QModelIndex bottom = indexAt(viewport()->rect().bottomRight() - QPoint(TileDelegate::Margin, TileDelegate::Margin));
    return {top.isValid() ? top.row() : 0, bottom.isValid() ? bottom.row() : model()->rowCount() - 1};
}

} // namespace qthost
