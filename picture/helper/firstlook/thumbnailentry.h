#pragma once

// An entry of the freedesktop.org shared thumbnail cache, as a helper reads
// it: a PNG whose text chunks say which file, and which version of it, the
// thumbnail shows.

#include <QByteArray>
#include <QIODevice>
#include <QImage>

namespace picture {

// The thumbnail `thumbnail` holds when its entry names `uri` and
// `modifiedSeconds` (the picture's modification time); null when it names
// another file or an older version of this one, or cannot be read.
QImage validThumbnail(QIODevice &thumbnail, const QByteArray &uri, qint64 modifiedSeconds);

} // namespace picture
