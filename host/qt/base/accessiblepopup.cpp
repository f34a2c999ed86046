#include "host/qt/base/accessiblepopup.h"

#include "common/texts.h"
#include "host/qt/base/popupmenu.h"

#include <QAction>
#include <QKeyEvent>
#include <QWindow>

namespace qthost {
namespace {

// The caption as the user sees it: "&&" only keeps "&" from becoming an accelerator.
QString shownCaption(const QAction *action)
{
    QString caption = action->text();
    caption.replace(QLatin1String("&&"), QLatin1String("&"));
    return caption;
}

} // namespace

PopupMenuAccessible::PopupMenuAccessible(PopupMenu *menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

PopupMenu *PopupMenuAccessible::menu() const
{
    return static_cast<PopupMenu *>(widget());
}

QAccessibleInterface *PopupMenuAccessible::parent() const
{
    if (QWidget *owner = menu()->parentWidget())
        return QAccessible::queryAccessibleInterface(owner->window());
    return QAccessibleWidget::parent();
}

int PopupMenuAccessible::childCount() const
{
    return int(menu()->actions().size());
}

QAccessibleInterface *PopupMenuAccessible::child(int index) const
{
    const QList<QAction *> actions = menu()->actions();
    return index >= 0 && index < actions.size() ? QAccessible::queryAccessibleInterface(actions.at(index)) : nullptr;
}

int PopupMenuAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child ? int(menu()->actions().indexOf(qobject_cast<QAction *>(child->object()))) : -1;
}

QAccessibleInterface *PopupMenuAccessible::childAt(int x, int y) const
{
    const QPoint at = menu()->mapFromGlobal(QPoint(x, y));
    QAction *action = menu()->actionAt(at);
    return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
}

QString PopupMenuAccessible::text(QAccessible::Text text) const
{
    if (text != QAccessible::Description)
        return QAccessibleWidget::text(text);
    for (QAction *action : menu()->actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        QString first = shownCaption(action);
        if (action->isCheckable())
            first = (action->isChecked() ? texts::MenuItemTicked : texts::MenuItemUnticked).arg(first);
        return texts::MenuFirstItem.arg(first);
    }
    return {};
}

QAccessible::State PopupMenuAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    // The open menu has the keyboard until one of its items is highlighted.
    if (menu()->isVisible() && !menu()->activeAction()) {
        state.focusable = true;
        state.focused = true;
    }
    return state;
}

MenuItemAccessible::MenuItemAccessible(QAction *action, PopupMenu *menu) : QAccessibleObject(action), m_menu(menu) {}

QAction *MenuItemAccessible::action() const
{
    return static_cast<QAction *>(object());
}

bool MenuItemAccessible::isValid() const
{
    return QAccessibleObject::isValid() && m_menu;
}

QWindow *MenuItemAccessible::window() const
{
    return m_menu ? m_menu->windowHandle() : nullptr;
}

QAccessibleInterface *MenuItemAccessible::parent() const
{
    return m_menu ? QAccessible::queryAccessibleInterface(m_menu.data()) : nullptr;
}

QRect MenuItemAccessible::rect() const
{
    if (!m_menu)
        return {};
    const QRect local = m_menu->actionGeometry(action());
    return QRect(m_menu->mapToGlobal(local.topLeft()), local.size());
}

QString MenuItemAccessible::text(QAccessible::Text text) const
{
    if (text != QAccessible::Name || action()->isSeparator())
        return {};
    return shownCaption(action());
}

QAccessible::Role MenuItemAccessible::role() const
{
    if (action()->isSeparator())
        return QAccessible::Separator;
    // Qt has no check-menu-item role, and states no "checkable": a check
    // box is the closest a screen reader speaks with its state, ticked or not.
    return action()->isCheckable() ? QAccessible::CheckBox : QAccessible::MenuItem;
}

QAccessible::State MenuItemAccessible::state() const
{
    QAccessible::State state;
    if (!m_menu || !m_menu->isVisible() || !action()->isVisible())
        state.invisible = true;
    if (m_menu && m_menu->activeAction() == action()) {
        state.focused = true;
        state.focusable = true;
    }
    if (action()->isSeparator() || !action()->isEnabled())
        state.disabled = true;
    state.checkable = action()->isCheckable();
    state.checked = action()->isChecked();
    return state;
}

void *MenuItemAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
}

QStringList MenuItemAccessible::actionNames() const
{
    if (action()->isSeparator() || !action()->isEnabled())
        return {};
    return {pressAction()};
}

void MenuItemAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !m_menu || !m_menu->isVisible())
        return;
    // As Enter on the highlighted item: the menu closes and reports the
    // choice, which triggering the action alone would not.
    m_menu->setActiveAction(action());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(m_menu.data(), &enter);
}

QAccessibleInterface *popupAccessible(const QString &className, QObject *object)
{
    if (!object)
        return nullptr;
    if (className == QLatin1String("QAction")) {
        auto *action = static_cast<QAction *>(object);
        if (auto *menu = qobject_cast<PopupMenu *>(action->parent()))
            return new MenuItemAccessible(action, menu);
        return nullptr;
    }
    if (className == QLatin1String(PopupMenu::staticMetaObject.className()))
        return new PopupMenuAccessible(static_cast<PopupMenu *>(object));
    return nullptr;
}

} // namespace qthost
