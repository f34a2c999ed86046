// Marks and turns from the key to the disk and back, with the decoder
// helpers: written where other programs read them, checked before they take
// a file's place (a helper that damages what it writes is caught), refused
// for a file changed since it was shown, a pair written whole or not at all,
// and undone byte for byte; in the window, what the keys do shows at once.

#include "app/form1.h"
#include "common/texts.h"
#include "fileops/operations.h"
#include "host/qt/actions/fileactions.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/lists/listmodels.h"
#include "host/qt/marks/markactions.h"
#include "host/qt/marks/markwriter.h"
#include "host/qt/viewer/pictureview.h"
#include "host/qt/viewer/viewer.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "recorder.h"
#include "testimages.h"
#include "widgettest.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace qthost;
using picture::MarkEdit;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QString exiftool(const QString &file, const QString &tag)
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-n"), QLatin1Char('-') + tag, file});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

bool haveExiftool()
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {QStringLiteral("-ver")});
    return tool.waitForStarted() && tool.waitForFinished(30000) && tool.exitCode() == 0;
}

// A photo of whole JPEG blocks with something in each corner.
QImage samplePhoto(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 90));
    QPainter(&image).fillRect(QRect(0, 0, size.width() / 4, size.height() / 4), Qt::white);
    return image;
}

std::unique_ptr<picture::DecodeQueue> readyQueue(const QString &lie = {})
{
    auto queue = std::make_unique<picture::DecodeQueue>();
    if (!lie.isEmpty()) {
        picture::HelperProcess::Options fake;
        fake.program = QCoreApplication::applicationDirPath() + QStringLiteral("/zelvo-fake-helper");
        fake.arguments = {lie};
        queue->setHelper(fake);
    }
    queue->warmUp();
    (void)QTest::qWaitFor([&queue] { return queue->readyHelpers() == queue->workers(); }, 30000);
    return queue;
}

// What the writer said of an order: "written" or "refused <why>".
struct Heard
{
    QString said;
    QList<fileops::Rewrite> rewrites;
    QList<marks::Marks> marksNow;
};

Heard writeAndWait(MarkWriter &writer, const MarkWriter::Order &order)
{
    std::optional<Heard> heard;
    const QMetaObject::Connection written = QObject::connect(
        &writer, &MarkWriter::written,
        [&heard](const MarkWriter::Order &, const QList<fileops::Rewrite> &rewrites, const QList<marks::Marks> &now) {
            heard = Heard{QStringLiteral("written"), rewrites, now};
        });
    const QMetaObject::Connection refused =
        QObject::connect(&writer, &MarkWriter::refused, [&heard](const MarkWriter::Order &, const QString &, const QString &why) {
            heard = Heard{QStringLiteral("refused ") + why, {}, {}};
        });
    writer.write(order);
    (void)QTest::qWaitFor([&heard] { return heard.has_value(); }, 60000);
    QObject::disconnect(written);
    QObject::disconnect(refused);
    return heard.value_or(Heard{QStringLiteral("nothing heard"), {}, {}});
}

// The real window, started in the current folder and shown.
struct Window
{
    Window()
    {
        host.attach(Form1::design(), &recorder);
        host.show();
    }
    QtHost host;
    Form1 form{host};
    Recorder recorder{form};
};

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestMarkWriting : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void writtenAndUndone_data();
    void writtenAndUndone();
    void badWritesNeverTakeThePlace();
    void changedSinceShownIsRefused();
    void pairWholeOrNothing();
    void keysShowAtOnce();
    void rejectedLeaveTheFilteredList();

private:
    QString at(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;
};

