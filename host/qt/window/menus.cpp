#include "host/qt/window/menus.h"
#include "host/qt/base/dispatch.h"

#include "host/qt/base/twips.h"

#include <QAccessible>
#include <QAction>

namespace qthost {
namespace {

const QString SeparatorCaption = QStringLiteral("-");

// "&" would become a keyboard accelerator and a tab a shortcut column; a
// folder name must show as it is.
QString displayText(const QString &caption)
{
    QString text = caption;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

} // namespace

QtMenuItem::QtMenuItem(const host::MenuItemDesign &design, QAction *action)
    : m_design(design), m_action(action), m_caption(design.caption), m_checked(design.checked),
      m_visible(design.visible)
{
    sync();
}

void QtMenuItem::sync()
{
    if (!m_action)
        return;
    const bool separator = m_caption == SeparatorCaption;
    m_action->setSeparator(separator);
    m_action->setText(separator ? QString() : displayText(m_caption));
    // An option shows its box ticked or not, so that it never looks like a command.
    const bool wasChecked = m_action->isChecked();
    m_action->setCheckable(m_design.checkable || m_checked);
    m_action->setChecked(m_checked);
    m_action->setVisible(m_visible);
    if (wasChecked != m_checked)
        announceChecked();
}

void QtMenuItem::announceChecked()
{
    // A screen reader that keeps the menu's items would otherwise go on
    // reporting the old tick.
    auto *menu = qobject_cast<QMenu *>(m_action->parent());
    QAccessibleInterface *list = menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
    if (!list)
        return;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface *child = list->child(i);
        if (child && child->object() == m_action) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(child, changed);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void QtMenuItem::setCaption(const QString &caption)
{
    m_caption = caption;
    sync();
}

void QtMenuItem::setChecked(bool checked)
{
    m_checked = checked;
    sync();
}

void QtMenuItem::setVisible(bool visible)
{
    m_visible = visible;
    sync();
}

Menus::Menus(const std::vector<host::MenuDesign> &designs, QWidget *owner)
{
    for (const host::MenuDesign &design : designs) {
        auto *menu = new PopupMenu(design.caption, owner);
        menu->setObjectName(design.name);
        menu->setAccessibleName(design.caption);
        for (const host::MenuItemDesign &itemDesign : design.items) {
            QAction *action = menu->addAction(QString());
            action->setObjectName(itemDesign.index ? QStringLiteral("%1_%2").arg(itemDesign.name).arg(itemDesign.index)
                                                   : itemDesign.name);
            m_items.push_back(std::make_unique<QtMenuItem>(itemDesign, action));
        }
        m_menus.emplace_back(design.menu, menu);
    }
}

Menus::~Menus() = default;

host::MenuItem &Menus::item(host::MenuItemId id, int index)
{
    for (const auto &item : m_items) {
        if (item->design().item == id && item->design().index == index)
            return *item;
    }
    // The design names every item the logic asks for: anything else is a
    // programming error, which must not quietly change another item.
    qFatal("Menus::item: the design has no item %d(%d)", int(id), index);
}

QMenu *Menus::menu(host::MenuId id) const
{
    for (const auto &[menuId, menu] : m_menus) {
        if (menuId == id)
            return menu;
    }
    return nullptr;
}

void Menus::popup(host::MenuId id, const QPoint &globalPos, host::Events *events, bool fromKeyboard)
{
    auto *shown = qobject_cast<PopupMenu *>(menu(id));
    if (!shown)
        return;
    QAction *chosen = shown->open(globalPos, fromKeyboard);
    if (!chosen)
        return;
    QtMenuItem *item = nullptr;
    for (const auto &candidate : m_items) {
        if (candidate->action() == chosen)
            item = candidate.get();
    }
    if (!item)
        return;
    item->sync(); // only the click procedure changes a tick
    if (!events)
        return;
    const host::MenuItemDesign design = item->design();
    dispatch([&] {
        if (auto procedure = std::get_if<void (host::Events::*)()>(&design.click))
            (events->**procedure)();
        else if (auto indexed = std::get_if<void (host::Events::*)(int)>(&design.click))
            (events->**indexed)(design.index);
    });
}

} // namespace qthost
