// The viewer on real widgets (offscreen): decoding off the window's thread,
// the order of results, the cache of neighbours, zoom, and hostile files.

#include "host/qt/base/twips.h"
#include "host/qt/viewer/pagebrowser.h"
#include "host/qt/viewer/prefetcher.h"
#include "host/qt/viewer/viewer.h"
#include "picture/helper/picturedecode.h"
#include "picture/window/decodequeue.h"
#include "picture/window/picturecache.h"
#include "picture/window/sharedthumbnails.h"
#include "picture/wire/decoding.h"
#include "platform/platform.h"
#include "testfiles.h"
#include "testimages.h"
#include "widgettest.h"

#include <QDateTime>
#include <QTextDocument>
#include <QUrl>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace picture;
using namespace qthost;

class TestViewer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void queueOrdersCancelsAndJoins();
    void thumbnailsGiveWayToTheUser();
    void lastChoiceWins();
    void changedFileIsDecodedAgain();
    void neighboursAreReadyBeforeTheyAreAsked();
    void decodesAheadLeftBehindStop();
    void zoomDecodesOnlyWhatShows();
    void zoomedPartsOfOrientedPictures_data();
    void zoomedPartsOfOrientedPictures();
    void hostileFiles_data();
    void hostileFiles();
    void pageCut_data();
    void pageCut();
    void bigAnimationsAndTextChunks();
    void olderResultArrivingLastIsDropped();
    void cancelledDecodeStops();
    void rewrittenFileIsDecodedAgain_data();
    void rewrittenFileIsDecodedAgain();
    void ownPixelCapRefuses();
    void bigPngZoomsSharp();
    void folderNamedInRawBytes();
    void previewOnlyWhileThePictureIsOnItsWay();
    void previewShowsWhereAPageWas();
    void keysAheadDecodeOnlyWhereTheyStop();
    void photoWhereKeysStopDecoded_data();
    void photoWhereKeysStopDecoded();
    void firstPictureFitsTheFrameToCome();
    void sharedThumbnailReachesTheHelper();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void writeImage(const QString &name, QSize size, const char *format = "JPEG")
    {
        QVERIFY2(testimages::writeImage(path(name), size, format), qPrintable(name));
    }
    // Nothing asked of the helpers, and nothing posted that will ask: a
    // picture shown queues its neighbours' decodes behind its paint.
    void waitUntilIdle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(
            [this] {
                QCoreApplication::sendPostedEvents();
                return m_viewer->queue().pending() == 0;
            }(),
            20000);
    }
    // A 6000 x 4000 photo given the corpus's EXIF segment (its thumbnail is
    // 60 x 40): its preview is read long before its picture is decoded.
    QString photoWithPreview(const QString &name)
    {
        const QString photo = path(name);
        writeImage(name, QSize(6000, 4000));
        QFile exif(QFINDTESTDATA("data/formats/jpeg-exif-thumbnail.jpg"));
        QFile big(photo);
        if (!exif.open(QIODevice::ReadOnly) || !big.open(QIODevice::ReadOnly))
            return {};
        const QByteArray carrier = exif.readAll();
        if (carrier.mid(2, 2) != "\xFF\xE1")
            return {};
        const QByteArray segment = carrier.mid(2, 2 + ((uchar(carrier[4]) << 8) | uchar(carrier[5])));
        return testfiles::writeAll(photo, big.readAll().insert(2, segment)) ? photo : QString();
    }

    // A 200 x 150 picture view on the screen, its helpers ready.
    struct ShownView
    {
        DecodeQueue queue;
        PictureCache cache;
        PictureView view{nullptr, queue, cache};
        bool ready()
        {
            queue.warmUp();
            if (!QTest::qWaitFor([this] { return queue.readyHelpers() == queue.workers(); }, 20000))
                return false;
            cache.setBudget(64 * 1024 * 1024);
            view.resize(200, 150);
            view.show();
            return QTest::qWaitForWindowExposed(&view);
        }
    };

    static void waitForHelpers(DecodeQueue &queue)
    {
        queue.warmUp();
        QTRY_COMPARE_WITH_TIMEOUT(queue.readyHelpers(), queue.workers(), 20000);
    }

    // The queue's helpers, ready and then stopped (SIGSTOP): no decode they
    // are given ends by itself, nor by the deadline; nor, with `graceMs`
    // long enough, once cancelled. None if they are not.
    static QList<qint64> stoppedHelpers(DecodeQueue &queue, int graceMs = DecodeQueue::Limits().cancelGraceMs)
    {
        DecodeQueue::Limits limits;
        limits.deadlineMs = 120000;
        limits.cancelGraceMs = graceMs;
        queue.setLimits(limits);
        queue.warmUp();
        if (!QTest::qWaitFor([&queue] { return queue.readyHelpers() == queue.workers(); }, 20000))
            return {};
        const QList<qint64> helpers = queue.helperPids();
        for (const qint64 pid : helpers) {
            if (::kill(pid_t(pid), SIGSTOP) != 0)
                return {};
        }
        return helpers;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ViewerWidget> m_viewer;
};

void TestViewer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_viewer = std::make_unique<ViewerWidget>(nullptr);
    m_viewer->resize(400, 300);
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
}

void TestViewer::cleanup()
{
    m_viewer.reset();
    m_dir.reset();
}

