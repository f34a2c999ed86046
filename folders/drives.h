#pragma once

#include <QStringList>

namespace folders {

// The mounted file systems a person would pick from: the root and real
// mounts, no pseudo file systems, sorted by path.
QStringList mountedDrives();

// The drive among `drives` that holds `path` (the longest matching root).
QString driveOf(const QStringList &drives, const QString &path);

} // namespace folders
