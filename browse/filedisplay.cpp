#include "browse/filedisplay.h"

#include "common/texts.h"

#include <QDir>
#include <QRegularExpression>

namespace browse {

QString Size_Text(qint64 length, const QLocale &locale)
{
    if (length < 1024)
        return QString::number(length) + texts::Bytes;
    if (length < 102400) {
        // floor(n / 102.4) / 10 is floor(n * 10 / 1024) tenths.
        const qint64 tenths = length * 10 / 1024;
        QString text = QString::number(tenths / 10);
        if (tenths % 10 != 0)
            text += locale.decimalPoint() + QString::number(tenths % 10);
        return text + texts::KiloBytes;
    }
    return QString::number(length / 1024) + texts::KiloBytes;
}

QString timeFormatWithSeconds(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    // The separator is whatever stands between the hours and the minutes.
    static const QRegularExpression hoursMinutes(QStringLiteral("([hH]+)([^hHm]*)(m+)"));
    const QRegularExpressionMatch match = hoursMinutes.match(format);
    if (!match.hasMatch())
        return format + QStringLiteral(":ss");
    QString separator = match.captured(2);
    if (separator.isEmpty())
        separator = QStringLiteral(":");
    format.insert(match.capturedEnd(3), separator + QStringLiteral("ss"));
    return format;
}

QString dateText(const QDateTime &when, const QLocale &locale)
{
    // The C locale has no date format of its own ("7 Dec 2026" beside
    // Japanese words): there the date reads as ISO 8601.
    const bool iso = locale.language() == QLocale::C;
    QString text = iso ? when.date().toString(Qt::ISODate) : locale.toString(when.date(), QLocale::ShortFormat);
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += QLatin1Char(' ')
                + (iso ? time.toString(QStringLiteral("H:mm:ss")) : locale.toString(time, timeFormatWithSeconds(locale)));
    return text;
}

void File1_Click(host::Host &host)
{
    const QString folder = host.file1().path();
    const QString fullPath = host.dir1().path().endsWith(QDir::separator())
                                 ? folder + host.file1().fileName()
                                 : folder + QDir::separator() + host.file1().fileName();
    host.text1().setText(fullPath);
    host.view().navigate(host.text1().text());

    const QString shown = host.text1().text();
    const std::optional<qint64> length = host.services().fileLength(shown);
    const std::optional<QDateTime> modified = host.services().fileModified(shown);
    if (!length || !modified) {
        host.panel().setPanelText(1, QString());
        return;
    }
    host.panel().setPanelText(1, dateText(*modified) + texts::StatusSeparator + Size_Text(*length));
}

} // namespace browse