void TestViewer::queueOrdersCancelsAndJoins()
{
    // More prefetches than helpers, then a shown decode: decodes ahead leave
    // a helper free, so it starts at once. A cancelled ticket never hears
    // back; equal requests are decoded once for both. (Which decode ends
    // first is the helpers' business: not asserted.)
    writeImage(QStringLiteral("big.jpg"), QSize(4000, 3000));
    writeImage(QStringLiteral("small.png"), QSize(30, 20), "PNG");
    DecodeQueue queue;
    waitForHelpers(queue);
    QStringList heard;
    const auto note = [&heard](const QString &what) {
        return [&heard, what](const DecodedPicture &picture) {
            heard.append(what + (picture.status == DecodedPicture::Status::Decoded ? QString() : QStringLiteral(" failed")));
        };
    };
    for (int i = 0; i < 4; ++i) {
        // Different sizes: four decodes, not one.
        queue.decode(DecodeRequest::fitted(path(QStringLiteral("big.jpg")), QSize(400 + i, 300)),
                     DecodeQueue::Priority::Prefetch, &queue, note(QStringLiteral("prefetch %1").arg(i)));
    }
    const DecodeRequest shown = DecodeRequest::fitted(path(QStringLiteral("small.png")), QSize(100, 100));
    const auto first = queue.decode(shown, DecodeQueue::Priority::Shown, &queue, note(QStringLiteral("shown")));
    const auto again = queue.decode(shown, DecodeQueue::Priority::Shown, &queue, note(QStringLiteral("shown again")));
    // A receiver that goes away without cancelling is not called.
    auto gone = std::make_unique<QObject>();
    queue.decode(shown, DecodeQueue::Priority::Shown, gone.get(), note(QStringLiteral("receiver gone")));
    gone.reset();
    QVERIFY(queue.isRunning(first) && queue.isRunning(again));
    // Every helper busy: another shown decode stops a decode ahead, which
    // is queued again, not lost.
    const auto dropped = queue.decode(DecodeRequest::fitted(path(QStringLiteral("small.png")), QSize(9, 9)),
                                      DecodeQueue::Priority::Shown, &queue, note(QStringLiteral("dropped")));
    queue.cancel(dropped);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    heard.sort();
    QCOMPARE(heard, (QStringList{QStringLiteral("prefetch 0"), QStringLiteral("prefetch 1"),
                                 QStringLiteral("prefetch 2"), QStringLiteral("prefetch 3"),
                                 QStringLiteral("shown"), QStringLiteral("shown again")}));
}

