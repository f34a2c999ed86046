#include "host/qt/accessibility.h"

#include "host/qt/mainwindow.h"
#include "host/qt/pictureview.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace qthost {

void announce(QWidget *widget, const QString &text)
{
    widget->setAccessibleDescription(text);
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QAccessibleInterface *hostAccessible(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String(MainWindow::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String(PictureView::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    return nullptr;
}

} // namespace qthost
