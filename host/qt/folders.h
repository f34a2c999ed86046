#pragma once

// File-system helpers of the Qt host's lists. Paths here are Qt's internal
// form ("/" separated, absolute, clean); the lists convert at their edges.

#include <QStringList>

#include <optional>

namespace qthost {

// The folder as an absolute clean path when it exists and can be listed.
std::optional<QString> readableFolder(const QString &path);

// The folder's subfolders (hidden ones left out) in natural order, or
// nullopt when it cannot be listed.
std::optional<QStringList> subfolders(const QString &folder);

// The folder's files matching any of the ";"-separated wildcards, letter case
// ignored, hidden files left out, in natural order. An empty pattern matches
// nothing.
std::optional<QStringList> matchingFiles(const QString &folder, const QString &pattern);

// The folders from the root down to `folder`, both included.
QStringList folderChain(const QString &folder);

QString joinFolder(const QString &folder, const QString &name);

// "img2" before "img10", letters compared as people read them.
void sortNaturally(QStringList &names);

} // namespace qthost
