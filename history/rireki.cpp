#include "history/rireki.h"

#include "common/texts.h"
#include "history/rirekifile.h"

#include <QDir>

namespace history {
namespace {

host::MenuItem &slot(host::Host &host, int index)
{
    return host.menuItem(host::MenuItemId::Rireki, index);
}

const QString TrueText = QStringLiteral("True");
const QString FalseText = QStringLiteral("False");

} // namespace

bool Is_Placeholder(const QString &caption)
{
    return caption.startsWith(texts::PlaceholderMark);
}

void Add_Rireki(host::Host &host, const QString &path, int index)
{
    if (index == 0)
        index = RirekiSlotCount;
    for (int k = index; k >= 2; --k)
        slot(host, k).setCaption(slot(host, k - 1).caption());
    slot(host, 1).setCaption(path);
}

void Enter_Rireki(host::Host &host, const QString &path)
{
    for (int i = 1; i <= RirekiSlotCount; ++i) {
        if (slot(host, i).caption() == path) {
            Add_Rireki(host, path, i);
            return;
        }
    }
    Add_Rireki(host, path, 0);
}

RirekiFiles rirekiFiles(const host::Services &services)
{
    const QString besideProgram = services.programFolder() + QDir::separator() + texts::RirekiFileName;
    if (services.mayReplaceFile(besideProgram))
        return {besideProgram, besideProgram};
    const QString own = services.userDataFolder() + QDir::separator() + texts::RirekiFileName;
    return {services.fileLength(own) ? own : besideProgram, own};
}

std::optional<QByteArray> Read_Rireki(host::Host &host, const QString &file)
{
    std::optional<QByteArray> bytes = host.services().readFileHead(file, MaxRirekiFileBytes);
    if (!bytes)
        return bytes;
    const QStringList lines = parseRirekiFile(*bytes);
    for (int i = 1; i <= RirekiSlotCount && i <= lines.size(); ++i)
        slot(host, i).setCaption(lines[i - 1]);
    if (lines.size() == RirekiLineCount && lines.last() == FalseText)
        host.menuItem(host::MenuItemId::Save_Rireki).setChecked(false);
    return bytes;
}

void Merge_Rireki(host::Host &host, const QSet<QString> &entered, const QStringList &savedLines)
{
    QStringList own;
    for (int i = 1; i <= RirekiSlotCount; ++i)
        own.append(slot(host, i).caption());
    QStringList merged;
    const auto add = [&merged](const QString &caption) {
        if (!Is_Placeholder(caption) && !merged.contains(caption))
            merged.append(caption);
    };
    for (const QString &caption : std::as_const(own)) {
        if (entered.contains(caption))
            add(caption);
    }
    for (const QString &caption : savedLines.mid(0, RirekiSlotCount))
        add(caption);
    for (const QString &caption : std::as_const(own))
        add(caption);
    for (int i = 1; i <= RirekiSlotCount; ++i)
        slot(host, i).setCaption(i <= merged.size() ? merged[i - 1] : texts::RirekiPlaceholders[i - 1]);
}

host::WriteResult Write_Rireki(host::Host &host, const QString &file)
{
    const bool save = host.menuItem(host::MenuItemId::Save_Rireki).checked();
    QStringList lines;
    for (int i = 1; i <= RirekiSlotCount; ++i) {
        QString caption = save ? slot(host, i).caption() : texts::NoRireki;
        // A line end inside a caption would shift every line after it.
        if (caption.contains(QLatin1Char('\r')) || caption.contains(QLatin1Char('\n')))
            caption = texts::RirekiPlaceholders[i - 1];
        lines.append(caption);
    }
    lines.append(save ? TrueText : FalseText);
    return host.services().writeFileAtomic(file, formatRirekiFile(lines));
}

} // namespace history
