#include "picture/helper/details/sidecar.h"

#include "picture/helper/details/exivsetup.h"
#include "picture/helper/formats/rawhandler.h"

// exiv2 0.27's headers use std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace picture {

bool keepsMarksInSidecar(QIODevice &file)
{
    const qint64 at = file.pos();
    file.seek(0);
    const QByteArray head = file.peek(16);
    const bool embedded =
        head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n")
        || (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        || ((head.startsWith(QByteArrayView("II*\0", 4)) || head.startsWith(QByteArrayView("MM\0*", 4)))
            && !RawHandler::canRead(&file));
    file.seek(at);
    return !embedded;
}

QByteArray sidecarBytes(QIODevice &sidecar)
{
    if (sidecar.size() > MaxSidecarBytes)
        return {};
    sidecar.seek(0);
    return sidecar.read(MaxSidecarBytes);
}

SidecarSays readSidecar(QIODevice &sidecar)
{
    SidecarSays says;
    const QByteArray bytes = sidecarBytes(sidecar);
    if (bytes.isEmpty())
        return says;
    setUpExiv2();
    try {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, bytes.toStdString()) != 0)
            return says;
        says.readable = true;
        for (const Exiv2::Xmpdatum &datum : xmp) {
            if (datum.key() == "Xmp.xmp.Rating")
                says.rating = marks::ratingFrom(datum.toLong());
            else if (datum.key() == "Xmp.xmp.Label")
                says.label = marks::labelFromXmp(QString::fromStdString(datum.toString()));
            else if (datum.key() == "Xmp.tiff.Orientation" && datum.toLong() >= 1 && datum.toLong() <= 8)
                says.orientation = int(datum.toLong());
        }
    } catch (...) {
        // A sidecar exiv2 cannot read says nothing.
    }
    return says;
}

} // namespace picture

#pragma GCC diagnostic pop
