#include "host/qt/base/announce.h"

#include "host/qt/base/notice.h"

#include <QAccessible>
#include <QWidget>

namespace qthost {

void announce(QWidget *widget, const QString &text)
{
    widget->setAccessibleDescription(text);
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    // Orca 43 fails on a description change from Qt and speaks nothing; a
    // notification it does speak.
    if (widget->hasFocus())
        tell(widget, text);
}

void tell(QWidget *widget, const QString &text)
{
    Notice::of(widget)->tell(text);
}

} // namespace qthost
