#pragma once

#include "host/host.h"
#include "host/qt/base/popupmenu.h"

#include <QMenu>
#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QWidget;

namespace qthost {

// A menu item whose caption, tick and visibility are exactly what the logic
// set; the QAction only shows them.
class QtMenuItem final : public host::MenuItem
{
public:
    QtMenuItem(const host::MenuItemDesign &design, QAction *action);

    QString caption() const override { return m_caption; }
    void setCaption(const QString &caption) override;
    bool checked() const override { return m_checked; }
    void setChecked(bool checked) override;
    bool visible() const override { return m_visible; }
    void setVisible(bool visible) override;

    const host::MenuItemDesign &design() const { return m_design; }
    QAction *action() const { return m_action; }
    // Puts the action back to the item's own state (choosing toggles a
    // checkable action by itself).
    void sync();

private:
    void announceChecked();

    host::MenuItemDesign m_design;
    QPointer<QAction> m_action;
    QString m_caption;
    bool m_checked;
    bool m_visible;
};

// The window's menus, none of them in a menu bar; each opens as a popup.
class Menus
{
public:
    Menus(const std::vector<host::MenuDesign> &designs, QWidget *owner);
    ~Menus();

    host::MenuItem &item(host::MenuItemId id, int index);
    QMenu *menu(host::MenuId id) const;

    // Opens the menu at `globalPos`, modally; after it closed, runs the chosen
    // item's click procedure. Opened from the keyboard, it tells screen
    // readers that it has the focus, so that they say it opened.
    void popup(host::MenuId id, const QPoint &globalPos, host::Events *events, bool fromKeyboard = false);

private:
    std::vector<std::pair<host::MenuId, QMenu *>> m_menus;
    std::vector<std::unique_ptr<QtMenuItem>> m_items;
};

} // namespace qthost
