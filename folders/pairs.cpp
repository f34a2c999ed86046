#include "folders/pairs.h"

#include "common/photonames.h"

#include <QSet>

namespace folders {

void joinPairs(QStringList &names, PairShows shows)
{
    using namespace photonames;
    const auto shown = [shows](const QString &name) { return shows == PairShows::Raw ? isRaw(name) : isProcessed(name); };
    const auto other = [shows](const QString &name) { return shows == PairShows::Raw ? isProcessed(name) : isRaw(name); };
    QSet<QString> shownStems;
    for (const QString &name : names) {
        if (shown(name))
            shownStems.insert(stemOf(name));
    }
    if (shownStems.isEmpty())
        return;
    names.removeIf([&](const QString &name) { return other(name) && shownStems.contains(stemOf(name)); });
}

} // namespace folders
