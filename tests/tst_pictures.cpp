// The picture pipeline alone (Qt GUI, no widgets): every format it reads,
// from a corpus made from one reference picture, at the viewer's size and as
// a zoomed part; colours turned into the screen's; damaged files refused.

#include "picture/colour.h"
#include "picture/picturedecode.h"
#include "testfiles.h"

#include <QBuffer>
#include <QtEndian>
#include <QColorSpace>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

using namespace picture;

namespace {

const std::atomic_bool NotCancelled{false};

QString corpus(const QString &name)
{
    return QFINDTESTDATA(QStringLiteral("data/formats/") + name);
}

// The mean difference of two pictures of one size, per channel, 0 to 255.
double meanDifference(const QImage &a, const QImage &b, bool withAlpha)
{
    // Premultiplied: what shows; colours under transparent pixels do not count.
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (x.size() != y.size() || x.isNull())
        return 255;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            sum += std::abs(qRed(p[column]) - qRed(q[column])) + std::abs(qGreen(p[column]) - qGreen(q[column]))
                   + std::abs(qBlue(p[column]) - qBlue(q[column]));
            if (withAlpha)
                sum += std::abs(qAlpha(p[column]) - qAlpha(q[column]));
        }
    }
    return sum / (double(x.width()) * x.height() * (withAlpha ? 4 : 3));
}

// A file in memory that counts what is read of it past its first 16 KiB:
// finding the format peeks at the first bytes again and again (Qt reads up
// to 16 KiB for each peek), but the rest should be read once.
class CountingBuffer final : public QBuffer
{
public:
    static constexpr qint64 Head = 16 * 1024;
    explicit CountingBuffer(const QByteArray &bytes) { setData(bytes); }
    qint64 bytesPastHead = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 at = pos();
        const qint64 got = QBuffer::readData(data, maxSize);
        if (got > 0)
            bytesPastHead += std::max<qint64>(0, at + got - std::max(at, Head));
        return got;
    }
};

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void heifTurnsOnce_data();
    void heifTurnsOnce();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void coloursOfTheirProfile_data();
    void coloursOfTheirProfile();
    void fileReadOnce_data();
    void fileReadOnce();
};

void TestPictures::formats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<double>("tolerance"); // mean difference allowed, levels
    const QString plain = QStringLiteral("reference.png");
    const QString alpha = QStringLiteral("reference-alpha.png");
    for (const char *name : {"heic-8bit.heic", "heic-10bit.heic", "heic-two-images.heic", "avif-8bit-420.avif",
                             "avif-10bit-422.avif", "avif-10bit-444.avif", "avif-12bit-420.avif", "jxl-8bit.jxl",
                             "jxl-16bit.jxl", "webp-lossy.webp", "tiff-8bit.tif", "tiff-16bit.tiff", "svg-band.svg"})
        QTest::newRow(name) << QString::fromLatin1(name) << plain << 6.0;
    for (const char *name : {"heic-alpha.heic", "avif-alpha.avif", "jxl-alpha.jxl", "webp-alpha.webp"})
        QTest::newRow(name) << QString::fromLatin1(name) << alpha << 6.0;
}

