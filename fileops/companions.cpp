#include "fileops/companions.h"

#include "common/photonames.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace fileops {
namespace {

using namespace photonames;

bool takesMovie(const QString &name)
{
    const QString extension = extensionOf(name);
    return extension == QLatin1String("heic") || extension == QLatin1String("heif")
           || extension == QLatin1String("jpg") || extension == QLatin1String("jpeg");
}

// The two halves of a pair: a RAW and a photo made beside it.
bool pairsWith(const QString &photo, const QString &other)
{
    return (isRaw(photo) && isProcessed(other)) || (isProcessed(photo) && isRaw(other));
}

std::optional<std::vector<platform::FolderEntry>> filesBeside(const QString &photo)
{
    return platform::listFolder(platform::folderOf(photo));
}

} // namespace

QStringList companionsOf(const QString &photo, Pairs pairs)
{
    const QString folder = platform::folderOf(photo);
    const QString name = platform::nameOf(photo);
    const QString stem = stemOf(name);
    const std::optional<std::vector<platform::FolderEntry>> entries = filesBeside(photo);
    if (!entries)
        return {};
    QStringList own;     // name.ext.xmp: the photo's alone
    QStringList byStem;  // stem.xmp, stem.MOV: the photo's unless another shares the stem
    QStringList halves;  // the other half of a pair
    bool stemShared = false;
    for (const platform::FolderEntry &entry : *entries) {
        if (entry.kind == platform::EntryKind::Folder || entry.name == name)
            continue;
        if (entry.name.compare(name + QStringLiteral(".xmp"), Qt::CaseInsensitive) == 0) {
            own.append(entry.name);
            continue;
        }
        if (stemOf(entry.name) != stem)
            continue;
        if (isSidecar(entry.name) || (isMovie(entry.name) && takesMovie(name))) {
            byStem.append(entry.name);
        } else if (!isMovie(entry.name)) {
            stemShared = true; // another photo of the same stem: a RAW and its JPEG
            if (pairs == Pairs::Together && pairsWith(name, entry.name))
                halves.append(entry.name);
        }
    }
    if (!halves.isEmpty()) {
        // The pair goes whole: the other half, its own sidecar, their movie.
        for (const QString &half : std::as_const(halves)) {
            for (const platform::FolderEntry &entry : *entries) {
                if (entry.name.compare(half + QStringLiteral(".xmp"), Qt::CaseInsensitive) == 0)
                    own.append(entry.name);
            }
        }
        own += halves;
        own += byStem;
    } else if (!stemShared) {
        own += byStem;
    }
    own.sort();
    own.removeDuplicates();
    QStringList paths;
    for (const QString &companion : std::as_const(own))
        paths.append(platform::joinFolder(folder, companion));
    return paths;
}

QStringList pairedWith(const QString &photo)
{
    const QString name = platform::nameOf(photo);
    const std::optional<std::vector<platform::FolderEntry>> entries = filesBeside(photo);
    QStringList halves;
    if (!entries)
        return halves;
    for (const platform::FolderEntry &entry : *entries) {
        if (entry.kind == platform::EntryKind::File && entry.name != name && stemOf(entry.name) == stemOf(name)
            && pairsWith(name, entry.name))
            halves.append(platform::joinFolder(platform::folderOf(photo), entry.name));
    }
    halves.sort();
    return halves;
}

QString companionNameFor(const QString &companion, const QString &oldPhoto, const QString &newPhoto)
{
    if (companion.startsWith(oldPhoto + QLatin1Char('.')))
        return newPhoto + companion.mid(oldPhoto.size());
    const QString oldStem = stemOf(oldPhoto);
    if (companion.startsWith(oldStem + QLatin1Char('.')))
        return stemOf(newPhoto) + companion.mid(oldStem.size());
    return companion;
}

} // namespace fileops
