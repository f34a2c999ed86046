#pragma once

// The orders the file list can show a folder's files in: by name (natural
// order), by when each photo was taken, by modification time, by size; each
// of them reversed. Files of equal keys stay in natural order by name.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace folders {

enum class SortKey { Name, Taken, Modified, Size };

struct SortOrder
{
    SortKey key = SortKey::Name;
    bool reversed = false;
    bool operator==(const SortOrder &) const = default;
};

// How a setting names it ("taken", "size-reversed"), and back (the name
// order for anything else).
QString sortOrderName(SortOrder order);
SortOrder sortOrderNamed(const QString &name);

// When the file at a path was taken, in milliseconds since the epoch;
// nothing when the file says no date (or it is not known yet).
using TakenOf = std::function<std::optional<qint64>(const QString &path)>;

// Sorts `names` (files of `folder`, in natural order) by `order`. A file
// without a date taken goes by its modification time; a file that cannot be
// looked at goes last, in natural order.
void sortNames(QStringList &names, const QString &folder, SortOrder order, const TakenOf &takenOf);

} // namespace folders