void TestPictures::formats()
{
    QFETCH(QString, file);
    QFETCH(QString, reference);
    QFETCH(double, tolerance);
    // True colour before scaling: a palette picture would be scaled into its palette.
    const QImage expected = QImage(corpus(reference)).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(expected.size(), QSize(301, 201));
    const bool alpha = expected.hasAlphaChannel();

    // At the viewer's size: shrunk to fit 150 x 100.
    const DecodedPicture fitted = decodePicture(DecodeRequest::fitted(corpus(file), QSize(150, 150)), NotCancelled);
    QCOMPARE(fitted.status, DecodedPicture::Status::Decoded);
    QCOMPARE(fitted.fullSize, QSize(301, 201));
    QCOMPARE(fitted.image.size(), QSize(150, 100));
    const QImage small = expected.scaled(150, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double fittedError = meanDifference(fitted.image, small, alpha);
    QVERIFY2(fittedError < tolerance, qPrintable(QString::number(fittedError)));

    // A zoomed part across the band's edge, at twice its size.
    const QRect part(60, 40, 80, 60);
    const DecodedPicture zoomed = decodePicture(DecodeRequest::part(corpus(file), 2.0, part), NotCancelled);
    QCOMPARE(zoomed.status, DecodedPicture::Status::Decoded);
    QCOMPARE(zoomed.image.size(), QSize(160, 120));
    const QImage region = expected.copy(part).scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double zoomedError = meanDifference(zoomed.image, region, alpha);
    QVERIFY2(zoomedError < tolerance * 1.5, qPrintable(QString::number(zoomedError)));
}

void TestPictures::heifTurnsOnce_data()
{
    // HEIF's own irot and imir boxes: libheif turns the picture, and the
    // reader must not turn it again.
    QTest::addColumn<int>("orientation"); // as EXIF numbers it
    QTest::addColumn<QTransform>("turn");
    QTest::newRow("mirrored") << 2 << QTransform(-1, 0, 0, 1, 0, 0);
    QTest::newRow("turned 180") << 3 << QTransform().rotate(180);
    QTest::newRow("turned 90 clockwise") << 6 << QTransform().rotate(90);
    QTest::newRow("turned 270 clockwise") << 8 << QTransform().rotate(270);
}

void TestPictures::heifTurnsOnce()
{
    QFETCH(int, orientation);
    QFETCH(QTransform, turn);
    const QImage expected = QImage(corpus(QStringLiteral("reference.png")))
                                .convertToFormat(QImage::Format_ARGB32)
                                .transformed(turn);
    const QString file = corpus(QStringLiteral("heic-orientation-%1.heic").arg(orientation));
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(file, expected.size()), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    QCOMPARE(shown.fullSize, expected.size());
    const double error = meanDifference(shown.image, expected, false);
    QVERIFY2(error < 6, qPrintable(QString::number(error)));
}

void TestPictures::damagedFilesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    const QStringList names = QDir(QFileInfo(corpus(QStringLiteral("reference.png"))).path())
                                  .entryList({QStringLiteral("hostile-*")}, QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestPictures::damagedFilesAreRefused()
{
    // Cut short, overwritten in the middle, or found by fuzzing (a HEIF that
    // names no size): no crash, no hang, and either
    // refused or (a format that shows what it could read) a picture of the
    // right size.
    QFETCH(QString, file);
    const DecodedPicture result = decodePicture(DecodeRequest::fitted(corpus(file), QSize(150, 150)), NotCancelled);
    if (result.status == DecodedPicture::Status::Decoded) {
        QCOMPARE(result.fullSize, QSize(301, 201));
        QCOMPARE(result.image.size(), QSize(150, 100));
    }
    else
        QCOMPARE(result.status, DecodedPicture::Status::CannotDisplay);
}

void TestPictures::coloursOfTheirProfile_data()
{
    // A flat sRGB colour stored in another colour space with its profile:
    // it comes out as the sRGB colour again.
    QTest::addColumn<QColorSpace>("stored");
    QTest::addColumn<QByteArray>("format");
    for (const char *format : {"JPEG", "PNG", "TIFF", "WEBP"}) {
        QTest::addRow("Adobe RGB, %s", format) << QColorSpace(QColorSpace::AdobeRgb) << QByteArray(format);
        QTest::addRow("ProPhoto RGB, %s", format) << QColorSpace(QColorSpace::ProPhotoRgb) << QByteArray(format);
    }
}

void TestPictures::coloursOfTheirProfile()
{
    QFETCH(QColorSpace, stored);
    QFETCH(QByteArray, format);
    const QColor red(230, 40, 40);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(red);
    image.setColorSpace(QColorSpace::SRgb);
    image.convertToColorSpace(stored);
    const QColor storedNumbers = image.pixelColor(5, 5);
    QVERIFY(qAbs(storedNumbers.red() - red.red()) + qAbs(storedNumbers.green() - red.green())
                + qAbs(storedNumbers.blue() - red.blue())
            > 20); // the file holds other numbers
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tagged.") + QString::fromLatin1(format).toLower());
    QVERIFY(image.save(path, format.constData(), 100));
    QVERIFY2(QImageReader(path).read().colorSpace() == stored, "the file carries its profile");

    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(path, QSize(64, 48)), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    const QColor got = shown.image.pixelColor(32, 24);
    QVERIFY2(qAbs(got.red() - red.red()) <= 4 && qAbs(got.green() - red.green()) <= 4
                 && qAbs(got.blue() - red.blue()) <= 4,
             qPrintable(got.name()));
}

void TestPictures::fileReadOnce_data()
{
    QTest::addColumn<QString>("file");
    // Their libraries want the whole file: it is read once for the size and
    // the pixels together (and mapped, not read, when it is a file).
    QTest::newRow("HEIC") << QStringLiteral("heic-8bit.heic");
    QTest::newRow("AVIF") << QStringLiteral("avif-8bit-420.avif");
    QTest::newRow("JPEG XL") << QStringLiteral("jxl-8bit.jxl");
}

void TestPictures::fileReadOnce()
{
    QFETCH(QString, file);
    QFile source(corpus(file));
    QVERIFY(source.open(QIODevice::ReadOnly));
    // Made long with a box the decoders skip ("free"; the JPEG XL decoder
    // stops at the end of its picture).
    const QByteArray padding(100 * 1024, 'z');
    QByteArray box(4, '\0');
    qToBigEndian(quint32(padding.size() + 8), box.data());
    const QByteArray bytes = source.readAll() + box + "free" + padding;
    CountingBuffer device(bytes);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(file, QSize(150, 150)), device, NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    QCOMPARE(device.bytesPastHead, device.size() - CountingBuffer::Head);
}

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestPictures test;
QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pictures.moc"
