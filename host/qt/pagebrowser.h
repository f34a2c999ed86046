#pragma once

#include <QTextBrowser>

namespace qthost {

// The viewer's HTML pages. A page names its own images and style sheets;
// they load only from regular local files of bounded size, so that a page
// naming /dev/zero, a FIFO or a huge picture shows a missing image instead of
// filling the memory or stopping the window. Nothing comes from the network.
class PageBrowser final : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr qint64 MaxResourceBytes = 64 * 1024 * 1024;
    // Pictures in a page are decoded on the window's thread: keep them modest.
    static constexpr qint64 MaxPagePicturePixels = 16'000'000;

    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl &name) override;
};

} // namespace qthost
