#include "folders/folders.h"

#include "folders/naturalorder.h"

#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace folders {
namespace {

// Asked of the system by the path's own bytes (Qt's file classes lose any
// that are not UTF-8).
bool canList(const QString &folder, const std::optional<platform::FileStamp> &stamp)
{
    return stamp && stamp->folder && platform::mayRead(folder, true);
}

bool canList(const QString &folder)
{
    return canList(folder, platform::fileStamp(folder));
}

bool isHidden(const QString &name)
{
    return name.startsWith(QLatin1Char('.'));
}

QChar folded(QChar c)
{
    return c.unicode() < 0x80 ? QChar(QLatin1Char(c.unicode() >= 'A' && c.unicode() <= 'Z' ? c.unicode() + 32 : c.unicode()))
                              : c.toCaseFolded();
}

// Wildcard matching against a case-folded wildcard, folding the name as it
// goes (no copy per name: a big folder is matched name by name). "*"
// backtracks to its last use only, which is enough for "*" and "?".
bool wildcardMatch(QStringView wildcard, QStringView name)
{
    qsizetype w = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (w < wildcard.size() && wildcard[w] == QLatin1Char('*')) {
            star = w++;
            resume = n;
        } else if (w < wildcard.size() && (wildcard[w] == QLatin1Char('?') || wildcard[w] == folded(name[n]))) {
            ++w;
            ++n;
        } else if (star >= 0) {
            w = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (w < wildcard.size() && wildcard[w] == QLatin1Char('*'))
        ++w;
    return w == wildcard.size();
}

} // namespace

std::optional<QString> existingFolder(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(path)));
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(absolute);
    if (!stamp || !stamp->folder)
        return std::nullopt;
    return absolute;
}

QString startFolder(const QString &preferred)
{
    // A relative path would be taken from a current folder that may be gone.
    const QString internal = QDir::fromNativeSeparators(preferred);
    QString at = QDir::isAbsolutePath(internal) ? QDir::cleanPath(internal) : QString();
    while (!at.isEmpty()) {
        if (canList(at))
            return at;
        const QString up = QFileInfo(at).path();
        if (up == at)
            break;
        at = up;
    }
    return canList(QDir::homePath()) ? QDir::homePath() : QDir::rootPath();
}

std::shared_ptr<const FolderContents> readFolder(const QString &folder)
{
    // Taken before the names, so that a change while they are read shows as one.
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(folder);
    if (!canList(folder, stamp))
        return nullptr;
    auto contents = std::make_shared<FolderContents>();
    contents->stamp = stamp;
    const std::optional<std::vector<platform::FolderEntry>> entries = platform::listFolder(folder);
    if (!entries)
        return nullptr;
    contents->folder = folder;
    for (const platform::FolderEntry &entry : *entries) {
        if (isHidden(entry.name))
            continue;
        if (entry.kind == platform::EntryKind::File)
            contents->files.append(entry.name);
        else if (entry.kind == platform::EntryKind::Folder)
            contents->subfolders.append(entry.name);
    }
    sortNaturally(contents->files);
    sortNaturally(contents->subfolders);
    return contents;
}

std::shared_ptr<const FolderContents> FolderCache::read(const QString &folder)
{
    if (m_last && m_last->folder == folder && m_last->stamp && m_last->stamp == platform::fileStamp(folder))
        return m_last;
    std::shared_ptr<const FolderContents> contents = readFolder(folder);
    if (contents)
        m_last = contents;
    return contents;
}

FilePattern::FilePattern(const QString &pattern)
{
    for (const QString &part : pattern.split(QLatin1Char(';'))) {
        const QString wildcard = part.trimmed();
        if (!wildcard.isEmpty())
            m_wildcards.append(wildcard.toCaseFolded());
    }
}

bool FilePattern::matches(const QString &name) const
{
    return std::any_of(m_wildcards.cbegin(), m_wildcards.cend(),
                       [&name](const QString &wildcard) { return wildcardMatch(wildcard, name); });
}

QStringList matchingNames(const QStringList &names, const FilePattern &pattern)
{
    QStringList matching;
    for (const QString &name : names) {
        if (pattern.matches(name))
            matching.append(name);
    }
    return matching;
}

QStringList folderChain(const QString &folder)
{
    QStringList chain;
    QString at = folder;
    while (true) {
        chain.prepend(at);
        const QString up = QFileInfo(at).path();
        if (up == at || at == QDir::rootPath())
            break;
        at = up;
    }
    return chain;
}

} // namespace folders
