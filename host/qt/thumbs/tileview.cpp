#include "host/qt/thumbs/tileview.h"

#include "host/qt/thumbs/tilemodel.h"
#include "picture/window/thumbnails.h"
#include "platform/paths.h"

#include <QAccessible>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace qthost {

TileView::TileView(QWidget *parent, picture::DecodeQueue &queue, int tile, int made)
    : QListView(parent), m_thumbnails(std::make_unique<picture::Thumbnails>(queue, tile, made)),
      m_model(new TileModel(this, *m_thumbnails))
{
    setModel(m_model);
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_quiet)
            emit selectedCountChanged(int(selectionModel()->selectedIndexes().size()));
    });
}

TileView::~TileView()
{
    // The model asks the thumbnails while it goes.
    setModel(nullptr);
    delete m_model;
}

void TileView::setFiles(const QString &folder, const QStringList &names)
{
    const QString chosenPath = m_model->path(currentIndex().row());
    m_model->setFiles(folder, names);
    const qsizetype row = chosenPath.isEmpty() ? -1 : names.indexOf(platform::nameOf(chosenPath));
    setChosen(int(row));
    askVisible();
}

void TileView::setChosen(int row)
{
    if (m_usersMove)
        return; // the click or key that chose it selects too
    const QScopedValueRollback quiet(m_quiet, true);
    const QModelIndex index = m_model->index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    // One of several the user selected: they stay selected.
    const bool among = selectionModel()->isSelected(index) && selectionModel()->selectedIndexes().size() > 1;
    selectionModel()->setCurrentIndex(index, among ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
    scrollTo(index, QAbstractItemView::EnsureVisible);
}

QStringList TileView::selectedPaths() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (const int row : std::as_const(rows))
        paths.append(m_model->path(row));
    return paths;
}

void TileView::refreshed()
{
    m_thumbnails->forgetChanged();
    askVisible();
    viewport()->update();
}

void TileView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // Following the file list, the tiles tell screen readers nothing: Qt's
    // list would send a focus event for a tile the user is not on.
    if (m_quiet || !hasFocus())
        QAbstractItemView::currentChanged(current, previous);
    else
        QListView::currentChanged(current, previous);
    if (!m_quiet && current.isValid())
        emit chosen(current.row());
}

void TileView::mousePressEvent(QMouseEvent *event)
{
    const QScopedValueRollback users(m_usersMove, true);
    QListView::mousePressEvent(event);
}

void TileView::keyPressEvent(QKeyEvent *event)
{
    const QScopedValueRollback users(m_usersMove, true);
    QListView::keyPressEvent(event);
}

void TileView::focusInEvent(QFocusEvent *event)
{
    // Qt makes the first tile current when the view is entered with none:
    // entering it chooses nothing.
    {
        const QScopedValueRollback quiet(m_quiet, true);
        QListView::focusInEvent(event);
    }
    // Entering names the tile the user is on, and where it is: after the
    // view's own focus event, which follows this handler.
    QTimer::singleShot(0, this, [this] {
        if (!hasFocus() || !currentIndex().isValid() || !QAccessible::isActive())
            return;
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(currentIndex().row());
        QAccessible::updateAccessibility(&focus);
    });
}

void TileView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    askVisible();
}

void TileView::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    if (currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::EnsureVisible);
    askVisible();
}

void TileView::askVisible()
{
    if (!isVisible()) {
        m_thumbnails->want({}, {});
        return;
    }
    const auto [first, last] = rowsOnScreen();
    // The rest after those on the screen, the nearest first, so that the
    // view scrolled a little already has them.
    const QStringList after = m_model->paths(last + 1, m_model->rowCount() - 1);
    QStringList before = m_model->paths(0, first - 1);
    std::reverse(before.begin(), before.end());
    m_thumbnails->want(m_model->paths(first, last), after + before);
}

void TileView::setMarksOf(std::function<std::optional<marks::Marks>(const QString &path)> marksOf)
{
    m_model->setMarksOf(std::move(marksOf));
}

void TileView::marksChanged()
{
    viewport()->update();
}

} // namespace qthost
