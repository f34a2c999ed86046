#pragma once

// The freedesktop.org shared thumbnail cache that file managers fill
// (~/.cache/thumbnails/{normal,large,x-large,xx-large}/<md5 of the URI>.png).
// An entry counts only while its Thumb::URI and Thumb::MTime name the file
// as it is now. The window names and finds entries; only a helper reads one
// (firstlook/thumbnailentry.h).

#include <QByteArray>
#include <QString>

namespace picture {

// The picture's URI as the cache names it (file:// and percent-encoded).
QByteArray thumbnailUri(const QString &path);
// The cache's folder: $XDG_CACHE_HOME/thumbnails.
QString thumbnailCacheFolder();
// The largest cached thumbnail there is for the picture, or empty: a path
// only, its entry not yet checked.
QString cachedThumbnailPath(const QString &path);

// The size a thumbnail of `pixels` on its longer side is kept at: 128
// (normal), 256 (large), 512 (x-large) or 1024 (xx-large).
int thumbnailClassPixels(int pixels);
// Where the entry of that class for the picture is, whether there or not.
QString thumbnailEntryPath(const QString &path, int pixels);
// The entry a thumbnail of `pixels` is read from: of its class or a larger
// one, the smallest there is; empty when there is none.
QString thumbnailEntryFor(const QString &path, int pixels);
// Where this program records that it could make no thumbnail of the picture.
QString failureEntryPath(const QString &path);
// A file of the cache itself, never thumbnailed.
bool isInThumbnailCache(const QString &path);

} // namespace picture
