#include "host/qt/thumbs/thumbnailgrid.h"

#include "common/texts.h"
#include "host/qt/thumbs/tilemodel.h"
#include "host/qt/thumbs/tiledelegate.h"
#include "picture/window/sharedthumbnails.h"
#include "picture/window/thumbnails.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace qthost {
namespace {

constexpr std::array Sides{96, 128, 192, 256, 384, 512};
constexpr int FirstSide = 128;

} // namespace

ThumbnailGrid::ThumbnailGrid(QWidget *parent, picture::DecodeQueue &queue) : QListView(parent)
{
    m_thumbnails = std::make_unique<picture::Thumbnails>(queue, 1, 1);
    m_model = new TileModel(this, *m_thumbnails);
    m_delegate = new TileDelegate(this, FirstSide);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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

ThumbnailGrid::~ThumbnailGrid()
{
    setModel(nullptr);
    delete m_model;
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
    m_thumbnails->setSizes(device, std::max(256, picture::thumbnailClassPixels(device)));
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

void ThumbnailGrid::setFiles(const QString &folder, const QStringList &names)
{
    m_model->setFiles(folder, names);
    askVisible();
}

void ThumbnailGrid::setChosen(int row)
{
    const QScopedValueRollback quiet(m_quiet, true);
    const QModelIndex index = m_model->index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void ThumbnailGrid::refreshed()
{
    m_thumbnails->forgetChanged();
    askVisible();
    viewport()->update();
}

void ThumbnailGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_quiet || !hasFocus())
        QAbstractItemView::currentChanged(current, previous);
    else
        QListView::currentChanged(current, previous);
    if (!m_quiet && current.isValid())
        emit chosen(current.row());
}

void ThumbnailGrid::focusInEvent(QFocusEvent *event)
{
    {
        const QScopedValueRollback quiet(m_quiet, true);
        QListView::focusInEvent(event);
    }
    QTimer::singleShot(0, this, [this] {
        if (!hasFocus() || !currentIndex().isValid() || !QAccessible::isActive())
            return;
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(currentIndex().row());
        QAccessible::updateAccessibility(&focus);
    });
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
    QListView::keyPressEvent(event);
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

void ThumbnailGrid::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    askVisible();
}

void ThumbnailGrid::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    askVisible();
}

void ThumbnailGrid::askVisible()
{
    if (!isVisible()) {
        m_thumbnails->want({}, {});
        return;
    }
    const int rows = m_model->rowCount();
    const QModelIndex top = indexAt(QPoint(TileDelegate::Margin, TileDelegate::Margin));
    const QModelIndex bottom = indexAt(viewport()->rect().bottomRight() - QPoint(TileDelegate::Margin, TileDelegate::Margin));
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : rows - 1;
    QStringList rest = m_model->paths(last + 1, rows - 1);
    QStringList before = m_model->paths(0, first - 1);
    std::reverse(before.begin(), before.end());
    m_thumbnails->want(m_model->paths(first, last), rest + before);
}

} // namespace qthost