void TestViewer::thumbnailsGiveWayToTheUser()
{
    // A folder's thumbnails take every helper; a picture shown or decoded
    // ahead stops them all at once (asked to stop and queued again, not
    // lost, their helpers not killed). Checked as the queue stands right
    // after each request, before any helper could have answered.
    writeImage(QStringLiteral("big.jpg"), QSize(4000, 3000));
    writeImage(QStringLiteral("small.png"), QSize(30, 20), "PNG");
    DecodeQueue queue;
    waitForHelpers(queue);
    const QList<qint64> helpers = queue.helperPids();
    const int workers = queue.workers();
    QStringList heard;
    const auto note = [&heard](const QString &what) {
        return [&heard, what](const DecodedPicture &picture) {
            heard.append(what + (picture.status == DecodedPicture::Status::Decoded ? QString() : QStringLiteral(" failed")));
        };
    };
    const QList<DecodeQueue::Priority> priorities{DecodeQueue::Priority::Shown, DecodeQueue::Priority::Prefetch};
    for (const DecodeQueue::Priority priority : priorities) {
        std::vector<DecodeQueue::Ticket> thumbnails;
        for (int i = 0; i < workers + 2; ++i) {
            const QString name = QStringLiteral("thumbnail %1 %2").arg(int(priority)).arg(i);
            thumbnails.push_back(queue.decode(DecodeRequest::thumbnailOf(path(QStringLiteral("big.jpg")), QSize(250 + i, 250 + i)),
                                              DecodeQueue::Priority::Thumbnail, &queue, note(name)));
        }
        const auto running = [&] {
            return std::count_if(thumbnails.cbegin(), thumbnails.cend(),
                                 [&](DecodeQueue::Ticket ticket) { return queue.isRunning(ticket); });
        };
        QCOMPARE(running(), workers);
        const QString asked = priority == DecodeQueue::Priority::Shown ? QStringLiteral("shown") : QStringLiteral("ahead");
        queue.decode(DecodeRequest::fitted(path(QStringLiteral("small.png")), QSize(100, 100 + int(priority))), priority,
                     &queue, note(asked));
        QCOMPARE(running(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    }
    heard.sort();
    QStringList expected{QStringLiteral("ahead"), QStringLiteral("shown")};
    for (const DecodeQueue::Priority priority : priorities)
        for (int i = 0; i < workers + 2; ++i)
            expected.append(QStringLiteral("thumbnail %1 %2").arg(int(priority)).arg(i));
    expected.sort();
    QCOMPARE(heard, expected);
    QCOMPARE(queue.helperPids(), helpers);

    // Nor do they start beside it, though a helper is free: thumbnails wait
    // for a decode ahead, the tiles on the screen for the picture shown.
    const struct
    {
        DecodeQueue::Priority running, waiting;
    } besides[] = {{DecodeQueue::Priority::Prefetch, DecodeQueue::Priority::Thumbnail},
                   {DecodeQueue::Priority::Shown, DecodeQueue::Priority::Thumbnail},
                   {DecodeQueue::Priority::Shown, DecodeQueue::Priority::Background}};
    for (const auto &[running, waiting] : besides) {
        const auto user = queue.decode(DecodeRequest::fitted(path(QStringLiteral("big.jpg")), QSize(300, 200 + int(running))),
                                       running, &queue, [](const DecodedPicture &) {});
        const auto folder = queue.decode(DecodeRequest::thumbnailOf(path(QStringLiteral("big.jpg")), QSize(90, 90 + int(waiting))),
                                         waiting, &queue, [](const DecodedPicture &) {});
        QVERIFY(queue.isRunning(user));
        QVERIFY(!queue.isRunning(folder));
        QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    }
}

void TestViewer::lastChoiceWins()
{
    // A big picture chosen first takes longest; whatever order the results
    // come back in, the last choice is what stays on screen.
    writeImage(QStringLiteral("big.jpg"), QSize(6000, 4000));
    writeImage(QStringLiteral("a.png"), QSize(30, 20), "PNG");
    writeImage(QStringLiteral("b.png"), QSize(20, 30), "PNG");
    for (const QString &name : {QStringLiteral("big.jpg"), QStringLiteral("a.png"), QStringLiteral("b.png")})
        m_viewer->navigate(path(name));
    PictureView *view = m_viewer->imageView();
    QTRY_COMPARE(view->path(), path(QStringLiteral("b.png")));
    waitUntilIdle();
    QCOMPARE(view->path(), path(QStringLiteral("b.png")));
    QCOMPARE(view->pictureSize(), QSize(20, 30));
    QCOMPARE(m_viewer->currentWidget(), view);
}

void TestViewer::changedFileIsDecodedAgain()
{
    writeImage(QStringLiteral("p.png"), QSize(30, 20), "PNG");
    m_viewer->navigate(path(QStringLiteral("p.png")));
    QTRY_COMPARE(m_viewer->imageView()->pictureSize(), QSize(30, 20));
    writeImage(QStringLiteral("p.png"), QSize(40, 10), "PNG");
    QFile file(path(QStringLiteral("p.png")));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    m_viewer->navigate(path(QStringLiteral("p.png")));
    QTRY_COMPARE(m_viewer->imageView()->pictureSize(), QSize(40, 10));
}

void TestViewer::neighboursAreReadyBeforeTheyAreAsked()
{
    for (const char *name : {"1.jpg", "2.jpg", "3.jpg"})
        writeImage(QString::fromLatin1(name), QSize(1600, 1200));
    const QStringList order{path(QStringLiteral("1.jpg")), path(QStringLiteral("2.jpg")), path(QStringLiteral("3.jpg"))};
    m_viewer->neighbours = [&order](const QString &shown) {
        const qsizetype at = order.indexOf(shown);
        QStringList around;
        for (const qsizetype near : {at + 1, at - 1})
            if (at >= 0 && near >= 0 && near < order.size())
                around.append(order[near]);
        return around;
    };
    m_viewer->navigate(order[1]);
    QTRY_COMPARE(m_viewer->imageView()->path(), order[1]);
    waitUntilIdle();
    // Both neighbours were decoded at the viewer's size: either shows at
    // once, before the window's thread has run a single event.
    for (const QString &neighbour : {order[2], order[0]}) {
        m_viewer->navigate(neighbour);
        QCOMPARE(m_viewer->imageView()->path(), neighbour);
        QVERIFY(!m_viewer->imageView()->isWaiting());
        waitUntilIdle();
    }
    // A resize makes them another size: they are decoded again.
    m_viewer->resize(500, 400);
    m_viewer->navigate(order[1]);
    QCOMPARE(m_viewer->imageView()->path(), order[0]);
    QTRY_COMPARE(m_viewer->imageView()->path(), order[1]);
    QCOMPARE(m_viewer->imageView()->decodedSize(), QSize(500, 375));
}

// The user moves on before the neighbours are decoded: only what is next to
// the new picture is still decoded ahead. The helpers are stopped (SIGSTOP),
// so no decode ends by itself.
void TestViewer::decodesAheadLeftBehindStop()
{
    QStringList photos;
    for (const char *name : {"1.png", "2.png", "3.png"}) {
        writeImage(QString::fromLatin1(name), QSize(300, 200), "PNG");
        photos.append(path(QString::fromLatin1(name)));
    }
    DecodeQueue queue;
    const QList<qint64> helpers = stoppedHelpers(queue);
    QVERIFY(!helpers.isEmpty());
    PictureCache cache;
    cache.setBudget(64 * 1024 * 1024);
    Prefetcher prefetcher(queue, cache);
    const QSize bounds(200, 150);
    prefetcher.around(photos, bounds);
    QCOMPARE(queue.pending(), 3);
    prefetcher.keepOnly({photos[0], path(QStringLiteral("elsewhere.png"))}, bounds);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 1, 20000);
    for (const qint64 pid : helpers)
        ::kill(pid_t(pid), SIGCONT);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    QVERIFY(cache.find(PictureCache::key(photos[0], bounds)));
}

void TestViewer::zoomDecodesOnlyWhatShows()
{
    writeImage(QStringLiteral("wide.jpg"), QSize(8000, 4000));
    PictureView *view = m_viewer->imageView();
    m_viewer->navigate(path(QStringLiteral("wide.jpg")));
    QTRY_COMPARE(view->decodedSize(), QSize(400, 200));
    view->actualPixels();
    QCOMPARE(view->zoom(), 1.0);
    QTRY_VERIFY(!view->detailRegion().isEmpty());
    // One to one: the sharp part has the region's own pixels, and covers what
    // shows with a margin, not the picture.
    QCOMPARE(view->detailSize(), view->detailRegion().size());
    QVERIFY(view->detailRegion().contains(QRect(3800, 1850, 400, 300)));
    QVERIFY(view->detailRegion().width() * view->detailRegion().height() < 8000 * 4000 / 50);
    view->zoomToFit();
    QVERIFY(!view->isZoomed());
    QVERIFY(view->detailRegion().isEmpty());
}

void TestViewer::zoomedPartsOfOrientedPictures_data()
{
    // Stored 300 x 200 with a light band on its left third, tagged to be
    // turned. The reader clips the stored picture: a region of the picture
    // as shown must be mapped back onto it.
    QTest::addColumn<int>("orientation"); // EXIF
    QTest::addColumn<QRect>("region");    // in the picture as shown
    QTest::addColumn<bool>("band");
    QTest::newRow("upright, left") << 1 << QRect(0, 0, 90, 200) << true;
    QTest::newRow("upright, right") << 1 << QRect(210, 0, 90, 200) << false;
    QTest::newRow("turned 90: band on top") << 6 << QRect(0, 0, 200, 90) << true;
    QTest::newRow("turned 90: not below") << 6 << QRect(0, 210, 200, 90) << false;
    QTest::newRow("mirrored: band on the right") << 2 << QRect(210, 0, 90, 200) << true;
    QTest::newRow("mirrored: not on the left") << 2 << QRect(0, 0, 90, 200) << false;
    QTest::newRow("turned 270: band below") << 8 << QRect(0, 210, 200, 90) << true;
}

void TestViewer::zoomedPartsOfOrientedPictures()
{
    QFETCH(int, orientation);
    QFETCH(QRect, region);
    QFETCH(bool, band);
    QImage stored(300, 200, QImage::Format_RGB32);
    stored.fill(QColor(40, 110, 160));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 100; ++x)
            stored.setPixelColor(x, y, QColor(230, 180, 60));
    QVERIFY(testimages::writeTaggedJpeg(path(QStringLiteral("tagged.jpg")), stored, quint16(orientation)));
    const std::atomic_bool no{false};
    const DecodedPicture part = decodePicture(DecodeRequest::part(path(QStringLiteral("tagged.jpg")), 1.0, region), no);
    QCOMPARE(part.status, DecodedPicture::Status::Decoded);
    const bool turned = orientation >= 5;
    QCOMPARE(part.fullSize, turned ? QSize(200, 300) : QSize(300, 200));
    QCOMPARE(part.image.size(), region.size());
    // Every corner of the part is on one side of the band's edge.
    for (const QPoint corner : {QPoint(3, 3), QPoint(region.width() - 4, region.height() - 4)}) {
        const QColor colour = part.image.pixelColor(corner);
        QVERIFY2((colour.red() > 180) == band, qPrintable(colour.name()));
    }
}

