#include "history/rirekifile.h"

#include "history/cp932.h"
#include "platform/platform.h"

namespace history {
namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray CrLf("\r\n");

} // namespace

QStringList parseRirekiFile(const QByteArray &bytes)
{
    const bool utf8 = bytes.startsWith(Utf8Bom);
    qsizetype pos = utf8 ? Utf8Bom.size() : 0;
    QStringList lines;
    while (pos < bytes.size() && lines.size() < RirekiLineCount) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArray line = bytes.mid(pos, qMin(end - pos, MaxRirekiLineBytes));
        // A folder's bytes that are not UTF-8 are kept as the file system has them.
        lines.append(utf8 ? platform::decodePath(line) : decodeCp932(line));
        pos = end;
        if (pos < bytes.size() && bytes[pos] == '\r')
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    return lines;
}

QByteArray formatRirekiFile(const QStringList &lines)
{
    QByteArray cp932;
    bool representable = true;
    for (const QString &line : lines) {
        const std::optional<QByteArray> encoded = encodeCp932(line);
        if (!encoded) {
            representable = false;
            break;
        }
        cp932 += *encoded + CrLf;
    }
    // Code page 932 bytes that began like a byte-order mark would be read as UTF-8.
    if (representable && !cp932.startsWith(Utf8Bom))
        return cp932;

    QByteArray utf8 = Utf8Bom;
    for (const QString &line : lines)
        utf8 += platform::encodePath(line) + CrLf;
    return utf8;
}

bool isWrittenRirekiFile(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    const QStringList lines = parseRirekiFile(bytes);
    if (lines.size() != RirekiLineCount
        || (lines.last() != QLatin1String("True") && lines.last() != QLatin1String("False")))
        return false;
    return formatRirekiFile(lines) == bytes;
}

} // namespace history
