// The picture pipeline alone (Qt GUI, no widgets): every format it reads,
// from a corpus made from one reference picture, at the viewer's size and as
// a zoomed part; colours turned into the screen's; damaged files refused.

#include "picture/helper/details/photodetails.h"
#include "picture/helper/details/sidecar.h"
#include "picture/helper/firstlook/previews.h"
#include "picture/helper/formats/heifgrid.h"
#include "picture/helper/formats/hevcgrid.h"
#include "picture/helper/picturedecode.h"
#include "picture/helper/pixels/boxshrink.h"
#include "picture/helper/pixels/colour.h"
#include "picture/helper/pixels/hdr.h"
#include "picture/helper/pixels/planeshrink.h"
#include "picture/helper/pixels/rowbands.h"
#include "picture/helper/pixels/tileshrink.h"
#include "picture/helper/pixels/ycbcrtorgb.h"
#include "picture/wire/orientation.h"
#include "picture/window/sharedthumbnails.h"
#include "platform/platform.h"
#include "testfiles.h"

#include <QBuffer>
#include <QtEndian>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <QtPlugin>

#include <zlib.h>

#include <array>
#include <atomic>
#include <cstdint>

// Pictures decoded here, in the test, as the helper decodes them.
Q_IMPORT_PLUGIN(ZelvoImageFormats)

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

bool tagged(const QString &source, const QString &target, const QStringList &tags)
{
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")} + tags + QStringList{target});
    return exiftool.waitForFinished(30000) && exiftool.exitStatus() == QProcess::NormalExit && exiftool.exitCode() == 0;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void shrinks_data();
    void shrinks();
    void shrunkFromRgbPlanes_data();
    void shrunkFromRgbPlanes();
    void ycbcrMadeRgb_data();
    void ycbcrMadeRgb();
    void heifShownAsDecodedWhole_data();
    void heifShownAsDecodedWhole();
    void plainGridsFound_data();
    void plainGridsFound();
    void gridBoxesCutAnywhere();
    void gridOfHugeTilesLeftToLibheif();
    void gridDecodeStopsBetweenTiles();
    void turnsOnce_data();
    void turnsOnce();
    void shownAtTheAnnouncedSize_data();
    void shownAtTheAnnouncedSize();
    void orientationsCompose();
    void orientationsAsQtReadsThem();
    void turnsBeyondTheReader_data();
    void turnsBeyondTheReader();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void coloursOfTheirProfile_data();
    void coloursOfTheirProfile();
    void fileReadOnce_data();
    void fileReadOnce();
    void hdrToneMapped_data();
    void hdrToneMapped();
    void eetfRollsOff();
    void saturatedColoursKeepTheirHue_data();
    void saturatedColoursKeepTheirHue();
    void absurdLightLevelIsPqPeak();
    void animations_data();
    void animations();
    void reasons_data();
    void reasons();
    void handlersCapTheirPixels_data();
    void handlersCapTheirPixels();
    void cameraRaw_data();
    void cameraRaw();
    void previews_data();
    void previews();
    void heifPreviewTurnedAsItsPicture_data();
    void heifPreviewTurnedAsItsPicture();
    void sharedThumbnails_data();
    void sharedThumbnails();
    void sharedThumbnailFound();
    void photoDetails_data();
    void photoDetails();
    void sidecarMarks_data();
    void sidecarMarks();
    void hostileExifIsBounded();
};

void TestPictures::formats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<double>("tolerance"); // mean difference allowed, levels
    const QString plain = QStringLiteral("reference.png");
    const QString alpha = QStringLiteral("reference-alpha.png");
    // heic-mif1: the structural brands first, as cameras and conformance
    // files write them; heic-mif2: MIAF's second edition brand alone, which
    // libheif 1.15 refuses as it stands. jpeg-gainmap: a gain map after the photo (shown: the photo).
    for (const char *name : {"heic-8bit.heic", "heic-10bit.heic", "heic-8bit-422.heic", "heic-10bit-444.heic",
                             "heic-two-images.heic", "heic-mif1.heic", "heic-mif2.heic",
                             "avif-8bit-420.avif", "avif-10bit-422.avif", "avif-10bit-444.avif", "avif-12bit-420.avif",
                             "jxl-8bit.jxl", "jxl-16bit.jxl", "webp-lossy.webp", "tiff-8bit.tif", "tiff-16bit.tiff",
                             "svg-band.svg", "jpeg-gainmap.jpg"})
        QTest::newRow(name) << QString::fromLatin1(name) << plain << 6.0;
    // Display P3 by its nclx description: shown in sRGB as Qt turns P3 into it.
    QTest::newRow("avif-p3.avif") << QStringLiteral("avif-p3.avif") << QStringLiteral("p3") << 6.0;
    for (const char *name : {"heic-alpha.heic", "heic-alpha-premultiplied.heic", "avif-alpha.avif", "jxl-alpha.jxl",
                             "jxl-alpha-premultiplied.jxl", "webp-alpha.webp"})
        QTest::newRow(name) << QString::fromLatin1(name) << alpha << 6.0;
}

void TestPictures::formats()
{
    QFETCH(QString, file);
    QFETCH(QString, reference);
    QFETCH(double, tolerance);
    // True colour before scaling: a palette picture would be scaled into its palette.
    QImage expected = QImage(corpus(reference == QStringLiteral("p3") ? QStringLiteral("reference.png") : reference))
                          .convertToFormat(QImage::Format_ARGB32);
    if (reference == QStringLiteral("p3")) {
        expected.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        expected.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    }
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

    // Named as another format (a phone's HEIC saved as .jpg): known by its bytes.
    QTemporaryDir folder;
    const QString misnamed = folder.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(QFile::copy(corpus(file), misnamed));
    const DecodedPicture byContent = decodePicture(DecodeRequest::fitted(misnamed, QSize(150, 150)), NotCancelled);
    QCOMPARE(byContent.status, DecodedPicture::Status::Decoded);
    QCOMPARE(byContent.image.size(), QSize(150, 100));

    // A zoomed part across the band's edge, at twice its size.
    const QRect part(60, 40, 80, 60);
    const DecodedPicture zoomed = decodePicture(DecodeRequest::part(corpus(file), 2.0, part), NotCancelled);
    QCOMPARE(zoomed.status, DecodedPicture::Status::Decoded);
    QCOMPARE(zoomed.image.size(), QSize(160, 120));
    const QImage region = expected.copy(part).scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double zoomedError = meanDifference(zoomed.image, region, alpha);
    QVERIFY2(zoomedError < tolerance * 1.5, qPrintable(QString::number(zoomedError)));
}

void TestPictures::shrinks_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    // Whole blocks: each shown pixel is exactly its block's mean.
    QTest::newRow("RGB, blocks of 4 x 4") << QImage::Format_RGB888 << QSize(12, 8) << QSize(3, 2);
    QTest::newRow("RGBA, blocks of 2 x 3") << QImage::Format_RGBA8888 << QSize(8, 9) << QSize(4, 3);
    QTest::newRow("16 bits, blocks of 5 x 2") << QImage::Format_RGBA64 << QSize(10, 6) << QSize(2, 3);
    // Blocks of uneven sizes, and sizes nearer than half (Qt's scaling).
    QTest::newRow("RGB, uneven") << QImage::Format_RGB888 << QSize(301, 201) << QSize(150, 100);
    QTest::newRow("RGBA, uneven") << QImage::Format_RGBA8888 << QSize(301, 201) << QSize(97, 61);
    QTest::newRow("RGB, less than half") << QImage::Format_RGB888 << QSize(301, 201) << QSize(200, 134);
}

void TestPictures::shrinks()
{
    QFETCH(QImage::Format, format);
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    // In whole blocks, stripes of hidden red (transparent; shown where
    // there is no alpha) between half-transparent rows; else a smooth picture
    // that any good scaling shows alike.
    const bool blocks = from.width() % to.width() == 0 && from.height() % to.height() == 0;
    QImage image(from, QImage::Format_ARGB32);
    for (int y = 0; y < from.height(); ++y) {
        for (int x = 0; x < from.width(); ++x) {
            const QColor smooth(x * 255 / from.width(), y * 255 / from.height(), 90, blocks ? 128 + (y % 2) * 127 : 200);
            image.setPixelColor(x, y, blocks && x % 3 == 0 ? QColor(255, 0, 0, 0) : smooth);
        }
    }
    if (format == QImage::Format_RGB888)
        image = image.convertToFormat(QImage::Format_RGB32);
    image = image.convertToFormat(format);

    const QImage shown = shrunk(image, to);
    QCOMPARE(shown.size(), to);
    QCOMPARE(shown.format(), format);
    if (!blocks) {
        const QImage smooth = image.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double error = meanDifference(shown, smooth, image.hasAlphaChannel());
        QVERIFY2(error < 1.5, qPrintable(QString::number(error)));
        return;
    }
    // Whole blocks: the mean of what shows, to the level.
    const int bw = from.width() / to.width();
    const int bh = from.height() / to.height();
    for (int by = 0; by < to.height(); ++by) {
        for (int bx = 0; bx < to.width(); ++bx) {
            double red = 0, green = 0, blue = 0, opacity = 0;
            for (int y = by * bh; y < (by + 1) * bh; ++y) {
                for (int x = bx * bw; x < (bx + 1) * bw; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    red += c.redF() * c.alphaF();
                    green += c.greenF() * c.alphaF();
                    blue += c.blueF() * c.alphaF();
                    opacity += c.alphaF();
                }
            }
            const QColor got = shown.pixelColor(bx, by);
            const QString where = QStringLiteral("%1,%2").arg(bx).arg(by);
            QVERIFY2(qAbs(got.alphaF() - opacity / (bw * bh)) <= 0.6 / 255, qPrintable(where));
            QVERIFY2(qAbs(got.redF() - red / opacity) <= 0.6 / 255, qPrintable(where));
            QVERIFY2(qAbs(got.greenF() - green / opacity) <= 0.6 / 255, qPrintable(where));
            QVERIFY2(qAbs(got.blueF() - blue / opacity) <= 0.6 / 255, qPrintable(where));
        }
    }
}

