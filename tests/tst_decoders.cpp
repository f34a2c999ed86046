// The decoder helpers as the window meets them: each way a helper can end
// (cancelled, past its deadline, over its memory, crashed) gives the user a
// reason, a fresh helper takes its place and the next picture is served;
// and what a contained helper cannot do (open a file, a device, a FIFO).

#include "picture/window/decodequeue.h"
#include "picture/window/photofacts.h"
#include "platform/platform.h"
#include "testfiles.h"
#include "testimages.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QPainter>
#include <QProcess>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace picture;
using Reason = DecodedPicture::Reason;

namespace {

QString hostile(const QString &name)
{
    return QFINDTESTDATA(QStringLiteral("data/hostile/") + name);
}

// The pids of helpers that run a decode: the queue's helpers but those that
// were idle before.
bool sameHelpers(const QList<qint64> &a, const QList<qint64> &b)
{
    return QSet<qint64>(a.begin(), a.end()) == QSet<qint64>(b.begin(), b.end());
}

// What the queue answers for `file` fitted within `bounds`, waited for;
// nullopt when no answer came.
std::optional<DecodedPicture> decoded(DecodeQueue &queue, const QString &file, QSize bounds, QObject *context)
{
    std::optional<DecodedPicture> heard;
    queue.decode(DecodeRequest::fitted(file, bounds), DecodeQueue::Priority::Shown, context,
                 [&heard](const DecodedPicture &picture) { heard = picture; });
    (void)QTest::qWaitFor([&heard] { return heard.has_value(); }, 30000);
    return heard;
}

} // namespace

class TestDecoders : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void helperEnds_data();
    void helperEnds();
    void containedHelpers_data();
    void containedHelpers();
    void closingKillsHelpers();
    void helpersStartedEarly_data();
    void helpersStartedEarly();
    void oneEarlyHelperUntilThePictureIsShown();
    void factsAreOfTheFileAsRead();
    void textWaitsForAHelperWithFonts_data();
    void textWaitsForAHelperWithFonts();
    void shownPictureOutlivesHelpersEndingUnready();
    void aReplacedFileIsReadAfresh();
    void lyingHelpers_data();
    void lyingHelpers();
    void greyPngs_data();
    void greyPngs();
    void anyScreenProfile_data();
    void anyScreenProfile();
    void detailsFromContainedHelper_data();
    void detailsFromContainedHelper();
    void sidecarsReachTheHelper_data();
    void sidecarsReachTheHelper();
    void editsFromContainedHelper_data();
    void editsFromContainedHelper();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A queue whose helpers are all started and ready: the program's own, or
    // fake helpers that tell `lie`.
    std::unique_ptr<DecodeQueue> readyQueue(const DecodeQueue::Limits &limits = {}, const QString &lie = {});
    // The fake helper that tells `lie`.
    static HelperProcess::Options fakeHelper(const QString &lie);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDecoders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(testimages::writeImage(path(QStringLiteral("next.png")), QSize(30, 20), "PNG"));
}

HelperProcess::Options TestDecoders::fakeHelper(const QString &lie)
{
    HelperProcess::Options fake;
    fake.program = QCoreApplication::applicationDirPath() + QStringLiteral("/zelvo-fake-helper");
    fake.arguments = {lie};
    return fake;
}

std::unique_ptr<DecodeQueue> TestDecoders::readyQueue(const DecodeQueue::Limits &limits, const QString &lie)
{
    auto queue = std::make_unique<DecodeQueue>();
    queue->setLimits(limits);
    if (!lie.isEmpty())
        queue->setHelper(fakeHelper(lie));
    queue->warmUp();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(queue->readyHelpers(), queue->workers(), 30000); }();
    return queue;
}

void TestDecoders::helperEnds_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("reason"); // told to the user; -1: cancelled, nobody hears
    const QString grid = QStringLiteral("heic-grid-14000x14000.heic");
    // Told to stop before its decoder has read the file, it stops at its next
    // read or is killed once the grace is over; either way nobody hears.
    QTest::newRow("cancelled at once") << QStringLiteral("cancel") << grid << -1;
    // A decoder that goes on once told to stop (a fake helper that never
    // answers: a real one may stop at its next read, or not, as it goes) is
    // killed once the grace is over.
    QTest::newRow("cancelled while decoding") << QStringLiteral("cancel decoding") << grid << -1;
    QTest::newRow("past its deadline") << QStringLiteral("deadline") << grid << int(Reason::TookTooLong);
    QTest::newRow("over its memory") << QStringLiteral("memory") << QStringLiteral("60mp.png")
                                     << int(Reason::TooMuchMemory);
    // A decoder that crashes (a fake helper does, on the grid: a signal from
    // outside would not reach a helper that is the first process of its
    // own namespace).
    QTest::newRow("crashed while decoding") << QStringLiteral("crash") << grid << int(Reason::DecoderFailed);
    QTest::newRow("killed while idle") << QStringLiteral("killed idle") << QString() << -1;
}

