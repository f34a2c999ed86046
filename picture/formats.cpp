#include "picture/formats.h"

#include "picture/avifhandler.h"
#include "picture/heifhandler.h"
#include "picture/jxlhandler.h"

#include <libheif/heif.h>

namespace picture {
namespace {

bool isHeif(const QByteArray &format)
{
    return format == "heic" || format == "heif" || format == "avif";
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
    if (isHeif(format) || format == "jxl" || format == "avifs")
        return CanRead;
    if (!format.isEmpty() || !device || !device->isReadable())
        return {};
    // Told by content, whatever the file is called.
    return HeifHandler::canRead(device) || JxlHandler::canRead(device) ? CanRead : Capabilities();
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
    if (handler) {
        handler->setDevice(device);
        handler->setFormat(format);
    }
    return handler;
}

} // namespace picture