void TestPictures::shrunkFromRgbPlanes_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tile"); // the side of the tiles it comes in too
    QTest::newRow("half") << QSize(40, 30) << QSize(20, 15) << 16;
    QTest::newRow("a fifth, unevenly, tiles smaller than a pixel shown") << QSize(37, 23) << QSize(7, 4) << 3;
    QTest::newRow("to one pixel") << QSize(37, 23) << QSize(1, 1) << 8;
    QTest::newRow("one row, one tile") << QSize(64, 2) << QSize(9, 1) << 64;
}

// Noise in three planes, each with its own stride past the row's end (full
// of white no pixel may take), shrinks to the means an interleaved copy of the
// same samples shrinks to, whether one thread or several share the rows.
void TestPictures::shrunkFromRgbPlanes()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, size);
    QImage interleaved(stored, QImage::Format_RGB888);
    std::array<QByteArray, 3> planes;
    const std::array<int, 3> strides{stored.width() + 3, stored.width() + 8, stored.width() + 1};
    for (std::size_t c = 0; c < 3; ++c)
        planes[c] = QByteArray(strides[c] * stored.height(), char(0xFF));
    std::uint32_t seed = 12345;
    for (int y = 0; y < stored.height(); ++y) {
        for (int x = 0; x < stored.width(); ++x) {
            for (std::size_t c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const auto sample = char(seed >> 24);
                planes[c][y * strides[c] + x] = sample;
                interleaved.scanLine(y)[x * 3 + int(c)] = uchar(sample);
            }
        }
    }
    RgbPlanes rgb;
    rgb.red = reinterpret_cast<const std::uint8_t *>(planes[0].constData());
    rgb.green = reinterpret_cast<const std::uint8_t *>(planes[1].constData());
    rgb.blue = reinterpret_cast<const std::uint8_t *>(planes[2].constData());
    rgb.redStride = strides[0];
    rgb.greenStride = strides[1];
    rgb.blueStride = strides[2];
    rgb.size = stored;
    const QImage expected = shrunk(interleaved, size).convertToFormat(QImage::Format_RGBX8888);
    for (const int threads : {1, 3}) {
        const QImage shown = shrunkToRgbx(rgb, size, threads);
        QCOMPARE(shown.format(), QImage::Format_RGBX8888);
        QCOMPARE(shown, expected);
    }
    QVERIFY(shrunkToRgbx(rgb, stored + QSize(1, 0), 1).isNull());

    // The same in tiles, cut by the edges, added last first from three
    // threads: the pixels shown on their edges are summed from several.
    QFETCH(int, tile);
    TileShrink tiled(stored, size);
    QVERIFY(tiled.isValid());
    std::vector<QPoint> origins;
    for (int y = 0; y < stored.height(); y += tile) {
        for (int x = 0; x < stored.width(); x += tile)
            origins.emplace(origins.begin(), x, y);
    }
    std::atomic_int next = 0;
    inRowBands(3, 3, [&](int, int) {
        for (std::size_t at = std::size_t(next++); at < origins.size(); at = std::size_t(next++)) {
            const QPoint origin = origins[at];
            RgbPlanes part = rgb;
            part.red += origin.y() * rgb.redStride + origin.x();
            part.green += origin.y() * rgb.greenStride + origin.x();
            part.blue += origin.y() * rgb.blueStride + origin.x();
            part.size = QSize(std::min(tile, stored.width() - origin.x()), std::min(tile, stored.height() - origin.y()));
            tiled.add(part, origin);
        }
    });
    QCOMPARE(tiled.result(2), expected);
    // Boxes of more samples than the sums hold.
    QVERIFY(!TileShrink(QSize(70000, 70000), QSize(1, 1)).isValid());
}

void TestPictures::ycbcrMadeRgb_data()
{
    QTest::addColumn<int>("matrix");
    QTest::addColumn<bool>("fullRange");
    QTest::addColumn<QList<int>>("ycbcr");
    QTest::addColumn<QRgb>("rgb");
    // Each standard's own corners of the RGB cube, coded to the nearest level.
    QTest::newRow("BT.601, full range, white") << 6 << true << QList<int>{255, 128, 128} << qRgb(255, 255, 255);
    QTest::newRow("BT.601, full range, red") << 6 << true << QList<int>{76, 85, 255} << qRgb(255, 0, 0);
    QTest::newRow("BT.601, full range, blue") << 6 << true << QList<int>{29, 255, 107} << qRgb(0, 0, 255);
    QTest::newRow("unspecified as BT.601, green") << 2 << true << QList<int>{150, 44, 21} << qRgb(0, 255, 0);
    QTest::newRow("BT.709, studio range, black") << 1 << false << QList<int>{16, 128, 128} << qRgb(0, 0, 0);
    QTest::newRow("BT.709, studio range, white") << 1 << false << QList<int>{235, 128, 128} << qRgb(255, 255, 255);
    QTest::newRow("BT.709, studio range, red") << 1 << false << QList<int>{63, 102, 240} << qRgb(255, 0, 0);
    QTest::newRow("BT.709, studio range, grey") << 1 << false << QList<int>{126, 128, 128} << qRgb(128, 128, 128);
    QTest::newRow("BT.2020, full range, red") << 9 << true << QList<int>{67, 92, 255} << qRgb(255, 0, 0);
}

// A picture of one colour in planes of an odd size, for each layout of its
// chroma: every pixel made the colour, and nothing written past the planes.
void TestPictures::ycbcrMadeRgb()
{
    QFETCH(int, matrix);
    QFETCH(bool, fullRange);
    QFETCH(QList<int>, ycbcr);
    QFETCH(QRgb, rgb);
    const std::optional<YCbCrMatrix> coefficients = ycbcrMatrix(matrix, fullRange);
    QVERIFY(coefficients);
    const QSize size(37, 23);
    for (const auto &[shiftX, shiftY] : {std::pair{1, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
        const QSize chroma((size.width() + shiftX) >> shiftX, (size.height() + shiftY) >> shiftY);
        const QByteArray y(size.width() * size.height(), char(ycbcr[0]));
        const QByteArray cb(chroma.width() * chroma.height(), char(ycbcr[1]));
        const QByteArray cr(chroma.width() * chroma.height(), char(ycbcr[2]));
        YCbCrPlanes planes;
        planes.y = reinterpret_cast<const std::uint8_t *>(y.constData());
        planes.cb = reinterpret_cast<const std::uint8_t *>(cb.constData());
        planes.cr = reinterpret_cast<const std::uint8_t *>(cr.constData());
        planes.yStride = size.width();
        planes.cbStride = planes.crStride = chroma.width();
        planes.size = size;
        planes.chromaShiftX = shiftX;
        planes.chromaShiftY = shiftY;
        for (const int threads : {1, 3}) {
            // A row's samples, then a byte past them that must stay as it is.
            const int stride = size.width() + 1;
            std::array<QByteArray, 3> out;
            for (QByteArray &plane : out)
                plane = QByteArray(stride * size.height(), char(0x5A));
            RgbPlanesOf<std::uint8_t> rgbOut;
            rgbOut.red = reinterpret_cast<std::uint8_t *>(out[0].data());
            rgbOut.green = reinterpret_cast<std::uint8_t *>(out[1].data());
            rgbOut.blue = reinterpret_cast<std::uint8_t *>(out[2].data());
            rgbOut.redStride = rgbOut.greenStride = rgbOut.blueStride = stride;
            rgbOut.size = size;
            toRgb(planes, *coefficients, rgbOut, threads);
            const std::array<int, 3> expected{qRed(rgb), qGreen(rgb), qBlue(rgb)};
            for (std::size_t c = 0; c < 3; ++c) {
                for (int row = 0; row < size.height(); ++row) {
                    for (int column = 0; column <= size.width(); ++column) {
                        const int got = uchar(out[c][row * stride + column]);
                        const int wanted = column < size.width() ? expected[c] : 0x5A;
                        const QString where = QStringLiteral("channel %1 at %2,%3: %4").arg(c).arg(column).arg(row);
                        QVERIFY2(std::abs(got - wanted) <= (column < size.width() ? 1 : 0),
                                 qPrintable(where.arg(got)));
                    }
                }
            }
        }
    }
    // The matrices that are not one: identity (RGB stored as GBR), YCgCo.
    QVERIFY(!ycbcrMatrix(0, true));
    QVERIFY(!ycbcrMatrix(8, true));
}

void TestPictures::heifShownAsDecodedWhole_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::newRow("HEIC, half") << QStringLiteral("heic-8bit.heic") << QSize(150, 100);
    QTest::newRow("HEIC, a fifth, unevenly") << QStringLiteral("heic-8bit.heic") << QSize(61, 37);
    QTest::newRow("HEIC turned") << QStringLiteral("heic-orientation-6.heic") << QSize(100, 150);
    QTest::newRow("HEIC turned by its EXIF") << QStringLiteral("heic-exif-orientation-6.heic") << QSize(100, 150);
    QTest::newRow("HEIC smaller than its size box") << QStringLiteral("heic-size-box-larger.heic") << QSize(150, 100);
    QTest::newRow("HEIC in grey") << QStringLiteral("heic-grey.heic") << QSize(150, 100);
    QTest::newRow("HEIC in 4:2:2") << QStringLiteral("heic-8bit-422.heic") << QSize(150, 100);
    // Made RGB by the helper's own decoder, not by libheif.
    QTest::newRow("HEIC coded whole, half") << QStringLiteral("heic-8bit-whole.heic") << QSize(150, 100);
    QTest::newRow("HEIC coded whole, unevenly") << QStringLiteral("heic-8bit-whole.heic") << QSize(61, 37);
    QTest::newRow("HEIC coded whole, turned") << QStringLiteral("heic-whole-orientation-6.heic") << QSize(100, 150);
    QTest::newRow("HEIC coded whole, in 4:2:2") << QStringLiteral("heic-8bit-422-whole.heic") << QSize(150, 100);
    QTest::newRow("HEIC coded whole, in grey") << QStringLiteral("heic-grey-whole.heic") << QSize(150, 100);
    QTest::newRow("HEIC coded whole, a band along its foot") << QStringLiteral("heic-whole-footed.heic")
                                                             << QSize(150, 100);
    // Its tiles decoded into planes of the helper's own, not by libheif.
    QTest::newRow("HEIC of tiles, half") << QStringLiteral("heic-grid.heic") << QSize(150, 100);
    QTest::newRow("HEIC of tiles, unevenly") << QStringLiteral("heic-grid.heic") << QSize(61, 37);
    for (const int quarters : {1, 2, 3}) {
        const QString file = QStringLiteral("heic-grid-irot-%1.heic").arg(quarters);
        QTest::addRow("HEIC of tiles turned %d quarters by its irot", quarters)
            << file << (quarters == 2 ? QSize(61, 37) : QSize(37, 61));
    }
    // Upright, in Display P3 by an ICC profile, a gain map beside it.
    QTest::newRow("HEIC of tiles as phones write it") << QStringLiteral("heic-grid-as-phones-write.heic")
                                                      << QSize(45, 60);
    QTest::newRow("HEIC turned 180") << QStringLiteral("heic-orientation-3.heic") << QSize(150, 100);
    QTest::newRow("HEIC turned 270 clockwise") << QStringLiteral("heic-orientation-8.heic") << QSize(100, 150);
    QTest::newRow("AVIF in Display P3") << QStringLiteral("avif-p3.avif") << QSize(150, 100);
}

// Shrunk from its planes, a picture shows as when made RGB whole and then
// shrunk: the same colours, the same way up.
void TestPictures::heifShownAsDecodedWhole()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QImageReader whole(corpus(file));
    const QImage reference = shrunk(whole.read(), size);
    QImageReader fitted(corpus(file));
    fitted.setScaledSize(size);
    const QImage shown = fitted.read();
    QCOMPARE(shown.size(), size);
    QCOMPARE(reference.size(), size);
    QCOMPARE(shown.colorSpace(), reference.colorSpace());
    const double error = meanDifference(shown, reference, false);
    QVERIFY2(error < 1.0, qPrintable(QString::number(error)));
}