void TestDecoders::helperEnds()
{
    QFETCH(QString, end);
    QFETCH(QString, file);
    QFETCH(int, reason);
    DecodeQueue::Limits limits;
    if (end == QStringLiteral("deadline"))
        limits.deadlineMs = 300;
    // Only the cancel may stop these, not the deadline.
    if (end.startsWith(QStringLiteral("cancel")))
        limits.deadlineMs = 120000;
    if (end == QStringLiteral("memory")) {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer's shadow memory is terabytes: the helpers have no memory limit here");
#endif
        // Room for the helper itself (about 12 MiB of data), not the picture.
        limits.helperMemoryMiB = 100;
        QImage flat(10000, 6000, QImage::Format_RGB32); // 240 MB decoded
        flat.fill(Qt::darkCyan);
        QVERIFY(flat.save(path(file), "PNG"));
    }
    const QString lie = end == QStringLiteral("crash")             ? end
                        : end == QStringLiteral("cancel decoding") ? QStringLiteral("silent")
                                                                   : QString();
    std::unique_ptr<DecodeQueue> queue = readyQueue(limits, lie);
    const QList<qint64> before = queue->helperPids();
    std::optional<DecodedPicture> heard;
    DecodeQueue::Ticket ticket = 0;
    if (!file.isEmpty()) {
        const QString target = QFileInfo(path(file)).exists() ? path(file) : hostile(file);
        // At its own size: all of its pixels at once (the clipboard asks so).
        const QSize bounds = end == QStringLiteral("memory") ? QSize() : QSize(400, 300);
        ticket = queue->decode(DecodeRequest::fitted(target, bounds), DecodeQueue::Priority::Shown, this,
                               [&heard](const DecodedPicture &picture) { heard = picture; });
        QVERIFY(queue->isRunning(ticket));
    }
    if (end.startsWith(QStringLiteral("cancel")))
        queue->cancel(ticket);
    if (end == QStringLiteral("killed idle"))
        QCOMPARE(::kill(pid_t(queue->helperPids().constFirst()), SIGKILL), 0);
    // The helper that ended is replaced by a fresh one; one cancelled at once
    // may instead have stopped at its next read and be ready again.
    const bool replaced = end != QStringLiteral("cancel");
    QTRY_VERIFY_WITH_TIMEOUT(queue->readyHelpers() == queue->workers() && queue->pending() == 0
                                 && (!replaced || !sameHelpers(queue->helperPids(), before)),
                             30000);
    if (reason < 0) {
        QVERIFY(!heard);
    } else {
        QVERIFY(heard);
        QCOMPARE(heard->status, DecodedPicture::Status::CannotDisplay);
        QCOMPARE(int(heard->reason), reason);
    }
    // And the next picture is served.
    const std::optional<DecodedPicture> next = decoded(*queue, path(QStringLiteral("next.png")), QSize(400, 300), this);
    QVERIFY(next);
    QCOMPARE(next->status, DecodedPicture::Status::Decoded);
    QCOMPARE(next->image.size(), QSize(30, 20));
}

void TestDecoders::containedHelpers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("reason");  // of a picture that cannot be shown; -1: shown
    QTest::addColumn<QColor>("middle"); // of a picture shown
    // A device or a FIFO that never answers is never opened for reading.
    QTest::newRow("a FIFO") << QStringLiteral("fifo") << int(Reason::NotAFile) << QColor();
    QTest::newRow("a device") << QStringLiteral("/dev/zero") << int(Reason::NotAFile) << QColor();
    // An SVG that names a device, a FIFO or another picture reaches none:
    // the helper may open nothing. Its own data: picture still shows.
    QTest::newRow("SVG naming /dev/ptmx") << QStringLiteral("svg /dev/ptmx") << -1 << QColor(Qt::white);
    QTest::newRow("SVG naming a FIFO") << QStringLiteral("svg fifo") << -1 << QColor(Qt::white);
    QTest::newRow("SVG naming a picture by its full path") << QStringLiteral("svg absolute") << -1 << QColor(Qt::white);
    QTest::newRow("SVG naming a picture beside it") << QStringLiteral("svg relative") << -1 << QColor(Qt::white);
    QTest::newRow("SVG with its picture inside") << QStringLiteral("svg data") << -1 << QColor(Qt::red);
    // Its text drawn, by a helper with fonts: the ones there have none.
    QTest::newRow("SVG that draws text") << QStringLiteral("svg text") << -1 << QColor(Qt::white);
    // A one-bit palette PNG larger than the view keeps its colours.
    QTest::newRow("one-bit palette PNG, scaled") << QStringLiteral("mono") << -1 << QColor(0, 0, 255);
}

