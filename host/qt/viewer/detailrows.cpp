#include "host/qt/viewer/detailrows.h"

#include "common/texts.h"
#include "host/qt/base/markbadge.h"

#include <QLocale>

#include <cmath>

namespace qthost {
namespace {

// Numbers as a camera's display shows them: no trailing zeros.
QString shortNumber(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString takenText(const PhotoDetails &details)
{
    // "2024-07-14 10:03:22" as "2024/07/14 10:03:22".
    QString taken = details.taken;
    taken.replace(QLatin1Char('-'), QLatin1Char('/'));
    return details.takenOffset.isEmpty() ? taken : texts::TimeZoneShown.arg(taken, details.takenOffset);
}

QString cameraText(const PhotoDetails &details)
{
    // Most cameras repeat their make in the model ("Canon EOS R5").
    if (details.make.isEmpty() || details.model.startsWith(details.make, Qt::CaseInsensitive))
        return details.model;
    return details.model.isEmpty() ? details.make : details.make + QLatin1Char(' ') + details.model;
}

QString shutterText(double seconds)
{
    // Short exposures as the fraction a photographer set: 1/250.
    if (seconds < 0.5) {
        const double denominator = 1.0 / seconds;
        return texts::Seconds.arg(QStringLiteral("1/") + shortNumber(denominator, denominator < 10 ? 1 : 0));
    }
    return texts::Seconds.arg(shortNumber(seconds, 1));
}

QString biasText(double ev)
{
    const QString number = shortNumber(std::abs(ev), 2);
    if (number == QLatin1String("0"))
        return QStringLiteral("0 EV");
    return (ev < 0 ? QStringLiteral("−") : QStringLiteral("+")) + number + QStringLiteral(" EV");
}

QString placeText(const PhotoDetails &details)
{
    const QString place = QString::number(*details.latitude, 'f', 6) + QStringLiteral(", ")
                          + QString::number(*details.longitude, 'f', 6);
    return details.altitude ? texts::AltitudeShown.arg(place, shortNumber(*details.altitude, 1)) : place;
}

QString bytesText(qint64 bytes)
{
    // In the status bar's units (a KB of 1024 bytes), its tenths cut, not
    // rounded, so that both say the same of the same file.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    if (bytes < 1024)
        return texts::BytesAlone.arg(japanese.toString(bytes));
    const bool mega = bytes >= 1024 * 1024;
    const qint64 tenths = bytes * 10 / (mega ? 1024 * 1024 : 1024);
    const QString roughly = QString::number(tenths / 10) + (tenths % 10 ? QStringLiteral(".%1").arg(tenths % 10) : QString())
                            + (mega ? QStringLiteral(" MB") : QStringLiteral(" KB"));
    return texts::BytesShown.arg(roughly, japanese.toString(bytes));
}

} // namespace

QList<DetailRow> detailRows(const ShownDetails &shown)
{
    const PhotoDetails &d = shown.details;
    QList<DetailRow> rows;
    const auto add = [&rows](const QString &name, const QString &value) {
        if (!value.isEmpty())
            rows.append({name, value});
    };
    if (!d.taken.isEmpty())
        add(texts::DetailTaken, takenText(d));
    add(texts::DetailCamera, cameraText(d));
    add(texts::DetailLens, d.lens);
    if (d.focalLength > 0) {
        const QString focal = shortNumber(d.focalLength, 2);
        add(texts::DetailFocalLength, d.focal35 > 0 ? texts::FocalWith35mm.arg(focal, shortNumber(d.focal35, 0))
                                                    : texts::Millimetres.arg(focal));
    }
    if (d.fNumber > 0)
        add(texts::DetailAperture, QStringLiteral("f/") + shortNumber(d.fNumber, 1));
    if (d.exposure > 0)
        add(texts::DetailShutter, shutterText(d.exposure));
    if (d.iso > 0)
        add(texts::DetailIso, QString::number(d.iso));
    if (std::isfinite(d.exposureBias))
        add(texts::DetailBias, biasText(d.exposureBias));
    if (d.flash >= 0)
        add(texts::DetailFlash, d.flash & 1 ? texts::FlashFired : texts::FlashNotFired);
    if (!shown.pixels.isEmpty()) {
        const double megapixels = double(shown.pixels.width()) * shown.pixels.height() / 1e6;
        add(texts::DetailPixels, texts::PixelsShown.arg(shown.pixels.width())
                                     .arg(shown.pixels.height())
                                     .arg(shortNumber(megapixels, 1)));
    }
    if (shown.fileBytes >= 0)
        add(texts::DetailFileSize, bytesText(shown.fileBytes));
    add(texts::DetailFormat, d.format);
    add(texts::DetailProfile, shown.colourName);
    if (d.latitude && d.longitude)
        add(texts::DetailPlace, placeText(d));
    add(texts::DetailTitle, d.title);
    add(texts::DetailAuthor, d.author);
    add(texts::DetailCopyright, d.copyright);
    if (d.marks.rating != 0)
        add(texts::DetailRating, d.marks.rating == marks::Rejected ? texts::SpokenRejected : texts::MarkStars.arg(d.marks.rating));
    if (d.marks.label != marks::Label::None)
        add(texts::DetailLabel, d.marks.label == marks::Label::Other ? texts::DetailOtherLabel : labelName(d.marks.label));
    return rows;
}

QList<DetailRow> tagRows(const PhotoDetails &details)
{
    QList<DetailRow> rows;
    rows.reserve(details.tags.size());
    for (const auto &[key, value] : details.tags)
        rows.append({key, value});
    return rows;
}

QString geoUri(const PhotoDetails &details)
{
    if (!details.latitude || !details.longitude)
        return {};
    QString uri = QStringLiteral("geo:") + shortNumber(*details.latitude, 7) + QLatin1Char(',')
                  + shortNumber(*details.longitude, 7);
    if (details.altitude)
        uri += QLatin1Char(',') + shortNumber(*details.altitude, 2);
    return uri;
}

} // namespace qthost
