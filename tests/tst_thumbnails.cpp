// Thumbnails as the rest of the desktop sees them: what this program writes
// into the shared cache is read back here as a plain reader of the cache
// would (the PNG's chunks parsed by hand, the entry named by the MD5 of the
// URI built from the name's own bytes), stale entries are replaced, failures
// recorded, and a file changed on the disk gets a new tile. Then the strip
// under the picture and the grid in its place, as screen readers, the file
// list and the file actions meet them.

#include "common/texts.h"
#include "common/version.h"
#include "host/qt/actions/fileactions.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/thumbs/tilemodel.h"
#include "host/qt/thumbs/thumbnailgrid.h"
#include "host/qt/thumbs/thumbnailstrip.h"
#include "host/qt/viewer/viewer.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "picture/window/decodequeue.h"
#include "picture/window/thumbnails.h"
#include "platform/platform.h"
#include "recorder.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <zlib.h>

using namespace picture;

namespace {

const QColor Red(200, 30, 30);
const QColor Blue(30, 40, 200);
const QColor Green(30, 190, 40);

// An entry as a cache reader sees it: its size and its text chunks, each
// chunk's CRC checked, the texts only those before the pixels.
struct Entry
{
    bool valid = false;
    QSize size;
    QMap<QByteArray, QByteArray> texts;
    QImage image;
};

Entry readEntry(const QString &file)
{
    Entry entry;
    QFile png(file);
    if (!png.open(QIODevice::ReadOnly))
        return entry;
    const QByteArray bytes = png.readAll();
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return entry;
    bool pixelsSeen = false;
    for (qsizetype at = 8; at + 12 <= bytes.size();) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at);
        if (at + 12 + qsizetype(length) > bytes.size())
            return entry;
        const QByteArray body = bytes.mid(at + 4, 4 + qsizetype(length));
        const quint32 crc = qFromBigEndian<quint32>(bytes.constData() + at + 8 + length);
        if (crc != quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))))
            return entry;
        const QByteArray type = body.left(4);
        const QByteArray data = body.mid(4);
        if (type == "IHDR")
            entry.size = QSize(int(qFromBigEndian<quint32>(data.constData())), int(qFromBigEndian<quint32>(data.constData() + 4)));
        else if (type == "IDAT")
            pixelsSeen = true;
        else if (type == "tEXt" && !pixelsSeen)
            entry.texts.insert(data.left(data.indexOf('\0')), data.mid(data.indexOf('\0') + 1));
        else if (type == "zTXt" && !pixelsSeen) {
            // Key, zero, the method (0), then zlib: how Qt writes a long text.
            const qsizetype zero = data.indexOf('\0');
            QByteArray text(4096, '\0');
            uLongf inflated = uLongf(text.size());
            if (uncompress(reinterpret_cast<Bytef *>(text.data()), &inflated,
                           reinterpret_cast<const Bytef *>(data.constData() + zero + 2), uLong(data.size() - zero - 2))
                == Z_OK)
                entry.texts.insert(data.left(zero), text.left(qsizetype(inflated)));
        }
        at += 12 + qsizetype(length);
    }
    entry.image = QImage::fromData(bytes, "PNG");
    entry.valid = !entry.image.isNull();
    return entry;
}

