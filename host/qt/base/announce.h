#pragma once

#include <QString>

class QWidget;

namespace qthost {

// Tells assistive technology `text` about `widget` without moving the
// focus: as the widget's description, and as an alert; and when the widget
// has the focus, spoken as a notification too.
void announce(QWidget *widget, const QString &text);

// Says `text` to screen readers wherever the focus is in the window that
// holds `widget`, as a notification; the focus stays where it is.
void tell(QWidget *widget, const QString &text);

} // namespace qthost
