#include "host/qt/window/accessiblewindow.h"

#include "host/qt/base/popupmenu.h"
#include "host/qt/window/mainwindow.h"

namespace qthost {

QList<PopupMenu *> WindowAccessible::openPopups() const
{
    QList<PopupMenu *> open;
    for (PopupMenu *menu : widget()->findChildren<PopupMenu *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (menu->isVisible())
            open.append(menu);
    }
    return open;
}

int WindowAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + int(openPopups().size());
}

QAccessibleInterface *WindowAccessible::child(int index) const
{
    const int own = QAccessibleWidget::childCount();
    if (index < own)
        return QAccessibleWidget::child(index);
    const QList<PopupMenu *> open = openPopups();
    return index - own < open.size() ? QAccessible::queryAccessibleInterface(open.at(index - own)) : nullptr;
}

int WindowAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (auto *menu = child ? qobject_cast<PopupMenu *>(child->object()) : nullptr) {
        const qsizetype at = openPopups().indexOf(menu);
        return at < 0 ? -1 : QAccessibleWidget::childCount() + int(at);
    }
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface *windowAccessible(const QString &className, QObject *object)
{
    if (object && className == QLatin1String(MainWindow::staticMetaObject.className()))
        return new WindowAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace qthost
