// The decoder helpers as the window meets them: each way a helper can end
// (cancelled, past its deadline, over its memory, crashed) gives the user a
// reason, a fresh helper takes its place and the next picture is served;
// and what a contained helper cannot do (open a file, a device, a FIFO).

#include "picture/window/decodequeue.h"
#include "platform/platform.h"
#include "testimages.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
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

// The processor time a process has spent, all its threads, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Past the command's name, which may hold spaces: state is the first field.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
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

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A queue whose helpers are all started and ready.
    std::unique_ptr<DecodeQueue> readyQueue(const DecodeQueue::Limits &limits = {});
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDecoders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(testimages::writeImage(path(QStringLiteral("next.png")), QSize(30, 20), "PNG"));
}

std::unique_ptr<DecodeQueue> TestDecoders::readyQueue(const DecodeQueue::Limits &limits)
{
    auto queue = std::make_unique<DecodeQueue>();
    queue->setLimits(limits);
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
    // Its decoder reads no more once it has the file: told to stop while
    // decoding, it goes on, and is killed once the grace is over.
    QTest::newRow("cancelled while decoding") << QStringLiteral("cancel decoding") << grid << -1;
    QTest::newRow("past its deadline") << QStringLiteral("deadline") << grid << int(Reason::TookTooLong);
    QTest::newRow("over its memory") << QStringLiteral("memory") << QStringLiteral("60mp.png")
                                     << int(Reason::TooMuchMemory);
    QTest::newRow("crashed while decoding") << QStringLiteral("crash") << grid << int(Reason::DecoderFailed);
    QTest::newRow("crashed while idle") << QStringLiteral("crash idle") << QString() << -1;
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
    std::unique_ptr<DecodeQueue> queue = readyQueue(limits);
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
    if (end == QStringLiteral("cancel decoding")) {
        // A fifth of a second of work: long past reading the 35 KB file,
        // and far from the end of a 196-megapixel decode.
        const qint64 pid = queue->helperPids().constFirst();
        const qint64 fifth = ::sysconf(_SC_CLK_TCK) / 5;
        QTRY_VERIFY_WITH_TIMEOUT(cpuTicks(pid) >= fifth, 30000);
        QVERIFY(queue->isRunning(ticket));
    }
    if (end.startsWith(QStringLiteral("cancel")))
        queue->cancel(ticket);
    if (end.startsWith(QStringLiteral("crash")))
        QCOMPARE(::kill(pid_t(queue->helperPids().constFirst()), SIGSEGV), 0);
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
    std::optional<DecodedPicture> next;
    queue->decode(DecodeRequest::fitted(path(QStringLiteral("next.png")), QSize(400, 300)),
                  DecodeQueue::Priority::Shown, this, [&next](const DecodedPicture &picture) { next = picture; });
    QTRY_VERIFY_WITH_TIMEOUT(next.has_value(), 30000);
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
    else if (kind == QStringLiteral("mono")) {
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

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
