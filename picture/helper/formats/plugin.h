#pragma once

// The picture formats the program reads beyond Qt's own plugins, built into
// it as an image-format plugin: whatever reads pictures through
// QImageReader (the viewer, the prefetch, zoomed parts, pages) reads them.

#include <QImageIOPlugin>

namespace picture {

class ZelvoImageFormats final : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "plugin.json")
public:
    // libheif asks to be started and ended by those who use it.
    ZelvoImageFormats();
    ~ZelvoImageFormats() override;
    Capabilities capabilities(QIODevice *device, const QByteArray &format) const override;
    QImageIOHandler *create(QIODevice *device, const QByteArray &format = QByteArray()) const override;
};

} // namespace picture
