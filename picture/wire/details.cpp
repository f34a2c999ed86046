#include "picture/wire/details.h"

#include <QRegularExpression>

namespace picture {
namespace {

// A value as one line of text, within its bound: no line break, tab or
// other control character of a terminal survives.
QString cleaned(QString value, int bound)
{
    for (QChar &c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
            c = QLatin1Char(' ');
    }
    value = value.trimmed();
    if (value.size() > bound) {
        value.truncate(bound);
        // Never half of a character outside the basic plane.
        if (value.back().isHighSurrogate())
            value.chop(1);
        value += QChar(0x2026);
    }
    return value;
}

QString number(double value)
{
    return QString::number(value, 'g', 12);
}

std::optional<double> parsed(const QString &value, double lowest, double highest)
{
    bool ok = false;
    const double parsedValue = value.toDouble(&ok);
    if (!ok || !std::isfinite(parsedValue) || parsedValue < lowest || parsedValue > highest)
        return std::nullopt;
    return parsedValue;
}

} // namespace

bool PhotoDetails::isEmpty() const
{
    return taken.isEmpty() && make.isEmpty() && model.isEmpty() && lens.isEmpty() && focalLength <= 0 && fNumber <= 0
           && exposure <= 0 && iso <= 0 && flash < 0 && !latitude && title.isEmpty() && author.isEmpty()
           && copyright.isEmpty() && tags.isEmpty() && marks.isEmpty();
}

QByteArray encodeDetails(const PhotoDetails &details)
{
    QString text;
    const auto line = [&text](const QString &key, const QString &value) {
        if (!value.isEmpty())
            text += key + QLatin1Char('\t') + cleaned(value, MaxDetailValueLength) + QLatin1Char('\n');
    };
    const auto positive = [&line](const QString &key, double value) {
        if (value > 0)
            line(key, number(value));
    };
    line(QStringLiteral("taken"), details.taken);
    line(QStringLiteral("offset"), details.takenOffset);
    line(QStringLiteral("make"), details.make);
    line(QStringLiteral("model"), details.model);
    line(QStringLiteral("lens"), details.lens);
    positive(QStringLiteral("focal"), details.focalLength);
    positive(QStringLiteral("focal35"), details.focal35);
    positive(QStringLiteral("fnumber"), details.fNumber);
    positive(QStringLiteral("exposure"), details.exposure);
    if (std::isfinite(details.exposureBias))
        line(QStringLiteral("bias"), number(details.exposureBias));
    positive(QStringLiteral("iso"), details.iso);
    if (details.flash >= 0)
        line(QStringLiteral("flash"), QString::number(details.flash));
    if (details.latitude && details.longitude) {
        line(QStringLiteral("latitude"), number(*details.latitude));
        line(QStringLiteral("longitude"), number(*details.longitude));
    }
    if (details.altitude)
        line(QStringLiteral("altitude"), number(*details.altitude));
    line(QStringLiteral("title"), details.title);
    line(QStringLiteral("author"), details.author);
    line(QStringLiteral("copyright"), details.copyright);
    line(QStringLiteral("format"), details.format);
    line(QStringLiteral("profile"), details.colourProfile);
    if (details.orientation >= 1 && details.orientation <= 8)
        line(QStringLiteral("orientation"), QString::number(details.orientation));
    if (details.marks.rating != 0)
        line(QStringLiteral("rating"), QString::number(details.marks.rating));
    if (details.marks.label != marks::Label::None)
        line(QStringLiteral("label"), details.marks.label == marks::Label::Other ? QStringLiteral("other")
                                                                                : marks::xmpLabel(details.marks.label));
    for (const auto &[key, value] : details.tags.mid(0, MaxDetailTags))
        line(QStringLiteral("tag:") + cleaned(key, MaxDetailKeyLength), value);
    QByteArray bytes = text.toUtf8();
    // Whole lines only, within the bound.
    if (bytes.size() > MaxDetailsBytes)
        bytes.truncate(bytes.lastIndexOf('\n', MaxDetailsBytes - 1) + 1);
    return bytes;
}

PhotoDetails decodeDetails(QByteArrayView text)
{
    PhotoDetails details;
    if (text.size() > MaxDetailsBytes)
        text = text.first(MaxDetailsBytes);
    static const QRegularExpression takenShape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    static const QRegularExpression offsetShape(QStringLiteral("^[+-]\\d{2}:\\d{2}$"));
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        const QString key = line.left(tab);
        const QString value = cleaned(line.mid(tab + 1), MaxDetailValueLength);
        if (value.isEmpty())
            continue;
        if (key.startsWith(QLatin1String("tag:"))) {
            if (details.tags.size() < MaxDetailTags)
                details.tags.append({cleaned(key.mid(4), MaxDetailKeyLength), value});
        } else if (key == QLatin1String("taken")) {
            if (takenShape.match(value).hasMatch())
                details.taken = value;
        } else if (key == QLatin1String("offset")) {
            if (offsetShape.match(value).hasMatch())
                details.takenOffset = value;
        } else if (key == QLatin1String("make")) {
            details.make = value;
        } else if (key == QLatin1String("model")) {
            details.model = value;
        } else if (key == QLatin1String("lens")) {
            details.lens = value;
        } else if (key == QLatin1String("focal")) {
            details.focalLength = parsed(value, 0, 100000).value_or(0);
        } else if (key == QLatin1String("focal35")) {
            details.focal35 = parsed(value, 0, 100000).value_or(0);
        } else if (key == QLatin1String("fnumber")) {
            details.fNumber = parsed(value, 0, 1000).value_or(0);
        } else if (key == QLatin1String("exposure")) {
            details.exposure = parsed(value, 0, 1e6).value_or(0);
        } else if (key == QLatin1String("bias")) {
            details.exposureBias = parsed(value, -100, 100).value_or(NAN);
        } else if (key == QLatin1String("iso")) {
            details.iso = int(parsed(value, 0, 1e7).value_or(0));
        } else if (key == QLatin1String("flash")) {
            details.flash = int(parsed(value, 0, 0xFFFF).value_or(-1));
        } else if (key == QLatin1String("latitude")) {
            details.latitude = parsed(value, -90, 90);
        } else if (key == QLatin1String("longitude")) {
            details.longitude = parsed(value, -180, 180);
        } else if (key == QLatin1String("altitude")) {
            details.altitude = parsed(value, -20000, 1e6);
        } else if (key == QLatin1String("title")) {
            details.title = value;
        } else if (key == QLatin1String("author")) {
            details.author = value;
        } else if (key == QLatin1String("copyright")) {
            details.copyright = value;
        } else if (key == QLatin1String("format")) {
            details.format = value;
        } else if (key == QLatin1String("profile")) {
            details.colourProfile = value;
        } else if (key == QLatin1String("orientation")) {
            details.orientation = int(parsed(value, 1, 8).value_or(0));
        } else if (key == QLatin1String("rating")) {
            details.marks.rating = marks::ratingFrom(qint64(parsed(value, -1, 5).value_or(0)));
        } else if (key == QLatin1String("label")) {
            details.marks.label = marks::labelFromXmp(value);
        }
    }
    // A place is both of its numbers or none.
    if (!details.latitude || !details.longitude)
        details.latitude = details.longitude = std::nullopt;
    return details;
}

} // namespace picture
