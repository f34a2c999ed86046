#include "host/qt/lists/accessibledrivelist.h"

#include "host/qt/lists/drivelist.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace qthost {
namespace {

// The opened list is the combo box's one child, as Qt's own has it.
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

QAccessibleInterface *listsAccessible(const QString &className, QObject *object)
{
    if (object && className == QLatin1String(DriveListWidget::staticMetaObject.className()))
        return new DriveListAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}

} // namespace qthost