void TestPictures::plainGridsFound_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("tiles"); // columns, rows; empty: left to libheif
    QTest::addColumn<QSize>("tileSize");
    QTest::addColumn<int>("quarterTurns");
    QTest::newRow("of 64 x 64 tiles, cut by the edge") << QStringLiteral("heic-grid.heic") << QSize(5, 4) << QSize(64, 64)
                                                       << 0;
    QTest::newRow("of tiles, turned by its irot") << QStringLiteral("heic-grid-irot-1.heic") << QSize(5, 4)
                                                  << QSize(64, 64) << 1;
    QTest::newRow("as phones write it: a profile said of the grid and each tile, a gain map and a thumbnail beside it")
        << QStringLiteral("heic-grid-as-phones-write.heic") << QSize(5, 4) << QSize(64, 64) << 3;
    QTest::newRow("of one tile") << QStringLiteral("heic-8bit.heic") << QSize(1, 1) << QSize(302, 202) << 0;
    QTest::newRow("of one tile, turned 90 clockwise") << QStringLiteral("heic-orientation-6.heic") << QSize(1, 1)
                                                      << QSize(302, 202) << 3;
    // A picture coded whole is a grid of one tile, its own.
    QTest::newRow("coded whole") << QStringLiteral("heic-8bit-whole.heic") << QSize(1, 1) << QSize(300, 200) << 0;
    QTest::newRow("mirrored by its imir") << QStringLiteral("heic-orientation-2.heic") << QSize() << QSize() << 0;
    QTest::newRow("AVIF") << QStringLiteral("avif-8bit-420.avif") << QSize() << QSize() << 0;
}

// Only a grid that is tiles pasted (and turned) and nothing more, or a
// picture coded whole, is decoded by the helper itself; each tile's bytes lie
// in the file.
void TestPictures::plainGridsFound()
{
    QFETCH(QString, file);
    QFETCH(QSize, tiles);
    QFETCH(QSize, tileSize);
    QFETCH(int, quarterTurns);
    QFile opened(corpus(file));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const QByteArray bytes = opened.readAll();
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(bytes);
    QCOMPARE(grid.has_value(), !tiles.isEmpty());
    if (!grid)
        return;
    QCOMPARE(QSize(grid->columns, grid->rows), tiles);
    QCOMPARE(grid->whole, file.contains(QLatin1String("whole")));
    QCOMPARE(grid->tileSize, tileSize);
    QCOMPARE(grid->quarterTurns, quarterTurns);
    QCOMPARE(quarterTurns % 2 ? grid->size.transposed() : grid->size, QImageReader(corpus(file)).size());
    QCOMPARE(grid->tiles.size(), size_t(tiles.width() * tiles.height()));
    for (const heifgrid::Tile &tile : grid->tiles) {
        QVERIFY(tile.parameterSets.size() > 4);
        QVERIFY(!tile.pieces.empty());
        for (const QByteArrayView piece : tile.pieces) {
            QVERIFY(piece.data() >= bytes.constData());
            QVERIFY(piece.data() + piece.size() <= bytes.constData() + bytes.size());
        }
    }
}

// The boxes are read from a file of any length, cut anywhere or with any
// byte changed, never past their end (the memory checker runs these).
void TestPictures::gridBoxesCutAnywhere()
{
    QFile opened(corpus(QStringLiteral("heic-grid.heic")));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const QByteArray whole = opened.readAll();
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(whole);
    QVERIFY(grid);
    qsizetype tilesEnd = 0;
    for (const heifgrid::Tile &tile : grid->tiles) {
        for (const QByteArrayView piece : tile.pieces)
            tilesEnd = std::max(tilesEnd, qsizetype(piece.data() + piece.size() - whole.constData()));
    }
    qsizetype found = 0;
    for (qsizetype length = 0; length <= whole.size(); ++length) {
        // A copy of its own, so that reading past it is caught.
        const QByteArray cut(whole.constData(), length);
        if (heifgrid::plainGridOf(cut))
            ++found;
    }
    // Found in every length that holds all the tiles' bytes, and no other.
    QCOMPARE(found, whole.size() - tilesEnd + 1);
    const qsizetype meta = whole.indexOf("meta");
    QVERIFY(meta > 0);
    for (qsizetype at = meta - 4; at < std::min<qsizetype>(whole.size(), meta + 1024); ++at) {
        for (const char value : {'\x00', '\x01', '\x7f', '\xff'}) {
            QByteArray changed = whole;
            changed[at] = value;
            if (const std::optional<heifgrid::Grid> read = heifgrid::plainGridOf(changed)) {
                for (const heifgrid::Tile &tile : read->tiles) {
                    for (const QByteArrayView piece : tile.pieces)
                        QVERIFY(piece.data() + piece.size() <= changed.constData() + changed.size());
                }
            }
        }
    }
}

// A grid's decode stops between tiles once it is no longer wanted: the
// helper is free again at once, not stopped when its grace runs out.
void TestPictures::gridDecodeStopsBetweenTiles()
{
    QFile opened(corpus(QStringLiteral("heic-grid.heic")));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const QByteArray bytes = opened.readAll();
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(bytes);
    QVERIFY(grid);
    for (const int wantedTiles : {0, 3, 20}) {
        int taken = 0;
        int asked = 0;
        const bool decoded = hevc::decodeGridTiles(
            *grid, *ycbcrMatrix(2, true), 1, [&taken](const RgbPlanes &, QPoint) { ++taken; },
            [&asked, wantedTiles] { return ++asked > wantedTiles; });
        QCOMPARE(decoded, wantedTiles == int(grid->tiles.size()));
        QCOMPARE(taken, wantedTiles);
    }
}

// A tile larger than any phone's is left to libheif: its planes would be
// allocated before a byte of it is decoded.
void TestPictures::gridOfHugeTilesLeftToLibheif()
{
    QFile opened(corpus(QStringLiteral("heic-8bit.heic")));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QByteArray bytes = opened.readAll();
    QVERIFY(heifgrid::plainGridOf(bytes));
    // The tile's size box (302 x 202), which no other box shares.
    QByteArray tileSize("ispe\0\0\0\0\0\0\x01\x2e\0\0\0\xca", 16);
    const qsizetype at = bytes.indexOf(tileSize);
    QVERIFY(at > 0);
    for (const auto &[side, taken] : {std::pair{4096u, true}, std::pair{4097u, false}}) {
        qToBigEndian<quint32>(side, bytes.data() + at + 8);
        qToBigEndian<quint32>(side, bytes.data() + at + 12);
        QCOMPARE(heifgrid::plainGridOf(bytes).has_value(), taken);
    }
}

void TestPictures::turnsOnce_data()
{
    // HEIF's own irot and imir boxes, JPEG XL's orientation: the library
    // turns the picture, and the reader must not turn it again.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QTransform>("turn");
    QTest::newRow("HEIF mirrored") << QStringLiteral("heic-orientation-2.heic") << QTransform(-1, 0, 0, 1, 0, 0);
    QTest::newRow("HEIF turned 180") << QStringLiteral("heic-orientation-3.heic") << QTransform().rotate(180);
    QTest::newRow("HEIF turned 90 clockwise") << QStringLiteral("heic-orientation-6.heic") << QTransform().rotate(90);
    QTest::newRow("HEIF turned 270 clockwise") << QStringLiteral("heic-orientation-8.heic") << QTransform().rotate(270);
    QTest::newRow("JPEG XL turned 90 clockwise") << QStringLiteral("jxl-orientation-6.jxl") << QTransform().rotate(90);
    // No box, EXIF orientation 6, as an iPhone writes it: turned as Apple's
    // viewers turn it; the same claiming MIAF (whose files say how they are
    // turned in boxes alone): as stored.
    QTest::newRow("HEIF turned by its EXIF alone") << QStringLiteral("heic-exif-orientation-6.heic")
                                                   << QTransform().rotate(90);
    QTest::newRow("MIAF HEIF with an EXIF orientation: as stored")
        << QStringLiteral("heic-exif-orientation-6-miaf.heic") << QTransform();
    QTest::newRow("HEIF turned by its box, its EXIF saying so too: once")
        << QStringLiteral("heic-irot-and-exif-6.heic") << QTransform().rotate(90);
}