void TestViewer::hostileFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shows"); // text on the page shown
    const QString cannot = QStringLiteral("このファイルは表示できません。");
    QTest::newRow("30000 x 30000 PNG") << QFINDTESTDATA("data/hostile/bomb-30000x30000.png") << cannot;
    QTest::newRow("GIF on a 20000 x 20000 canvas") << QFINDTESTDATA("data/hostile/canvas-20000x20000.gif") << cannot;
    QTest::newRow("animated, same canvas") << QFINDTESTDATA("data/hostile/canvas-20000x20000-animated.gif") << cannot;
    QTest::newRow("page naming /dev/zero") << QStringLiteral("zero.htm") << QStringLiteral("zero-page");
    QTest::newRow("page naming a FIFO") << QStringLiteral("fifo.htm") << QStringLiteral("fifo-page");
    QTest::newRow("page naming a FIFO by its full path") << QStringLiteral("fullfifo.htm") << QStringLiteral("fullfifo-page");
    QTest::newRow("page naming the bomb") << QStringLiteral("bomb.htm") << QStringLiteral("bomb-page");
    // Pages that would stop the window: shown as far as they fit, and said so.
    const QString cut = QStringLiteral("このページは長すぎるため、途中までしか表示していません。");
    QTest::newRow("150 nested lists") << QStringLiteral("nested.htm") << cut;
    QTest::newRow("a 60 MiB page") << QStringLiteral("huge.htm") << cut;
    QTest::newRow("one 16 MP picture named 2,000 times") << QStringLiteral("pictures.htm") << cut;
}

void TestViewer::hostileFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, shows);
    const QByteArray fifo = QFile::encodeName(path(QStringLiteral("pipe")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const auto page = [this](const char *name, const QString &image) {
        QVERIFY(testfiles::writeAll(path(QString::fromLatin1(name)),
                                    QStringLiteral("<html><body><p>%1-page</p><img src=\"%2\"></body></html>")
                                        .arg(QString::fromLatin1(name).section(QLatin1Char('.'), 0, 0), image)
                                        .toUtf8()));
    };
    page("zero.htm", QStringLiteral("/dev/zero"));
    page("fifo.htm", QStringLiteral("pipe"));
    page("fullfifo.htm", path(QStringLiteral("pipe")));
    page("bomb.htm", QFINDTESTDATA("data/hostile/bomb-30000x30000.png"));
    if (file == QStringLiteral("nested.htm")) {
        // Short and with few tags: only its depth can cut it.
        QVERIFY(testfiles::writeAll(path(file), "<html><body><p>nested-page</p>" + QByteArray("<ul><li>x").repeated(150)));
    } else if (file == QStringLiteral("huge.htm")) {
        QVERIFY(testfiles::writeAll(path(file), "<html><body>" + QByteArray("<p>huge-page text</p>\n").repeated(60 * 1024 * 1024 / 22)));
    } else if (file == QStringLiteral("pictures.htm")) {
        writeImage(QStringLiteral("16mp.png"), QSize(4000, 4000), "PNG");
        QVERIFY(testfiles::writeAll(path(file), "<html><body>" + QByteArray("<img src=\"16mp.png\" width=40>").repeated(2000)));
    }
    const QString target = QFileInfo(file).isAbsolute() ? file : path(file);
    QVERIFY2(QFileInfo::exists(target), qPrintable(target)); // a missing fixture would pass for the wrong reason

    QElapsedTimer timer;
    timer.start();
    m_viewer->navigate(target);
    QTRY_VERIFY_WITH_TIMEOUT(m_viewer->pageView()->toPlainText().contains(shows), 5000);
    waitUntilIdle();
    // Refused before decoding, or loaded without the resource: no wait.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(m_viewer->currentWidget(), m_viewer->pageView());
}

void TestViewer::pageCut_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<qsizetype>("cut"); // -1: the whole page
    const PageBudget budget;
    QTest::newRow("fits") << QByteArray("<html><body><p>a<p>b<ul><li>c<li>d</ul></body></html>") << qsizetype(-1);
    // Items and paragraphs close each other: a long list is not deep.
    QTest::newRow("a long list is shallow") << QByteArray("<ul>" + QByteArray("<li>x").repeated(500) + "</ul>") << qsizetype(-1);
    QTest::newRow("too deep: cut at the first level too many")
        << QByteArray("<div>").repeated(budget.depth + 5) << qsizetype(5 * budget.depth);
    // A list in each item: the items add nothing, the lists add a level each.
    QTest::newRow("lists nested too deep")
        << QByteArray("<ul><li>x").repeated(budget.depth + 5) << qsizetype(9 * budget.depth);
    QTest::newRow("closed levels free their depth")
        << QByteArray("<div></div>").repeated(budget.depth * 2) << qsizetype(-1);
    QTest::newRow("too many pictures")
        << QByteArray("<img src=a.png>").repeated(budget.pictures + 1) << qsizetype(15 * budget.pictures);
    QTest::newRow("a comment hides tags")
        << QByteArray("<!--" + QByteArray("<div>").repeated(budget.depth * 2) + "-->") << qsizetype(-1);
    QTest::newRow("too long: cut at its budget") << QByteArray(budget.bytes + 10, 'x') << qsizetype(budget.bytes);
}

