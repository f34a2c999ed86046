// The viewer on a screen of two device pixels to each pixel
// (QT_SCALE_FACTOR=2, offscreen): pictures are painted at device pixels,
// not enlarged from half as many.

#include "host/qt/viewer/viewer.h"
#include "widgettest.h"

#include <QTemporaryDir>

using namespace qthost;

class TestHiDpi : public QObject
{
    Q_OBJECT
private slots:
    void fineDetailStaysSharp_data();
    void fineDetailStaysSharp();
};

void TestHiDpi::fineDetailStaysSharp_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::newRow("smaller than the view: its own pixels") << QSize(120, 80);
    QTest::newRow("larger: fitted at device pixels") << QSize(1200, 900);
}

void TestHiDpi::fineDetailStaysSharp()
{
    QFETCH(QSize, picture);
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QTemporaryDir dir;
    QImage checkerboard(picture, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            checkerboard.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
    const QString path = dir.filePath(QStringLiteral("checkerboard.png"));
    QVERIFY(checkerboard.save(path, "PNG"));

    ViewerWidget viewer(nullptr);
    viewer.resize(400, 300);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    viewer.navigate(path);
    QTRY_COMPARE(viewer.imageView()->path(), path);
    const QImage screen = viewer.imageView()->grab().toImage();
    QCOMPARE(screen.size(), QSize(800, 600)); // device pixels
    if (picture.width() <= 800) {
        // One picture pixel to one device pixel: neighbours alternate black and white.
        const QPoint centre(screen.width() / 2, screen.height() / 2);
        for (int dx = 0; dx < 8; ++dx) {
            const QColor a = screen.pixelColor(centre + QPoint(dx, 0));
            const QColor b = screen.pixelColor(centre + QPoint(dx + 1, 0));
            QVERIFY2(qAbs(a.lightness() - b.lightness()) > 200, qPrintable(a.name() + QLatin1Char(' ') + b.name()));
        }
    }
    // Decoded for the device pixels the view has, not for half of them.
    const QSize decoded = viewer.imageView()->decodedSize();
    QVERIFY2(decoded.width() == std::min(picture.width(), 800), qPrintable(QString::number(decoded.width())));
}

ZELVO_WIDGET_TEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
