#include "history/historypopup.h"

#include "history/rireki.h"
#include "history/rirekifile.h"

namespace history {

void Dir1_MouseDown(host::Host &host, int button)
{
    if (button != host::RightButton)
        return;
    host::MenuItem &separator = host.menuItem(host::MenuItemId::区分線);
    for (int i = 1; i <= RirekiSlotCount; ++i) {
        host::MenuItem &item = host.menuItem(host::MenuItemId::Rireki, i);
        if (Is_Placeholder(item.caption())) {
            item.setVisible(false);
        } else {
            item.setVisible(true);
            separator.setVisible(true);
        }
    }
    host.form().popupMenu(host::MenuId::Menu_Rireki, host::PopupMenuRightButton);
    separator.setVisible(false);
}

bool Rireki_Click(host::Host &host, int index)
{
    const QString folder = host.menuItem(host::MenuItemId::Rireki, index).caption();
    return host.dir1().setPath(folder);
}

void Save_Rireki_Click(host::Host &host)
{
    host::MenuItem &option = host.menuItem(host::MenuItemId::Save_Rireki);
    option.setChecked(!option.checked());
}

} // namespace history
