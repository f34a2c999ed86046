#include "filter/filter.h"

#include "common/texts.h"

#include <QStringList>

namespace filter {

void File1_MouseDown(host::Host &host, int button)
{
    if (button == host::RightButton)
        host.form().popupMenu(host::MenuId::Menu_Filter, host::PopupMenuRightButton);
}

namespace {

void applyTicks(host::Host &host)
{
    QStringList ticked;
    for (int i = 1; i <= FilterPatternCount; ++i) {
        const host::MenuItem &item = host.menuItem(host::MenuItemId::Filter, i);
        if (item.checked())
            ticked.append(item.caption());
    }
    if (host.menuItem(host::MenuItemId::OtherFormats).checked())
        ticked.append(texts::OtherFormatsPattern);
    host.file1().setPattern(ticked.join(QLatin1Char(';')));
}

void toggle(host::MenuItem &item)
{
    item.setChecked(!item.checked());
}

} // namespace

void Filter_Click(host::Host &host, int index)
{
    toggle(host.menuItem(host::MenuItemId::Filter, index));
    applyTicks(host);
}

void OtherFormats_Click(host::Host &host)
{
    toggle(host.menuItem(host::MenuItemId::OtherFormats));
    applyTicks(host);
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
