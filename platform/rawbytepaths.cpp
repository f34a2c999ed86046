#include "platform/platform.h"

#include <QStringDecoder>

namespace platform {
namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0.
qsizetype utf8Length(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0; };
    const uchar lead = byte(at);
    const auto follows = [&](qsizetype i, uchar low = 0x80, uchar high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return follows(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms, no surrogates.
        const uchar low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) && follows(at + 3) ? 4 : 0;
    }
    return 0;
}

// A name may itself start with U+FEFF, which QString::fromUtf8 would take
// for a byte-order mark and drop.
QString fromUtf8(const char *bytes, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(bytes, size));
}

bool isKeptByte(QChar c)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

} // namespace

QString decodePath(const QByteArray &bytes)
{
    QString path;
    qsizetype run = 0; // start of the well-formed run not yet decoded
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = utf8Length(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        path += fromUtf8(bytes.constData() + run, at - run);
        path += QChar(0xDC00 + uchar(bytes[at]));
        run = ++at;
    }
    path += fromUtf8(bytes.constData() + run, at - run);
    return path;
}

QByteArray encodePath(const QString &path)
{
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        // A kept byte stands alone: after a high surrogate it would be half of a character.
        if (!isKeptByte(path[at]) || (at > 0 && path[at - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(path).mid(run, at - run).toUtf8();
        bytes += char(path[at].unicode() - 0xDC00);
        run = at + 1;
    }
    bytes += QStringView(path).mid(run).toUtf8();
    return bytes;
}

bool keepsRawBytes(const QString &path)
{
    for (qsizetype at = 0; at < path.size(); ++at) {
        if (isKeptByte(path[at]) && !(at > 0 && path[at - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

} // namespace platform