void TestPictures::turnsOnce()
{
    QFETCH(QString, file);
    QFETCH(QTransform, turn);
    const QImage expected = QImage(corpus(QStringLiteral("reference.png")))
                                .convertToFormat(QImage::Format_ARGB32)
                                .transformed(turn);
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(corpus(file), expected.size()), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    QCOMPARE(shown.fullSize, expected.size());
    const double error = meanDifference(shown.image, expected, false);
    QVERIFY2(error < 6, qPrintable(QString::number(error)));
}

void TestPictures::shownAtTheAnnouncedSize_data()
{
    // The coded tile (302 x 202: the reference and a pixel of padding) as
    // the picture, its size box saying otherwise; derived images that crop
    // and turn the one below them, twice.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("announced");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<double>("tolerance"); // mean difference allowed, levels
    const QImage reference = QImage(corpus(QStringLiteral("reference.png"))).convertToFormat(QImage::Format_ARGB32);
    QTest::newRow("size box smaller than the coding: its part")
        << QStringLiteral("heic-size-box-smaller.heic") << QSize(300, 199) << reference.copy(0, 0, 300, 199)
        << 0.45; // its pixels as decoded, not resampled (0.6)
    QTest::newRow("size box larger than the coding: stretched to it")
        << QStringLiteral("heic-size-box-larger.heic") << QSize(310, 206)
        << reference.scaled(310, 206, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) << 2.0;
    const QTransform anticlockwise = QTransform().rotate(-90);
    const QImage once = reference.copy(50, 50, 200, 100).transformed(anticlockwise);
    QTest::newRow("derived twice, cropped and turned each time")
        << QStringLiteral("heic-derived-twice.heic") << QSize(60, 40)
        << once.copy(20, 80, 60, 40).transformed(QTransform().rotate(180)) << 2.0;
}

void TestPictures::shownAtTheAnnouncedSize()
{
    QFETCH(QString, file);
    QFETCH(QSize, announced);
    QFETCH(QImage, expected);
    QFETCH(double, tolerance);
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(corpus(file), announced), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    QCOMPARE(shown.fullSize, announced);
    QCOMPARE(shown.image.size(), announced);
    const double error = meanDifference(shown.image, expected, false);
    QVERIFY2(error < tolerance, qPrintable(QString::number(error)));
}

void TestPictures::orientationsCompose()
{
    // Every orientation after every other, on a picture no turn or mirror
    // leaves alike: the one composed is the two applied in turn, and the
    // inverse undoes each.
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, qRgb(i * 40, 255 - i * 40, i * 17));
    for (int first = 1; first <= 8; ++first) {
        for (int then = 1; then <= 8; ++then) {
            const QString which = QStringLiteral("%1 then %2").arg(first).arg(then);
            QVERIFY2(upright(upright(picture, first), then) == upright(picture, composeOrientations(first, then)),
                     qPrintable(which));
        }
        QVERIFY2(upright(upright(picture, first), inverseOrientation(first)) == picture, qPrintable(QString::number(first)));
        QCOMPARE(orientationOf(transformationOf(first)), first);
    }
    QCOMPARE(turnOrientation(1), 6);
    QCOMPARE(turnOrientation(-1), 8);
    QCOMPARE(turnOrientation(2), 3);
    QCOMPARE(turnOrientation(4), 1);
}

void TestPictures::orientationsAsQtReadsThem()
{
    // What Qt's JPEG reader makes of each EXIF orientation is what the
    // program takes it for.
    QTemporaryDir dir;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString file = dir.filePath(QStringLiteral("o%1.jpg").arg(orientation));
        if (!tagged(corpus(QStringLiteral("colour-adobe-rgb.jpg")), file,
                    {QStringLiteral("-Orientation#=%1").arg(orientation)}))
            QSKIP("exiftool (libimage-exiftool-perl) is not installed, or refused the file");
        QImageReader reader(file);
        reader.setAutoTransform(true);
        QCOMPARE(orientationOf(reader.transformation()), orientation);
    }
}

void TestPictures::turnsBeyondTheReader_data()
{
    // The file, its own tags (exiftool), the turn its sidecar gives (0:
    // none), and how the reference then shows. PNG's and WebP's EXIF
    // orientation, which Qt's readers leave; a sidecar's turn in place of
    // the file's own, whatever turned it (HEIF's boxes or EXIF, JPEG XL's
    // header), mirrored ones too.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<int>("sidecar");
    QTest::addColumn<int>("shown"); // the reference in this orientation
    QTest::newRow("PNG, EXIF 6") << QStringLiteral("reference.png") << QStringList{QStringLiteral("-Orientation#=6")}
                                 << 0 << 6;
    QTest::newRow("WebP, EXIF 8") << QStringLiteral("webp-lossy.webp")
                                  << QStringList{QStringLiteral("-Orientation#=8")} << 0 << 8;
    QTest::newRow("HEIF turned by its box, the sidecar upright")
        << QStringLiteral("heic-orientation-6.heic") << QStringList{} << 1 << 1;
    QTest::newRow("HEIF mirrored by its box, the sidecar turned left")
        << QStringLiteral("heic-orientation-2.heic") << QStringList{} << 8 << 8;
    QTest::newRow("HEIF turned 180 by its box, the sidecar transposed")
        << QStringLiteral("heic-orientation-3.heic") << QStringList{} << 5 << 5;
    QTest::newRow("HEIF turned by its EXIF, the sidecar upright")
        << QStringLiteral("heic-exif-orientation-6.heic") << QStringList{} << 1 << 1;
    QTest::newRow("JPEG XL turned by its header, the sidecar 180")
        << QStringLiteral("jxl-orientation-6.jxl") << QStringList{} << 3 << 3;
}

void TestPictures::turnsBeyondTheReader()
{
    QFETCH(QString, file);
    QFETCH(QStringList, tags);
    QFETCH(int, sidecar);
    QFETCH(int, shown);
    QTemporaryDir dir;
    QString path = corpus(file);
    if (!tags.isEmpty()) {
        path = dir.filePath(file);
        if (!tagged(corpus(file), path, tags))
            QSKIP("exiftool (libimage-exiftool-perl) is not installed, or refused the file");
    }
    const QImage expected =
        upright(QImage(corpus(QStringLiteral("reference.png"))).convertToFormat(QImage::Format_ARGB32), shown);
    QFile opened(path);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const DecodedPicture decoded =
        decodePicture(DecodeRequest::fitted(path, expected.size()), opened, NotCancelled, sidecar);
    QCOMPARE(decoded.status, DecodedPicture::Status::Decoded);
    QCOMPARE(decoded.fullSize, expected.size());
    const double error = meanDifference(decoded.image, expected, false);
    QVERIFY2(error < 6, qPrintable(QString::number(error)));
    // A part of it, as zooming asks: the same part of the turned picture.
    QVERIFY(opened.seek(0));
    const QRect part(20, 30, 60, 40);
    const DecodedPicture zoomed =
        decodePicture(DecodeRequest::part(path, 1.0, part), opened, NotCancelled, sidecar);
    QCOMPARE(zoomed.status, DecodedPicture::Status::Decoded);
    const double partError = meanDifference(zoomed.image, expected.copy(part), false);
    QVERIFY2(partError < 8, qPrintable(QString::number(partError)));
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

void TestPictures::hdrToneMapped_data()
{
    // Three grey bands: 100, 203 (HDR's reference white) and 1000 cd/m² in
    // PQ; 50, 75 (reference white) and 100 % in HLG. Shown as stored they
    // would be the flat greys of their coded values (about 130, 148 and 192),
    // or, taken for linear light, too bright in the darks (about 189, 200,
    // 225). Tone mapped: 100 cd/m² is about half of SDR white (sRGB about
    // 186), reference white a little under white (the roll-off begins
    // below it), the peak white; HLG's 50 % shows at about 50 cd/m² (137).
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("lowest");  // of each band, 8-bit sRGB
    QTest::addColumn<QList<int>>("highest");
    QTest::newRow("AVIF, PQ") << QStringLiteral("avif-pq.avif") << QList<int>{175, 218, 248} << QList<int>{197, 240, 255};
    QTest::newRow("AVIF, HLG") << QStringLiteral("avif-hlg.avif") << QList<int>{125, 218, 248} << QList<int>{150, 240, 255};
    // Its header says its peak is 10000 cd/m²: more to roll off, all darker.
    QTest::newRow("JPEG XL, PQ") << QStringLiteral("jxl-pq.jxl") << QList<int>{150, 185, 232} << QList<int>{178, 205, 250};
}

void TestPictures::hdrToneMapped()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, lowest);
    QFETCH(QList<int>, highest);
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(corpus(file), QSize()), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    const QImage image = shown.image.convertToFormat(QImage::Format_RGB32);
    for (int band = 0; band < 3; ++band) {
        const QColor colour = image.pixelColor(50 + band * 100, 100);
        // Grey stays grey.
        QVERIFY2(qAbs(colour.red() - colour.green()) <= 2 && qAbs(colour.green() - colour.blue()) <= 2,
                 qPrintable(colour.name()));
        QVERIFY2(colour.green() >= lowest[band] && colour.green() <= highest[band],
                 qPrintable(QStringLiteral("band %1: %2").arg(band).arg(colour.green())));
    }
}

namespace {

// ST 2084's code for a light level, the way a camera writes it.
quint16 pqCode(double nits)
{
    const double m1 = 2610.0 / 16384.0, m2 = 2523.0 / 4096.0 * 128.0;
    const double c1 = 3424.0 / 4096.0, c2 = 2413.0 / 4096.0 * 32.0, c3 = 2392.0 / 4096.0 * 32.0;
    const double y = std::pow(nits / 10000.0, m1);
    return quint16(std::lround(std::pow((c1 + c2 * y) / (1.0 + c3 * y), m2) * 65535.0));
}

} // namespace

void TestPictures::saturatedColoursKeepTheirHue_data()
{
    // One bright, saturated pixel, in cd/m² per component. Each component
    // mapped on its own would lift the weaker ones towards the strongest
    // (a deep red turning orange, a sky turning white); mapped by the
    // brightest component, the proportions between them stay.
    QTest::addColumn<QList<double>>("nits");
    QTest::addColumn<double>("peak");
    QTest::newRow("deep red at the peak") << QList<double>{1000, 50, 0} << 1000.0;
    QTest::newRow("orange, half the peak") << QList<double>{500, 150, 10} << 1000.0;
    QTest::newRow("sky blue, bright") << QList<double>{80, 240, 800} << 4000.0;
    QTest::newRow("green at PQ's most") << QList<double>{100, 10000, 400} << 10000.0;
}

