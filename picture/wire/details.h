#pragma once

// What a photo's file says of it (when, where and with what it was taken,
// and every tag it holds), as a helper reads it with exiv2 and sends it
// with the picture, and as the window takes it: a short text of known
// fields, each bounded, decoded without trusting a byte of it.

#include "common/marks.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <optional>
#include <utility>

namespace picture {

struct PhotoDetails
{
    QString taken;       // when it was taken, "YYYY-MM-DD HH:MM:SS"
    QString takenOffset; // its time zone's offset, "+09:00", when the file says
    QString make;
    QString model;
    QString lens;
    double focalLength = 0; // mm
    double focal35 = 0;     // mm, its 35 mm equivalent
    double fNumber = 0;
    double exposure = 0;    // seconds
    double exposureBias = NAN; // EV
    int iso = 0;
    int flash = -1;         // EXIF's Flash value; -1 when not said
    std::optional<double> latitude; // degrees, south negative
    std::optional<double> longitude; // degrees, west negative
    std::optional<double> altitude;  // metres above sea level
    QString title;
    QString author;
    QString copyright;
    QString format;        // the file's format as its reader names it
    QString colourProfile; // the name of the profile it carries
    marks::Marks marks;    // its rating and colour label (XMP, or its sidecar's)
    int orientation = 0;   // its own EXIF orientation tag, 1 to 8; 0 when it has none
    QList<std::pair<QString, QString>> tags; // every tag: its key and value

    bool isEmpty() const;
};

// The most a decoded PhotoDetails holds, whatever the text claims.
inline constexpr int MaxDetailTags = 400;
inline constexpr int MaxDetailKeyLength = 96;
inline constexpr int MaxDetailValueLength = 240;
inline constexpr qsizetype MaxDetailsBytes = 48 * 1024;

// The fields as text: one line each, a key, a tab, the value.
QByteArray encodeDetails(const PhotoDetails &details);
// What `text` holds of them: unknown lines are left out, values cut to
// their bounds and cleaned of control characters, numbers out of range
// dropped, at most MaxDetailTags tags.
PhotoDetails decodeDetails(QByteArrayView text);

} // namespace picture
