#include "platform/platform.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

class Iconv
{
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // Back to the initial shift state, as a new descriptor would be.
    void reset()
    {
        if (valid())
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }

    // Converts all of `in`; an invalid or unconvertible input sequence is
    // skipped one byte at a time and replaced by `replacement`, or ends the
    // conversion with nullopt when there is none.
    std::optional<QByteArray> convert(const QByteArray &in, const QByteArray *replacement)
    {
        if (!valid())
            return std::nullopt;
        QByteArray out;
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = size_t(in.size());
        char buffer[1024];
        while (true) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = srcLeft ? iconv(m_cd, &src, &srcLeft, &dst, &dstLeft)
                                      : iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
            out.append(buffer, qsizetype(dst - buffer));
            if (rc != size_t(-1)) {
                if (srcLeft == 0 && dst == buffer)
                    return out;
                continue; // flushed state, or more to come
            }
            if (errno == E2BIG)
                continue;
            if (!replacement)
                return std::nullopt;
            // EILSEQ or a truncated sequence at the end (EINVAL).
            out.append(*replacement);
            ++src;
            --srcLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
    }

private:
    iconv_t m_cd;
};

} // namespace

std::optional<QByteArray> toCp932(const QString &text)
{
    // Opened once: a conversion descriptor is costly to open and is not
    // shared between threads.
    thread_local Iconv encoder("CP932", "UTF-8");
    encoder.reset();
    return encoder.convert(text.toUtf8(), nullptr);
}

QString fromCp932(const QByteArray &bytes)
{
    static const QByteArray replacement = QStringLiteral("\uFFFD").toUtf8();
    thread_local Iconv decoder("UTF-8", "CP932");
    decoder.reset();
    return QString::fromUtf8(decoder.convert(bytes, &replacement).value_or(QByteArray()));
}

} // namespace platform
