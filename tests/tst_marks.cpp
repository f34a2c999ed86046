// Marks and turns written as a helper writes them, read back by exiftool,
// the reader the other programs' authors trust: each mark and each turn for
// each format that keeps them itself (JPEG, PNG, WebP, TIFF) and in sidecars
// (RAW, HEIF), the pixels as they were (or turned, and nothing else), the
// other tags kept.

#include "picture/helper/marks/losslessturn.h"
#include "picture/helper/marks/rewrite.h"
#include "picture/helper/picturedecode.h"
#include "picture/helper/rewritecheck.h"
#include "picture/wire/orientation.h"
#include "testimages.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtPlugin>

Q_IMPORT_PLUGIN(ZelvoImageFormats)

using namespace picture;

namespace {

const std::atomic_bool NotCancelled{false};

QString corpus(const QString &name)
{
    return QFINDTESTDATA(QStringLiteral("data/formats/") + name);
}

// A photo-like picture no turn leaves alike: gradients, a corner marked.
QImage photo(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x * y) % 256));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, size.width() / 4, size.height() / 5), Qt::white);
    return image;
}

// exiftool's word on a tag of the file, as a number where it is one.
QString exiftool(const QString &file, const QString &tag)
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-n"), QLatin1Char('-') + tag, file});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

bool exiftoolWrites(const QString &file, const QStringList &tags)
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"),
               QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")} + tags + QStringList{file});
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The whole picture as the viewer decodes it, turned as the file says.
QImage decoded(const QString &path)
{
    return decodePicture(DecodeRequest::fitted(path, {}), NotCancelled).image.convertToFormat(QImage::Format_RGB32);
}

Rewritten rewrite(const QString &photoPath, const QString &sidecarPath, const MarkEdit &edit)
{
    QFile file(photoPath);
    QFile sidecar(sidecarPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const bool withSidecar = !sidecarPath.isEmpty() && sidecar.open(QIODevice::ReadOnly);
    return rewritePhoto(file, withSidecar ? &sidecar : nullptr, edit);
}

std::optional<bool> sameStored(const QString &original, const QString &rewritten)
{
    QFile first(original);
    QFile second(rewritten);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return std::nullopt;
    return sameStoredPixels(first, second, NotCancelled);
}

bool showsTurned(const QString &original, const QString &rewritten, int quarterTurns)
{
    QFile first(original);
    QFile second(rewritten);
    PhotoDetails details;
    return first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly)
           && showsAsAsked(first, second, quarterTurns, details, NotCancelled);
}

int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

} // namespace

class TestMarks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void marksInTheFile_data();
    void marksInTheFile();
    void marksInTheSidecar_data();
    void marksInTheSidecar();
    void turns_data();
    void turns();
    void whereAJpegEnds();
    void samePixels_data();
    void samePixels();

private:
    QString at(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestMarks::initTestCase()
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {QStringLiteral("-ver")});
    if (!tool.waitForStarted() || !tool.waitForFinished(30000))
        QSKIP("exiftool (libimage-exiftool-perl) is not installed: nothing can read the marks back");
}

