#include "host/qt/viewer/heldkeywatch.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace qthost {

HeldKeyWatch::HeldKeyWatch(QObject *parent) : QObject(parent)
{
    // The keys go to whichever widget has the keyboard: the file list, the
    // picture, the full screen.
    QCoreApplication::instance()->installEventFilter(this);
}

bool HeldKeyWatch::eventFilter(QObject *watched, QEvent *event)
{
    // An event a widget leaves to its parent passes here once for each:
    // each step below means the same the second time.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->isAutoRepeat()) {
            m_repeating = key->key();
        } else if (event->type() == QEvent::KeyRelease && key->key() == m_repeating) {
            m_repeating = 0;
            emit letGo();
        } else if (event->type() == QEvent::KeyPress) {
            m_repeating = 0;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qthost
