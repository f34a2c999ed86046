#include "folders/markfilter.h"

#include "platform/paths.h"

namespace folders {

bool passes(const MarkFilter &filter, const std::optional<marks::Marks> &marks)
{
    const bool wantsSomething = filter.atLeast > 0 || filter.unrated || filter.labels != 0;
    if (!marks)
        return !wantsSomething;
    if (filter.hideRejected && marks->rating == marks::Rejected)
        return false;
    if (filter.atLeast > 0 && marks->rating < filter.atLeast)
        return false;
    if (filter.unrated && marks->rating != 0)
        return false;
    return filter.labels == 0 || (filter.labels & labelBit(marks->label)) != 0;
}

void filterByMarks(QStringList &names, const QString &folder, const MarkFilter &filter, const MarksOf &marksOf,
                   const QString &keep)
{
    if (filter.isEmpty() || !marksOf)
        return;
    names.removeIf([&](const QString &name) {
        return name != keep && !passes(filter, marksOf(platform::joinFolder(folder, name)));
    });
}

} // namespace folders