void TestMarks::marksInTheFile_data()
{
    // The file as made (Qt's writer, then exiftool's tags), the edit, and
    // what exiftool reads of it after: "Tag=value;..." (empty: no such tag).
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("rating"); // -2: not asked
    QTest::addColumn<int>("label");  // -1: not asked, else a marks::Label
    QTest::addColumn<QString>("after");
    for (const char *format : {"JPEG", "PNG", "WEBP", "TIFF"}) {
        QTest::addRow("%s: three stars", format) << QByteArray(format) << QStringList{} << 3 << -1
                                                 << QStringLiteral("XMP-xmp:Rating=3;XMP-xmp:Label=");
        QTest::addRow("%s: red", format) << QByteArray(format) << QStringList{} << -2 << int(marks::Label::Red)
                                         << QStringLiteral("XMP-xmp:Label=Red;XMP-xmp:Rating=");
        QTest::addRow("%s: rejected, other tags kept", format)
            << QByteArray(format) << QStringList{QStringLiteral("-XMP-dc:Title=Harbour"), QStringLiteral("-Artist=Jens")}
            << -1 << -1 << QStringLiteral("XMP-xmp:Rating=-1;XMP-dc:Title=Harbour;Artist=Jens");
    }
    QTest::newRow("JPEG: stars and label cleared")
        << QByteArray("JPEG") << QStringList{QStringLiteral("-XMP-xmp:Rating=4"), QStringLiteral("-XMP-xmp:Label=Blue")}
        << 0 << int(marks::Label::None) << QStringLiteral("XMP-xmp:Rating=;XMP-xmp:Label=");
    // Windows' own rating would contradict XMP's: it goes.
    QTest::newRow("JPEG: Windows' rating replaced")
        << QByteArray("JPEG") << QStringList{QStringLiteral("-EXIF:Rating=2"), QStringLiteral("-EXIF:RatingPercent=25")}
        << 5 << -1 << QStringLiteral("XMP-xmp:Rating=5;EXIF:Rating=;EXIF:RatingPercent=");
    QTest::newRow("PNG: a label over another's")
        << QByteArray("PNG") << QStringList{QStringLiteral("-XMP-xmp:Label=Rot")} << -2 << int(marks::Label::Green)
        << QStringLiteral("XMP-xmp:Label=Green");
}

void TestMarks::marksInTheFile()
{
    QFETCH(QByteArray, format);
    QFETCH(QStringList, before);
    QFETCH(int, rating);
    QFETCH(int, label);
    QFETCH(QString, after);
    const QString file = at(QStringLiteral("photo.") + QString::fromLatin1(format).toLower());
    QVERIFY(photo(QSize(120, 90)).save(file, format.constData()));
    if (!before.isEmpty())
        QVERIFY(exiftoolWrites(file, before));
    const QImage pixels = decoded(file);
    MarkEdit edit;
    if (rating != -2)
        edit.rating = rating;
    if (label != -1)
        edit.label = marks::Label(label);
    const Rewritten rewritten = rewrite(file, {}, edit);
    QCOMPARE(rewritten.failure, DecodedPicture::Reason::None);
    QVERIFY(!rewritten.sidecar);
    QVERIFY(!rewritten.pixelsTurned);
    const QString written = at(QStringLiteral("written.") + QString::fromLatin1(format).toLower());
    QVERIFY(write(written, rewritten.bytes));
    for (const QString &pair : after.split(QLatin1Char(';'))) {
        const QString tag = pair.section(QLatin1Char('='), 0, 0);
        QCOMPARE(exiftool(written, tag), pair.section(QLatin1Char('='), 1));
    }
    // The picture is the picture it was, pixel for pixel, and the helper's
    // own check says so.
    QCOMPARE(decoded(written), pixels);
    QCOMPARE(sameStored(file, written), std::optional(true));
    QVERIFY(showsTurned(file, written, 0));
    // A mark that turned the photo by its tag is no mark: the check refuses it.
    QVERIFY(exiftoolWrites(written, {QStringLiteral("-Orientation#=6")}));
    QVERIFY(!showsTurned(file, written, 0));
    QCOMPARE(exiftool(written, QStringLiteral("Warning")), exiftool(file, QStringLiteral("Warning")));
}

void TestMarks::marksInTheSidecar_data()
{
    // Files never rewritten: the sidecar made, or rewritten keeping what
    // another program put in it (a namespace of its own among them).
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("sidecar"); // empty: none yet
    QTest::addColumn<int>("rating");
    QTest::addColumn<int>("label");
    QTest::addColumn<QString>("after");
    const QByteArray others =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
        "xmlns:darktable=\"http://darktable.sf.net/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
        "xmp:Rating=\"1\" darktable:history_end=\"7\"><dc:subject><rdf:Bag><rdf:li>harbour</rdf:li></rdf:Bag>"
        "</dc:subject></rdf:Description></rdf:RDF></x:xmpmeta>";
    QTest::newRow("DNG: a new sidecar") << QStringLiteral("raw-plain.dng") << QByteArray() << 4 << int(marks::Label::Yellow)
                                        << QStringLiteral("XMP-xmp:Rating=4;XMP-xmp:Label=Yellow");
    QTest::newRow("HEIC: another program's sidecar, its tags kept")
        << QStringLiteral("heic-8bit.heic") << others << 5 << -1
        << QStringLiteral("XMP-xmp:Rating=5;XMP-darktable:History_end=7;XMP-dc:Subject=harbour");
    // A sidecar says 0 for unrated: the file's own rating is not read instead.
    QTest::newRow("DNG: stars cleared, a label taken off")
        << QStringLiteral("raw-plain.dng") << others << 0 << int(marks::Label::None)
        << QStringLiteral("XMP-xmp:Rating=0;XMP-xmp:Label=;XMP-dc:Subject=harbour");
    QTest::newRow("JPEG XL: rejected") << QStringLiteral("jxl-8bit.jxl") << QByteArray() << -1 << -1
                                       << QStringLiteral("XMP-xmp:Rating=-1");
}

