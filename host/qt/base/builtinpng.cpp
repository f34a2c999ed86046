#include "host/qt/base/builtinpng.h"

#include <QImageReader>
#include <QPixmap>
#include <QStyle>

namespace qthost {

QPixmap builtInPng(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false); // the plugins are asked only when it may guess
    return QPixmap::fromImage(reader.read());
}

QIcon folderIcon(const QStyle *style, bool open)
{
    const QStyle::StandardPixmap which = open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon;
    // Where the icon theme has no folder, the style gives Qt's own 16-pixel one.
    if (!QIcon::hasThemeIcon(open ? QStringLiteral("folder-open") : QStringLiteral("folder"))) {
        const QPixmap own = builtInPng(open ? QStringLiteral(":/qt-project.org/styles/commonstyle/images/diropen-16.png")
                                            : QStringLiteral(":/qt-project.org/styles/commonstyle/images/dirclosed-16.png"));
        if (!own.isNull())
            return QIcon(own);
    }
    return style->standardIcon(which);
}

} // namespace qthost