QByteArray md5Name(const QByteArray &uri)
{
    return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

qint64 mtimeOf(const QByteArray &file)
{
    struct stat status {};
    return ::stat(file.constData(), &status) == 0 ? qint64(status.st_mtime) : -1;
}

qint64 sizeOf(const QByteArray &file)
{
    struct stat status {};
    return ::stat(file.constData(), &status) == 0 ? qint64(status.st_size) : -1;
}

quint64 inodeOf(const QString &file)
{
    struct stat status {};
    return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

bool sameColour(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 16 && std::abs(a.green() - b.green()) < 16 && std::abs(a.blue() - b.blue()) < 16;
}

QColor middleOf(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// A JPEG of one colour at the raw bytes `file` names; its modification time
// `age` seconds in the past, so that rewriting it gives another.
bool writeJpeg(const QByteArray &file, const QColor &colour, int age = 100, QSize size = QSize(600, 400))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QByteArray plain = file.left(file.lastIndexOf('/')) + "/writing.jpg";
    if (!image.save(QString::fromLocal8Bit(plain), "JPEG", 95) || ::rename(plain.constData(), file.constData()) != 0)
        return false;
    struct timeval times[2] = {{::time(nullptr) - age, 0}, {::time(nullptr) - age, 0}};
    return ::utimes(file.constData(), times) == 0;
}

// An entry as another program writes it: Qt's own PNG writer, its keys.
bool writeForeignEntry(const QString &entry, const QByteArray &uri, qint64 mtime, const QColor &colour)
{
    QDir().mkpath(QFileInfo(entry).path());
    QImage image(256, 170, QImage::Format_RGB32);
    image.fill(colour);
    // On the image: the writer's own text would be split at the keys' colons.
    image.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
    image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    return image.save(entry, "PNG");
}

// The program's own window, started in `folder` and shown; the current
// folder is put back however the test ends.
struct ShownProgram
{
    explicit ShownProgram(const QString &folder) : before(QDir::currentPath())
    {
        QDir::setCurrent(folder);
        host.attach(Form1::design(), &recorder);
        host.show();
    }
    ~ShownProgram() { QDir::setCurrent(before); }
    QString before;
    qthost::QtHost host;
    Form1 form{host};
    Recorder recorder{form};
};

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writtenAsTheCacheAsks_data();
    void writtenAsTheCacheAsks();
    void cacheEntries_data();
    void cacheEntries();
    void failureRecorded();
    void changedFileGetsAFreshTile();
    void cacheFilesAreNeverThumbnailed();
    void tilesHeardByScreenReaders();
    void stripChoosesAsTheUserDoes();
    void stripSharesTheViewersPlace();
    void gridInPlaceOfThePicture();
    void gridOpensWhereTheChosenPhotoIs();
    void severalChosenInTheGrid();

private:
    QByteArray folder() const { return QFile::encodeName(m_dir->path()); }
    QString cacheFolder() const { return m_cache->path() + QStringLiteral("/thumbnails"); }
    // The tile of `path`, made by a contained helper, waited for.
    Thumbnails::Tile tileOf(Thumbnails &thumbnails, const QString &path);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_cache;
    std::unique_ptr<DecodeQueue> m_queue;
};

void TestThumbnails::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_cache = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_cache->isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache->path()));
    m_queue = std::make_unique<DecodeQueue>();
}

void TestThumbnails::cleanup()
{
    m_queue.reset();
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
}

Thumbnails::Tile TestThumbnails::tileOf(Thumbnails &thumbnails, const QString &path)
{
    thumbnails.want({path}, {});
    (void)QTest::qWaitFor([&] { return thumbnails.tile(path).known; }, 30000);
    return thumbnails.tile(path);
}

void TestThumbnails::writtenAsTheCacheAsks_data()
{
    // The name's own bytes, percent-encoded, make the URI whose MD5 names the entry.
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("uriName");
    QTest::newRow("plain") << QByteArray("IMG_0001.jpg") << QByteArray("IMG_0001.jpg");
    QTest::newRow("space and Japanese") << QByteArray("夏 の海.jpg") << QByteArray("%E5%A4%8F%20%E3%81%AE%E6%B5%B7.jpg");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9.jpg") << QByteArray("caf%E9.jpg");
    QTest::newRow("reserved characters") << QByteArray("a#b%c?.jpg") << QByteArray("a%23b%25c%3F.jpg");
}

