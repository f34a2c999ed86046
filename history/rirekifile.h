#pragma once

// The bytes of the history file: ten slot lines and the save option, each
// line ended by CR LF, in code page 932. A text that code page 932 cannot
// carry makes the whole file UTF-8 behind a byte-order mark instead.

#include <QByteArray>
#include <QStringList>

namespace history {

inline constexpr int RirekiSlotCount = 10;
inline constexpr int RirekiLineCount = RirekiSlotCount + 1;
// Longer lines are cut: no folder path needs more, and a stray binary file
// must not make start-up read without end.
inline constexpr qsizetype MaxRirekiLineBytes = 8192;
// How much of the file is looked at: a stray huge file must not stall
// start-up, but a damaged line far longer than the cap is only cut, and the
// lines after it are still read (the cap applies to each line, not to the
// file's first bytes).
inline constexpr qint64 MaxRirekiFileBytes = 64 * 1024 * 1024;

// The first (up to) eleven lines of the file. CR LF, LF and a lone CR all end
// a line; a last line without an end counts as a line.
QStringList parseRirekiFile(const QByteArray &bytes);

// The file for these eleven lines. A line that holds CR or LF cannot be kept
// on one line: the caller replaces it before it comes here.
QByteArray formatRirekiFile(const QStringList &lines);

// True for exactly the bytes the program writes for some eleven lines (the
// last "True" or "False"), and for an empty file (a save stopped before it
// wrote anything): the leftovers of a save that may be removed.
bool isWrittenRirekiFile(const QByteArray &bytes);

} // namespace history
