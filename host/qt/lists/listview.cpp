#include "host/qt/lists/listview.h"

#include "host/qt/base/twips.h"

#include <QAccessible>
#include <QDir>
#include <QTimer>

namespace qthost {

ListView::ListView(QWidget *parent) : QListView(parent)
{
    setContextMenuPolicy(Qt::PreventContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

void ListView::attach(host::Events *events, MouseDownSource mouseDown)
{
    m_events = events;
    m_mouseDown = std::move(mouseDown);
}

QString ListView::nativePath() const
{
    return QDir::toNativeSeparators(m_path);
}

void ListView::resizeToTwips(host::Twips height)
{
    resize(width(), toPixels(height));
}

bool ListView::popupKeyPressed(QKeyEvent *event)
{
    return m_mouseDown.raise && m_mouseDown.keyPressed(this, event);
}

void ListView::mousePressEvent(QMouseEvent *event)
{
    // A right button only asks for the popup; the selection stays.
    if (event->button() != Qt::RightButton)
        QListView::mousePressEvent(event);
    if (m_mouseDown.raise)
        m_mouseDown.mousePressed(event);
}

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