void TestThumbnails::writtenAsTheCacheAsks()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, uriName);
    const QByteArray file = folder() + '/' + name;
    QVERIFY(writeJpeg(file, Red, 100, QSize(900, 600)));
    Thumbnails thumbnails(*m_queue, 96, 256);
    const Thumbnails::Tile tile = tileOf(thumbnails, platform::decodePath(file));
    QVERIFY(tile.known);
    QVERIFY(!tile.image.isNull());
    QCOMPARE(tile.image.size(), QSize(96, 64));
    QVERIFY(sameColour(middleOf(tile.image), Red));

    const QByteArray uri = "file://" + folder() + '/' + uriName;
    const QString entryFile = cacheFolder() + QStringLiteral("/large/") + QString::fromLatin1(md5Name(uri));
    const Entry entry = readEntry(entryFile);
    QVERIFY2(entry.valid, qPrintable(entryFile));
    QCOMPARE(entry.size, QSize(256, 170));
    QCOMPARE(entry.texts.value("Thumb::URI"), uri);
    QCOMPARE(entry.texts.value("Thumb::MTime"), QByteArray::number(mtimeOf(file)));
    QCOMPARE(entry.texts.value("Thumb::Size"), QByteArray::number(sizeOf(file)));
    QCOMPARE(entry.texts.value("Thumb::Mime"), QByteArray("image/jpeg"));
    QCOMPARE(entry.texts.value("Thumb::Image::Width"), QByteArray("900"));
    QVERIFY(sameColour(middleOf(entry.image), Red));
    // Only its owner may read it, or see into the folders.
    for (const auto &[place, mode] : {std::pair{entryFile, 0600}, {cacheFolder(), 0700}, {cacheFolder() + QStringLiteral("/large"), 0700}}) {
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(place).constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, mode_t(mode));
    }
    // Nothing left of the writing beside it.
    QCOMPARE(QDir(cacheFolder() + QStringLiteral("/large")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestThumbnails::cacheEntries_data()
{
    // What is in the cache before: nothing, another program's entry of the
    // file as it is now, or one of an older version of it.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QColor>("shown");
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("none") << QStringLiteral("none") << Red << true;
    QTest::newRow("valid: served as it is") << QStringLiteral("valid") << Green << false;
    QTest::newRow("stale: replaced") << QStringLiteral("stale") << Red << true;
    QTest::newRow("another file's: replaced") << QStringLiteral("other") << Red << true;
}

void TestThumbnails::cacheEntries()
{
    QFETCH(QString, before);
    QFETCH(QColor, shown);
    QFETCH(bool, rewritten);
    const QByteArray file = folder() + "/photo.jpg";
    QVERIFY(writeJpeg(file, Red));
    const QByteArray uri = "file://" + file;
    const QString entryFile = cacheFolder() + QStringLiteral("/large/") + QString::fromLatin1(md5Name(uri));
    if (before != QLatin1String("none")) {
        const qint64 mtime = before == QLatin1String("stale") ? mtimeOf(file) - 50 : mtimeOf(file);
        QVERIFY(writeForeignEntry(entryFile, before == QLatin1String("other") ? uri + "x" : uri, mtime, Green));
    }
    const quint64 inode = inodeOf(entryFile);

    Thumbnails thumbnails(*m_queue, 96, 256);
    const Thumbnails::Tile tile = tileOf(thumbnails, platform::decodePath(file));
    QVERIFY(!tile.image.isNull());
    QVERIFY(sameColour(middleOf(tile.image), shown));
    const Entry entry = readEntry(entryFile);
    QVERIFY(entry.valid);
    QCOMPARE(inodeOf(entryFile) != inode, rewritten);
    QCOMPARE(entry.texts.value("Thumb::URI"), uri);
    QCOMPARE(entry.texts.value("Thumb::MTime"), QByteArray::number(mtimeOf(file)));
    QVERIFY(sameColour(middleOf(entry.image), shown));
}

void TestThumbnails::failureRecorded()
{
    // A HEIC cut short: recorded as a failure under this program's own
    // name, and believed the next time without a decode.
    const QByteArray file = folder() + "/damaged.heic";
    QVERIFY(QFile::copy(QFINDTESTDATA(QStringLiteral("data/formats/hostile-truncated-heic-8bit.heic")),
                        QString::fromLocal8Bit(file)));
    const QByteArray uri = "file://" + file;
    const QString record = cacheFolder() + QStringLiteral("/fail/zelvoviewer-") + QStringLiteral(ZELVO_VERSION)
                           + QLatin1Char('/') + QString::fromLatin1(md5Name(uri));
    {
        Thumbnails thumbnails(*m_queue, 96, 256);
        const Thumbnails::Tile tile = tileOf(thumbnails, platform::decodePath(file));
        QVERIFY(tile.known);
        QVERIFY(tile.image.isNull());
        QCOMPARE(tile.reason, DecodedPicture::Reason::Damaged);
    }
    const Entry entry = readEntry(record);
    QVERIFY2(entry.valid, qPrintable(record));
    QCOMPARE(entry.texts.value("Thumb::URI"), uri);
    QCOMPARE(entry.texts.value("Thumb::MTime"), QByteArray::number(mtimeOf(file)));
    QVERIFY(!QFileInfo::exists(cacheFolder() + QStringLiteral("/large/") + QString::fromLatin1(md5Name(uri))));

    const quint64 inode = inodeOf(record);
    Thumbnails again(*m_queue, 96, 256);
    const Thumbnails::Tile tile = tileOf(again, platform::decodePath(file));
    QCOMPARE(tile.reason, DecodedPicture::Reason::Damaged);
    QCOMPARE(inodeOf(record), inode);
}

void TestThumbnails::changedFileGetsAFreshTile()
{
    const QByteArray file = folder() + "/photo.jpg";
    QVERIFY(writeJpeg(file, Red, 100));
    const QString path = platform::decodePath(file);
    Thumbnails thumbnails(*m_queue, 96, 256);
    QVERIFY(sameColour(middleOf(tileOf(thumbnails, path).image), Red));
    // Unchanged: the tile stays known, nothing asked again.
    thumbnails.forgetChanged();
    QVERIFY(thumbnails.tile(path).known);
    QCOMPARE(thumbnails.asking(), 0);

    QVERIFY(writeJpeg(file, Blue, 10));
    thumbnails.forgetChanged();
    QVERIFY(!thumbnails.tile(path).known);
    QVERIFY(sameColour(middleOf(tileOf(thumbnails, path).image), Blue));
    const Entry entry = readEntry(cacheFolder() + QStringLiteral("/large/") + QString::fromLatin1(md5Name("file://" + file)));
    QCOMPARE(entry.texts.value("Thumb::MTime"), QByteArray::number(mtimeOf(file)));
    QVERIFY(sameColour(middleOf(entry.image), Blue));
    // A sidecar written since may turn it: a fresh tile too.
    (void)tileOf(thumbnails, path);
    QVERIFY(thumbnails.tile(path).known);
    QFile sidecar(QString::fromLocal8Bit(folder()) + QStringLiteral("/photo.xmp"));
    QVERIFY(sidecar.open(QIODevice::WriteOnly));
    sidecar.write("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>");
    sidecar.close();
    thumbnails.forgetChanged();
    QVERIFY(!thumbnails.tile(path).known);
}

void TestThumbnails::cacheFilesAreNeverThumbnailed()
{
    const QString large = cacheFolder() + QStringLiteral("/large");
    QVERIFY(QDir().mkpath(large));
    const QByteArray inside = QFile::encodeName(large) + "/0123456789abcdef0123456789abcdef.png";
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Red);
    QVERIFY(image.save(QString::fromLocal8Bit(inside), "PNG"));
    Thumbnails thumbnails(*m_queue, 96, 256);
    const Thumbnails::Tile tile = tileOf(thumbnails, platform::decodePath(inside));
    QVERIFY(tile.known);
    QVERIFY(tile.image.isNull());
    QCOMPARE(QDir(large).entryList(QDir::Files).size(), 1);
    QCOMPARE(m_queue->asked(), quint64(0));
}

void TestThumbnails::tilesHeardByScreenReaders()
{
    Thumbnails thumbnails(*m_queue, 96, 256);
    qthost::TileModel model(nullptr, thumbnails);
    QStringList names;
    for (int i = 1; i <= 240; ++i)
        names.append(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    model.setFiles(QString::fromLocal8Bit(folder()), names);
    QCOMPARE(model.data(model.index(2), Qt::AccessibleTextRole).toString(), QStringLiteral("IMG_0003.jpg、3 / 240"));
    QCOMPARE(model.data(model.index(239), Qt::AccessibleTextRole).toString(), QStringLiteral("IMG_0240.jpg、240 / 240"));
    // Marked, its marks heard with its name.
    model.setMarksOf([](const QString &path) -> std::optional<marks::Marks> {
        if (path.endsWith(QStringLiteral("IMG_0003.jpg")))
            return marks::Marks{3, marks::Label::Red};
        return std::nullopt;
    });
    QCOMPARE(model.data(model.index(2), Qt::AccessibleTextRole).toString(),
             QStringLiteral("IMG_0003.jpg、星 3、赤ラベル、3 / 240"));
    QCOMPARE(model.data(model.index(4), Qt::AccessibleTextRole).toString(), QStringLiteral("IMG_0005.jpg、5 / 240"));
    QCOMPARE(model.path(2), QString::fromLocal8Bit(folder()) + QStringLiteral("/IMG_0003.jpg"));
    // A tile that cannot be shown says why in words.
    QVERIFY(model.data(model.index(0), qthost::TileModel::PlaceholderRole).toString().isEmpty());
    QCOMPARE(qthost::tilePlaceholder(DecodedPicture::Reason::Damaged), QStringLiteral("壊れています"));
}

void TestThumbnails::stripChoosesAsTheUserDoes()
{
    QStringList names;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        names.append(QString::fromLatin1(name));
        QVERIFY(writeJpeg(folder() + '/' + name, Red));
    }
    QWidget window;
    window.resize(600, 200);
    qthost::ThumbnailStrip strip(&window, *m_queue);
    strip.setGeometry(0, 0, 600, strip.stripHeight());
    strip.setFiles(QString::fromLocal8Bit(folder()), names);
    QSignalSpy chosen(&strip, &qthost::ThumbnailStrip::chosen);
    // Hidden, it asks for nothing.
    QCOMPARE(strip.thumbnails().asking(), 0);
    window.show();
    strip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The file list's choice is shown, not told back to it.
    strip.setChosen(1);
    QCOMPARE(strip.currentIndex().row(), 1);
    QCOMPARE(chosen.size(), 0);
    QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, strip.visualRect(strip.model()->index(2, 0)).center());
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 2);
    strip.setFocus();
    QTest::keyClick(&strip, Qt::Key_Right);
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(1).at(0).toInt(), 3);
    // Shown, its tiles are made.
    QVERIFY(QTest::qWaitFor([&] { return strip.thumbnails().tile(QString::fromLocal8Bit(folder()) + QStringLiteral("/d.jpg")).known; }, 30000));
}

