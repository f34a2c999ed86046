#include "host/qt/lists/dirlist.h"
#include "host/qt/base/builtinpng.h"
#include "host/qt/base/dispatch.h"

#include "folders/folders.h"
#include "host/qt/lists/listmodels.h"

#include <QApplication>
#include <QDir>
#include <QScopedValueRollback>
#include <QStyle>

namespace qthost {

using namespace folders;

DirListWidget::DirListWidget(QWidget *parent, FolderCache &folders, const QString &start)
    : ListView(parent), m_folders(folders),
      m_model(new FolderRowsModel(folderIcon(style(), true), folderIcon(style(), false), this))
{
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    move(start);
}

bool DirListWidget::setPath(const QString &path)
{
    if (!move(path))
        return false;
    if (m_events)
        dispatch([this] { m_events->Dir1_Change(); });
    return true;
}

bool DirListWidget::move(const QString &target)
{
    const std::optional<QString> folder = existingFolder(target);
    if (!folder)
        return false;
    const std::shared_ptr<const FolderContents> contents = m_folders.read(*folder);
    if (!contents)
        return false;
    m_model->setFolders(folderChain(*folder), contents->subfolders);
    highlight(m_model->currentRow());
    scrollTo(currentIndex(), QAbstractItemView::PositionAtTop);
    m_path = *folder;
    emit moved(DirListWidget::path());
    return true;
}

void DirListWidget::highlight(int row)
{
    const QModelIndex index = m_model->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

QString DirListWidget::highlightedPath() const
{
    return currentIndex().data(FolderRowsModel::PathRole).toString();
}

void DirListWidget::refresh(const FolderContents &contents)
{
    if (contents.folder != m_path || contents.subfolders == m_model->children())
        return;
    const QString highlighted = highlightedPath();
    const QScopedValueRollback quiet(m_quietRows, true);
    m_model->setFolders(folderChain(m_path), contents.subfolders);
    int row = m_model->currentRow();
    for (int candidate = 0; candidate < m_model->rowCount(); ++candidate) {
        if (m_model->index(candidate).data(FolderRowsModel::PathRole).toString() == highlighted)
            row = candidate;
    }
    highlight(row);
}

void DirListWidget::openHighlighted()
{
    const QString target = highlightedPath();
    if (target.isEmpty())
        return;
    if (target == m_path) {
        emit refreshAsked();
        return;
    }
    if (setPath(QDir::toNativeSeparators(target))) {
        emit opened(path());
        return;
    }
    // As when a history entry cannot be read: the highlight goes back to the
    // folder whose files are listed.
    highlight(m_model->currentRow());
    emit openFailed();
}

host::Twips DirListWidget::top() const
{
    return toTwips(geometry().top());
}

host::Twips DirListWidget::height() const
{
    return toTwips(geometry().height());
}

void DirListWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        highlight(index.row());
        openHighlighted();
    } else {
        ListView::mouseDoubleClickEvent(event);
    }
}

void DirListWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openHighlighted();
        return;
    }
    if (popupKeyPressed(event))
        return;
    ListView::keyPressEvent(event);
}

} // namespace qthost