void TestPictures::saturatedColoursKeepTheirHue()
{
    QFETCH(QList<double>, nits);
    QFETCH(double, peak);
    QImage image(1, 1, QImage::Format_RGBA64);
    auto *pixel = reinterpret_cast<quint16 *>(image.scanLine(0));
    for (int c = 0; c < 3; ++c)
        pixel[c] = pqCode(nits[c]);
    pixel[3] = 65535;
    toneMapToSdr(image, HdrTransfer::PQ, peak);
    const auto *shown = reinterpret_cast<const quint16 *>(image.constScanLine(0));
    const int brightest = int(std::max_element(nits.begin(), nits.end()) - nits.begin());
    // The brightest component as the roll-off shows it, relative to SDR white.
    const double top = shown[brightest] / 65535.0;
    QVERIFY2(qAbs(top - eetf(nits[brightest], peak) / ReferenceWhiteNits) < 0.01, qPrintable(QString::number(top)));
    for (int c = 0; c < 3; ++c) {
        const double ratio = shown[c] / double(shown[brightest]);
        QVERIFY2(qAbs(ratio - nits[c] / nits[brightest]) < 0.01,
                 qPrintable(QStringLiteral("component %1: %2 against %3").arg(c).arg(ratio).arg(nits[c] / nits[brightest])));
    }
}

void TestPictures::absurdLightLevelIsPqPeak()
{
    // One picture claiming three brightest pixels: none (taken as 1000 cd/m²),
    // 10000 (PQ's most) and 65535, past what PQ can code: shown as 10000.
    const auto shown = [](const char *name) {
        return decodePicture(DecodeRequest::fitted(corpus(QString::fromLatin1(name)), QSize()), NotCancelled)
            .image.convertToFormat(QImage::Format_RGB32);
    };
    const QImage unclaimed = shown("avif-pq.avif");
    const QImage most = shown("avif-pq-10000.avif");
    const QImage absurd = shown("hostile-pq-absurd-light.avif");
    QVERIFY(!absurd.isNull());
    QVERIFY2(meanDifference(unclaimed, most, false) > 10, "the claim is read");
    QCOMPARE(absurd, most);
}

void TestPictures::eetfRollsOff()
{
    // BT.2390: the source's peak becomes SDR white, the darks stay as they
    // are, and nothing goes backwards.
    for (const double peak : {400.0, 1000.0, 4000.0, 10000.0}) {
        QCOMPARE(qRound(eetf(peak, peak)), qRound(ReferenceWhiteNits));
        QVERIFY(qAbs(eetf(20, peak) - 20) < 0.5);
        double before = 0;
        for (double nits = 1; nits <= peak; nits *= 1.25) {
            const double shown = eetf(nits, peak);
            QVERIFY(shown >= before && shown <= ReferenceWhiteNits + 0.01);
            before = shown;
        }
    }
    // A picture whose peak is below SDR white is left as it is.
    QCOMPARE(eetf(150, 180), 150.0);
}

void TestPictures::animations_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("AVIF sequence") << QStringLiteral("avif-sequence.avifs");
    QTest::newRow("JPEG XL") << QStringLiteral("jxl-animated.jxl");
}

void TestPictures::animations()
{
    // Red, green, blue, 100 ms each: the first frame at once, then each.
    QFETCH(QString, file);
    const DecodedPicture first = decodePicture(DecodeRequest::fitted(corpus(file), QSize(400, 300)), NotCancelled);
    QCOMPARE(first.status, DecodedPicture::Status::Animated);
    QCOMPARE(first.fullSize, QSize(60, 40));
    QCOMPARE(first.delayMs, 100);
    QImageReader reader(corpus(file));
    QVERIFY(reader.supportsAnimation());
    QCOMPARE(reader.imageCount(), 3);
    const QList<QColor> colours{QColor(0xe0, 0x20, 0x20), QColor(0x20, 0xe0, 0x20), QColor(0x20, 0x20, 0xe0)};
    QColor seen = first.image.pixelColor(30, 20);
    QVERIFY2(qAbs(seen.red() - 0xe0) <= 4 && seen.green() < 0x30, qPrintable(seen.name()));
    for (const QColor &wanted : colours) {
        DecodedPicture frame = nextFrame(reader, QSize(400, 300), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(frame.status, DecodedPicture::Status::Decoded);
        QCOMPARE(frame.delayMs, 100);
        seen = frame.image.pixelColor(30, 20);
        QVERIFY2(qAbs(seen.red() - wanted.red()) <= 4 && qAbs(seen.green() - wanted.green()) <= 4
                     && qAbs(seen.blue() - wanted.blue()) <= 4,
                 qPrintable(seen.name()));
    }
    QCOMPARE(nextFrame(reader, QSize(400, 300), QColorSpace(QColorSpace::SRgb)).status,
             DecodedPicture::Status::CannotDisplay); // no fourth frame
}

void TestPictures::reasons_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("reason");
    using Reason = DecodedPicture::Reason;
    QTest::newRow("not a picture") << QStringLiteral("text") << int(Reason::UnknownFormat);
    QTest::newRow("cut short") << QStringLiteral("hostile-truncated-heic-8bit.heic") << int(Reason::Damaged);
    QTest::newRow("a camera RAW cut short") << QStringLiteral("hostile-truncated-raw-plain.dng") << int(Reason::Damaged);
    QTest::newRow("a grid whose tiles are missing") << QStringLiteral("../hostile/heic-grid-missing-tiles.heic")
                                                   << int(Reason::Damaged);
    QTest::newRow("past the program's cap") << QStringLiteral("../hostile/heic-grid-25000x20000.heic")
                                           << int(Reason::TooLarge);
    // 3290 pictures laid on one canvas: past what libheif agrees to compose.
    QTest::newRow("an overlay of too many pictures") << QStringLiteral("../hostile/heic-overlay-14000x14000.heic")
                                                    << int(Reason::TooLarge);
    // A sequence of HEVC pictures with no still one: this version cannot show it.
    QTest::newRow("a HEIF sequence without a still") << QStringLiteral("sequence") << int(Reason::Unsupported);
    // SVGs that Qt SVG would pay for whole, refused from a look at their text.
    QTest::newRow("an SVG inflating to 200 MB") << QStringLiteral("svgz bomb") << int(Reason::TooLarge);
    QTest::newRow("an SVG of 200 pictures") << QStringLiteral("svg pictures") << int(Reason::TooLarge);
    QTest::newRow("an SVG holding 6 pictures of 12000 x 12000") << QStringLiteral("svg data") << int(Reason::TooLarge);
}

void TestPictures::reasons()
{
    QFETCH(QString, file);
    QFETCH(int, reason);
    QTemporaryDir dir;
    QString path;
    if (file == QStringLiteral("text")) {
        path = dir.filePath(QStringLiteral("notes.jpg"));
        QVERIFY(testfiles::writeAll(path, "just some words, called a JPEG"));
    } else if (file == QStringLiteral("sequence")) {
        // Its brands a sequence's (msf1), its primary item gone (pitm made
        // a box that is skipped, of the same size).
        QFile still(corpus(QStringLiteral("heic-8bit.heic")));
        QVERIFY(still.open(QIODevice::ReadOnly));
        QByteArray bytes = still.readAll();
        bytes.replace(8, 4, "msf1");
        const qsizetype pitm = bytes.indexOf("pitm");
        QVERIFY(pitm > 0);
        bytes.replace(pitm, 4, "free");
        path = dir.filePath(QStringLiteral("sequence.heic"));
        QVERIFY(testfiles::writeAll(path, bytes));
    } else if (file.startsWith(QStringLiteral("svg"))) {
        const QByteArray head = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                                "width='100' height='100'>";
        QByteArray svg;
        if (file == QStringLiteral("svg pictures")) {
            svg = head + QByteArray("<image width='1' height='1' xlink:href='a.png'/>").repeated(200) + "</svg>";
        } else if (file == QStringLiteral("svg data")) {
            // A PNG's header alone says its size.
            QByteArray header("IHDR");
            for (const int side : {12000, 12000})
                for (const int shift : {24, 16, 8, 0})
                    header += char((side >> shift) & 0xFF);
            header += QByteArray("\x08\x02\0\0\0", 5);
            const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(header.constData()), uInt(header.size())));
            QByteArray png = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + header;
            for (const int shift : {24, 16, 8, 0})
                png += char((crc >> shift) & 0xFF);
            // Where its pixels would begin (none follow): readers stop there.
            const quint32 idat = quint32(crc32(0, reinterpret_cast<const Bytef *>("IDAT"), 4));
            png += QByteArray("\0\0\0\0IDAT", 8);
            for (const int shift : {24, 16, 8, 0})
                png += char((idat >> shift) & 0xFF);
            svg = head + ("<image width='10' height='10' xlink:href='data:image/png;base64," + png.toBase64() + "'/>").repeated(6)
                  + "</svg>";
        } else {
            // 200 MB of spaces, gzip-compressed to a few hundred kilobytes.
            z_stream stream{};
            QVERIFY(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK);
            QByteArray chunk = head + QByteArray(1024 * 1024, ' ');
            char out[64 * 1024];
            for (int i = 0; i <= 200; ++i) {
                if (i == 200)
                    chunk = "</svg>";
                stream.next_in = reinterpret_cast<Bytef *>(chunk.data());
                stream.avail_in = uInt(chunk.size());
                do {
                    stream.next_out = reinterpret_cast<Bytef *>(out);
                    stream.avail_out = sizeof out;
                    deflate(&stream, i == 200 ? Z_FINISH : Z_NO_FLUSH);
                    svg.append(out, qsizetype(sizeof out - stream.avail_out));
                } while (stream.avail_out == 0);
                chunk = QByteArray(1024 * 1024, ' ');
            }
            deflateEnd(&stream);
        }
        path = dir.filePath(QStringLiteral("picture.svg"));
        QVERIFY(testfiles::writeAll(path, svg));
    } else {
        path = corpus(file);
    }
    const DecodedPicture shown = decodePicture(DecodeRequest::fitted(path, QSize(150, 150)), NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::CannotDisplay);
    QCOMPARE(int(shown.reason), reason);
}

