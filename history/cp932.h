#pragma once

// Code page 932, the narrow code page of the Japanese systems that the
// history file format comes from.

#include <QByteArray>
#include <QString>

#include <optional>

namespace history {

// The text in code page 932, or nullopt when it cannot carry the text
// faithfully: a character fails to encode, or the bytes decode to another text.
std::optional<QByteArray> encodeCp932(const QString &text);

// Bytes that are not valid code page 932 become U+FFFD.
QString decodeCp932(const QByteArray &bytes);

} // namespace history
