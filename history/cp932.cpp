#include "history/cp932.h"

#include "platform/platform.h"

namespace history {

std::optional<QByteArray> encodeCp932(const QString &text)
{
    std::optional<QByteArray> bytes = platform::toCp932(text);
    if (!bytes || decodeCp932(*bytes) != text)
        return std::nullopt;
    return bytes;
}

QString decodeCp932(const QByteArray &bytes)
{
    return platform::fromCp932(bytes);
}

} // namespace history