void TestPictures::handlersCapTheirPixels_data()
{
    // Files that say they are 25000 x 20000: past each handler's own cap
    // (400 megapixels), below its library's limits. Refused from the header,
    // before any pixel is decoded or any buffer allocated.
    QTest::addColumn<QString>("file");
    QTest::newRow("HEIF") << QStringLiteral("heic-grid-25000x20000.heic");
    QTest::newRow("JPEG XL") << QStringLiteral("jxl-claims-25000x20000.jxl");
    QTest::newRow("camera RAW") << QStringLiteral("raw-claims-25000x20000.dng");
}

void TestPictures::handlersCapTheirPixels()
{
    QFETCH(QString, file);
    QImageReader reader(QFINDTESTDATA(QStringLiteral("data/hostile/") + file));
    QCOMPARE(reader.size(), QSize(25000, 20000));
    QVERIFY(reader.read().isNull());
    QCOMPARE(reader.text(QStringLiteral("Zelvo-Reason")), QStringLiteral("too-large"));
}

void TestPictures::cameraRaw_data()
{
    // DNGs of the reference's layout: the mosaic alone, and with a 120 x 80
    // JPEG preview of another colour (a magenta band over blue, the band on
    // the stored left third), so that which of the two is shown can be told.
    // "dcraw_emu ARGS" is LibRaw's own development of the file; for the
    // preview, where its band and its blue are seen.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("bounds");      // fitted within; empty: own size
    QTest::addColumn<QRect>("region");      // when valid, this part at `scale`
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("band");
    QTest::addColumn<QPoint>("blue");
    const QString plain = QStringLiteral("raw-plain.dng");
    const QString withPreview = QStringLiteral("raw-preview.dng");
    const QString turned = QStringLiteral("raw-preview-orientation-6.dng");
    const QString developed = QStringLiteral("dcraw_emu -w");
    const QString preview = QStringLiteral("preview");
    const QPoint none;
    QTest::newRow("no preview: developed") << plain << QSize() << QRect() << 0.0 << developed << QSize(240, 160)
                                           << none << none;
    QTest::newRow("no preview, half size asked: developed to that size")
        << plain << QSize(120, 80) << QRect() << 0.0 << QStringLiteral("dcraw_emu -w -h") << QSize(120, 80) << none
        << none;
    QTest::newRow("a preview with the pixels asked: the preview")
        << withPreview << QSize(120, 80) << QRect() << 0.0 << preview << QSize(120, 80) << QPoint(10, 40)
        << QPoint(100, 40);
    QTest::newRow("a preview with too few pixels: developed")
        << withPreview << QSize(300, 300) << QRect() << 0.0 << developed << QSize(240, 160) << none << none;
    QTest::newRow("zoomed past the preview: developed")
        << withPreview << QSize() << QRect(30, 20, 60, 40) << 2.0 << developed << QSize(120, 80) << none << none;
    // The band ends 80 pixels into the picture (upright: x, or turned: y),
    // 20 into these parts: 10 once shown at half.
    QTest::newRow("a part within the preview's pixels: that part of the preview")
        << withPreview << QSize() << QRect(60, 0, 120, 160) << 0.5 << preview << QSize(60, 80) << QPoint(3, 40)
        << QPoint(40, 40);
    QTest::newRow("a turned preview: turned as the file says")
        << turned << QSize(80, 120) << QRect() << 0.0 << preview << QSize(80, 120) << QPoint(40, 10)
        << QPoint(40, 100);
    QTest::newRow("a part of a turned preview: the part of it upright")
        << turned << QSize() << QRect(0, 60, 160, 120) << 0.5 << preview << QSize(80, 60) << QPoint(40, 3)
        << QPoint(40, 20);
    // Found by fuzzing: the preview outlives LibRaw's failed development of
    // the damaged mosaic, which frees what LibRaw held.
    QTest::newRow("a raw that cannot be developed: its preview, turned")
        << QStringLiteral("../hostile/raw-preview-orientation-6-mosaic-damaged.dng") << QSize() << QRect() << 0.0
        << preview << QSize(160, 240) << QPoint(80, 20) << QPoint(80, 200);
    QTest::newRow("a turned raw: developed turned") << turned << QSize() << QRect() << 0.0 << developed
                                                    << QSize(160, 240) << none << none;
}

void TestPictures::cameraRaw()
{
    QFETCH(QString, file);
    QFETCH(QSize, bounds);
    QFETCH(QRect, region);
    QFETCH(qreal, scale);
    QFETCH(QString, expected);
    QFETCH(QSize, size);
    QFETCH(QPoint, band);
    QFETCH(QPoint, blue);
    const QString path = corpus(file);
    const DecodeRequest request = region.isValid() ? DecodeRequest::part(path, scale, region)
                                                   : DecodeRequest::fitted(path, bounds);
    const DecodedPicture shown = decodePicture(request, NotCancelled);
    QCOMPARE(shown.status, DecodedPicture::Status::Decoded);
    // The camera's picture, never the TIFF's first page.
    QCOMPARE(shown.fullSize, file.contains(QStringLiteral("orientation-6")) ? QSize(160, 240) : QSize(240, 160));
    QCOMPARE(shown.image.size(), size);
    const QImage image = shown.image.convertToFormat(QImage::Format_RGB32);
    if (expected == QStringLiteral("preview")) {
        const auto near = [](QRgb seen, QRgb wanted) {
            return std::abs(qRed(seen) - qRed(wanted)) < 24 && std::abs(qGreen(seen) - qGreen(wanted)) < 24
                   && std::abs(qBlue(seen) - qBlue(wanted)) < 24;
        };
        QVERIFY2(near(image.pixel(band), qRgb(0xff, 0, 0xff)), qPrintable(QString::number(image.pixel(band), 16)));
        QVERIFY2(near(image.pixel(blue), qRgb(0x20, 0x40, 0xc0)), qPrintable(QString::number(image.pixel(blue), 16)));
        return;
    }
    const QString dcraw = QStandardPaths::findExecutable(QStringLiteral("dcraw_emu"));
    if (dcraw.isEmpty())
        QSKIP("dcraw_emu (libraw-bin) is not installed: nothing to compare the development with");
    QProcess develop;
    develop.start(dcraw, expected.split(QLatin1Char(' ')).mid(1) + QStringList{QStringLiteral("-Z"), QStringLiteral("-"), path});
    QVERIFY(develop.waitForFinished(30000));
    QImage reference = QImage::fromData(develop.readAllStandardOutput(), "PPM").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!reference.isNull());
    if (region.isValid())
        reference = reference.copy(region).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(reference.size(), size);
    const double error = meanDifference(image, reference, false);
    QVERIFY2(error < 0.5, qPrintable(QString::number(error)));
}

void TestPictures::previews_data()
{
    // The previews the corpus's files carry are of other colours than their
    // pictures (a band of `band` on the stored left third, blue beside it),
    // so that which was read can be told; the HEIF thumbnail is the
    // reference picture, smaller.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size"); // of the preview; empty: none
    QTest::addColumn<QSize>("full");
    QTest::addColumn<QRgb>("band");  // 0: compared with the reference instead
    QTest::addColumn<bool>("turned");
    const QSize photo(301, 201);
    const QSize raw(240, 160);
    const QRgb magenta = qRgb(0xff, 0, 0xff);
    QTest::newRow("EXIF thumbnail") << QStringLiteral("jpeg-exif-thumbnail.jpg") << QSize(60, 40) << photo << magenta
                                    << false;
    QTest::newRow("EXIF thumbnail, turned as the photo")
        << QStringLiteral("jpeg-exif-thumbnail-orientation-6.jpg") << QSize(40, 60) << photo.transposed() << magenta
        << true;
    QTest::newRow("MPF preview, larger than the thumbnail")
        << QStringLiteral("jpeg-mpf-preview.jpg") << QSize(150, 100) << photo << qRgb(0, 0xff, 0) << false;
    QTest::newRow("HEIF thumbnail item") << QStringLiteral("heic-thumbnail.heic") << QSize(64, 42) << photo << QRgb(0)
                                         << false;
    QTest::newRow("RAW preview") << QStringLiteral("raw-preview.dng") << QSize(120, 80) << raw << magenta << false;
    QTest::newRow("RAW preview, turned") << QStringLiteral("raw-preview-orientation-6.dng") << QSize(80, 120)
                                         << raw.transposed() << magenta << true;
    QTest::newRow("corrupt thumbnail: none") << QStringLiteral("hostile-corrupt-exif-thumbnail.jpg") << QSize() << photo
                                             << QRgb(0) << false;
    QTest::newRow("an MPF gain map is no preview: the thumbnail")
        << QStringLiteral("jpeg-mpf-gain-map.jpg") << QSize(60, 40) << photo << magenta << false;
    for (const char *missing : {"colour-adobe-rgb.jpg", "heic-8bit.heic", "raw-plain.dng", "reference.png"})
        QTest::newRow(qPrintable(QStringLiteral("missing: ") + QLatin1String(missing)))
            << QString::fromLatin1(missing) << QSize() << QSize() << QRgb(0) << false;
}

