#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;
class QWidget;

namespace qthost {

// Tells assistive technology `text` about `widget` without moving the
// focus: as the widget's description, and as an alert; and when the widget
// has the focus, spoken as a notification too.
void announce(QWidget *widget, const QString &text);

// Says `text` to screen readers wherever the focus is in the window that
// holds `widget`, as a notification; the focus stays where it is.
void tell(QWidget *widget, const QString &text);

// Accessible objects where Qt's would mislead a screen reader: the window is
// a frame that holds its open popups, the picture an image, the page a
// document, the drive list named by what it is, popup options check items.
// Installed while the host lives.
QAccessibleInterface *hostAccessible(const QString &className, QObject *object);

} // namespace qthost