void TestDecoders::containedHelpers()
{
    QFETCH(QString, kind);
    QFETCH(int, reason);
    QFETCH(QColor, middle);
    const QString fifo = path(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(path(QStringLiteral("red.png"))));
    const auto svg = [this](const QByteArray &image) {
        const QByteArray text = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                                "width='100' height='100'><rect width='100' height='100' fill='white'/>"
                                "<image x='0' y='0' width='100' height='100' xlink:href='"
                                + image + "'/></svg>";
        QFile file(path(QStringLiteral("picture.svg")));
        const bool written = file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        return written ? path(QStringLiteral("picture.svg")) : QString();
    };
    QString target;
    if (kind == QStringLiteral("fifo"))
        target = fifo;
    else if (kind == QStringLiteral("/dev/zero"))
        target = kind;
    else if (kind == QStringLiteral("svg /dev/ptmx"))
        target = svg("/dev/ptmx");
    else if (kind == QStringLiteral("svg fifo"))
        target = svg(QFile::encodeName(fifo));
    else if (kind == QStringLiteral("svg absolute"))
        target = svg(QFile::encodeName(path(QStringLiteral("red.png"))));
    else if (kind == QStringLiteral("svg relative"))
        target = svg("red.png");
    else if (kind == QStringLiteral("svg data"))
        target = svg("data:image/png;base64," + testimages::encoded(red, "PNG").toBase64());
    else if (kind == QStringLiteral("svg text")) {
        target = path(QStringLiteral("text.svg"));
        QVERIFY(testfiles::writeAll(target, "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
                                            "<rect width='100' height='100' fill='white'/><text x='50' y='85' "
                                            "font-size='100' text-anchor='middle'>\u53E3</text></svg>"));
    } else if (kind == QStringLiteral("mono")) {
        // Blue and yellow, one bit a pixel, as ImageMagick writes a picture of two colours.
        QImage mono(2000, 1500, QImage::Format_Mono);
        mono.setColorTable({qRgb(0, 0, 255), qRgb(255, 255, 0)});
        mono.fill(0);
        QVERIFY(mono.save(path(QStringLiteral("mono.png")), "PNG"));
        target = path(QStringLiteral("mono.png"));
    }
    std::unique_ptr<DecodeQueue> queue = readyQueue();
    std::optional<DecodedPicture> heard;
    queue->decode(DecodeRequest::fitted(target, QSize(400, 300)), DecodeQueue::Priority::Shown, this,
                  [&heard](const DecodedPicture &picture) { heard = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(heard.has_value(), 30000);
    if (reason >= 0) {
        QCOMPARE(heard->status, DecodedPicture::Status::CannotDisplay);
        QCOMPARE(int(heard->reason), reason);
        return;
    }
    QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
    const QImage &image = heard->image;
    if (kind == QStringLiteral("svg text")) {
        // Its hollow square around the middle, not a missing glyph's box.
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        }
        QVERIFY2(dark > image.width() * 2, qPrintable(QString::number(dark)));
    }
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).toRgb(), middle);
}

void TestDecoders::closingKillsHelpers()
{
    // The window closing takes every helper with it, busy ones included.
    std::unique_ptr<DecodeQueue> queue = readyQueue();
    queue->decode(DecodeRequest::fitted(hostile(QStringLiteral("heic-grid-14000x14000.heic")), QSize(400, 300)),
                  DecodeQueue::Priority::Shown, this, [](const DecodedPicture &) {});
    const QList<qint64> pids = queue->helperPids();
    QVERIFY(!pids.isEmpty());
    queue.reset();
    const auto running = [](qint64 pid) {
        // Gone, or a zombie only the system has left to clear.
        QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
        const QByteArray state = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        return !state.isEmpty() && state.mid(state.lastIndexOf(')') + 2, 1) != "Z";
    };
    for (const qint64 pid : pids)
        QTRY_VERIFY_WITH_TIMEOUT(!running(pid), 5000);
}

void TestDecoders::helpersStartedEarly_data()
{
    QTest::addColumn<bool>("takenOver");
    QTest::addColumn<bool>("helperThere");
    QTest::newRow("taken over by the queue") << true << true;
    QTest::newRow("never taken over") << false << true;
    QTest::newRow("no helper beside the program") << true << false;
}

