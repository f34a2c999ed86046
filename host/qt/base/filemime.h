#pragma once

#include <QImage>
#include <QString>

class QMimeData;

namespace qthost {

// A file as the clipboard and a drag offer it: its URL (text/uri-list), the
// same as GNOME's file managers paste it (x-special/gnome-copied-files), and
// when given, its picture (image/png and Qt's other image types).
QMimeData *fileMimeData(const QString &path, const QImage &picture = {});

} // namespace qthost
