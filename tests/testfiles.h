#pragma once

// Files the tests prepare and read back.

#include "history/cp932.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

namespace testfiles {

// A history file as the program (or a Japanese Windows system) writes it.
inline QByteArray cp932File(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += history::encodeCp932(line).value() + "\r\n";
    return bytes;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace testfiles
