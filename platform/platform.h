#pragma once

// What Qt does not offer, or not faithfully or fast enough for us, one file
// per platform: posix.cpp here; a Windows build adds its own (code page 932
// is the system code page of Japanese Windows, and FindFirstFile gives each
// entry's type).

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

// Code page 932 exactly as Windows defines it (ICU's table, which Qt would
// use, differs in control characters). Nullopt when a character has no code.
std::optional<QByteArray> toCp932(const QString &text);

// Bytes that are not code page 932 become U+FFFD, one per byte.
QString fromCp932(const QByteArray &bytes);

enum class EntryKind { File, Folder, Other };

struct FolderEntry
{
    QString name;
    EntryKind kind; // after following links; a dangling link is Other
};

// Every entry of the folder but "." and "..", in the order the file system
// gives them, or nullopt when the folder cannot be read. The kind comes from
// the directory itself where the file system records it, so that a large
// folder costs no file-status call per name.
std::optional<std::vector<FolderEntry>> listFolder(const QString &folder);

} // namespace platform
