#include "host/qt/window/sortmenu.h"

#include "common/texts.h"

#include <QActionGroup>
#include <QMenu>

namespace qthost {

using folders::SortKey;

SortMenu::SortMenu(QMenu *menu) : QObject(menu), m_keys(new QActionGroup(this))
{
    menu->addSeparator();
    for (const auto &[key, text, name] :
         {std::tuple{SortKey::Name, texts::SortByName, "SortByName"},
          std::tuple{SortKey::Taken, texts::SortByTaken, "SortByTaken"},
          std::tuple{SortKey::Modified, texts::SortByModified, "SortByModified"},
          std::tuple{SortKey::Size, texts::SortBySize, "SortBySize"}}) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setData(int(key));
        m_keys->addAction(action);
    }
    m_keys->actions().first()->setChecked(true);
    m_reversed = menu->addAction(texts::SortReversed);
    m_reversed->setObjectName(QStringLiteral("SortReversed"));
    m_reversed->setCheckable(true);
    connect(m_keys, &QActionGroup::triggered, this, [this] { emit chosen(order()); });
    connect(m_reversed, &QAction::triggered, this, [this] { emit chosen(order()); });
}

void SortMenu::show(folders::SortOrder order)
{
    item(order.key)->setChecked(true);
    m_reversed->setChecked(order.reversed);
}

folders::SortOrder SortMenu::order() const
{
    const QAction *ticked = m_keys->checkedAction();
    return {ticked ? SortKey(ticked->data().toInt()) : SortKey::Name, m_reversed->isChecked()};
}

QAction *SortMenu::item(SortKey key) const
{
    for (QAction *action : m_keys->actions()) {
        if (SortKey(action->data().toInt()) == key)
            return action;
    }
    return m_keys->actions().first();
}

} // namespace qthost
