#pragma once

// The photo's details as the panel lists them: a name and a value per line,
// each line only when the file says it, in the user's words.

#include "picture/wire/details.h"

#include <QList>
#include <QSize>
#include <QString>

namespace qthost {

struct DetailRow
{
    QString name;
    QString value;
    bool operator==(const DetailRow &) const = default;
};

// What the panel is told of the shown photo.
using picture::PhotoDetails;

struct ShownDetails
{
    QString path;
    PhotoDetails details;
    QSize pixels;          // as shown, after orientation
    qint64 fileBytes = -1; // unknown: negative
    QString colourName;    // the profile its pixels were stored in
};

QList<DetailRow> detailRows(const ShownDetails &shown);
// Every tag the file holds, by its key.
QList<DetailRow> tagRows(const PhotoDetails &details);
// "geo:lat,lon[,alt]" (RFC 5870); empty without a place.
QString geoUri(const PhotoDetails &details);

} // namespace qthost
