#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;
class QWidget;

namespace qthost {

// Tells assistive technology `text` about `widget` without moving the
// focus: as the widget's description, and as an alert.
void announce(QWidget *widget, const QString &text);

// Accessible objects with the right role where Qt's would be a filler: the
// window is a frame, the picture an image. Installed while the host lives.
QAccessibleInterface *hostAccessible(const QString &className, QObject *object);

} // namespace qthost
