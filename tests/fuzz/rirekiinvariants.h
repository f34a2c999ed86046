#pragma once

// What must hold for the history file whatever it holds: shared by the fuzz
// target and the test over the hostile files in tests/data/rireki-hostile/.

#include "history/rirekifile.h"

#include <QString>
#include <QStringList>

namespace rirekiinvariants {

// Any bytes read as a history file: at most eleven lines, none longer than a
// line may be. Empty when all holds, else what does not.
inline QString readerViolation(const QByteArray &bytes)
{
    const QStringList lines = history::parseRirekiFile(bytes);
    if (lines.size() > history::RirekiLineCount)
        return QStringLiteral("%1 lines read").arg(lines.size());
    for (const QString &line : lines) {
        // One byte gives at most one UTF-16 unit in either encoding.
        if (line.size() > history::MaxRirekiLineBytes)
            return QStringLiteral("a line of %1 characters").arg(line.size());
    }
    return {};
}

// Eleven lines as the program writes them (a line holding a line end is
// replaced before it is written), written and read back: the same lines.
inline QString roundTripViolation(QStringList lines)
{
    while (lines.size() < history::RirekiLineCount)
        lines.append(QString());
    lines = lines.mid(0, history::RirekiLineCount);
    for (QString &line : lines) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            line = QStringLiteral("履歴１");
        // Longer lines are cut on reading, as documented; keep within the cap.
        line.truncate(history::MaxRirekiLineBytes / 3);
    }
    const QByteArray file = history::formatRirekiFile(lines);
    const QStringList read = history::parseRirekiFile(file);
    if (read != lines) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (read.value(i) != lines[i])
                return QStringLiteral("line %1 wrote \"%2\" and read \"%3\"").arg(i + 1).arg(lines[i], read.value(i));
        }
        return QStringLiteral("%1 lines read back").arg(read.size());
    }
    return {};
}

// The eleven lines a fuzz input stands for: its pieces between NUL bytes, as
// UTF-8 (bytes that are not become U+FFFD).
inline QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines;
    for (const QByteArray &piece : bytes.split('\0'))
        lines.append(QString::fromUtf8(piece));
    return lines;
}

} // namespace rirekiinvariants