void TestMarks::marksInTheSidecar()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, sidecar);
    QFETCH(int, rating);
    QFETCH(int, label);
    QFETCH(QString, after);
    const QString file = at(source);
    QFile::remove(file);
    QVERIFY(QFile::copy(corpus(source), file));
    const QByteArray photoBefore = read(file);
    const QString side = at(QStringLiteral("photo.xmp"));
    if (!sidecar.isEmpty())
        QVERIFY(write(side, sidecar));
    MarkEdit edit;
    edit.rating = rating;
    if (label != -1)
        edit.label = marks::Label(label);
    const Rewritten rewritten = rewrite(file, sidecar.isEmpty() ? QString() : side, edit);
    QCOMPARE(rewritten.failure, DecodedPicture::Reason::None);
    QVERIFY(rewritten.sidecar);
    QVERIFY(write(side, rewritten.bytes));
    for (const QString &pair : after.split(QLatin1Char(';'))) {
        const QString tag = pair.section(QLatin1Char('='), 0, 0);
        QCOMPARE(exiftool(side, tag), pair.section(QLatin1Char('='), 1));
    }
    QCOMPARE(read(file), photoBefore);
    QFile::remove(side);
}

void TestMarks::turns_data()
{
    // A picture, how it is stored (its size, its orientation), the turn
    // asked for, and what comes of it: its blocks turned without loss where
    // they can be, else its orientation tag, or its sidecar's.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("orientation"); // the file's own, before
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("pixelsTurned");
    QTest::addColumn<int>("tagAfter"); // Orientation after (the sidecar's for a sidecar)
    QTest::newRow("JPEG of whole blocks, right: its blocks")
        << QStringLiteral("jpeg") << QSize(320, 240) << 1 << 1 << true << 1;
    QTest::newRow("JPEG of whole blocks tagged 6, right: its blocks, 180")
        << QStringLiteral("jpeg") << QSize(320, 240) << 6 << 1 << true << 1;
    QTest::newRow("JPEG of whole blocks tagged 6, left: upright, the tag alone")
        << QStringLiteral("jpeg") << QSize(320, 240) << 6 << -1 << false << 1;
    // Partial blocks at the edges: never trimmed, the tag says the turn.
    QTest::newRow("JPEG of partial blocks, right: the tag")
        << QStringLiteral("jpeg") << QSize(301, 201) << 1 << 1 << false << 6;
    QTest::newRow("JPEG of partial blocks tagged 3, left: the tag")
        << QStringLiteral("jpeg") << QSize(301, 201) << 3 << -1 << false << 6;
    // A preview after the picture (MPF) would be left behind: the tag.
    QTest::newRow("JPEG with an MPF preview, right: the tag")
        << QStringLiteral("mpf") << QSize(301, 201) << 1 << 1 << false << 6;
    QTest::newRow("PNG, left: the tag") << QStringLiteral("png") << QSize(120, 90) << 1 << -1 << false << 8;
    QTest::newRow("WebP, twice: the tag") << QStringLiteral("webp") << QSize(120, 90) << 1 << 2 << false << 3;
    QTest::newRow("TIFF, right: the tag") << QStringLiteral("tiff") << QSize(120, 90) << 1 << 1 << false << 6;
    QTest::newRow("DNG turned by its camera, right: the sidecar")
        << QStringLiteral("dng") << QSize() << 6 << 1 << false << 3;
    QTest::newRow("HEIC, left: the sidecar") << QStringLiteral("heic") << QSize() << 1 << -1 << false << 8;
}