void TestMarkWriting::init()
{
    if (!haveExiftool())
        QSKIP("exiftool (libimage-exiftool-perl) is not installed: nothing can read the marks back");
    m_start = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(at(QStringLiteral("photos"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(at(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(at(QStringLiteral("cache"))));
}

void TestMarkWriting::cleanup()
{
    QDir::setCurrent(m_start);
    m_dir.reset();
}

void TestMarkWriting::writtenAndUndone_data()
{
    // A photo (made, or the corpus's), the edit, where it goes, and what
    // exiftool reads there after.
    QTest::addColumn<QString>("photo");
    QTest::addColumn<int>("rating"); // -2: not asked
    QTest::addColumn<int>("turns");
    QTest::addColumn<QString>("written"); // the file exiftool reads
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    QTest::newRow("JPEG, stars") << QStringLiteral("IMG_1.jpg") << 3 << 0 << QStringLiteral("IMG_1.jpg")
                                 << QStringLiteral("XMP-xmp:Rating") << QStringLiteral("3");
    QTest::newRow("PNG, rejected") << QStringLiteral("IMG_1.png") << -1 << 0 << QStringLiteral("IMG_1.png")
                                   << QStringLiteral("XMP-xmp:Rating") << QStringLiteral("-1");
    QTest::newRow("JPEG of whole blocks, turned") << QStringLiteral("IMG_1.jpg") << -2 << 1
                                                  << QStringLiteral("IMG_1.jpg") << QStringLiteral("ImageWidth")
                                                  << QStringLiteral("240");
    QTest::newRow("TIFF, turned left") << QStringLiteral("IMG_1.tif") << -2 << -1 << QStringLiteral("IMG_1.tif")
                                       << QStringLiteral("Orientation") << QStringLiteral("8");
    QTest::newRow("DNG, stars: a sidecar made") << QStringLiteral("raw-plain.dng") << 5 << 0 << QStringLiteral("raw-plain.xmp")
                                                << QStringLiteral("XMP-xmp:Rating") << QStringLiteral("5");
    QTest::newRow("HEIC, turned: a sidecar made") << QStringLiteral("heic-8bit.heic") << -2 << 1
                                                  << QStringLiteral("heic-8bit.xmp") << QStringLiteral("XMP-tiff:Orientation")
                                                  << QStringLiteral("6");
}

void TestMarkWriting::writtenAndUndone()
{
    QFETCH(QString, photo);
    QFETCH(int, rating);
    QFETCH(int, turns);
    QFETCH(QString, written);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    const QString path = at(QStringLiteral("photos/") + photo);
    if (photo.startsWith(QStringLiteral("IMG_1.")))
        QVERIFY(samplePhoto(QSize(320, 240)).save(path, nullptr, 90));
    else
        QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/") + photo), path));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    const QByteArray before = readFile(path);
    const QStringList namesBefore = namesIn(at(QStringLiteral("photos")));
    struct stat statusBefore {};
    ::stat(QFile::encodeName(path).constData(), &statusBefore);

    std::unique_ptr<picture::DecodeQueue> queue = readyQueue();
    MarkWriter writer(*queue);
    MarkWriter::Order order;
    order.photos = {path};
    if (rating != -2)
        order.edit.rating = rating;
    order.edit.quarterTurns = turns;
    const Heard heard = writeAndWait(writer, order);
    QCOMPARE(heard.said, QStringLiteral("written"));
    const QString target = at(QStringLiteral("photos/") + written);
    QCOMPARE(exiftool(target, tag), value);
    if (rating != -2)
        QCOMPARE(heard.marksNow.value(0).rating, rating);
    struct stat statusAfter {};
    ::stat(QFile::encodeName(path).constData(), &statusAfter);
    QCOMPARE(statusAfter.st_mode, statusBefore.st_mode);
    if (turns == 0)
        QCOMPARE(statusAfter.st_mtim.tv_nsec, statusBefore.st_mtim.tv_nsec);
    // Nothing left beside it but what it was asked to write.
    QStringList expectedNames = namesBefore;
    if (!expectedNames.contains(written))
        expectedNames.append(written);
    expectedNames.sort();
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), expectedNames);

    // Ctrl+Z: back byte for byte, a sidecar made gone.
    fileops::Operations operations(at(QStringLiteral("data")));
    operations.remember(fileops::Done{fileops::Done::Kind::Marked, path, path, {}, {},
                                      std::vector(heard.rewrites.begin(), heard.rewrites.end())});
    const std::optional<fileops::Undone> undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok());
    QCOMPARE(readFile(path), before);
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), namesBefore);
}