void TestPictures::previews()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(QSize, full);
    QFETCH(QRgb, band);
    QFETCH(bool, turned);
    QFile opened(corpus(file));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const DecodedPicture preview = decodePreview(DecodeRequest::previewOf(opened.fileName(), QSize(800, 600)), opened);
    if (size.isEmpty()) {
        QCOMPARE(preview.status, DecodedPicture::Status::CannotDisplay);
        return;
    }
    QCOMPARE(preview.status, DecodedPicture::Status::Decoded);
    QCOMPARE(preview.fullSize, full);
    QCOMPARE(preview.image.size(), size);
    const QImage image = preview.image.convertToFormat(QImage::Format_RGB32);
    if (band == 0) {
        const QImage expected = QImage(corpus(QStringLiteral("reference.png")))
                                    .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double error = meanDifference(image, expected, false);
        QVERIFY2(error < 10, qPrintable(QString::number(error)));
        return;
    }
    // The band is the stored left third: on top once turned.
    const QPoint inBand = turned ? QPoint(size.width() / 2, size.height() / 10) : QPoint(size.width() / 10, size.height() / 2);
    const QPoint beside = turned ? QPoint(size.width() / 2, size.height() * 9 / 10)
                                 : QPoint(size.width() * 9 / 10, size.height() / 2);
    const auto near = [](QRgb seen, QRgb wanted) {
        return std::abs(qRed(seen) - qRed(wanted)) < 24 && std::abs(qGreen(seen) - qGreen(wanted)) < 24
               && std::abs(qBlue(seen) - qBlue(wanted)) < 24;
    };
    QVERIFY2(near(image.pixel(inBand), band), qPrintable(QString::number(image.pixel(inBand), 16)));
    QVERIFY2(near(image.pixel(beside), qRgb(0x20, 0x40, 0xc0)), qPrintable(QString::number(image.pixel(beside), 16)));
}

void TestPictures::heifPreviewTurnedAsItsPicture_data()
{
    // A photo taken upright, stored on its side and turned three quarters
    // by its irot: its thumbnail says the same turn, or none.
    QTest::addColumn<QString>("file");
    QTest::newRow("its thumbnail turned by its own irot") << QStringLiteral("heic-grid-as-phones-write.heic");
    QTest::newRow("the turn said of the photo alone") << QStringLiteral("heic-grid-bare-thumbnail.heic");
}

// The first look is the picture, smaller, the same way up.
void TestPictures::heifPreviewTurnedAsItsPicture()
{
    QFETCH(QString, file);
    QFile opened(corpus(file));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const DecodedPicture preview = decodePreview(DecodeRequest::previewOf(opened.fileName(), QSize(800, 600)), opened);
    QCOMPARE(preview.status, DecodedPicture::Status::Decoded);
    QCOMPARE(preview.fullSize, QSize(201, 268));
    QCOMPARE(preview.image.size(), QSize(240, 320));
    QImageReader reader(corpus(file));
    reader.setScaledSize(preview.image.size());
    QImage picture = reader.read();
    picture.convertToColorSpace(QColorSpace::SRgb);
    const double error = meanDifference(preview.image, picture, false);
    QVERIFY2(error < 10, qPrintable(QString::number(error)));
}

void TestPictures::sharedThumbnails_data()
{
    // A file manager's thumbnail (256 x 171, green) of a photo whose own
    // EXIF thumbnail is 60 x 40, or of a PNG that carries none.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("entry"); // "valid", "stale", "another file's", "corrupt", "none"
    QTest::addColumn<QSize>("shown");   // the preview's size; empty: none
    const QString photo = QStringLiteral("jpeg-exif-thumbnail.jpg");
    QTest::newRow("valid: larger than the photo's own") << photo << QStringLiteral("valid") << QSize(256, 171);
    QTest::newRow("stale: the photo's own") << photo << QStringLiteral("stale") << QSize(60, 40);
    QTest::newRow("another file's: the photo's own") << photo << QStringLiteral("another file's") << QSize(60, 40);
    QTest::newRow("corrupt: the photo's own") << photo << QStringLiteral("corrupt") << QSize(60, 40);
    QTest::newRow("none: the photo's own") << photo << QStringLiteral("none") << QSize(60, 40);
    QTest::newRow("valid, for a picture with no preview") << QStringLiteral("reference.png") << QStringLiteral("valid")
                                                          << QSize(256, 171);
    QTest::newRow("stale, for a picture with no preview") << QStringLiteral("reference.png") << QStringLiteral("stale")
                                                          << QSize();
}

void TestPictures::sharedThumbnails()
{
    QFETCH(QString, file);
    QFETCH(QString, entry);
    QFETCH(QSize, shown);
    QTemporaryDir dir;
    const QString picture = dir.filePath(file);
    QVERIFY(QFile::copy(corpus(file), picture));
    const QByteArray uri = thumbnailUri(picture);
    const qint64 modified = QFileInfo(picture).lastModified().toSecsSinceEpoch();
    QImage thumbnail(256, 171, QImage::Format_RGB32);
    thumbnail.fill(qRgb(0, 0xc0, 0x40));
    thumbnail.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(entry == QStringLiteral("another file's")
                                                                          ? thumbnailUri(dir.filePath(QStringLiteral("x.jpg")))
                                                                          : uri));
    thumbnail.setText(QStringLiteral("Thumb::MTime"),
                      QString::number(entry == QStringLiteral("stale") ? modified - 1 : modified));
    QBuffer cached;
    QVERIFY(cached.open(QIODevice::ReadWrite));
    QVERIFY(thumbnail.save(&cached, "PNG"));
    if (entry == QStringLiteral("corrupt"))
        cached.buffer().replace(cached.size() / 2, 64, QByteArray(64, 'x'));
    QVERIFY(cached.seek(0));
    QFile opened(picture);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    const DecodedPicture preview = decodePreview(DecodeRequest::previewOf(picture, QSize(800, 600)), opened,
                                                 entry == QStringLiteral("none") ? nullptr : &cached, uri);
    if (shown.isEmpty()) {
        QCOMPARE(preview.status, DecodedPicture::Status::CannotDisplay);
        return;
    }
    QCOMPARE(preview.status, DecodedPicture::Status::Decoded);
    QCOMPARE(preview.fullSize, QSize(301, 201));
    QCOMPARE(preview.image.size(), shown);
}

void TestPictures::sharedThumbnailFound()
{
    // The cache's own example: the URI's MD5 names the entry; the largest
    // size there is wins.
    QCOMPARE(QCryptographicHash::hash("file:///home/jens/photos/me.png", QCryptographicHash::Md5).toHex(),
             QByteArray("c6ee772d9e49320e97ec29a7eb5b1697"));
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    const QString picture = QStringLiteral("/home/jens/photos/me.png");
    QCOMPARE(thumbnailUri(picture), QByteArray("file:///home/jens/photos/me.png"));
    QCOMPARE(cachedThumbnailPath(picture), QString());
    for (const char *size : {"normal", "x-large"}) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("thumbnails/") + QLatin1String(size)));
        QVERIFY(testfiles::writeAll(dir.filePath(QStringLiteral("thumbnails/%1/c6ee772d9e49320e97ec29a7eb5b1697.png")
                                                     .arg(QLatin1String(size))),
                                    "png"));
    }
    QCOMPARE(cachedThumbnailPath(picture),
             dir.filePath(QStringLiteral("thumbnails/x-large/c6ee772d9e49320e97ec29a7eb5b1697.png")));
    // Spaces and other characters percent-encoded, as file managers write them.
    QCOMPARE(thumbnailUri(QStringLiteral("/tmp/a b#[1].jpg")), QByteArray("file:///tmp/a%20b%23[1].jpg"));
    // A name that is not UTF-8 (Shift JIS here): its own bytes, as a file manager spells it.
    QCOMPARE(thumbnailUri(platform::decodePath("/tmp/\x82\xa0\xe9.jpg")), QByteArray("file:///tmp/%82%A0%E9.jpg"));
    if (old.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", old);
}

namespace {

// `source` copied to `target` with the tags exiftool is given; false when
// exiftool is not there or refuses.
} // namespace

void TestPictures::photoDetails_data()
{
    // Tags written by exiftool into real files of each kind, and what the
    // details say of them: every field, the southern and western halves,
    // a time zone, and files that say nothing.
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("expected"); // "field=value;..." of the fields set
    const QStringList everything{
        QStringLiteral("-DateTimeOriginal=2024:07:14 10:03:22"), QStringLiteral("-OffsetTimeOriginal=+09:00"),
        QStringLiteral("-Make=Apple"), QStringLiteral("-Model=iPhone 15 Pro"),
        QStringLiteral("-LensModel=iPhone 15 Pro back camera 6.86mm f/1.78"), QStringLiteral("-FocalLength=6.86"),
        QStringLiteral("-FocalLengthIn35mmFormat=24"), QStringLiteral("-FNumber=1.78"),
        QStringLiteral("-ExposureTime=1/250"), QStringLiteral("-ISO=80"), QStringLiteral("-ExposureCompensation=-0.7"),
        QStringLiteral("-EXIF:Flash=Fired"), QStringLiteral("-GPSLatitude=33.8568"), QStringLiteral("-GPSLatitudeRef=S"),
        QStringLiteral("-GPSLongitude=151.2153"), QStringLiteral("-GPSLongitudeRef=W"),
        QStringLiteral("-GPSAltitude=12.5"), QStringLiteral("-GPSAltitudeRef=Above Sea Level"),
        QStringLiteral("-XMP-dc:Title=Harbour"), QStringLiteral("-Artist=Jens"), QStringLiteral("-Copyright=(c) Jens")};
    const QString all = QStringLiteral(
        "taken=2024-07-14 10:03:22;offset=+09:00;make=Apple;model=iPhone 15 Pro;"
        "lens=iPhone 15 Pro back camera 6.86mm f/1.78;focal=6.86;focal35=24;fnumber=1.78;exposure=0.004;iso=80;"
        "bias=-0.7;flash=1;latitude=-33.8568;longitude=-151.215;altitude=12.5;title=Harbour;author=Jens;"
        "copyright=(c) Jens");
    QTest::newRow("JPEG, every field") << QStringLiteral("colour-adobe-rgb.jpg") << everything << all;
    QTest::newRow("HEIC, every field") << QStringLiteral("heic-8bit.heic") << everything << all;
    QTest::newRow("DNG, every field") << QStringLiteral("raw-plain.dng") << everything << all;
    QTest::newRow("WebP, every field") << QStringLiteral("webp-lossy.webp") << everything << all;
    QTest::newRow("north and east, below the sea")
        << QStringLiteral("colour-adobe-rgb.jpg")
        << QStringList{QStringLiteral("-GPSLatitude=35.6586"), QStringLiteral("-GPSLatitudeRef=N"),
                       QStringLiteral("-GPSLongitude=139.7454"), QStringLiteral("-GPSLongitudeRef=E"),
                       QStringLiteral("-GPSAltitude=28"), QStringLiteral("-GPSAltitudeRef=Below Sea Level")}
        << QStringLiteral("latitude=35.6586;longitude=139.745;altitude=-28");
    QTest::newRow("a date without a time zone, the flash not fired")
        << QStringLiteral("colour-adobe-rgb.jpg")
        << QStringList{QStringLiteral("-DateTimeOriginal=2019:01:02 03:04:05"), QStringLiteral("-EXIF:Flash=No Flash")}
        << QStringLiteral("taken=2019-01-02 03:04:05;offset=;flash=0");
    QTest::newRow("a date in XMP alone")
        << QStringLiteral("reference.png")
        << QStringList{QStringLiteral("-XMP-exif:DateTimeOriginal=2021:05:06 07:08:09+02:00")}
        << QStringLiteral("taken=2021-05-06 07:08:09;offset=+02:00");
    QTest::newRow("a file that says nothing") << QStringLiteral("reference.png") << QStringList{}
                                              << QStringLiteral("taken=;make=;latitude=;iso=0;rating=0;label=");
    // Marks: XMP's as digiKam and Lightroom write them, Windows' EXIF rating,
    // a label in another program's words, a rating no rating can be.
    QTest::newRow("JPEG, stars and a label")
        << QStringLiteral("colour-adobe-rgb.jpg")
        << QStringList{QStringLiteral("-XMP-xmp:Rating=4"), QStringLiteral("-XMP-xmp:Label=Green")}
        << QStringLiteral("rating=4;label=Green");
    QTest::newRow("PNG, rejected, a label in lower case")
        << QStringLiteral("reference.png")
        << QStringList{QStringLiteral("-XMP-xmp:Rating=-1"), QStringLiteral("-XMP-xmp:Label=blue")}
        << QStringLiteral("rating=-1;label=Blue");
    QTest::newRow("a Windows rating in EXIF alone")
        << QStringLiteral("colour-adobe-rgb.jpg") << QStringList{QStringLiteral("-EXIF:Rating=3")}
        << QStringLiteral("rating=3;label=");
    QTest::newRow("XMP's rating wins over EXIF's")
        << QStringLiteral("colour-adobe-rgb.jpg")
        << QStringList{QStringLiteral("-EXIF:Rating=3"), QStringLiteral("-XMP-xmp:Rating=1")}
        << QStringLiteral("rating=1");
    QTest::newRow("a label of another program's words, a rating out of range")
        << QStringLiteral("webp-lossy.webp")
        << QStringList{QStringLiteral("-XMP-xmp:Label=Rot"), QStringLiteral("-XMP-xmp:Rating=9")}
        << QStringLiteral("rating=0;label=other");
    QTest::newRow("HEIC, stars") << QStringLiteral("heic-8bit.heic") << QStringList{QStringLiteral("-XMP-xmp:Rating=5")}
                                 << QStringLiteral("rating=5");
}

