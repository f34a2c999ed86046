#include "fileops/companions.h"

#include "platform/paths.h"
#include "platform/platform.h"

namespace fileops {
namespace {

QString stemOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

bool isSidecar(const QString &extension)
{
    return extension == QLatin1String("xmp");
}

// An iPhone keeps the movie of a Live Photo beside its HEIC or JPEG.
bool isMovie(const QString &extension)
{
    return extension == QLatin1String("mov");
}

bool takesMovie(const QString &extension)
{
    return extension == QLatin1String("heic") || extension == QLatin1String("heif")
           || extension == QLatin1String("jpg") || extension == QLatin1String("jpeg");
}

} // namespace

QStringList companionsOf(const QString &photo)
{
    const QString folder = platform::folderOf(photo);
    const QString name = platform::nameOf(photo);
    const QString stem = stemOf(name);
    const std::optional<std::vector<platform::FolderEntry>> entries = platform::listFolder(folder);
    if (!entries)
        return {};
    QStringList own;       // name.ext.xmp: the photo's alone
    QStringList byStem;    // stem.xmp, stem.MOV: the photo's unless another shares the stem
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
        const QString extension = extensionOf(entry.name);
        if (isSidecar(extension) || (isMovie(extension) && takesMovie(extensionOf(name))))
            byStem.append(entry.name);
        else if (!isMovie(extension))
            stemShared = true; // another photo of the same stem: a RAW and its JPEG
    }
    if (!stemShared)
        own += byStem;
    own.sort();
    QStringList paths;
    for (const QString &companion : own)
        paths.append(platform::joinFolder(folder, companion));
    return paths;
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
