#pragma once

#include <QAccessibleWidget>
#include <QPointer>

class QAction;

namespace qthost {

class PopupMenu;

// Qt 6.4 leaves a popup menu out of the application's children, so screen
// readers take it for a dead object and never say its name, and they say the
// window's title again each time it closes. Our popups are children of their
// window instead, listed by it while they are open.
class PopupMenuAccessible final : public QAccessibleWidget
{
public:
    explicit PopupMenuAccessible(PopupMenu *menu);

    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    // The description names the first item, so that a menu opened from the
    // keyboard is heard with it before any item is highlighted.
    QString text(QAccessible::Text text) const override;
    QAccessible::State state() const override;

private:
    PopupMenu *menu() const;
};

// A popup's item. Qt 6.4 reports a tick only when it is there, so "unticked"
// and "no tick box" sound the same: options say they are check items.
class MenuItemAccessible final : public QAccessibleObject, public QAccessibleActionInterface
{
public:
    MenuItemAccessible(QAction *action, PopupMenu *menu);

    bool isValid() const override;
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QRect rect() const override;
    QString text(QAccessible::Text text) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QAction *action() const;

    QPointer<PopupMenu> m_menu;
};

// The popups and their items as screen readers meet them. An accessibility
// factory (QAccessible::installFactory).
QAccessibleInterface *popupAccessible(const QString &className, QObject *object);

} // namespace qthost