void TestMarks::turns()
{
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(int, orientation);
    QFETCH(int, turns);
    QFETCH(bool, pixelsTurned);
    QFETCH(int, tagAfter);
    const QString file = at(QStringLiteral("turned.") + kind);
    const QString side = at(QStringLiteral("turned.xmp"));
    QFile::remove(side);
    QFile::remove(file);
    if (kind == QStringLiteral("dng")) {
        QVERIFY(QFile::copy(corpus(QStringLiteral("raw-preview-orientation-6.dng")), file));
    } else if (kind == QStringLiteral("heic")) {
        QVERIFY(QFile::copy(corpus(QStringLiteral("heic-8bit.heic")), file));
    } else if (kind == QStringLiteral("mpf")) {
        QVERIFY(QFile::copy(corpus(QStringLiteral("jpeg-mpf-preview.jpg")), file));
    } else {
        const QByteArray format = kind == QStringLiteral("jpeg") ? "JPEG" : kind.toUpper().toLatin1();
        QVERIFY(photo(size).save(file, format.constData(), 90));
        QStringList tags{QStringLiteral("-Orientation#=%1").arg(orientation)};
        if (kind == QStringLiteral("jpeg")) {
            // A camera's thumbnail and its own account of its size.
            const QString thumbnail = at(QStringLiteral("thumbnail.jpg"));
            QVERIFY(photo(QSize(80, 60)).save(thumbnail, "JPEG"));
            tags << QStringLiteral("-ThumbnailImage<=") + thumbnail << QStringLiteral("-ExifIFD:ExifImageWidth=%1").arg(size.width())
                 << QStringLiteral("-ExifIFD:ExifImageHeight=%1").arg(size.height());
        }
        QVERIFY(exiftoolWrites(file, tags));
    }
    const QImage before = decoded(file);
    const QByteArray fileBefore = read(file);
    MarkEdit edit;
    edit.quarterTurns = turns;
    const Rewritten rewritten = rewrite(file, {}, edit);
    QCOMPARE(rewritten.failure, DecodedPicture::Reason::None);
    QCOMPARE(rewritten.pixelsTurned, pixelsTurned);
    const QImage expected = upright(before, turnOrientation(turns));
    if (rewritten.sidecar) {
        QVERIFY(write(side, rewritten.bytes));
        QCOMPARE(exiftool(side, QStringLiteral("XMP-tiff:Orientation")), QString::number(tagAfter));
        QCOMPARE(read(file), fileBefore);
        QFile opened(file);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        const QImage shown =
            decodePicture(DecodeRequest::fitted(file, {}), opened, NotCancelled, tagAfter).image.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, expected);
        return;
    }
    const QString written = at(QStringLiteral("written.") + kind);
    QVERIFY(write(written, rewritten.bytes));
    QCOMPARE(exiftool(written, QStringLiteral("Orientation")), QString::number(tagAfter));
    // The helper's own check agrees, and would refuse the same file as
    // another turn or as a mark.
    QVERIFY(showsTurned(file, written, turns));
    QVERIFY(!showsTurned(file, written, turns + 2));
    QVERIFY(!showsTurned(file, written, 0));
    const QImage after = decoded(written);
    QCOMPARE(after.size(), expected.size());
    if (!pixelsTurned) {
        // The tag alone: the very pixels, shown turned.
        QCOMPARE(after, expected);
        return;
    }
    // Blocks moved, not decoded: what differs is the decoder's rounding of
    // each block's pixels, a level or two; a trimmed edge or a wrong turn
    // would differ by far more.
    QVERIFY2(largestDifference(after, expected) <= 4, qPrintable(QString::number(largestDifference(after, expected))));
    QCOMPARE(exiftool(written, QStringLiteral("ExifImageWidth")), QString::number(after.width()));
    QProcess extract;
    extract.start(QStringLiteral("exiftool"), {QStringLiteral("-b"), QStringLiteral("-ThumbnailImage"), written});
    QVERIFY(extract.waitForFinished(30000));
    const QImage small = QImage::fromData(extract.readAllStandardOutput());
    QCOMPARE(small.width() > small.height(), after.width() > after.height());
}

