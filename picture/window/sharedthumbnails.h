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
// The largest cached thumbnail there is for the picture, or empty: a path
// only, its entry not yet checked.
QString cachedThumbnailPath(const QString &path);

} // namespace picture