void TestMarkWriting::badWritesNeverTakeThePlace()
{
    // A helper that writes the marks asked for, and says so when read back,
    // but changes a byte of the picture: the window's decode of what was
    // written finds it, and the photo stays as it was.
    const QString path = at(QStringLiteral("photos/IMG_1.jpg"));
    QVERIFY(samplePhoto(QSize(320, 240)).save(path, "JPEG", 90));
    const QByteArray before = readFile(path);
    std::unique_ptr<picture::DecodeQueue> queue = readyQueue(QStringLiteral("damages what it writes"));
    MarkWriter writer(*queue);
    MarkWriter::Order order;
    order.photos = {path};
    order.edit.rating = 4;
    QCOMPARE(writeAndWait(writer, order).said, QStringLiteral("refused ") + texts::WhyCheckFailed);
    QCOMPARE(readFile(path), before);
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), QStringList{QStringLiteral("IMG_1.jpg")});
}

void TestMarkWriting::changedSinceShownIsRefused()
{
    const QString path = at(QStringLiteral("photos/IMG_1.jpg"));
    QVERIFY(samplePhoto(QSize(320, 240)).save(path, "JPEG", 90));
    const std::optional<platform::FileStamp> shown = platform::fileStamp(path);
    // Another program saved the photo after it appeared.
    QVERIFY(samplePhoto(QSize(320, 240)).mirrored().save(path, "JPEG", 80));
    const QByteArray now = readFile(path);
    std::unique_ptr<picture::DecodeQueue> queue = readyQueue();
    MarkWriter writer(*queue);
    MarkWriter::Order order{{path}, {}, shown};
    order.edit.rating = 2;
    QCOMPARE(writeAndWait(writer, order).said, QStringLiteral("refused ") + texts::WhyChangedSinceShown);
    QCOMPARE(readFile(path), now);
}

void TestMarkWriting::pairWholeOrNothing()
{
    // A RAW+JPEG pair whose RAW cannot take its sidecar (a folder has its
    // name): the JPEG, written first, goes back as it was.
    const QString jpeg = at(QStringLiteral("photos/IMG_1.JPG"));
    const QString raw = at(QStringLiteral("photos/IMG_1.DNG"));
    QVERIFY(samplePhoto(QSize(320, 240)).save(jpeg, "JPEG", 90));
    QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/raw-plain.dng")), raw));
    const QByteArray before = readFile(jpeg);
    std::unique_ptr<picture::DecodeQueue> queue = readyQueue();
    MarkWriter writer(*queue);
    MarkWriter::Order order;
    order.photos = {jpeg, raw};
    order.edit.label = marks::Label::Green;
    // Both written: each where it keeps its marks.
    Heard heard = writeAndWait(writer, order);
    QCOMPARE(heard.said, QStringLiteral("written"));
    QCOMPARE(exiftool(jpeg, QStringLiteral("XMP-xmp:Label")), QStringLiteral("Green"));
    QCOMPARE(exiftool(at(QStringLiteral("photos/IMG_1.xmp")), QStringLiteral("XMP-xmp:Label")), QStringLiteral("Green"));
    fileops::Operations operations(at(QStringLiteral("data")));
    operations.remember(fileops::Done{fileops::Done::Kind::Marked, jpeg, jpeg, {}, {},
                                      std::vector(heard.rewrites.begin(), heard.rewrites.end())});
    QVERIFY(operations.undo()->outcome.ok());
    QCOMPARE(readFile(jpeg), before);
    QVERIFY(!QFile::exists(at(QStringLiteral("photos/IMG_1.xmp"))));
    // Now the RAW's sidecar cannot be: nothing of the pair is written.
    QVERIFY(QDir().mkdir(at(QStringLiteral("photos/IMG_1.xmp"))));
    heard = writeAndWait(writer, order);
    QVERIFY2(heard.said.startsWith(QStringLiteral("refused")), qPrintable(heard.said));
    QCOMPARE(readFile(jpeg), before);
}