void TestPictures::photoDetails()
{
    QFETCH(QString, source);
    QFETCH(QStringList, tags);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QFileInfo(source).fileName());
    if (!tagged(corpus(source), file, tags))
        QSKIP("exiftool (libimage-exiftool-perl) is not installed, or refused the file");
    QFile opened(file);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    // Through the wire, as the window takes it.
    const PhotoDetails taken = decodeDetails(encodeDetails(readPhotoDetails(opened)));
    const auto shown = [](double value) { return std::isfinite(value) && value != 0 ? QString::number(value, 'g', 6) : QString(); };
    const QHash<QString, QString> fields{
        {QStringLiteral("taken"), taken.taken},
        {QStringLiteral("offset"), taken.takenOffset},
        {QStringLiteral("make"), taken.make},
        {QStringLiteral("model"), taken.model},
        {QStringLiteral("lens"), taken.lens},
        {QStringLiteral("focal"), shown(taken.focalLength)},
        {QStringLiteral("focal35"), shown(taken.focal35)},
        {QStringLiteral("fnumber"), shown(taken.fNumber)},
        {QStringLiteral("exposure"), shown(taken.exposure)},
        {QStringLiteral("iso"), QString::number(taken.iso)},
        {QStringLiteral("bias"), shown(taken.exposureBias)},
        {QStringLiteral("flash"), taken.flash < 0 ? QString() : QString::number(taken.flash & 1)},
        {QStringLiteral("latitude"), taken.latitude ? shown(*taken.latitude) : QString()},
        {QStringLiteral("longitude"), taken.longitude ? shown(*taken.longitude) : QString()},
        {QStringLiteral("altitude"), taken.altitude ? shown(*taken.altitude) : QString()},
        {QStringLiteral("title"), taken.title},
        {QStringLiteral("author"), taken.author},
        {QStringLiteral("copyright"), taken.copyright},
        {QStringLiteral("rating"), QString::number(taken.marks.rating)},
        {QStringLiteral("label"), taken.marks.label == marks::Label::Other ? QStringLiteral("other")
                                                                           : marks::xmpLabel(taken.marks.label)},
    };
    for (const QString &pair : expected.split(QLatin1Char(';'))) {
        const QString field = pair.section(QLatin1Char('='), 0, 0);
        QCOMPARE(fields.value(field), pair.section(QLatin1Char('='), 1));
    }
    // Every tag is listed too, under its own key.
    if (!tags.isEmpty())
        QVERIFY(!taken.tags.isEmpty());
}

namespace {

// An XMP sidecar as Lightroom and darktable write one: properties as
// attributes of one description.
QByteArray sidecarWith(const QString &properties)
{
    return QStringLiteral("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
                          "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                          "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
                          "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" "
                          "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" %1/></rdf:RDF></x:xmpmeta>"
                          "<?xpacket end=\"w\"?>")
        .arg(properties)
        .toUtf8();
}

} // namespace

void TestPictures::sidecarMarks_data()
{
    // Where a photo's marks are read from: the sidecar of a file never
    // rewritten (RAW, HEIF), the file's own for a JPEG, the file's own when
    // its sidecar says nothing of them or is no XMP.
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QStringList>("fileTags");
    QTest::addColumn<QByteArray>("sidecar");
    QTest::addColumn<int>("rating");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("orientation"); // what the sidecar turns it to, 0: nothing
    const QByteArray full = sidecarWith(QStringLiteral("xmp:Rating=\"3\" xmp:Label=\"Red\" tiff:Orientation=\"6\""));
    QTest::newRow("DNG: the sidecar's") << QStringLiteral("raw-plain.dng") << QStringList{} << full << 3
                                        << QStringLiteral("Red") << 6;
    QTest::newRow("HEIC: the sidecar's over the file's")
        << QStringLiteral("heic-8bit.heic") << QStringList{QStringLiteral("-XMP-xmp:Rating=1")} << full << 3
        << QStringLiteral("Red") << 6;
    QTest::newRow("JPEG: its own, the sidecar is another program's")
        << QStringLiteral("colour-adobe-rgb.jpg") << QStringList{QStringLiteral("-XMP-xmp:Rating=2")} << full << 2
        << QString() << 6;
    QTest::newRow("DNG: a sidecar of other tags leaves the file's")
        << QStringLiteral("raw-plain.dng") << QStringList{QStringLiteral("-XMP-xmp:Rating=4")}
        << sidecarWith(QStringLiteral("dc:format=\"image/x-adobe-dng\"")) << 4 << QString() << 0;
    QTest::newRow("HEIC: rejected in the sidecar")
        << QStringLiteral("heic-8bit.heic") << QStringList{} << sidecarWith(QStringLiteral("xmp:Rating=\"-1\"")) << -1
        << QString() << 0;
    QTest::newRow("DNG: a sidecar that is no XMP") << QStringLiteral("raw-plain.dng")
                                                   << QStringList{QStringLiteral("-XMP-xmp:Label=Blue")}
                                                   << QByteArray("<html>not a sidecar") << 0 << QStringLiteral("Blue") << 0;
}

void TestPictures::sidecarMarks()
{
    QFETCH(QString, photo);
    QFETCH(QStringList, fileTags);
    QFETCH(QByteArray, sidecar);
    QFETCH(int, rating);
    QFETCH(QString, label);
    QFETCH(int, orientation);
    QTemporaryDir dir;
    const QString file = dir.filePath(QFileInfo(photo).fileName());
    if (fileTags.isEmpty())
        QVERIFY(QFile::copy(corpus(photo), file));
    else if (!tagged(corpus(photo), file, fileTags))
        QSKIP("exiftool (libimage-exiftool-perl) is not installed, or refused the file");
    QFile opened(file);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QBuffer side(&sidecar);
    QVERIFY(side.open(QIODevice::ReadOnly));
    const PhotoDetails details = decodeDetails(encodeDetails(readPhotoDetails(opened, &side)));
    QCOMPARE(details.marks.rating, rating);
    QCOMPARE(marks::xmpLabel(details.marks.label), label);
    QCOMPARE(readSidecar(side).orientation, orientation);
}

void TestPictures::hostileExifIsBounded()
{
    // An EXIF block whose directory claims sixty thousand entries, each of
    // a gigabyte back at the start, and whose next directory is itself:
    // read without end, and what comes of it within its bounds.
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const quint16 count = 0xFFF0;
    tiff += QByteArray(reinterpret_cast<const char *>(&count), 2);
    for (int i = 0; i < 2000; ++i) {
        const char entry[12] = {0x0F, 0x01, 2, 0, 0, 0, 0, 0x40, 8, 0, 0, 0};
        tiff += QByteArray(entry, 12);
    }
    tiff += QByteArray("\x08\0\0\0", 4);
    const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    const quint16 length = quint16(app1.size() + 2);
    QByteArray jpeg("\xFF\xD8\xFF\xE1", 4);
    jpeg += char(length >> 8);
    jpeg += char(length & 0xFF);
    jpeg += app1;
    QImage pixels(8, 8, QImage::Format_RGB32);
    pixels.fill(Qt::gray);
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    pixels.save(&encoded, "JPEG");
    jpeg += encoded.data().mid(2);
    QBuffer hostile(&jpeg);
    QVERIFY(hostile.open(QIODevice::ReadOnly));
    const QByteArray text = encodeDetails(readPhotoDetails(hostile));
    QVERIFY(text.size() <= MaxDetailsBytes);
    QVERIFY(decodeDetails(text).tags.size() <= MaxDetailTags);
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