void TestDecoders::helpersStartedEarly()
{
    // The program starts its helpers before it has a window and an event
    // loop; the window's queue takes them over and starts none of its own.
    // One never taken over ends with the program, never left running; one
    // that cannot start is replaced.
    QFETCH(bool, takenOver);
    QFETCH(bool, helperThere);
    auto queue = std::make_unique<DecodeQueue>();
    HelperProcess::Options options = queue->helperOptions();
    if (!helperThere)
        options.program = path(QStringLiteral("no-helper-here"));
    std::vector<StartedHelperProcess> early;
    QList<qint64> pids;
    for (int i = 0; i < queue->workers(); ++i) {
        early.emplace_back(options);
        QVERIFY(early.back().isRunning() || !helperThere); // a missing one fails in its child
        pids.append(early.back().pid());
    }
    if (!takenOver) {
        early.clear();
        for (const qint64 pid : pids) // gone and reaped, not a zombie
            QVERIFY2(::kill(pid_t(pid), 0) != 0 && errno == ESRCH, qPrintable(QString::number(pid)));
        return;
    }
    queue->adopt(std::move(early));
    const std::optional<DecodedPicture> next = decoded(*queue, path(QStringLiteral("next.png")), QSize(400, 300), this);
    QVERIFY(next);
    // Early helpers that could not start are replaced by the queue's own.
    QCOMPARE(next->status, DecodedPicture::Status::Decoded);
    QCOMPARE(next->fullSize, QSize(30, 20));
    QList<qint64> serving = queue->helperPids();
    std::sort(serving.begin(), serving.end());
    std::sort(pids.begin(), pids.end());
    if (helperThere)
        QCOMPARE(serving, pids);
    else
        QVERIFY(std::none_of(pids.cbegin(), pids.cend(), [&serving](qint64 pid) { return serving.contains(pid); }));
}

void TestDecoders::oneEarlyHelperUntilThePictureIsShown()
{
    // Started on a photo, the program starts one helper: no other starts,
    // to take the cores the window and the photo need, until the photo
    // asked to be shown is decoded (a decode of lower priority asked first,
    // or the window's warm-up, start none); then the rest start. The photo
    // is handed to the helper while it starts: this one says it is ready
    // only once asked, and a queue that waited to hear it would wait for ever.
    DecodeQueue queue;
    queue.setHelper(fakeHelper(QStringLiteral("ready once asked")));
    std::vector<StartedHelperProcess> early;
    early.emplace_back(queue.helperOptions());
    const QList<qint64> first{early.back().pid()};
    queue.adopt(std::move(early));
    qsizetype helpersOnceShown = 0;
    std::optional<DecodedPicture> behind;
    std::optional<DecodedPicture> shown;
    queue.decode(DecodeRequest::fitted(path(QStringLiteral("next.png")), QSize(40, 30)),
                 DecodeQueue::Priority::Background, this, [&behind](const DecodedPicture &picture) { behind = picture; });
    QCOMPARE(queue.helperPids(), first);
    queue.decode(DecodeRequest::fitted(path(QStringLiteral("next.png")), QSize(400, 300)),
                 DecodeQueue::Priority::Shown, this, [&](const DecodedPicture &picture) {
                     shown = picture;
                     helpersOnceShown = queue.helperPids().size();
                 });
    queue.warmUp();
    QCOMPARE(queue.helperPids(), first);
    QTRY_VERIFY_WITH_TIMEOUT(shown.has_value(), 30000);
    QCOMPARE(shown->status, DecodedPicture::Status::Decoded);
    QCOMPARE(helpersOnceShown, queue.workers());
    QVERIFY(queue.helperPids().contains(first.first()));
    QTRY_VERIFY_WITH_TIMEOUT(behind.has_value(), 30000);
    QCOMPARE(behind->status, DecodedPicture::Status::Decoded);
}

void TestDecoders::factsAreOfTheFileAsRead()
{
    // Asked for while the photo had no sidecar, read once a sidecar had
    // rated it (no helper was ready before): with the sidecar gone again the
    // photo is what it was, and does not say the rating, as a rating undone
    // must not.
    const QString photo = path(QStringLiteral("photo.heic"));
    QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/heic-thumbnail.heic")), photo));
    DecodeQueue queue;
    PhotoFacts facts(queue);
    QSignalSpy arrived(&facts, &PhotoFacts::arrived);
    QVERIFY(!facts.marks(photo));
    QVERIFY(testfiles::writeAll(path(QStringLiteral("photo.xmp")),
                                "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                                "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                                "rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\"/>"
                                "</rdf:RDF></x:xmpmeta>"));
    QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, 30000);
    const std::optional<marks::Marks> rated = facts.marks(photo);
    QVERIFY(rated);
    QCOMPARE(rated->rating, 4);
    QVERIFY(QFile::remove(path(QStringLiteral("photo.xmp"))));
    QVERIFY(!facts.marks(photo)); // read again
    QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 2, 30000);
    const std::optional<marks::Marks> unrated = facts.marks(photo);
    QVERIFY(unrated);
    QCOMPARE(unrated->rating, 0);
}

