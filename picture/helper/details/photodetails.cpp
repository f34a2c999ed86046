#include "picture/helper/details/photodetails.h"

#include "picture/helper/details/exivsetup.h"
#include "picture/helper/details/heifmetadata.h"
#include "picture/helper/details/sidecar.h"
#include "picture/helper/formats/fileinput.h"

// exiv2 0.27's headers use std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <cmath>
#include <string_view>

namespace picture {
namespace {

// A photo of a gigabyte is a camera's; no more is looked at.
constexpr qint64 MaxFileBytes = 1024LL * 1024 * 1024;

QString text(const Exiv2::Metadatum &datum)
{
    return QString::fromStdString(datum.toString()).trimmed();
}

// A tag by its key, found by name: exiv2 throws for a key it does not
// know (one newer than this version), which a file may well lack anyway.
template<typename Data>
const Exiv2::Metadatum *find(const Data &data, std::string_view key)
{
    for (const auto &datum : data) {
        if (datum.key() == key)
            return &datum;
    }
    return nullptr;
}

const Exiv2::Metadatum *find(const Exiv2::ExifData &exif, const Exiv2::XmpData &xmp, std::string_view key)
{
    return key.substr(0, 5) == "Exif." ? find(exif, key) : find(xmp, key);
}

// The first of the keys that the file has, as text.
QString first(const Exiv2::ExifData &exif, const Exiv2::XmpData &xmp, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const Exiv2::Metadatum *datum = find(exif, xmp, key);
        if (!datum)
            continue;
        QString value = text(*datum);
        // XMP's language alternatives say which language first.
        if (value.startsWith(QLatin1String("lang=")))
            value = value.section(QLatin1Char(' '), 1);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

double rational(const Exiv2::ExifData &exif, const char *key, long component = 0)
{
    const Exiv2::Metadatum *found = find(exif, key);
    if (!found || found->count() <= component)
        return 0;
    const Exiv2::Rational r = found->toRational(component);
    return r.second != 0 ? double(r.first) / r.second : 0;
}

// EXIF's degrees, minutes and seconds, south and west negative.
std::optional<double> coordinate(const Exiv2::ExifData &exif, const char *key, const char *reference, char negative)
{
    const Exiv2::Metadatum *found = find(exif, key);
    if (!found || found->count() < 3)
        return std::nullopt;
    double value = 0;
    for (long i = 0; i < 3; ++i) {
        const Exiv2::Rational r = found->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        value += double(r.first) / r.second / std::pow(60.0, double(i));
    }
    const Exiv2::Metadatum *side = find(exif, reference);
    if (side && side->toString().rfind(negative, 0) == 0)
        value = -value;
    return value;
}

// "2024:07:14 10:03:22" as "2024-07-14 10:03:22"; empty when it is no date.
QString isoDate(QString value)
{
    if (value.size() < 19 || value.at(4) != QLatin1Char(':') || value.at(7) != QLatin1Char(':'))
        return {};
    value = value.left(19);
    value[4] = QLatin1Char('-');
    value[7] = QLatin1Char('-');
    value[10] = QLatin1Char(' ');
    return value;
}

// XMP's "2024-07-14T10:03:22+09:00": the date and the offset.
std::pair<QString, QString> xmpDate(const QString &value)
{
    if (value.size() < 19 || value.at(10) != QLatin1Char('T'))
        return {};
    QString date = value.left(19);
    date[10] = QLatin1Char(' ');
    const QString rest = value.mid(19).section(QLatin1Char('.'), -1);
    const qsizetype sign = std::max(rest.lastIndexOf(QLatin1Char('+')), rest.lastIndexOf(QLatin1Char('-')));
    return {date, sign >= 0 ? rest.mid(sign, 6) : QString()};
}

template<typename Data>
void addTags(const Data &data, PhotoDetails &details)
{
    for (const auto &datum : data) {
        if (details.tags.size() >= MaxDetailTags)
            return;
        // Binary blocks (maker notes, thumbnails) say nothing to a reader.
        if (datum.typeId() == Exiv2::undefined && datum.size() > 64)
            continue;
        const QString value = text(datum);
        if (!value.isEmpty())
            details.tags.append({QString::fromStdString(datum.key()), value});
    }
}

} // namespace

PhotoDetails readPhotoDetails(QIODevice &file, QIODevice *sidecar)
{
    PhotoDetails details;
    bool sidecarSaid = false;
    const FileInput input(&file, MaxFileBytes);
    if (input.isEmpty())
        return details;
    setUpExiv2();
    // The marks of a file never rewritten are its sidecar's; where the
    // sidecar says nothing, the file's own (a camera may rate a RAW).
    if (sidecar && keepsMarksInSidecar(file)) {
        const SidecarSays says = readSidecar(*sidecar);
        if (says.rating)
            details.marks.rating = *says.rating;
        if (says.label)
            details.marks.label = *says.label;
        sidecarSaid = says.rating || says.label;
    }
    try {
        Exiv2::ExifData exif;
        Exiv2::XmpData xmp;
        Exiv2::IptcData iptc;
        // A HEIF's or AVIF's blocks as libheif hands them over: exiv2 0.27
        // reads every box of such a file whole, its pictures too, to find
        // them (8 ms for a 12 MP HEIC), and misses those exiftool writes.
        const HeifMetadata heif = readHeifMetadata(input.data(), input.size());
        if (heif.heif) {
            if (!heif.exif.isEmpty())
                Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(heif.exif.constData()),
                                          uint32_t(heif.exif.size()));
            if (!heif.xmp.isEmpty())
                Exiv2::XmpParser::decode(xmp, heif.xmp.toStdString());
        } else {
            Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(input.data(), long(input.size()));
            if (!image.get())
                return details;
            image->readMetadata();
            exif = image->exifData();
            xmp = image->xmpData();
            iptc = image->iptcData();
        }
        details.taken = isoDate(first(exif, xmp, {"Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized"}));
        if (!details.taken.isEmpty()) {
            details.takenOffset = first(exif, xmp, {"Exif.Photo.OffsetTimeOriginal", "Exif.Photo.OffsetTime"});
        } else {
            const auto [date, offset] =
                xmpDate(first(exif, xmp, {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated", "Xmp.xmp.CreateDate"}));
            details.taken = date;
            details.takenOffset = offset;
        }
        details.make = first(exif, xmp, {"Exif.Image.Make", "Xmp.tiff.Make"});
        details.model = first(exif, xmp, {"Exif.Image.Model", "Xmp.tiff.Model"});
        details.lens = first(exif, xmp, {"Exif.Photo.LensModel", "Xmp.aux.Lens", "Xmp.exifEX.LensModel"});
        details.focalLength = rational(exif, "Exif.Photo.FocalLength");
        details.focal35 = first(exif, xmp, {"Exif.Photo.FocalLengthIn35mmFilm"}).toDouble();
        details.fNumber = rational(exif, "Exif.Photo.FNumber");
        details.exposure = rational(exif, "Exif.Photo.ExposureTime");
        if (const Exiv2::Metadatum *bias = find(exif, "Exif.Photo.ExposureBiasValue")) {
            const Exiv2::Rational r = bias->toRational();
            if (r.second != 0)
                details.exposureBias = double(r.first) / r.second;
        }
        details.iso = first(exif, xmp, {"Exif.Photo.ISOSpeedRatings", "Exif.Photo.PhotographicSensitivity"})
                          .section(QLatin1Char(' '), 0, 0)
                          .toInt();
        if (const Exiv2::Metadatum *flash = find(exif, "Exif.Photo.Flash"))
            details.flash = int(flash->toLong());
        else if (const Exiv2::Metadatum *fired = find(xmp, "Xmp.exif.Flash/exif:Fired"))
            details.flash = fired->toString() == "True" ? 1 : 0;
        details.latitude = coordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", 'S');
        details.longitude = coordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", 'W');
        if (const Exiv2::Metadatum *altitude = find(exif, "Exif.GPSInfo.GPSAltitude")) {
            const Exiv2::Rational r = altitude->toRational();
            const Exiv2::Metadatum *below = find(exif, "Exif.GPSInfo.GPSAltitudeRef");
            if (r.second != 0)
                details.altitude = (below && below->toLong() == 1 ? -1 : 1) * double(r.first) / r.second;
        }
        details.title = first(exif, xmp, {"Xmp.dc.title", "Exif.Image.ImageDescription"});
        details.author = first(exif, xmp, {"Xmp.dc.creator", "Exif.Image.Artist"});
        details.copyright = first(exif, xmp, {"Xmp.dc.rights", "Exif.Image.Copyright"});
        if (const Exiv2::Metadatum *orientation = find(exif, "Exif.Image.Orientation"))
            details.orientation = orientation->toLong() >= 1 && orientation->toLong() <= 8 ? int(orientation->toLong()) : 0;
        if (!sidecarSaid) {
            details.marks.rating = marks::ratingFrom(qint64(first(exif, xmp, {"Xmp.xmp.Rating", "Exif.Image.Rating"}).toDouble()));
            details.marks.label = marks::labelFromXmp(first(exif, xmp, {"Xmp.xmp.Label"}));
        }
        addTags(exif, details);
        addTags(iptc, details);
        addTags(xmp, details);
    } catch (...) {
        // exiv2 throws for a file it cannot read, or one that lies: what it
        // found before that is kept.
    }
    return details;
}

} // namespace picture

#pragma GCC diagnostic pop
