#include "platform/sidecars.h"

#include "common/photonames.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace platform {

Sidecar sidecarOf(const QString &photo)
{
    const QString folder = folderOf(photo);
    const QString name = nameOf(photo);
    const QString stem = photonames::stemOf(name);
    // A few status calls: the names a user's other programs write.
    for (const QString &candidate : {name + QStringLiteral(".xmp"), name + QStringLiteral(".XMP"),
                                     stem + QStringLiteral(".xmp"), stem + QStringLiteral(".XMP")}) {
        const QString path = joinFolder(folder, candidate);
        if (candidate != name && isRegularFile(path))
            return {path, true};
    }
    return {joinFolder(folder, stem + QStringLiteral(".xmp")), false};
}

std::optional<FileStamp> sidecarStampOf(const QString &photo)
{
    const Sidecar sidecar = sidecarOf(photo);
    return sidecar.exists ? fileStamp(sidecar.path) : std::nullopt;
}

} // namespace platform