void TestDecoders::textWaitsForAHelperWithFonts_data()
{
    QTest::addColumn<QString>("lie");
    QTest::addColumn<bool>("shown");
    // One idle helper makes way for one with fonts, which then stays: the
    // pictures after it neither wait for nor replace another.
    QTest::newRow("sent back without fonts") << QStringLiteral("needs fonts") << true;
    // A helper with fonts that sends it back too is not believed: no loop.
    QTest::newRow("sent back with fonts too") << QStringLiteral("needs fonts even with them") << false;
}

void TestDecoders::textWaitsForAHelperWithFonts()
{
    QFETCH(QString, lie);
    QFETCH(bool, shown);
    std::unique_ptr<DecodeQueue> queue = readyQueue({}, lie);
    const QList<qint64> before = queue->helperPids();
    QList<qint64> afterFirst;
    for (int picture = 0; picture < 3; ++picture) {
        const std::optional<DecodedPicture> heard =
            decoded(*queue, path(QStringLiteral("next.png")), QSize(400 + picture, 300), this);
        QVERIFY(heard);
        QCOMPARE(heard->status, shown ? DecodedPicture::Status::Decoded : DecodedPicture::Status::CannotDisplay);
        if (picture == 0)
            afterFirst = queue->helperPids();
    }
    const auto kept = std::count_if(before.cbegin(), before.cend(), [&](qint64 pid) { return afterFirst.contains(pid); });
    QCOMPARE(kept, qsizetype(before.size() - 1));
    QCOMPARE(queue->helperPids(), afterFirst);
}

void TestDecoders::shownPictureOutlivesHelpersEndingUnready()
{
    // Handed to helpers that end before they have read it: not the
    // picture's fault; it waits for the next helper, until helpers are
    // given up on.
    DecodeQueue queue;
    queue.setHelper(fakeHelper(QStringLiteral("ends once asked")));
    std::optional<DecodedPicture> shown;
    queue.decode(DecodeRequest::fitted(path(QStringLiteral("next.png")), QSize(40, 30)), DecodeQueue::Priority::Shown,
                 this, [&shown](const DecodedPicture &picture) { shown = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(shown.has_value(), 30000);
    QCOMPARE(shown->status, DecodedPicture::Status::CannotDisplay);
    QCOMPARE(shown->reason, Reason::NoDecoder);
}

void TestDecoders::aReplacedFileIsReadAfresh()
{
    // A decode asked for while an equal one runs joins it, unless the file
    // has been replaced since that one opened it (an undo puts the photo
    // back): then it is read as it is now, not answered for as it was.
    DecodeQueue queue;
    const QString file = path(QStringLiteral("replaced.png"));
    QVERIFY(testimages::writeImage(file, QSize(30, 20), "PNG"));
    QVERIFY(decoded(queue, file, QSize(400, 300), this)); // a helper ready, and idle again
    const auto ask = [&queue, file, this](std::optional<DecodedPicture> &heard) {
        return queue.decode(DecodeRequest::fitted(file, QSize(400, 300)), DecodeQueue::Priority::Shown, this,
                            [&heard](const DecodedPicture &picture) { heard = picture; });
    };
    std::optional<DecodedPicture> before, after, joined;
    QVERIFY(queue.isRunning(ask(before))); // opened already
    ask(joined);
    const QString replacement = path(QStringLiteral("replacement.png"));
    QVERIFY(testimages::writeImage(replacement, QSize(50, 40), "PNG"));
    QCOMPARE(::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(file).constData()), 0);
    ask(after);
    QTRY_VERIFY_WITH_TIMEOUT(before && after && joined, 30000);
    QCOMPARE(before->fullSize, QSize(30, 20));
    QCOMPARE(joined->fullSize, QSize(30, 20)); // asked before the file was replaced
    QCOMPARE(after->fullSize, QSize(50, 40));
}

void TestDecoders::lyingHelpers_data()
{
    // Each lie a compromised helper could tell about the picture it sends
    // back: the window refuses it with a reason, and the next picture (an
    // honest answer from the same kind of helper) shows.
    QTest::addColumn<QString>("lie");
    QTest::addColumn<int>("reason"); // -1: not a lie the window needs to refuse
    const int failed = int(Reason::DecoderFailed);
    QTest::newRow("a colour table it does not send (one bit)") << QStringLiteral("mono") << failed;
    QTest::newRow("a colour table it does not send (indexed)") << QStringLiteral("indexed") << failed;
    QTest::newRow("more lines than its memory holds") << QStringLiteral("larger than its memory") << failed;
    QTest::newRow("pixels in memory of its own") << QStringLiteral("its own memory") << failed;
    QTest::newRow("a 900-megapixel sparse memfd of its own") << QStringLiteral("a 900-megapixel memfd of its own")
                                                             << failed;
    // Never lent: more than a fitted picture can take.
    QTest::newRow("900 megapixels asked for") << QStringLiteral("900 megapixels asked for") << failed;
    // The seal fails while its mapping is writable; memory kept would be
    // held outside its limits: the helper is killed either way.
    QTest::newRow("keeps writing after its reply") << QStringLiteral("keeps writing") << failed;
    QTest::newRow("keeps the memory lent") << QStringLiteral("keeps the memory") << failed;
    // Answers to other requests are not heard: the deadline ends it.
    QTest::newRow("answers another request") << QStringLiteral("another id") << int(Reason::TookTooLong);
    QTest::newRow("thousands of answers to nothing first") << QStringLiteral("flood") << -1;
    QTest::newRow("descriptors it was not asked for") << QStringLiteral("descriptors it was not asked for") << -1;
    QTest::newRow("honest") << QStringLiteral("honest") << -1;
}

void TestDecoders::lyingHelpers()
{
    QFETCH(QString, lie);
    QFETCH(int, reason);
    DecodeQueue::Limits limits;
    limits.deadlineMs = 2000;
    std::unique_ptr<DecodeQueue> queue = readyQueue(limits, lie);
    // A file larger than a kilobyte: the fake lies about those.
    QImage noise(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 0xFF));
    QVERIFY(noise.save(path(QStringLiteral("lied-about.png"))));
    QVERIFY(QFileInfo(path(QStringLiteral("lied-about.png"))).size() > 1024);
    const std::optional<DecodedPicture> heard =
        decoded(*queue, path(QStringLiteral("lied-about.png")), QSize(400, 300), this);
    QVERIFY(heard);
    if (reason >= 0) {
        QCOMPARE(heard->status, DecodedPicture::Status::CannotDisplay);
        QCOMPARE(int(heard->reason), reason);
    } else {
        QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
        QCOMPARE(heard->image.size(), QSize(30, 20));
    }
    // The window is still there to ask again, and is answered.
    const std::optional<DecodedPicture> next = decoded(*queue, path(QStringLiteral("next.png")), QSize(400, 300), this);
    QVERIFY(next);
    QCOMPARE(next->status, DecodedPicture::Status::Decoded);
    QCOMPARE(next->image.size(), QSize(30, 20));
}

