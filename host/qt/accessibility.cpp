#include "host/qt/accessibility.h"

#include "host/qt/accessiblemenu.h"
#include "host/qt/accessiblepage.h"
#include "host/qt/drivelist.h"
#include "host/qt/mainwindow.h"
#include "host/qt/menus.h"
#include "host/qt/notice.h"
#include "host/qt/pagebrowser.h"
#include "host/qt/pictureview.h"

#include <QAccessible>
#include <QAction>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QComboBox>

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

class NoticeAccessible final : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(Notice *notice) : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text text) const override
    {
        return text == QAccessible::Name ? static_cast<Notice *>(widget())->text() : QString();
    }
};

bool isClass(const QString &className, const QMetaObject &meta)
{
    return className == QLatin1String(meta.className());
}

} // namespace

QAccessibleInterface *hostAccessible(const QString &className, QObject *object)
{
    if (!object)
        return nullptr;
    if (className == QLatin1String("QAction")) {
        auto *action = static_cast<QAction *>(object);
        if (auto *menu = qobject_cast<PopupMenu *>(action->parent()))
            return new MenuItemAccessible(action, menu);
        return nullptr;
    }
    if (!object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (isClass(className, MainWindow::staticMetaObject))
        return new WindowAccessible(widget);
    if (isClass(className, PictureView::staticMetaObject))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (isClass(className, DriveListWidget::staticMetaObject))
        return new DriveListAccessible(static_cast<QComboBox *>(widget));
    if (isClass(className, PopupMenu::staticMetaObject))
        return new PopupMenuAccessible(static_cast<PopupMenu *>(widget));
    if (isClass(className, PageBrowser::staticMetaObject))
        return new PageAccessible(static_cast<QTextBrowser *>(widget));
    if (isClass(className, Notice::staticMetaObject))
        return new NoticeAccessible(static_cast<Notice *>(widget));
    return nullptr;
}

} // namespace qthost
