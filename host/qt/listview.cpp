#include "host/qt/listview.h"

#include <QAccessible>
#include <QTimer>

namespace qthost {

void ListView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    // Qt 6.4 tells screen readers only that the list has the focus, so a
    // user entering it (Tab, a closed popup) does not hear where they are.
    // The list's own focus event follows this handler: the row's must come
    // after it to be the one that counts.
    QTimer::singleShot(0, this, &ListView::tellCurrentRow);
}

void ListView::tellCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid() || !QAccessible::isActive())
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(current.row());
    QAccessible::updateAccessibility(&event);
}

void ListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_quietRows)
        QAbstractItemView::currentChanged(current, previous); // Qt's list adds only the focus event
    else
        QListView::currentChanged(current, previous);
}

} // namespace qthost
