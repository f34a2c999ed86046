#include "host/qt/base/popupmenu.h"

#include <QAccessible>
#include <QTimer>

namespace qthost {

QAction *PopupMenu::open(const QPoint &globalPos, bool fromKeyboard)
{
    if (fromKeyboard) {
        // Once it is up: its description names the first item.
        QTimer::singleShot(0, this, [this] {
            QAccessibleEvent opened(this, QAccessible::Focus);
            QAccessible::updateAccessibility(&opened);
        });
    }
    return exec(globalPos);
}

} // namespace qthost