void TestMarks::whereAJpegEnds()
{
    // A JPEG's first picture ends at its EOI, past entropy-coded data that
    // holds 0xFF bytes (stuffed, restarts); what follows is noticed.
    const QByteArray jpeg = testimages::encoded(photo(QSize(64, 48)), "JPEG", 90);
    QCOMPARE(endOfFirstPicture(jpeg), std::optional<qint64>(jpeg.size()));
    QVERIFY(!carriesMoreThanItsPicture(jpeg));
    QVERIFY(!carriesMoreThanItsPicture(jpeg + QByteArray(16, '\0')));
    QVERIFY(carriesMoreThanItsPicture(jpeg + jpeg));
    QVERIFY(carriesMoreThanItsPicture(read(corpus(QStringLiteral("jpeg-mpf-preview.jpg")))));
    QVERIFY(carriesMoreThanItsPicture(jpeg.left(jpeg.size() - 10)));
    QCOMPARE(endOfFirstPicture(QByteArray("not a jpeg")), std::nullopt);
}

void TestMarks::samePixels_data()
{
    // A file rewritten from the original, as bytes: the helper's check must
    // tell a picture kept from one touched, however slightly.
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("rewritten");
    QTest::addColumn<std::optional<bool>>("same");
    const QImage picture = photo(QSize(333, 250)); // no whole number of blocks or bands
    const QByteArray jpeg = testimages::encoded(picture, "JPEG", 90);
    QImage touched = picture;
    touched.setPixel(200, 240, qRgb(0, 0, 0));
    // A comment segment after SOI: other bytes, the same scan.
    const QByteArray commented = jpeg.left(2) + QByteArray("\xFF\xFE\x00\x07hello", 9) + jpeg.mid(2);
    QTest::newRow("JPEG, a segment added") << jpeg << commented << std::optional(true);
    QTest::newRow("JPEG, encoded again") << jpeg << testimages::encoded(picture, "JPEG", 91) << std::optional(false);
    QTest::newRow("JPEG, a pixel in the last band")
        << jpeg << testimages::encoded(touched, "JPEG", 90) << std::optional(false);
    QTest::newRow("JPEG, cut short") << jpeg << jpeg.left(jpeg.size() * 3 / 4) << std::optional(false);
    QTest::newRow("JPEG, a row fewer")
        << jpeg << testimages::encoded(picture.copy(0, 0, 333, 249), "JPEG", 90) << std::optional(false);
    QTest::newRow("JPEG, grey") << jpeg << testimages::encoded(picture.convertToFormat(QImage::Format_Grayscale8), "JPEG", 90)
                                << std::optional(false);
    // Its warnings, or its rows, differ.
    QTest::newRow("JPEG, its scan damaged") << jpeg << QByteArray(jpeg.left(jpeg.size() / 2) + QByteArray(64, '\xFF')
                                                                 + jpeg.mid(jpeg.size() / 2 + 64))
                                            << std::optional(false);
    QTest::newRow("JPEG, not a picture") << jpeg << QByteArray("\xFF\xD8\xFF not at all") << std::optional<bool>();
    const QByteArray png = testimages::encoded(picture, "PNG");
    QTest::newRow("PNG, the same") << png << testimages::encoded(picture, "PNG") << std::optional(true);
    QTest::newRow("PNG, a pixel") << png << testimages::encoded(touched, "PNG") << std::optional(false);
    QTest::newRow("PNG, another format")
        << png << testimages::encoded(picture.convertToFormat(QImage::Format_Grayscale8), "PNG") << std::optional(false);
    QTest::newRow("PNG against a JPEG") << png << jpeg << std::optional(false);
}

void TestMarks::samePixels()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, rewritten);
    QFETCH(std::optional<bool>, same);
    QVERIFY(write(at(QStringLiteral("original")), original));
    QVERIFY(write(at(QStringLiteral("rewritten")), rewritten));
    QCOMPARE(sameStored(at(QStringLiteral("original")), at(QStringLiteral("rewritten"))), same);
}

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestMarks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_marks.moc"
