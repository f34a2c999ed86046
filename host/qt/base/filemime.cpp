#include "host/qt/base/filemime.h"

#include "platform/platform.h"

#include <QMimeData>
#include <QUrl>

namespace qthost {

QMimeData *fileMimeData(const QString &path, const QImage &picture)
{
    auto *data = new QMimeData;
    // By the path's own bytes, percent-encoded: a name that is not UTF-8
    // reaches the receiver as it is on the disk.
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(platform::encodePath(path).toPercentEncoding("/")), QUrl::TolerantMode);
    data->setUrls({url});
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    if (!picture.isNull())
        data->setImageData(picture);
    return data;
}

} // namespace qthost
