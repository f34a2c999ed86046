#pragma once

#include "picture/window/decodequeue.h"

#include <QHash>
#include <QPixmap>
#include <QTextBrowser>

namespace qthost {

// What a page may cost the window, whose thread builds it: Qt's HTML reader
// takes about 0.7 ms for a kilobyte of dense markup, and much longer for
// deep nesting, so a page is cut where it would go over.
struct PageBudget
{
    qsizetype bytes = 256 * 1024;
    int tags = 3000;
    int depth = 100;
    int pictures = 100; // picture references
};

// Where `html` must be cut (at a tag's start) to stay within the budget;
// its size when all of it fits.
qsizetype pageCut(const QByteArray &html, const PageBudget &budget = {});

// The viewer's HTML pages. A page names its own images and style sheets;
// they load only from regular local files of bounded size, so that a page
// naming /dev/zero, a FIFO or a huge picture shows a missing image instead of
// filling the memory or stopping the window. Pictures are decoded by the
// decoder helpers like any other: the page shows at once, each picture when
// it arrives. Nothing comes from the network.
class PageBrowser final : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr qint64 MaxResourceBytes = 64 * 1024 * 1024;
    // Pictures in a page: kept modest, each and all of a page's together.
    static constexpr qint64 MaxPagePicturePixels = 16'000'000;
    static constexpr qint64 MaxPicturePixelsPerPage = 64'000'000;
    // Pictures are kept at most this many pixels wide or high (their size
    // on the page stays): painting a page scales them again on every paint.
    static constexpr int MaxPagePictureSide = 1600;

    PageBrowser(QWidget *parent, picture::DecodeQueue &queue);
    ~PageBrowser() override;
    // Shows the local HTML file, as far as it fits the budget; a cut page
    // begins with a note saying so. Links to other local files come back
    // through `linkChosen`; links within the page scroll to their anchor.
    void showPage(const QString &path);
    void showHtml(const QString &html);
    QVariant loadResource(int type, const QUrl &name) override;
    // Pictures asked for and not yet arrived.
    int picturesAwaited() const { return int(m_tickets.size()); }

signals:
    void linkChosen(const QString &path);

private:
    void newPage();
    void pictureArrived(const QString &path, const picture::DecodedPicture &picture);

    picture::DecodeQueue &m_queue;
    QUrl m_base;
    qint64 m_picturePixels = 0;
    QHash<QString, QList<QUrl>> m_names;         // each picture's path: the names the page gives it
    QHash<QString, picture::DecodeQueue::Ticket> m_tickets; // pictures being decoded
};

} // namespace qthost
