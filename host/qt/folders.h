#pragma once

// What the folder and file lists read from the file system. Paths here are
// Qt's internal form ("/" separated, absolute, clean); the lists convert at
// their edges.

#include <QDateTime>
#include <QStringList>

#include <memory>
#include <optional>

namespace qthost {

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
};

// Reads each folder once for both lists: a folder is read again only when
// its modification time has changed or the cache was told to forget it.
class FolderCache
{
public:
    // Nullopt when the folder cannot be read.
    std::shared_ptr<const FolderContents> read(const QString &folder);
    void forget() { m_last.reset(); }

private:
    std::shared_ptr<const FolderContents> m_last;
    QDateTime m_lastModified;
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

QString joinFolder(const QString &folder, const QString &name);

} // namespace qthost
