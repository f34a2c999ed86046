#pragma once

// Showing the chosen file: its full path, the viewer, and the status line
// with its date and size.

#include "host/host.h"

#include <QLocale>

namespace browse {

// "n バイト" below 1 KiB, kilobytes cut to one decimal below 100 KiB, whole
// kilobytes from there on. Takes the true 64-bit length.
QString Size_Text(qint64 length, const QLocale &locale = QLocale());

// The date in the locale's short format, a space and the time with seconds in
// the locale's own notation; the time is left out at exactly midnight. The C
// locale, which has no format of its own, gives 2026-12-07 3:04:05.
QString dateText(const QDateTime &when, const QLocale &locale = QLocale());

// The locale's short time format with seconds added after the minutes.
QString timeFormatWithSeconds(const QLocale &locale);

// Shows the file list's selected file and its date and size. A file that
// cannot be read leaves an empty status line, never an old one.
void File1_Click(host::Host &host);

} // namespace browse
