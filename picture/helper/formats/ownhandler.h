#pragma once

#include <QImageIOHandler>
#include <QLoggingCategory>
#include <QStringList>
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
    // And the one under which the handler says how it turned the picture,
    // as EXIF's orientation (1 to 8): it turns the pictures it reads itself,
    // so a reader sees no transformation.
    static constexpr const char *OrientationKey = "Zelvo-Orientation";

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
    // Said once the file is open.
    void turnedBy(int orientation) const { m_orientation = orientation; }
    bool turnSaid() const { return m_orientation > 0; }
    QVariant description() const
    {
        QStringList said;
        if (!m_reason.isEmpty())
            said.append(QLatin1String(ReasonKey) + QStringLiteral(": ") + m_reason);
        if (m_orientation > 0)
            said.append(QLatin1String(OrientationKey) + QStringLiteral(": ") + QString::number(m_orientation));
        return said.isEmpty() ? QVariant() : QVariant(said.join(QStringLiteral("\n\n")));
    }

private:
    mutable QString m_reason;
    mutable int m_orientation = 0;
};

} // namespace picture
