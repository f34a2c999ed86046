#include "filter/filter.h"

#include "common/texts.h"

#include <QStringList>

namespace filter {

void File1_MouseDown(host::Host &host, int button)
{
    if (button == host::RightButton)
        host.form().popupMenu(host::MenuId::Menu_Filter, host::PopupMenuRightButton);
}

void Filter_Click(host::Host &host, int index)
{
    host::MenuItem &chosen = host.menuItem(host::MenuItemId::Filter, index);
    chosen.setChecked(!chosen.checked());

    QStringList ticked;
    for (int i = 1; i <= FilterPatternCount; ++i) {
        const host::MenuItem &item = host.menuItem(host::MenuItemId::Filter, i);
        if (item.checked())
            ticked.append(item.caption());
    }
    host.file1().setPattern(ticked.join(QLatin1Char(';')));
}

void EtcFilter_Click(host::Host &host)
{
    const QString pattern = host.services().inputBox(texts::FilterPrompt, texts::ApplicationTitle, QString());
    if (!pattern.isEmpty())
        host.file1().setPattern(pattern);
    else
        Filter_Click(host, DummyIndex);
}

} // namespace filter