void TestThumbnails::stripSharesTheViewersPlace()
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(writeJpeg(folder() + '/' + name, Red));
    ShownProgram program(m_dir->path());
    qthost::QtHost &host = program.host;
    Recorder &recorder = program.recorder;
    QVERIFY(QTest::qWaitForWindowExposed(host.window()));
    auto *view = host.window()->findChild<qthost::ViewerWidget *>();
    qthost::ThumbnailStrip *strip = host.thumbnailStrip();
    QVERIFY(view && strip && strip->isHidden());
    const QRect alone = view->geometry();
    QAction *toggle = nullptr;
    for (QAction *action : host.window()->actions()) {
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_B))
            toggle = action;
    }
    QVERIFY(toggle);

    // Shown: the strip takes the bottom of the viewer's place, the picture the rest.
    toggle->trigger();
    QVERIFY(strip->isVisible());
    const int height = strip->stripHeight();
    QCOMPARE(view->geometry(), alone.adjusted(0, 0, 0, -height));
    QCOMPARE(strip->geometry(), QRect(alone.left(), alone.bottom() + 1 - height, alone.width(), height));
    // The window resized: both follow what the layout gives the viewer.
    host.window()->resize(host.window()->width() + 60, host.window()->height() + 40);
    QTRY_COMPARE(strip->width(), view->width());
    QTRY_COMPARE(view->geometry().bottom() + 1, strip->geometry().top());
    const QRect grown(view->geometry().topLeft(), QSize(view->width(), view->height() + height));

    // The file list's choice shows in the strip; the strip's is the file list's.
    auto *files = host.window()->findChild<qthost::FileListWidget *>();
    QVERIFY(files);
    QCOMPARE(files->names(), QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
    files->choose(1);
    QCOMPARE(strip->currentIndex().row(), 1);
    const int clicks = recorder.count(QStringLiteral("File1_Click"));
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->visualRect(strip->model()->index(2, 0)).center());
    QCOMPARE(files->selectedRow(), 2);
    QCOMPARE(recorder.count(QStringLiteral("File1_Click")), clicks + 1);
    QCOMPARE(host.file1().fileName(), QStringLiteral("c.jpg"));

    // Hidden: the layout is the program's own again.
    toggle->trigger();
    QVERIFY(strip->isHidden());
    QCOMPARE(view->geometry(), grown);
}