void TestViewer::pageCut()
{
    QFETCH(QByteArray, html);
    QFETCH(qsizetype, cut);
    QCOMPARE(qthost::pageCut(html), cut < 0 ? html.size() : cut);
}

void TestViewer::bigAnimationsAndTextChunks()
{
    const std::atomic_bool no{false};
    // A canvas the window's thread cannot compose frame by frame: a still
    // picture, decoded here; a modest one plays.
    QVERIFY(testfiles::writeAll(path(QStringLiteral("vast.gif")), testimages::gifOnCanvas(QSize(5600, 5600), 200)));
    QVERIFY(testfiles::writeAll(path(QStringLiteral("small.gif")), testimages::gifOnCanvas(QSize(300, 200), 20)));
    const DecodedPicture vast = decodePicture(DecodeRequest::fitted(path(QStringLiteral("vast.gif")), QSize(400, 300)), no);
    QCOMPARE(vast.status, DecodedPicture::Status::Decoded);
    QCOMPARE(vast.image.size(), QSize(300, 300));
    const DecodedPicture small = decodePicture(DecodeRequest::fitted(path(QStringLiteral("small.gif")), QSize(400, 300)), no);
    QCOMPARE(small.status, DecodedPicture::Status::Animated);

    // Text chunks are not kept with the pixels.
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setText(QStringLiteral("Comment"), QString(5 * 1024 * 1024, QLatin1Char('t')));
    for (int i = 0; i < 2000; ++i)
        image.setText(QStringLiteral("k%1").arg(i), QStringLiteral("v"));
    QVERIFY(image.save(path(QStringLiteral("text.png")), "PNG"));
    const DecodedPicture text = decodePicture(DecodeRequest::fitted(path(QStringLiteral("text.png")), QSize(400, 300)), no);
    QCOMPARE(text.status, DecodedPicture::Status::Decoded);
    QCOMPARE(text.image.pixelColor(20, 15), QColor(Qt::red));
    QCOMPARE(text.image.textKeys(), QStringList());
}

void TestViewer::olderResultArrivingLastIsDropped()
{
    // The big picture's decode goes on when the small one is chosen (the
    // newest one running is kept), and ends after it: it must not replace it.
    writeImage(QStringLiteral("big.png"), QSize(5000, 4000), "PNG");
    writeImage(QStringLiteral("small.png"), QSize(30, 20), "PNG");
    m_viewer->navigate(path(QStringLiteral("big.png")));
    m_viewer->navigate(path(QStringLiteral("small.png")));
    QTRY_COMPARE(m_viewer->imageView()->path(), path(QStringLiteral("small.png")));
    waitUntilIdle();
    QCOMPARE(m_viewer->imageView()->path(), path(QStringLiteral("small.png")));
    QCOMPARE(m_viewer->imageView()->pictureSize(), QSize(30, 20));
}

void TestViewer::cancelledDecodeStops()
{
    // Every helper busy with the same picture; one of them is cancelled. It
    // stops, so the next shown picture is decoded while the other decode, begun
    // at the same moment, still runs: it did not wait for a decode nobody
    // wants. The helpers are stopped (SIGSTOP) before they get their work,
    // so no decode can end by itself: only the cancel frees a helper, and
    // the others still run whatever the machine's speed.
    writeImage(QStringLiteral("photo.png"), QSize(300, 200), "PNG");
    DecodeQueue queue;
    const QList<qint64> helpers = stoppedHelpers(queue);
    QVERIFY(!helpers.isEmpty());
    std::vector<DecodeQueue::Ticket> busy;
    for (int i = 0; i < queue.workers(); ++i) {
        busy.push_back(queue.decode(DecodeRequest::fitted(path(QStringLiteral("photo.png")), QSize(100 + i, 100)),
                                    DecodeQueue::Priority::Shown, &queue, [](const DecodedPicture &) {}));
        QVERIFY(queue.isRunning(busy.back()));
    }
    bool waitingDecoded = false;
    const auto waiting =
        queue.decode(DecodeRequest::fitted(path(QStringLiteral("photo.png")), QSize(60, 60)), DecodeQueue::Priority::Shown,
                     &queue, [&waitingDecoded](const DecodedPicture &picture) {
                         waitingDecoded = picture.status == DecodedPicture::Status::Decoded;
                     });
    QVERIFY(!queue.isRunning(waiting));
    queue.cancel(busy.front());
    QTRY_VERIFY_WITH_TIMEOUT(waitingDecoded, 20000);
    QVERIFY(queue.isRunning(busy.back()));
    // The cancelled one's helper has gone; the others go on.
    for (const qint64 pid : helpers)
        ::kill(pid_t(pid), SIGCONT);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 60000);
}

void TestViewer::rewrittenFileIsDecodedAgain_data()
{
    // Same size, the old times put back: only the file's identity and its
    // status-change time tell the new content from the old.
    QTest::addColumn<bool>("renamedIntoPlace"); // rsync -t; otherwise cp -p over the file
    QTest::newRow("cp -p: rewritten in place") << false;
    QTest::newRow("rsync -t: renamed into place") << true;
}

