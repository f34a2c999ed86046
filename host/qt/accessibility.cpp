#include "host/qt/accessibility.h"

#include "host/qt/drivelist.h"
#include "host/qt/mainwindow.h"
#include "host/qt/pictureview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QComboBox>

namespace qthost {

void announce(QWidget *widget, const QString &text)
{
    widget->setAccessibleDescription(text);
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

namespace {

// Qt 6.4 names a combo box by its current text, so a screen reader says "/"
// for the drive list: the name is the list's own, its choice the value, and
// the opened list is its one child, as Qt's own has it.
class DriveListAccessible final : public QAccessibleWidget
{
public:
    explicit DriveListAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text text) const override
    {
        if (text == QAccessible::Name)
            return box()->accessibleName();
        if (text == QAccessible::Value)
            return box()->currentText();
        return QAccessibleWidget::text(text);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};

} // namespace

QAccessibleInterface *hostAccessible(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String(MainWindow::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String(PictureView::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (className == QLatin1String(DriveListWidget::staticMetaObject.className()))
        return new DriveListAccessible(static_cast<QComboBox *>(widget));
    return nullptr;
}

} // namespace qthost