void TestDecoders::greyPngs_data()
{
    // Grey PNGs of every depth, as libpng's own test suite has them: a
    // palette-less picture of 1, 2 or 4 bits reaches Qt as a picture with a
    // colour table, which never crosses to the window as such.
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("interlaced");
    for (const int depth : {1, 2, 4, 8, 16}) {
        for (const bool transparent : {false, true}) {
            for (const bool interlaced : {false, true}) {
                QTest::addRow("%d-bit grey%s%s", depth, transparent ? ", transparent" : "",
                              interlaced ? ", interlaced" : "")
                    << depth << transparent << interlaced;
            }
        }
    }
}

void TestDecoders::greyPngs()
{
    QFETCH(int, depth);
    QFETCH(bool, transparent);
    QFETCH(bool, interlaced);
    // Left half black, right half white; black transparent when asked.
    const QString file = path(QStringLiteral("grey.png"));
    QProcess convert;
    QStringList arguments{QStringLiteral("-size"), QStringLiteral("40x20"), QStringLiteral("xc:black"),
                          QStringLiteral("(")};
    arguments << QStringLiteral("-size") << QStringLiteral("20x20") << QStringLiteral("xc:white") << QStringLiteral(")")
              << QStringLiteral("-geometry") << QStringLiteral("+20+0") << QStringLiteral("-composite")
              << QStringLiteral("-colorspace") << QStringLiteral("gray");
    if (transparent)
        arguments << QStringLiteral("-transparent") << QStringLiteral("black");
    if (interlaced)
        arguments << QStringLiteral("-interlace") << QStringLiteral("PNG");
    arguments << QStringLiteral("-define") << QStringLiteral("png:bit-depth=%1").arg(depth)
              << QStringLiteral("-define")
              << QStringLiteral("png:color-type=%1").arg(transparent && depth >= 8 ? 4 : 0)
              << QStringLiteral("PNG:") + file;
    convert.start(QStringLiteral("convert"), arguments);
    if (!convert.waitForStarted())
        QSKIP("ImageMagick's convert is not installed");
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitCode(), 0);
    // A bigger view than the picture: the helper sends it as it is, or scaled.
    for (const QSize bounds : {QSize(400, 300), QSize(10, 5)}) {
        std::unique_ptr<DecodeQueue> queue = readyQueue();
        const std::optional<DecodedPicture> heard = decoded(*queue, file, bounds, this);
        QVERIFY(heard);
        QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
        // Painted as the window paints a picture.
        QImage canvas(heard->image.size(), QImage::Format_RGB32);
        canvas.fill(Qt::red);
        QPainter painter(&canvas);
        painter.drawImage(0, 0, heard->image);
        painter.end();
        const QColor right = canvas.pixelColor(canvas.width() - 1, canvas.height() / 2);
        const QColor left = canvas.pixelColor(0, canvas.height() / 2);
        QCOMPARE(right, QColor(Qt::white));
        QCOMPARE(left, transparent ? QColor(Qt::red) : QColor(Qt::black));
    }
}

