#include "host/qt/folders.h"

#include "platform/platform.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace qthost {
namespace {

bool canList(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool isHidden(const QString &name)
{
    return name.startsWith(QLatin1Char('.'));
}

// Wildcard matching on case-folded text; "*" backtracks to its last use only,
// which is enough for patterns of "*" and "?".
bool wildcardMatch(QStringView wildcard, QStringView name)
{
    qsizetype w = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (w < wildcard.size() && wildcard[w] == QLatin1Char('*')) {
            star = w++;
            resume = n;
        } else if (w < wildcard.size() && (wildcard[w] == QLatin1Char('?') || wildcard[w] == name[n])) {
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
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.isDir())
        return std::nullopt;
    return QDir::cleanPath(info.absoluteFilePath());
}

QString startFolder(const QString &preferred)
{
    QString at = preferred.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(preferred));
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

std::shared_ptr<const FolderContents> FolderCache::read(const QString &folder)
{
    const QDateTime modified = QFileInfo(folder).lastModified();
    if (m_last && m_last->folder == folder && modified == m_lastModified && modified.isValid())
        return m_last;
    if (!canList(folder))
        return nullptr;
    const std::optional<std::vector<platform::FolderEntry>> entries = platform::listFolder(folder);
    if (!entries)
        return nullptr;
    auto contents = std::make_shared<FolderContents>();
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
    m_last = contents;
    m_lastModified = modified;
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
    if (m_wildcards.isEmpty())
        return false;
    const QString folded = name.toCaseFolded();
    return std::any_of(m_wildcards.cbegin(), m_wildcards.cend(),
                       [&folded](const QString &wildcard) { return wildcardMatch(wildcard, folded); });
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

QString joinFolder(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

void sortNaturally(QStringList &names)
{
    // Numeric collation needs a real locale: the C locale ignores it.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One key per name, not one collation per comparison: a big folder sorts
    // several times faster.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(names.size()));
    for (const QString &name : std::as_const(names))
        keys.push_back(collator.sortKey(name));
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](qsizetype a, qsizetype b) { return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype index : order)
        sorted.append(std::move(names[index]));
    names = std::move(sorted);
}

} // namespace qthost
