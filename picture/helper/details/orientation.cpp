#include "picture/helper/details/orientation.h"

#include "picture/helper/details/exivsetup.h"
#include "picture/helper/formats/fileinput.h"
#include "picture/helper/formats/ownhandler.h"
#include "picture/helper/formats/rawhandler.h"
#include "picture/wire/orientation.h"

// exiv2 0.27's headers use std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

namespace picture {

int leftOrientation(QIODevice &file)
{
    const FileInput input(&file, 1024LL * 1024 * 1024);
    if (input.isEmpty())
        return 1;
    setUpExiv2();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(input.data(), long(input.size()));
        if (!image.get() || (image->imageType() != Exiv2::ImageType::png && image->imageType() != Exiv2::ImageType::webp))
            return 1;
        image->readMetadata();
        const Exiv2::ExifData &exif = image->exifData();
        for (const Exiv2::Exifdatum &datum : exif) {
            if (datum.key() == "Exif.Image.Orientation") {
                const long orientation = datum.toLong();
                return orientation >= 1 && orientation <= 8 ? int(orientation) : 1;
            }
        }
    } catch (...) {
        // Metadata exiv2 cannot read turns nothing.
    }
    return 1;
}

int fileOrientation(QImageReader &reader)
{
    bool said = false;
    const int own = reader.text(QLatin1String(OwnHandler<RawHandler>::OrientationKey)).toInt(&said);
    return said && own >= 1 && own <= 8 ? own : orientationOf(reader.transformation());
}

int fileOrientation(QIODevice &file)
{
    const qint64 at = file.pos();
    file.seek(0);
    QImageReader reader(&file, RawHandler::canRead(&file) ? QByteArray(RawHandler::Name) : QByteArray());
    reader.setAutoTransform(true);
    int orientation = fileOrientation(reader);
    const QByteArray format = reader.format();
    if (orientation == 1 && (format == "png" || format == "webp"))
        orientation = leftOrientation(file);
    file.seek(at);
    return orientation;
}

int turnBeyondFile(QIODevice &file, int sidecarOrientation)
{
    if (sidecarOrientation < 1 || sidecarOrientation > 8)
        return 1;
    return composeOrientations(inverseOrientation(fileOrientation(file)), sidecarOrientation);
}

} // namespace picture

#pragma GCC diagnostic pop