void TestDecoders::anyScreenProfile_data()
{
    // A calibrated wide-gamut screen's profile may be hundreds of kilobytes
    // (its curves as tables); it goes to each helper once, in sealed memory,
    // whatever its size. A profile Qt cannot use leaves an sRGB screen.
    QTest::addColumn<int>("tableEntries");
    QTest::newRow("sRGB, small") << 0;
    QTest::newRow("216 KB of curves") << 108000;
    QTest::newRow("a megabyte of curves") << 520000;
}

void TestDecoders::anyScreenProfile()
{
    QFETCH(int, tableEntries);
    QColorSpace screen(QColorSpace::SRgb);
    if (tableEntries > 0) {
        QList<quint16> table(tableEntries);
        for (int i = 0; i < tableEntries; ++i)
        {
            // A measured curve: no gamma Qt could write in a few bytes instead.
            const double x = double(i) / (tableEntries - 1);
            table[i] = quint16(std::lround(std::clamp(std::pow(x, 2.2) + 0.002 * std::sin(x * 40), 0.0, 1.0) * 65535));
        }
        screen = QColorSpace(QColorSpace::Primaries::DciP3D65, table);
        QVERIFY(screen.isValid());
        QVERIFY(screen.iccProfile().size() >= qsizetype(tableEntries) * 2);
    }
    std::unique_ptr<DecodeQueue> queue = readyQueue();
    queue->setScreenColours(screen);
    const QList<qint64> before = queue->helperPids();
    for (int i = 0; i < 3; ++i) {
        const std::optional<DecodedPicture> heard =
            decoded(*queue, path(QStringLiteral("next.png")), QSize(400, 300 + i), this);
        QVERIFY(heard);
        QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
        QCOMPARE(heard->image.size(), QSize(30, 20));
    }
    // No helper was lost to it.
    QVERIFY(sameHelpers(queue->helperPids(), before));
}

void TestDecoders::detailsFromContainedHelper_data()
{
    // exiv2 inside the helper's containment, on a file exiftool tagged:
    // what it reads crosses to the window only when asked for.
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("format");
    for (const bool asked : {true, false}) {
        QTest::addRow("JPEG%s", asked ? "" : ", not asked")
            << QStringLiteral("colour-adobe-rgb.jpg") << asked << QStringLiteral("JPEG");
        QTest::addRow("HEIC%s", asked ? "" : ", not asked")
            << QStringLiteral("heic-8bit.heic") << asked << QStringLiteral("HEIF");
    }
}