void TestViewer::rewrittenFileIsDecodedAgain()
{
    QFETCH(bool, renamedIntoPlace);
    const auto flat = [this](const QString &name, const QColor &colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(path(name), "BMP"));
    };
    const auto shownColour = [this] {
        const QImage screen = m_viewer->imageView()->grab().toImage();
        return screen.pixelColor(screen.width() / 2, screen.height() / 2);
    };
    const QString picture = path(QStringLiteral("p.bmp"));
    flat(QStringLiteral("p.bmp"), Qt::red);
    writeImage(QStringLiteral("other.png"), QSize(30, 20), "PNG");
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(picture).constData(), &before), 0);
    m_viewer->navigate(picture);
    QTRY_COMPARE(m_viewer->imageView()->path(), picture);
    QCOMPARE(shownColour(), QColor(Qt::red));
    m_viewer->navigate(path(QStringLiteral("other.png")));
    QTRY_COMPARE(m_viewer->imageView()->path(), path(QStringLiteral("other.png")));

    if (renamedIntoPlace) {
        flat(QStringLiteral("p.bmp.new"), Qt::blue);
        QVERIFY(::rename(QFile::encodeName(path(QStringLiteral("p.bmp.new"))).constData(),
                         QFile::encodeName(picture).constData()) == 0);
    } else {
        flat(QStringLiteral("p.bmp"), Qt::blue);
    }
    // The old times to the nanosecond, as cp -p and rsync -t put them back.
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(picture).constData(), times, 0), 0);
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(picture).constData(), &after), 0);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    m_viewer->navigate(picture); // stepping back
    QTRY_COMPARE(m_viewer->imageView()->path(), picture);
    QTRY_COMPARE(shownColour(), QColor(Qt::blue));
}

void TestViewer::ownPixelCapRefuses()
{
    // A JPEG that says it is 20000 x 12000 (240 MP): Qt would decode it at an
    // eighth of its size, so only the program's own cap refuses it. Its
    // pixels are missing; the header is enough.
    QImage tiny(16, 16, QImage::Format_RGB32);
    tiny.fill(Qt::gray);
    QByteArray jpeg = testimages::encoded(tiny, "JPEG");
    QVERIFY(!jpeg.isEmpty());
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QVERIFY(frame > 0);
    jpeg[frame + 5] = char(12000 >> 8);
    jpeg[frame + 6] = char(12000 & 0xFF);
    jpeg[frame + 7] = char(20000 >> 8);
    jpeg[frame + 8] = char(20000 & 0xFF);
    QVERIFY(testfiles::writeAll(path(QStringLiteral("vast.jpg")), jpeg));
    const std::atomic_bool no{false};
    const DecodedPicture vast = decodePicture(DecodeRequest::fitted(path(QStringLiteral("vast.jpg")), QSize(400, 300)), no);
    QCOMPARE(vast.fullSize, QSize(20000, 12000));
    QCOMPARE(vast.status, DecodedPicture::Status::CannotDisplay);

    // In a page, a picture between the page cap (16 MP) and Qt's own limit
    // shows as an empty box.
    writeImage(QStringLiteral("20mp.png"), QSize(5000, 4000), "PNG");
    QVERIFY(testfiles::writeAll(path(QStringLiteral("page.htm")), "<html><body><p>capped</p><img src=\"20mp.png\"></body></html>"));
    m_viewer->navigate(path(QStringLiteral("page.htm")));
    QTRY_VERIFY(m_viewer->pageView()->toPlainText().contains(QStringLiteral("capped")));
    auto *page = static_cast<PageBrowser *>(m_viewer->pageView());
    QTRY_COMPARE_WITH_TIMEOUT(page->picturesAwaited(), 0, 20000);
    const QVariant image = page->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("20mp.png")));
    QCOMPARE(image.value<QPixmap>().size(), QSize(16, 16));
}

void TestViewer::bigPngZoomsSharp()
{
    // 40 megapixels of one-pixel squares: PNG cannot decode a part, so the
    // whole is decoded to cut it from, past Qt's own 128 MiB.
    QImage board(8000, 5000, QImage::Format_RGB32);
    for (int y = 0; y < board.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(board.scanLine(y));
        for (int x = 0; x < board.width(); ++x)
            line[x] = (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000;
    }
    QVERIFY(board.save(path(QStringLiteral("board.png")), "PNG"));
    board = QImage();
    PictureView *view = m_viewer->imageView();
    m_viewer->navigate(path(QStringLiteral("board.png")));
    QTRY_COMPARE_WITH_TIMEOUT(view->path(), path(QStringLiteral("board.png")), 20000);
    view->actualPixels();
    QTRY_VERIFY_WITH_TIMEOUT(!view->detailRegion().isEmpty(), 20000);
    QVERIFY(!view->isDetailRefused());
    const QImage detail = view->detail();
    QCOMPARE(detail.size(), view->detailRegion().size());
    for (int x = 0; x < 16; ++x)
        QVERIFY(detail.pixelColor(x, 7) != detail.pixelColor(x + 1, 7));

    // Past what its decoder may hold, the view says it cannot be sharper.
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer's shadow memory is terabytes: the helpers have no memory limit to meet here");
#endif
    view->zoomToFit();
    // Room for the helper itself (about 12 MiB of data), not for the picture (160 MB).
    DecodeQueue::Limits small;
    small.helperMemoryMiB = 100;
    DecodeQueue &queue = m_viewer->queue();
    const QList<qint64> before = queue.helperPids();
    queue.setLimits(small);
    const auto replaced = [&] {
        const QList<qint64> now = queue.helperPids();
        return queue.readyHelpers() == queue.workers()
               && !QSet<qint64>(before.begin(), before.end()).intersects(QSet<qint64>(now.begin(), now.end()));
    };
    QTRY_VERIFY_WITH_TIMEOUT(replaced(), 20000);
    view->actualPixels();
    QTRY_VERIFY_WITH_TIMEOUT(view->isDetailRefused(), 20000);
    QVERIFY(view->detailRegion().isEmpty());
}

void TestViewer::folderNamedInRawBytes()
{
    // A folder whose name is not UTF-8: its picture is decoded, its page shown
    // with the picture it names.
    const QByteArray folderBytes = QFile::encodeName(m_dir->path()) + "/bad\xFF\xFE";
    QCOMPARE(::mkdir(folderBytes.constData(), 0755), 0);
    const QString folder = platform::decodePath(folderBytes);
    QImage square(40, 30, QImage::Format_RGB32);
    square.fill(Qt::darkGreen);
    const QByteArray png = testimages::encoded(square, "PNG");
    QVERIFY(!png.isEmpty());
    for (const auto &[name, bytes] : {std::pair{"p.png", png},
                                      std::pair{"page.htm", QByteArray("<p>raw</p><img src=\"p.png\">")}}) {
        const int fd = ::open((folderBytes + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), bytes.size()), bytes.size());
        ::close(fd);
    }
    const auto removeThem = qScopeGuard([&] { // Qt could not remove them
        ::unlink((folderBytes + "/p.png").constData());
        ::unlink((folderBytes + "/page.htm").constData());
        ::rmdir(folderBytes.constData());
    });
    const std::atomic_bool no{false};
    const DecodedPicture decoded = decodePicture(DecodeRequest::fitted(folder + QStringLiteral("/p.png"), QSize(400, 300)), no);
    QCOMPARE(decoded.status, DecodedPicture::Status::Decoded);
    QCOMPARE(decoded.fullSize, QSize(40, 30));

    m_viewer->navigate(folder + QStringLiteral("/page.htm"));
    QTRY_VERIFY(m_viewer->pageView()->toPlainText().contains(QStringLiteral("raw")));
    // The page shows at once; its picture arrives from a helper.
    const auto pictureSize = [this] {
        return m_viewer->pageView()->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("p.png")))
            .value<QPixmap>()
            .deviceIndependentSize()
            .toSize();
    };
    QTRY_COMPARE_WITH_TIMEOUT(pictureSize(), QSize(40, 30), 20000);
}

