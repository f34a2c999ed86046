#pragma once

#include <QImageIOHandler>
#include <QLoggingCategory>
#include <QVariant>

// What the decoders' own libraries say when they fail, for a bug report:
// off unless QT_LOGGING_RULES turns it on ("zelvo.decoders.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcDecoders)

namespace picture {

// What the program's own handlers share: a format told by the file's first
// bytes (`Format::canRead(device)`), the picture's size offered before its
// pixels, and why a read failed. Each handler says the rest: how its library
// reads.
template<typename Format>
class OwnHandler : public QImageIOHandler
{
public:
    // The text key under which a failed read says why (QImageReader::text).
    static constexpr const char *ReasonKey = "Zelvo-Reason";

    bool canRead() const override
    {
        if (!Format::canRead(device()))
            return false;
        setFormat(Format::Name);
        return true;
    }
    bool supportsOption(ImageOption option) const override { return option == Size || option == Description; }

protected:
    // Why the last read failed, in DecodedPicture::Reason's terms: "damaged",
    // "too-large", "unsupported".
    void failedBecause(const char *reason) const { m_reason = QString::fromLatin1(reason); }
    QVariant description() const
    {
        return m_reason.isEmpty() ? QVariant() : QVariant(QLatin1String(ReasonKey) + QStringLiteral(": ") + m_reason);
    }

private:
    mutable QString m_reason;
};

} // namespace picture
