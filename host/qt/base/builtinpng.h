#pragma once

#include <QIcon>
#include <QString>

class QStyle;

namespace qthost {

// A PNG of the program's (or Qt's) resources, read by Qt's own PNG reader.
// Asked for by file name, Qt first loads every image format plugin, and the
// libraries they need, to ask each whether it reads PNG: a tenth of the
// window's start-up, for pictures the window never decodes itself. Null
// when there is no such picture.
QPixmap builtInPng(const QString &path);

// The style's folder icon, open or closed, as the style gives it, but read
// as above where the style takes it from Qt's own pictures (no icon theme).
QIcon folderIcon(const QStyle *style, bool open);

} // namespace qthost
