#pragma once

#include "host/host.h"
#include "host/qt/base/twips.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <functional>

namespace qthost {

// The Shift argument of MouseDown: 1 Shift, 2 Ctrl, 4 Alt.
inline int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

// What the folder and file lists share: MouseDown for every button, and the
// context-menu key or Shift+F10 acting as a right button at the current row.
struct MouseDownSource
{
    // button, shift, x, y (twips within the list), and for the keyboard the
    // global point where a popup should open.
    std::function<void(int, int, host::Twips, host::Twips, std::optional<QPoint>)> raise;

    void mousePressed(const QMouseEvent *event) const
    {
        int button = 0;
        switch (event->button()) {
        case Qt::LeftButton: button = host::LeftButton; break;
        case Qt::RightButton: button = host::RightButton; break;
        case Qt::MiddleButton: button = host::MiddleButton; break;
        default: return;
        }
        const QPointF at = event->position();
        raise(button, shiftState(event->modifiers()), toTwips(int(at.x())), toTwips(int(at.y())), std::nullopt);
    }

    // True when the key opened the popup.
    bool keyPressed(QAbstractItemView *view, const QKeyEvent *event) const
    {
        const bool menuKey = event->key() == Qt::Key_Menu
                             || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
        if (!menuKey)
            return false;
        QRect row = view->visualRect(view->currentIndex());
        if (!row.isValid())
            row = QRect(QPoint(0, 0), QSize(view->viewport()->width(), 0));
        const QPoint at(row.left() + 8, row.bottom());
        raise(host::RightButton, shiftState(event->modifiers()), toTwips(at.x()), toTwips(at.y()),
              view->viewport()->mapToGlobal(at));
        return true;
    }
};

} // namespace qthost