void TestDecoders::detailsFromContainedHelper()
{
    QFETCH(QString, source);
    QFETCH(bool, asked);
    QFETCH(QString, format);
    const QString file = path(source);
    QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/") + source), file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-Make=Fujifilm"),
                    QStringLiteral("-Model=X-T5"), QStringLiteral("-DateTimeOriginal=2023:11:30 16:45:01"), file});
    if (!exiftool.waitForStarted())
        QSKIP("exiftool (libimage-exiftool-perl) is not installed");
    QVERIFY(exiftool.waitForFinished(30000));
    QCOMPARE(exiftool.exitCode(), 0);

    std::unique_ptr<DecodeQueue> queue = readyQueue();
    std::optional<DecodedPicture> heard;
    DecodeRequest request = DecodeRequest::fitted(file, QSize(400, 300));
    request.details = asked;
    queue->decode(request, DecodeQueue::Priority::Shown, this,
                  [&heard](const DecodedPicture &picture) { heard = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(heard.has_value(), 30000);
    QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
    QCOMPARE(heard->details.make, asked ? QStringLiteral("Fujifilm") : QString());
    QCOMPARE(heard->details.model, asked ? QStringLiteral("X-T5") : QString());
    QCOMPARE(heard->details.taken, asked ? QStringLiteral("2023-11-30 16:45:01") : QString());
    QCOMPARE(heard->details.format, asked ? format : QString());
    QCOMPARE(heard->details.tags.isEmpty(), !asked);
}

void TestDecoders::sidecarsReachTheHelper_data()
{
    // A HEIC beside its XMP sidecar, opened by the window and handed over
    // with the photo: the helper reads the marks from it and turns every
    // picture it makes of the photo as it says, under either name a sidecar
    // has; without one, the photo as it is.
    QTest::addColumn<QString>("sidecar"); // its name beside photo.heic, empty: none
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");      // the photo's size as the reply says
    for (const char *kind : {"details", "decode", "preview", "thumbnail"}) {
        QTest::addRow("photo.xmp, %s", kind) << QStringLiteral("photo.xmp") << QString::fromLatin1(kind) << QSize(201, 301);
        QTest::addRow("no sidecar, %s", kind) << QString() << QString::fromLatin1(kind) << QSize(301, 201);
    }
    QTest::newRow("photo.heic.xmp, decode") << QStringLiteral("photo.heic.xmp") << QStringLiteral("decode") << QSize(201, 301);
}

void TestDecoders::sidecarsReachTheHelper()
{
    QFETCH(QString, sidecar);
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("cache"))));
    const QString photo = path(QStringLiteral("photo.heic"));
    QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/heic-thumbnail.heic")), photo));
    if (!sidecar.isEmpty()) {
        QFile xmp(path(sidecar));
        QVERIFY(xmp.open(QIODevice::WriteOnly));
        xmp.write("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                  "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                  "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" xmp:Rating=\"4\" xmp:Label=\"Yellow\" "
                  "tiff:Orientation=\"6\"/></rdf:RDF></x:xmpmeta>");
    }
    std::unique_ptr<DecodeQueue> queue = readyQueue();
    DecodeRequest request = kind == QStringLiteral("details")  ? DecodeRequest::detailsOf(photo)
                            : kind == QStringLiteral("preview") ? DecodeRequest::previewOf(photo, QSize(400, 400))
                            : kind == QStringLiteral("thumbnail") ? DecodeRequest::thumbnailOf(photo, QSize(128, 128))
                                                                  : DecodeRequest::shown(photo, QSize(400, 400));
    std::optional<DecodedPicture> heard;
    queue->decode(request, DecodeQueue::Priority::Shown, this, [&heard](const DecodedPicture &picture) { heard = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(heard.has_value(), 30000);
    if (kind == QStringLiteral("details") || kind == QStringLiteral("decode")) {
        QCOMPARE(heard->details.marks.rating, sidecar.isEmpty() ? 0 : 4);
        QCOMPARE(heard->details.marks.label, sidecar.isEmpty() ? marks::Label::None : marks::Label::Yellow);
    }
    if (kind == QStringLiteral("details"))
        return;
    QCOMPARE(heard->status, DecodedPicture::Status::Decoded);
    QCOMPARE(heard->fullSize, size);
    QCOMPARE(heard->image.width() < heard->image.height(), size.width() < size.height());
    // Turned by the sidecar, a thumbnail is not the shared cache's to keep.
    if (kind == QStringLiteral("thumbnail"))
        QCOMPARE(heard->fromSharedCache, !sidecar.isEmpty());
}

void TestDecoders::editsFromContainedHelper_data()
{
    // exiv2 and TurboJPEG rewriting inside the helper's containment: the
    // new bytes come back through the memory the window lends, the photo's
    // own or its sidecar's, and the photo on the disk is not touched.
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("sidecar");
    QTest::addColumn<bool>("pixelsTurned");
    QTest::newRow("JPEG, stars") << QStringLiteral("colour-adobe-rgb.jpg") << 0 << false << false;
    QTest::newRow("JPEG of whole blocks, turned") << QStringLiteral("whole-blocks.jpg") << 1 << false << true;
    QTest::newRow("DNG, stars and a turn") << QStringLiteral("raw-plain.dng") << 1 << true << false;
}

void TestDecoders::editsFromContainedHelper()
{
    QFETCH(QString, source);
    QFETCH(int, turns);
    QFETCH(bool, sidecar);
    QFETCH(bool, pixelsTurned);
    const QString file = path(source);
    if (source == QStringLiteral("whole-blocks.jpg"))
        QVERIFY(testimages::writeImage(file, QSize(320, 240), "JPEG"));
    else
        QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/") + source), file));
    QFile original(file);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    std::unique_ptr<DecodeQueue> queue = readyQueue();
    MarkEdit edit;
    edit.rating = 3;
    edit.quarterTurns = turns;
    std::optional<DecodedPicture> heard;
    queue->decode(DecodeRequest::editOf(file, edit), DecodeQueue::Priority::Shown, this,
                  [&heard](const DecodedPicture &picture) { heard = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(heard.has_value(), 30000);
    QCOMPARE(heard->status, DecodedPicture::Status::Rewritten);
    QCOMPARE(heard->rewroteSidecar, sidecar);
    QCOMPARE(heard->pixelsTurned, pixelsTurned);
    QVERIFY(heard->rewritten.contains(sidecar ? "xmp:Rating=\"3\"" : "<xmp:Rating>3</xmp:Rating>")
            || heard->rewritten.contains("xmp:Rating=\"3\""));
    if (!sidecar && !pixelsTurned)
        QVERIFY(heard->rewritten.endsWith(before.right(1024))); // the pixels' bytes as they were
    QVERIFY(original.seek(0));
    QCOMPARE(original.readAll(), before);
}

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
