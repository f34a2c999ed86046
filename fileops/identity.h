#pragma once

// Which file is at a path, and which version of it: what an undo checks
// before it moves anything back, so that it moves only the file it moved.

#include <QString>

#include <optional>

namespace fileops {

struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool operator==(const FileIdentity &) const = default;
};

// Of what is at `path` itself (a link, not what it points to); nullopt when
// nothing is there.
std::optional<FileIdentity> identityOf(const QString &path);

} // namespace fileops
