#pragma once

// What the folder and file lists read from the file system. Paths here are
// Qt's internal form ("/" separated, absolute, clean); the lists convert at
// their edges.

#include "platform/platform.h"

#include <QStringList>

#include <memory>
#include <optional>

namespace folders {

// The folder as an absolute clean path when it is a folder (not yet whether
// it can be read).
std::optional<QString> existingFolder(const QString &path);

// Where the lists start: `preferred` when it can be listed, else its nearest
// ancestor that can, else the home folder, else the root.
QString startFolder(const QString &preferred);

// A folder's files and subfolders as the lists show them: hidden names left
// out, links counted as what they point to (links to anything but files and
// folders left out), each in natural order.
struct FolderContents
{
    QString folder;
    QStringList files;
    QStringList subfolders;
    std::optional<platform::FileStamp> stamp; // the folder's, taken before it was read
};

// Reads the folder, on any thread; null when it cannot be read (also when
// the system fails part way through it).
std::shared_ptr<const FolderContents> readFolder(const QString &folder);

// Reads each folder once for both lists: a folder is read again only when
// it has changed (its times or its identity) or the cache was told to forget it.
class FolderCache
{
public:
    // Null when the folder cannot be read.
    std::shared_ptr<const FolderContents> read(const QString &folder);
    // Keeps what was read elsewhere (off the window's thread) as the latest.
    void adopt(std::shared_ptr<const FolderContents> contents) { m_last = std::move(contents); }
    void forget() { m_last.reset(); }

private:
    std::shared_ptr<const FolderContents> m_last;
};

// ";"-separated wildcards: "*" any run of characters, "?" any one character,
// letter case ignored; every other character, brackets included, stands for
// itself. Spaces around each wildcard are ignored; an empty pattern matches
// nothing.
class FilePattern
{
public:
    explicit FilePattern(const QString &pattern);
    bool matches(const QString &name) const;

private:
    QStringList m_wildcards; // case folded
};

QStringList matchingNames(const QStringList &names, const FilePattern &pattern);

// The folders from the root down to `folder`, both included.
QStringList folderChain(const QString &folder);

} // namespace folders
