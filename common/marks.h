#pragma once

// The marks a photographer puts on a photo while sorting a shoot, as XMP
// holds them: `xmp:Rating` (1 to 5 stars, -1 rejected, 0 or none unrated)
// and `xmp:Label` (a colour, by the names digiKam and Lightroom write).
// A plain value that every room may pass around; where the marks are
// read and written lies elsewhere.

#include <QString>
#include <QStringView>

namespace marks {

enum class Label : quint8 { None, Red, Yellow, Green, Blue, Other };

inline constexpr int Rejected = -1;
inline constexpr int MaxStars = 5;

struct Marks
{
    int rating = 0; // -1 rejected, 0 unrated, 1 to 5 stars
    Label label = Label::None;

    bool isEmpty() const { return rating == 0 && label == Label::None; }
    bool operator==(const Marks &) const = default;
};

// The value `xmp:Label` holds for a label; empty for None and Other (an
// unknown label is kept as the file has it, never written by us).
inline QString xmpLabel(Label label)
{
    switch (label) {
    case Label::Red: return QStringLiteral("Red");
    case Label::Yellow: return QStringLiteral("Yellow");
    case Label::Green: return QStringLiteral("Green");
    case Label::Blue: return QStringLiteral("Blue");
    case Label::None:
    case Label::Other: break;
    }
    return {};
}

// The label an `xmp:Label` value names, in any letter case; Other for a
// name of someone else's (a translated Lightroom writes its own words).
inline Label labelFromXmp(QStringView value)
{
    const QStringView trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return Label::None;
    for (const Label label : {Label::Red, Label::Yellow, Label::Green, Label::Blue}) {
        if (trimmed.compare(xmpLabel(label), Qt::CaseInsensitive) == 0)
            return label;
    }
    return Label::Other;
}

// A rating as a file says it: one out of range is no rating (0).
inline int ratingFrom(qint64 rating)
{
    return rating >= Rejected && rating <= MaxStars ? int(rating) : 0;
}

} // namespace marks