void TestThumbnails::gridInPlaceOfThePicture()
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        QVERIFY(writeJpeg(folder() + '/' + name, Red));
    // A trash of the test's own for Delete.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_cache->path()));
    {
        ShownProgram program(m_dir->path());
        qthost::QtHost &host = program.host;
        Recorder &recorder = program.recorder;
        QVERIFY(QTest::qWaitForWindowExposed(host.window()));
        auto *view = host.window()->findChild<qthost::ViewerWidget *>();
        auto *files = host.window()->findChild<qthost::FileListWidget *>();
        qthost::ThumbnailGrid *grid = host.thumbnailGrid();
        QVERIFY(view && files && grid && grid->isHidden());
        files->choose(1);
        QTRY_VERIFY(view->imageView()->isVisible());
        host.setStripShown(true);
        const QRect place = view->geometry().united(host.thumbnailStrip()->geometry());

        // G on the picture: the grid takes the whole place, and the keyboard,
        // on the file the list has chosen.
        view->imageView()->setFocus();
        QTest::keyClick(view->imageView(), Qt::Key_G);
        QVERIFY(grid->isVisible());
        QCOMPARE(grid->geometry(), place);
        QVERIFY(grid->hasFocus());
        QCOMPARE(grid->currentIndex().row(), 1);
        // Moving in it chooses as the file list does.
        const int clicks = recorder.count(QStringLiteral("File1_Click"));
        QTest::keyClick(grid, Qt::Key_Right);
        QCOMPARE(files->selectedRow(), 2);
        QCOMPARE(recorder.count(QStringLiteral("File1_Click")), clicks + 1);
        // Sizes step through those offered and stop at either end.
        QCOMPARE(grid->tileSide(), 128);
        QTest::keyClick(grid, Qt::Key_Plus);
        QCOMPARE(grid->tileSide(), 192);
        QWheelEvent wheel(QPointF(20, 20), grid->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(grid->viewport(), &wheel);
        QCOMPARE(grid->tileSide(), 128);
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(grid, Qt::Key_Minus);
        QCOMPARE(grid->tileSide(), 96);
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(grid, Qt::Key_Plus);
        QCOMPARE(grid->tileSide(), 512);
        // Enter opens the photo: the picture again, with the keyboard.
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(grid->isHidden());
        QCOMPARE(host.file1().fileName(), QStringLiteral("c.jpg"));
        QVERIFY(view->imageView()->hasFocus());
        // Delete in the grid takes the photo chosen there to the trash.
        QTest::keyClick(view->imageView(), Qt::Key_G);
        QVERIFY(grid->hasFocus());
        QTest::keyClick(grid, Qt::Key_Delete);
        QTRY_VERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("c.jpg"))));
        QVERIFY(QFile::exists(m_cache->filePath(QStringLiteral("Trash/files/c.jpg"))));
        // Esc goes back.
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(grid->isHidden());
    }
}