ZELVO_WIDGET_TEST_MAIN(TestViewer)
void TestViewer::previewOnlyWhileThePictureIsOnItsWay()
{
    // A photo carrying an EXIF thumbnail. Not decoded ahead: its picture and
    // then its preview are asked for. Whichever arrives first, the picture
    // is what stays, and a preview that showed stood where the picture
    // stands. Decoded ahead: shown at once, no preview asked for.
    // A 6000 x 4000 photo given the corpus's EXIF segment (its thumbnail is
    // 60 x 40): its preview is read long before its picture is decoded.
    const QString photo = photoWithPreview(QStringLiteral("photo.jpg"));
    QVERIFY(!photo.isEmpty());
    writeImage(QStringLiteral("other.png"), QSize(30, 20), "PNG");
    ShownView shownView;
    QVERIFY(shownView.ready());
    DecodeQueue &queue = shownView.queue;
    PictureView &view = shownView.view;
    QSignalSpy previews(&view, &PictureView::previewShown);
    QSignalSpy shown(&view, &PictureView::pictureShown);
    view.showFile(photo);
    QCOMPARE(queue.pending(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    QVERIFY(!view.isPreview());
    QCOMPARE(view.pictureSize(), QSize(6000, 4000));
    QCOMPARE(view.decodedSize(), QSize(200, 133));
    for (const QList<QVariant> &preview : previews)
        QCOMPARE(preview.at(1).toRectF(), view.pictureRect());
    qInfo("the preview %s before the picture", previews.isEmpty() ? "did not show" : "showed");

    view.showFile(path(QStringLiteral("other.png")));
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(queue.pending(), 0, 20000);
    const qsizetype previewsSoFar = previews.count();
    view.showFile(photo);
    QCOMPARE(queue.pending(), 0);
    QCOMPARE(view.path(), photo);
    QVERIFY(!view.isPreview());
    QCOMPARE(previews.count(), previewsSoFar);
}

void TestViewer::previewShowsWhereAPageWas()
{
    // Opened on a photo, the window shows its start page until a picture
    // arrives; the photo's own preview is such a picture.
    QVERIFY(testfiles::writeAll(path(QStringLiteral("start.htm")), "<p>start</p>"));
    m_viewer->navigate(path(QStringLiteral("start.htm")));
    QCOMPARE(m_viewer->currentWidget(), static_cast<QWidget *>(m_viewer->pageView()));
    emit m_viewer->imageView()->previewShown(path(QStringLiteral("photo.jpg")), QRectF(0, 0, 40, 30));
    QCOMPARE(m_viewer->currentWidget(), static_cast<QWidget *>(m_viewer->imageView()));
}

void TestViewer::keysAheadDecodeOnlyWhereTheyStop()
{
    // Keys faster than the pictures (a held key): the photos on the way ask
    // for their previews only; the photo where the keys stop is decoded
    // sharp once they have stopped. One step asks for both at once.
    QStringList photos{photoWithPreview(QStringLiteral("a.jpg"))};
    QVERIFY(!photos.first().isEmpty());
    for (const char *name : {"b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}) {
        photos.append(path(QString::fromLatin1(name)));
        QVERIFY(QFile::copy(photos.first(), photos.last()));
    }
    ShownView shownView;
    QVERIFY(shownView.ready());
    DecodeQueue &queue = shownView.queue;
    PictureView &view = shownView.view;
    QSignalSpy shown(&view, &PictureView::pictureShown);
    const quint64 before = queue.asked();
    view.showFile(photos[0]);
    QCOMPARE(queue.asked(), before + 2); // its picture and its preview
    view.showFile(photos[1]);
    view.showFile(photos[2]);
    QCOMPARE(queue.asked(), before + 4); // and one preview each
    QTRY_VERIFY_WITH_TIMEOUT(view.path() == photos[2] && !view.isPreview() && !view.isWaiting(), 20000);
    QCOMPARE(queue.asked(), before + 5); // where the keys stopped, sharp
    QCOMPARE(view.decodedSize(), QSize(200, 133));
    QVERIFY(std::none_of(shown.cbegin(), shown.cend(),
                         [&photos](const QList<QVariant> &picture) { return picture.at(0).toString() == photos[1]; }));

    // A photo on the way shows its preview, and nothing is on its way any
    // more: the keys are still ahead, and the next photo asks for its preview
    // only. (The keys are never let go here.)
    view.setKeysLetGoAfter(3600 * 1000);
    view.showFile(photos[3]);
    view.showFile(photos[4]);
    QTRY_VERIFY_WITH_TIMEOUT(view.path() == photos[4] && view.isPreview() && !view.isWaiting(), 20000);
    const quint64 onTheWay = queue.asked();
    view.showFile(photos[5]);
    QCOMPARE(queue.asked(), onTheWay + 1);
}

void TestViewer::photoWhereKeysStopDecoded_data()
{
    // The keys as Qt gives them: a key's own repeats come as releases and
    // presses marked as repeats, and it ends with a release that is not.
    QTest::addColumn<QString>("keys"); // p: press, r: release; capitals are repeats
    QTest::addColumn<bool>("decoded");
    QTest::newRow("held, then let go") << QStringLiteral("pRPRPr") << true;
    QTest::newRow("still held") << QStringLiteral("pRPRP") << false;
    // A fast tapper's next tap may follow: only a pause tells.
    QTest::newRow("tapped") << QStringLiteral("pr") << false;
    QTest::newRow("let go, then tapped: nothing more") << QStringLiteral("pRPrpr") << true;
    // The pause is counted from the last key, not from its preview, which
    // never comes here.
    QTest::newRow("a pause") << QString() << true;
}

void TestViewer::photoWhereKeysStopDecoded()
{
    // Keys ahead of the pictures leave the photo they stopped at to be
    // decoded sharp once they have stopped: at once when a held key is let
    // go, wherever the keyboard is; else after a pause. The helpers are
    // stopped and never killed: no preview, no picture ever comes back.
    QFETCH(QString, keys);
    QFETCH(bool, decoded);
    for (const char *name : {"a.png", "b.png", "c.png"})
        writeImage(QString::fromLatin1(name), QSize(300, 200), "PNG");
    QVERIFY(!stoppedHelpers(m_viewer->queue(), 3600 * 1000).isEmpty());
    m_viewer->imageView()->setKeysLetGoAfter(keys.isEmpty() ? 0 : 3600 * 1000);
    const quint64 before = m_viewer->queue().asked();
    for (const char *name : {"a.png", "b.png", "c.png"})
        m_viewer->navigate(path(QString::fromLatin1(name)));
    QCOMPARE(m_viewer->queue().asked(), before + 4); // the first photo whole, then previews only
    QLineEdit elsewhere; // the keys go to another widget of the program
    for (const QChar key : keys) {
        QKeyEvent event(key.toLower() == QLatin1Char('p') ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Down,
                        Qt::NoModifier, QString(), key.isUpper());
        QCoreApplication::sendEvent(&elsewhere, &event);
    }
    if (keys.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(m_viewer->queue().asked(), before + 5, 20000);
    QCOMPARE(m_viewer->queue().asked(), before + (decoded ? 5 : 4));
    QVERIFY(m_viewer->imageView()->path().isEmpty()); // nothing has come back
}

void TestViewer::firstPictureFitsTheFrameToCome()
{
    // Before its window is on the screen, a view is laid out for a frame
    // the window manager has not added yet, and grows by it once it has:
    // the picture asked for then is fitted to the view it will be, so that
    // it is decoded once.
    writeImage(QStringLiteral("wide.png"), QSize(3000, 2000), "PNG");
    DecodeQueue queue;
    waitForHelpers(queue);
    PictureCache cache;
    cache.setBudget(64 * 1024 * 1024);
    QWidget window;
    window.resize(300, 200);
    PictureView view(&window, queue, cache);
    view.setGeometry(0, 0, 200, 150);
    const QSize frame = (QSizeF(FrameAcrossPixels, FrameDownPixels) * view.devicePixelRatioF()).toSize();
    QCOMPARE(view.requestBounds(), view.fitBounds() + frame);
    QSignalSpy shown(&view, &PictureView::pictureShown);
    view.showFile(path(QStringLiteral("wide.png")));
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 20000);
    QCOMPARE(view.decodedSize(), picture::fitWithin(QSize(3000, 2000), view.fitBounds() + frame));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(view.requestBounds(), view.fitBounds());
    // Grown by the frame: what was decoded still covers it.
    view.setGeometry(0, 0, 200 + FrameAcrossPixels, 150 + FrameDownPixels);
    QCOMPARE(queue.pending(), 0);
}

void TestViewer::sharedThumbnailReachesTheHelper()
{
    // The window opens the cache's entry and hands it to a helper, which
    // can open nothing itself: a valid entry is the preview of a PNG that
    // carries none; once the PNG changes, the entry is stale and unused.
    QTemporaryDir cacheHome;
    const QByteArray old = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    const QString picture = path(QStringLiteral("p.png"));
    writeImage(QStringLiteral("p.png"), QSize(300, 200), "PNG");
    QImage thumbnail(128, 85, QImage::Format_RGB32);
    thumbnail.fill(Qt::green);
    thumbnail.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(picture::thumbnailUri(picture)));
    thumbnail.setText(QStringLiteral("Thumb::MTime"),
                      QString::number(QFileInfo(picture).lastModified().toSecsSinceEpoch()));
    QVERIFY(QDir(cacheHome.path()).mkpath(QStringLiteral("thumbnails/normal")));
    const QByteArray name = QCryptographicHash::hash(picture::thumbnailUri(picture), QCryptographicHash::Md5).toHex();
    QVERIFY(thumbnail.save(cacheHome.filePath(QStringLiteral("thumbnails/normal/%1.png").arg(QLatin1String(name)))));
    DecodeQueue queue;
    waitForHelpers(queue);
    const auto preview = [&queue, &picture] {
        std::optional<DecodedPicture> got;
        queue.decode(DecodeRequest::previewOf(picture, QSize(400, 300)), DecodeQueue::Priority::Shown, &queue,
                     [&got](const DecodedPicture &result) { got = result; });
        // No answer in time: Cancelled, which neither check below accepts.
        DecodedPicture none;
        none.status = DecodedPicture::Status::Cancelled;
        return QTest::qWaitFor([&got] { return got.has_value(); }, 20000) ? *got : none;
    };
    const DecodedPicture valid = preview();
    QCOMPARE(valid.status, DecodedPicture::Status::Decoded);
    QCOMPARE(valid.image.size(), QSize(128, 85));
    QCOMPARE(valid.fullSize, QSize(300, 200));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(preview().status, DecodedPicture::Status::CannotDisplay);
    if (old.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", old);
}

#include "tst_viewer.moc"
