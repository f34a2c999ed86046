#pragma once

// Paths in the program's internal form ("/" between names, absolute, only
// the root ending in "/"), taken apart and put together by their text, so
// that a name's kept bytes (rawbytepaths.cpp) pass through untouched and
// nothing asks the file system.

#include <QString>

namespace platform {

// The folder that holds `path`: "/" for a file at the root.
QString folderOf(const QString &path);
// The last name of `path`.
QString nameOf(const QString &path);
// `name` inside `folder`, with one "/" between them.
QString joinFolder(const QString &folder, const QString &name);

} // namespace platform