void TestThumbnails::gridOpensWhereTheChosenPhotoIs()
{
    // Far down a folder of many, on the grid's first showing.
    for (int i = 0; i < 60; ++i)
        QVERIFY(writeJpeg(folder() + "/p" + QByteArray::number(10 + i) + ".jpg", Blue, 100, QSize(60, 40)));
    ShownProgram program(m_dir->path());
    QVERIFY(QTest::qWaitForWindowExposed(program.host.window()));
    auto *files = program.host.window()->findChild<qthost::FileListWidget *>();
    qthost::ThumbnailGrid *grid = program.host.thumbnailGrid();
    files->choose(59);
    program.host.setGridShown(true);
    QVERIFY(grid->verticalScrollBar()->maximum() > 0);
    QCOMPARE(grid->currentIndex().row(), 59);
    QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
}

void TestThumbnails::severalChosenInTheGrid()
{
    // Shift and Ctrl choose several tiles; Delete takes them all to the
    // trash and one Ctrl+Z brings them all back; a star goes on each.
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        QVERIFY(writeJpeg(folder() + '/' + name, Red));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_cache->path()));
    ShownProgram program(m_dir->path());
    qthost::QtHost &host = program.host;
    QVERIFY(QTest::qWaitForWindowExposed(host.window()));
    auto *files = host.window()->findChild<qthost::FileListWidget *>();
    qthost::ThumbnailGrid *grid = host.thumbnailGrid();
    files->choose(1);
    host.setGridShown(true);
    const auto clickTile = [grid](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                          grid->visualRect(grid->model()->index(row, 0)).center());
    };
    // Once the grid has laid its tiles out.
    QTRY_VERIFY(grid->visualRect(grid->model()->index(4, 0)).isValid());
    clickTile(1, Qt::NoModifier);
    clickTile(3, Qt::ControlModifier);
    QCOMPARE(grid->selectedPaths(),
             (QStringList{m_dir->filePath(QStringLiteral("b.jpg")), m_dir->filePath(QStringLiteral("d.jpg"))}));
    // The file list follows the tile clicked last; the other stays selected.
    QCOMPARE(host.file1().fileName(), QStringLiteral("d.jpg"));
    QTest::keyClick(grid, Qt::Key_Delete);
    QTRY_VERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("b.jpg"))));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("d.jpg"))));
    QCOMPARE(files->names(), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg"), QStringLiteral("e.jpg")}));
    QCOMPARE(host.file1().fileName(), QStringLiteral("e.jpg"));
    host.fileActions()->action(qthost::FileActions::Action::Undo)->trigger();
    QCOMPARE(files->names().size(), 5);

    // Two chosen with Shift: a star on each, written to each.
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-ver")});
    if (!exiftool.waitForStarted() || !exiftool.waitForFinished(30000))
        QSKIP("exiftool (libimage-exiftool-perl) is not installed: nothing can read the stars back");
    clickTile(0, Qt::NoModifier);
    clickTile(1, Qt::ShiftModifier);
    QCOMPARE(grid->selectedPaths().size(), 2);
    QSignalSpy told(host.fileActions(), &qthost::FileActions::told);
    host.window()->findChild<QAction *>(QStringLiteral("MarkStars2"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 1, 30000);
    QCOMPARE(told.at(0).at(0).toString(), QStringLiteral("a.jpg ほか 1 個 を星 2 つにしました。"));
    for (const char *name : {"a.jpg", "b.jpg"}) {
        QProcess read;
        read.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-XMP-xmp:Rating"),
                                                m_dir->filePath(QLatin1String(name))});
        QVERIFY(read.waitForFinished(30000));
        QCOMPARE(read.readAllStandardOutput().trimmed(), QByteArray("2"));
    }
}

QTEST_MAIN(TestThumbnails)
#include "tst_thumbnails.moc"
