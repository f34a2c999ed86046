// The benchmark tells a real photo sharp by its points of detail: they must
// be found only where there is detail, where the picture is on the screen,
// and a preview scaled up must not hold them.

#include "bench/detailpoints.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// A photo's fine texture: blocks of 2 x 2 pixels of colours at random.
QImage textured(QSize size)
{
    QRandomGenerator random(36);
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); y += 2) {
        for (int x = 0; x < size.width(); x += 2) {
            const QRgb colour = qRgb(random.bounded(256), random.bounded(256), random.bounded(256));
            for (int dy = 0; dy < 2 && y + dy < size.height(); ++dy) {
                for (int dx = 0; dx < 2 && x + dx < size.width(); ++dx)
                    image.setPixel(x + dx, y + dy, colour);
            }
        }
    }
    return image;
}

std::function<QColor(QPoint)> showing(const QImage &image, QPoint at)
{
    return [image, at](QPoint point) { return image.pixelColor(point - at); };
}

} // namespace

class TestDetailPoints : public QObject
{
    Q_OBJECT

private slots:
    void foundOnlyWhereDetailIs_data();
    void foundOnlyWhereDetailIs();
    void heldByThePhotoNotItsPreview();
};

void TestDetailPoints::foundOnlyWhereDetailIs_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("found");
    QImage flat(100, 100, QImage::Format_RGB32);
    flat.fill(qRgb(40, 160, 90));
    QImage gradient(100, 100, QImage::Format_RGB32);
    for (int x = 0; x < 100; ++x) {
        for (int y = 0; y < 100; ++y)
            gradient.setPixel(x, y, qRgb(x * 2, x * 2, 255 - x * 2));
    }
    QImage edge(100, 100, QImage::Format_RGB32);
    edge.fill(Qt::white);
    for (int x = 0; x < 50; ++x) {
        for (int y = 0; y < 100; ++y)
            edge.setPixel(x, y, qRgb(0, 0, 0));
    }
    // Black, then a grey only 70 lighter, then white from x = 50.
    QImage faintThenStrong = edge.copy();
    for (int x = 20; x < 50; ++x) {
        for (int y = 0; y < 100; ++y)
            faintThenStrong.setPixel(x, y, qRgb(70, 70, 70));
    }
    QTest::newRow("flat") << flat << 0;
    QTest::newRow("a gentle gradient, as a sky") << gradient << 0;
    QTest::newRow("an edge down the middle: on it in each part") << edge << 4;
    QTest::newRow("a faint edge before a strong one: on the strong one") << faintThenStrong << 4;
}

void TestDetailPoints::foundOnlyWhereDetailIs()
{
    QFETCH(QImage, picture);
    QFETCH(int, found);
    const QRect area(QPoint(300, 200), picture.size());
    const DetailPoints points = detailPoints(picture, area, 2);
    QCOMPARE(int(points.at.size()), found);
    QCOMPARE(points.colour.size(), points.at.size());
    for (size_t i = 0; i < points.at.size(); ++i) {
        // On the screen where the picture is, beside the edge, in its colour there.
        QVERIFY(area.contains(points.at[i]));
        QVERIFY(std::abs(points.at[i].x() - area.left() - 50) <= 2);
        QCOMPARE(points.colour[i], picture.pixelColor(points.at[i] - area.topLeft()));
    }
}

void TestDetailPoints::heldByThePhotoNotItsPreview()
{
    const QImage photo = textured(QSize(240, 180));
    const QRect area(QPoint(17, 31), photo.size());
    const DetailPoints points = detailPoints(photo, area, 6);
    QCOMPARE(int(points.at.size()), 36);
    // A thumbnail of a third of the size, scaled up to the photo's place.
    const QImage preview = photo.scaled(photo.size() / 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .scaled(photo.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage empty(photo.size(), QImage::Format_RGB32);
    empty.fill(Qt::white);
    QCOMPARE(shareHeld(points, showing(photo, area.topLeft())), 1.0);
    QVERIFY2(shareHeld(points, showing(preview, area.topLeft())) < 0.5, "a preview taken for the photo");
    // The photo a pixel off is not it either.
    QVERIFY(shareHeld(points, showing(photo, area.topLeft() + QPoint(1, 0))) < 0.5);
    QCOMPARE(shareShown(points, Qt::white, showing(empty, area.topLeft())), 0.0);
    QVERIFY(shareShown(points, Qt::white, showing(preview, area.topLeft())) > 0.9);
}

QTEST_GUILESS_MAIN(TestDetailPoints)
#include "tst_detailpoints.moc"
