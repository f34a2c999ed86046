#pragma once

// What a file's name says it is among a shoot's files: a camera's RAW, the
// JPEG or HEIF photo made beside it, an XMP sidecar, a Live Photo's movie;
// and the stem files of one photo share (`IMG_1` of `IMG_1.CR2`). By name
// only: these decide which files belong together, never how to read one.

#include <QString>
#include <QStringView>

#include <array>

namespace photonames {

inline QString stemOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// In lower case, without the dot; empty when there is none.
inline QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

inline bool isRaw(const QString &name)
{
    static constexpr std::array<const char *, 18> Raw = {"dng", "cr2", "cr3", "nef", "nrw", "arw", "srf", "raf", "orf",
                                                         "rw2", "pef", "srw", "kdc", "3fr", "iiq", "erf", "mrw", "x3f"};
    const QString extension = extensionOf(name);
    for (const char *raw : Raw) {
        if (extension == QLatin1String(raw))
            return true;
    }
    return false;
}

// The photo a camera or a phone makes beside its RAW.
inline bool isProcessed(const QString &name)
{
    const QString extension = extensionOf(name);
    return extension == QLatin1String("jpg") || extension == QLatin1String("jpeg") || extension == QLatin1String("heic")
           || extension == QLatin1String("heif");
}

inline bool isSidecar(const QString &name)
{
    return extensionOf(name) == QLatin1String("xmp");
}

// An iPhone keeps the movie of a Live Photo beside its HEIC or JPEG.
inline bool isMovie(const QString &name)
{
    return extensionOf(name) == QLatin1String("mov");
}

} // namespace photonames
