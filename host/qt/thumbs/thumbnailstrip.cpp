#include "host/qt/thumbs/thumbnailstrip.h"

#include "common/texts.h"
#include "host/qt/thumbs/tilemodel.h"
#include "host/qt/thumbs/tiledelegate.h"
#include "picture/window/thumbnails.h"
#include "platform/paths.h"

#include <QAccessible>
#include <QScrollBar>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWheelEvent>

namespace qthost {
namespace {

// A tile's side, in the window's pixels, and its cell's.
constexpr int TileSide = 96;
constexpr int CellSide = TileDelegate::cellSide(TileSide);
// Made at the shared cache's `large` size, which file managers show too.
constexpr int MadeSide = 256;

} // namespace

ThumbnailStrip::ThumbnailStrip(QWidget *parent, picture::DecodeQueue &queue)
    : QListView(parent)
{
    const int device = qCeil(TileSide * devicePixelRatioF());
    m_thumbnails = std::make_unique<picture::Thumbnails>(queue, device, std::max(MadeSide, device));
    m_model = new TileModel(this, *m_thumbnails);
    setModel(m_model);
    setItemDelegate(new TileDelegate(this, TileSide));
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setObjectName(QStringLiteral("ThumbnailStrip"));
    setAccessibleName(texts::StripAccessible);
    setAccessibleDescription(texts::StripAccessibleHelp);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &ThumbnailStrip::askVisible);
    hide();
}

ThumbnailStrip::~ThumbnailStrip()
{
    // The model asks the thumbnails while it goes.
    setModel(nullptr);
    delete m_model;
}

int ThumbnailStrip::stripHeight() const
{
    return CellSide + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth();
}

void ThumbnailStrip::setFiles(const QString &folder, const QStringList &names)
{
    const int chosen = currentIndex().row();
    const QString chosenPath = m_model->path(chosen);
    m_model->setFiles(folder, names);
    const qsizetype row = chosenPath.isEmpty() ? -1 : names.indexOf(platform::nameOf(chosenPath));
    setChosen(int(row));
    askVisible();
}

void ThumbnailStrip::setChosen(int row)
{
    const QScopedValueRollback quiet(m_quiet, true);
    const QModelIndex index = m_model->index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index, QAbstractItemView::EnsureVisible);
}

void ThumbnailStrip::refreshed()
{
    m_thumbnails->forgetChanged();
    askVisible();
    viewport()->update();
}

void ThumbnailStrip::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // Following the file list, the strip tells screen readers nothing: Qt's
    // list would send a focus event for a tile the user is not on.
    if (m_quiet || !hasFocus())
        QAbstractItemView::currentChanged(current, previous);
    else
        QListView::currentChanged(current, previous);
    if (!m_quiet && current.isValid())
        emit chosen(current.row());
}

void ThumbnailStrip::focusInEvent(QFocusEvent *event)
{
    // Qt makes the first tile current when the strip is entered with none:
    // entering it chooses nothing.
    {
        const QScopedValueRollback quiet(m_quiet, true);
        QListView::focusInEvent(event);
    }
    // Entering the strip names the tile the user is on, and where it is:
    // after the strip's own focus event, which follows this handler.
    QTimer::singleShot(0, this, [this] {
        if (!hasFocus() || !currentIndex().isValid() || !QAccessible::isActive())
            return;
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(currentIndex().row());
        QAccessible::updateAccessibility(&focus);
    });
}

void ThumbnailStrip::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    askVisible();
}

void ThumbnailStrip::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    if (currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::EnsureVisible);
    askVisible();
}

void ThumbnailStrip::wheelEvent(QWheelEvent *event)
{
    // The wheel turns the strip along: it has no other way to go.
    const QPoint delta = event->angleDelta();
    const int along = std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - along * CellSide / 120);
    event->accept();
}

void ThumbnailStrip::askVisible()
{
    if (!isVisible()) {
        m_thumbnails->want({}, {});
        return;
    }
    const int first = horizontalScrollBar()->value() / CellSide;
    const int last = (horizontalScrollBar()->value() + viewport()->width()) / CellSide;
    // The rest after those on the screen, the nearest first, so that the
    // strip scrolled a little already has them.
    QStringList rest = m_model->paths(last + 1, m_model->rowCount() - 1);
    QStringList before = m_model->paths(0, first - 1);
    std::reverse(before.begin(), before.end());
    m_thumbnails->want(m_model->paths(first, last), rest + before);
}

} // namespace qthost