void TestMarkWriting::keysShowAtOnce()
{
    // In the window: a star and a turn show in the very turn of the event
    // loop the key came in, and are written after; Ctrl+Z brings the file
    // back and shows it as it is.
    const QString path = at(QStringLiteral("photos/a.jpg"));
    QVERIFY(samplePhoto(QSize(320, 240)).save(path, "JPEG", 90));
    QVERIFY(samplePhoto(QSize(320, 240)).save(at(QStringLiteral("photos/b.jpg")), "JPEG", 90));
    const QByteArray before = readFile(path);
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Window window;
    QtHost &host = window.host;
    QVERIFY(QTest::qWaitForWindowExposed(host.window()));
    QVERIFY(host.chooseFile(QStringLiteral("a.jpg")));
    PictureView *view = host.window()->findChild<ViewerWidget *>()->imageView();
    QTRY_VERIFY_WITH_TIMEOUT(view->path() == path && !view->isPreview(), 30000);
    auto *list = host.window()->findChild<FileListWidget *>(QStringLiteral("File1"));
    QSignalSpy told(host.fileActions(), &FileActions::told);

    host.window()->findChild<QAction *>(QStringLiteral("MarkStars3"))->trigger();
    const QModelIndex row = list->model()->index(0, 0);
    QCOMPARE(row.data(FileNamesModel::MarksRole).value<marks::Marks>().rating, 3);
    QCOMPARE(row.data(Qt::AccessibleTextRole).toString(), QStringLiteral("a.jpg、星 3"));
    QCOMPARE(view->shownMarks().rating, 3);
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 1, 30000);
    QCOMPARE(told.at(0).at(0).toString(), QStringLiteral("a.jpg を星 3 つにしました。"));
    QCOMPARE(exiftool(path, QStringLiteral("XMP-xmp:Rating")), QStringLiteral("3"));

    const QSize shown = view->decodedSize();
    host.window()->findChild<QAction *>(QStringLiteral("TurnRight"))->trigger();
    QCOMPARE(view->decodedSize(), shown.transposed());
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 2, 30000);
    QCOMPARE(exiftool(path, QStringLiteral("ImageWidth")), QStringLiteral("240"));
    QCOMPARE(exiftool(path, QStringLiteral("XMP-xmp:Rating")), QStringLiteral("3"));

    // Undone twice: the turn, then the star; the file as it was, shown so.
    host.fileActions()->action(FileActions::Action::Undo)->trigger();
    host.fileActions()->action(FileActions::Action::Undo)->trigger();
    QCOMPARE(readFile(path), before);
    QTRY_COMPARE_WITH_TIMEOUT(view->decodedSize(), shown, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(view->shownMarks().rating, 0, 30000);
}

void TestMarkWriting::rejectedLeaveTheFilteredList()
{
    // Rejected ones hidden, X on the picture: the photo leaves the list and
    // the next one shows, as when a photo goes to the trash.
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(samplePhoto(QSize(64, 48)).save(at(QStringLiteral("photos/") + QLatin1String(name)), "JPEG", 90));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Window window;
    QtHost &host = window.host;
    QVERIFY(QTest::qWaitForWindowExposed(host.window()));
    auto *list = host.window()->findChild<FileListWidget *>(QStringLiteral("File1"));
    host.window()->findChild<QAction *>(QStringLiteral("FilterHideRejected"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(list->names().size(), 3, 30000);
    QVERIFY(host.chooseFile(QStringLiteral("b.jpg")));
    PictureView *view = host.window()->findChild<ViewerWidget *>()->imageView();
    QTRY_VERIFY_WITH_TIMEOUT(view->path().endsWith(QStringLiteral("b.jpg")), 30000);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_X);
    QCOMPARE(list->names(), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")}));
    QCOMPARE(host.file1().fileName(), QStringLiteral("c.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(exiftool(at(QStringLiteral("photos/b.jpg")), QStringLiteral("XMP-xmp:Rating")),
                              QStringLiteral("-1"), 30000);
}

ZELVO_WIDGET_TEST_MAIN(TestMarkWriting)
#include "tst_markwriting.moc"
