#include "picture/helper/formats/plugin.h"

#include "picture/helper/formats/avifhandler.h"
#include "picture/helper/formats/heifhandler.h"
#include "picture/helper/formats/jxlhandler.h"
#include "picture/helper/formats/rawhandler.h"

#include <libheif/heif.h>

namespace picture {
namespace {

bool isHeif(const QByteArray &format)
{
    return format == "heic" || format == "heif" || format == "avif";
}

// "raw", or a camera RAW file's extension (plugin.json lists the same).
bool isRaw(const QByteArray &format)
{
    static const QByteArrayList extensions = {"dng", "cr2", "cr3", "nef", "nrw", "arw", "srf", "raf", "orf",
                                              "rw2", "pef", "srw", "kdc", "3fr", "iiq", "erf", "mrw", "x3f"};
    return format == RawHandler::Name || extensions.contains(format.toLower());
}

} // namespace

ZelvoImageFormats::ZelvoImageFormats()
{
    heif_init(nullptr);
}

ZelvoImageFormats::~ZelvoImageFormats()
{
    heif_deinit();
}

QImageIOPlugin::Capabilities ZelvoImageFormats::capabilities(QIODevice *device, const QByteArray &format) const
{
    if (isHeif(format) || format == "jxl" || format == "avifs" || isRaw(format))
        return CanRead;
    if (!format.isEmpty() || !device || !device->isReadable())
        return {};
    // Told by content, whatever the file is called.
    return HeifHandler::canRead(device) || JxlHandler::canRead(device) || RawHandler::canRead(device)
               ? CanRead
               : Capabilities();
}

QImageIOHandler *ZelvoImageFormats::create(QIODevice *device, const QByteArray &format) const
{
    QImageIOHandler *handler = nullptr;
    // A sequence goes to libavif, which plays it; a still to libheif.
    if (format == "avifs" || ((format.isEmpty() || format == "avif") && AvifSequenceHandler::canRead(device)))
        handler = new AvifSequenceHandler;
    else if (isHeif(format) || (format.isEmpty() && HeifHandler::canRead(device)))
        handler = new HeifHandler;
    else if (format == "jxl" || (format.isEmpty() && JxlHandler::canRead(device)))
        handler = new JxlHandler;
    else if (isRaw(format) || (format.isEmpty() && RawHandler::canRead(device)))
        handler = new RawHandler;
    if (handler) {
        handler->setDevice(device);
        handler->setFormat(format);
    }
    return handler;
}

} // namespace picture
