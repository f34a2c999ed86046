#include "host/qt/dirlist.h"

#include "host/qt/folders.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>

namespace qthost {

DirListWidget::DirListWidget(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(12);
    setUniformRowHeights(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    move(QDir::currentPath());
}

void DirListWidget::attach(host::Events *events, MouseDownSource mouseDown)
{
    m_events = events;
    m_mouseDown = std::move(mouseDown);
}

QString DirListWidget::path() const
{
    return QDir::toNativeSeparators(m_path);
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
    const std::optional<QString> folder = readableFolder(target);
    if (!folder)
        return false;
    const std::optional<QStringList> children = subfolders(*folder);
    if (!children)
        return false;

    const QSignalBlocker blocker(this);
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem *parentItem = nullptr;
    for (const QString &ancestor : folderChain(*folder)) {
        const QString name = ancestor == QDir::rootPath() ? QDir::toNativeSeparators(ancestor)
                                                          : QFileInfo(ancestor).fileName();
        auto *item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, ancestor);
        item->setExpanded(true);
        parentItem = item;
    }
    QTreeWidgetItem *current = parentItem;
    for (const QString &child : *children) {
        auto *item = new QTreeWidgetItem(current);
        item->setText(0, child);
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, joinFolder(*folder, child));
    }
    setCurrentItem(current);
    scrollToItem(current, QAbstractItemView::PositionAtTop);
    m_path = *folder;
    if (onMoved)
        onMoved(DirListWidget::path());
    return true;
}

void DirListWidget::openHighlighted()
{
    const QTreeWidgetItem *item = currentItem();
    if (!item)
        return;
    const QString target = item->data(0, Qt::UserRole).toString();
    if (target == m_path)
        return;
    if (!setPath(QDir::toNativeSeparators(target)))
        QApplication::beep();
}

host::Twips DirListWidget::top() const
{
    return toTwips(geometry().top());
}

host::Twips DirListWidget::height() const
{
    return toTwips(geometry().height());
}

void DirListWidget::setHeight(host::Twips height)
{
    resize(width(), toPixels(height));
}

void DirListWidget::mousePressEvent(QMouseEvent *event)
{
    // A right button only asks for the popup; the highlight stays.
    if (event->button() != Qt::RightButton)
        QTreeWidget::mousePressEvent(event);
    if (m_mouseDown.raise)
        m_mouseDown.mousePressed(event);
}

void DirListWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidgetItem *item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && item) {
        setCurrentItem(item);
        openHighlighted();
    } else
        QTreeWidget::mouseDoubleClickEvent(event);
}

void DirListWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openHighlighted();
        return;
    }
    if (m_mouseDown.raise && m_mouseDown.keyPressed(this, event))
        return;
    QTreeWidget::keyPressEvent(event);
}

} // namespace qthost
