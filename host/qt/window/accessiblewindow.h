#pragma once

#include <QAccessibleWidget>

namespace qthost {

class PopupMenu;

// The main window, with its open popups among its children.
class WindowAccessible final : public QAccessibleWidget
{
public:
    explicit WindowAccessible(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

private:
    QList<PopupMenu *> openPopups() const;
};

// The main window as screen readers meet it. An accessibility factory
// (QAccessible::installFactory).
QAccessibleInterface *windowAccessible(const QString &className, QObject *object);

} // namespace qthost
