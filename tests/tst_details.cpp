// The photo's details as the user meets them: each line in the user's
// words, only when the file says it; the panel beside the picture,
// following the shown photo, opened and closed from the keyboard.

#include "common/texts.h"
#include "host/qt/viewer/detailrows.h"
#include "host/qt/viewer/detailspanel.h"
#include "host/qt/viewer/viewer.h"
#include "testimages.h"
#include "widgettest.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <optional>

using namespace qthost;
using picture::PhotoDetails;

Q_DECLARE_METATYPE(ShownDetails)

class TestDetails : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void geoUris_data();
    void geoUris();
    void panelFollowsTheShownPhoto();
};

namespace {

// What the panel showed when the view was first painted after a step.
class PanelAtPaint : public QObject
{
public:
    explicit PanelAtPaint(const DetailsPanel *panel) : m_panel(panel) {}
    std::optional<QString> seen;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen)
            seen = m_panel->details().path;
        return false;
    }

private:
    const DetailsPanel *m_panel;
};

PhotoDetails everything()
{
    PhotoDetails d;
    d.taken = QStringLiteral("2024-07-14 10:03:22");
    d.takenOffset = QStringLiteral("+09:00");
    d.make = QStringLiteral("Apple");
    d.model = QStringLiteral("iPhone 15 Pro");
    d.lens = QStringLiteral("iPhone 15 Pro back camera 6.86mm f/1.78");
    d.focalLength = 6.86;
    d.focal35 = 24;
    d.fNumber = 1.78;
    d.exposure = 0.004;
    d.iso = 80;
    d.exposureBias = -0.7;
    d.flash = 16; // not fired, compulsory flash off
    d.latitude = -33.8568;
    d.longitude = -151.2153;
    d.altitude = 12.5;
    d.title = QStringLiteral("Harbour");
    d.author = QStringLiteral("Jens");
    d.copyright = QStringLiteral("(c) Jens");
    d.format = QStringLiteral("HEIF");
    return d;
}

QStringList lines(const QList<DetailRow> &rows)
{
    QStringList shown;
    for (const DetailRow &row : rows)
        shown.append(row.name + QLatin1Char('=') + row.value);
    return shown;
}

QTreeWidgetItem *rowNamed(QTreeWidget *list, const QString &name)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == name)
            return list->topLevelItem(i);
    }
    return nullptr;
}

} // namespace

void TestDetails::rows_data()
{
    QTest::addColumn<ShownDetails>("shown");
    QTest::addColumn<QStringList>("expected");

    ShownDetails full;
    full.path = QStringLiteral("/photos/IMG_0001.HEIC");
    full.details = everything();
    full.pixels = QSize(3024, 4032);
    full.fileBytes = 2456789;
    full.colourName = QStringLiteral("Display P3");
    QTest::newRow("every field, in order") << full << QStringList{
        QStringLiteral("撮影日時=2024/07/14 10:03:22（UTC+09:00）"),
        QStringLiteral("カメラ=Apple iPhone 15 Pro"),
        QStringLiteral("レンズ=iPhone 15 Pro back camera 6.86mm f/1.78"),
        QStringLiteral("焦点距離=6.86 mm（35 mm 換算 24 mm）"),
        QStringLiteral("絞り=f/1.8"),
        QStringLiteral("シャッター速度=1/250 秒"),
        QStringLiteral("ISO=80"),
        QStringLiteral("露出補正=−0.7 EV"),
        QStringLiteral("フラッシュ=発光なし"),
        QStringLiteral("画素数=3024 × 4032（12.2 メガピクセル）"),
        QStringLiteral("ファイルサイズ=2.3 MB（2,456,789 バイト）"),
        QStringLiteral("形式=HEIF"),
        QStringLiteral("カラープロファイル=Display P3"),
        QStringLiteral("位置=-33.856800, -151.215300、標高 12.5 m"),
        QStringLiteral("タイトル=Harbour"),
        QStringLiteral("作成者=Jens"),
        QStringLiteral("著作権=(c) Jens")};

    // A camera that repeats its make in the model; a long exposure; the
    // flash fired; no offset, lens, place or profile.
    ShownDetails camera;
    camera.details.taken = QStringLiteral("2019-01-02 03:04:05");
    camera.details.make = QStringLiteral("Canon");
    camera.details.model = QStringLiteral("Canon EOS R5");
    camera.details.exposure = 2.5;
    camera.details.exposureBias = 1.0 / 3;
    camera.details.flash = 9;
    camera.details.fNumber = 8;
    camera.fileBytes = 812;
    QTest::newRow("a camera, a long exposure") << camera << QStringList{
        QStringLiteral("撮影日時=2019/01/02 03:04:05"), QStringLiteral("カメラ=Canon EOS R5"),
        QStringLiteral("絞り=f/8"), QStringLiteral("シャッター速度=2.5 秒"), QStringLiteral("露出補正=+0.33 EV"),
        QStringLiteral("フラッシュ=発光"), QStringLiteral("ファイルサイズ=812 バイト")};

    // Exposures near the fraction's edge, no bias at all, a make alone.
    ShownDetails edges;
    edges.details.make = QStringLiteral("RICOH");
    edges.details.exposure = 0.3;
    edges.details.exposureBias = 0;
    edges.fileBytes = 77695; // as the status bar says it: 75.8 KB
    QTest::newRow("a make alone, a third of a second, no bias")
        << edges << QStringList{QStringLiteral("カメラ=RICOH"), QStringLiteral("シャッター速度=1/3.3 秒"),
                                QStringLiteral("露出補正=0 EV"), QStringLiteral("ファイルサイズ=75.8 KB（77,695 バイト）")};

    // Nothing said: nothing listed, not even empty lines.
    QTest::newRow("nothing") << ShownDetails{} << QStringList{};
}

void TestDetails::rows()
{
    QFETCH(ShownDetails, shown);
    QFETCH(QStringList, expected);
    QCOMPARE(lines(detailRows(shown)), expected);
}

void TestDetails::geoUris_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("altitude"); // NaN: none
    QTest::addColumn<QString>("expected");
    QTest::newRow("south and west, with altitude") << -33.8568 << -151.2153 << 12.5
                                                  << QStringLiteral("geo:-33.8568,-151.2153,12.5");
    QTest::newRow("north and east, below the sea") << 35.6586 << 139.7454 << -28.0
                                                   << QStringLiteral("geo:35.6586,139.7454,-28");
    QTest::newRow("no altitude") << 0.5 << 0.25 << double(NAN) << QStringLiteral("geo:0.5,0.25");
}

void TestDetails::geoUris()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, altitude);
    QFETCH(QString, expected);
    PhotoDetails details;
    QCOMPARE(geoUri(details), QString()); // no place, no URI
    details.latitude = latitude;
    details.longitude = longitude;
    if (!std::isnan(altitude))
        details.altitude = altitude;
    QCOMPARE(geoUri(details), expected);
}

void TestDetails::panelFollowsTheShownPhoto()
{
    QTemporaryDir dir;
    const QString tagged = dir.filePath(QStringLiteral("tagged.jpg"));
    const QString plain = dir.filePath(QStringLiteral("plain.png"));
    QVERIFY(testimages::writeImage(tagged, QSize(600, 400), "JPEG"));
    QVERIFY(testimages::writeImage(plain, QSize(30, 20), "PNG"));
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-Make=Fujifilm"),
                    QStringLiteral("-Model=X-T5"), QStringLiteral("-GPSLatitude=35.6586"),
                    QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-GPSLongitude=139.7454"),
                    QStringLiteral("-GPSLongitudeRef=E"), tagged});
    if (!exiftool.waitForStarted())
        QSKIP("exiftool (libimage-exiftool-perl) is not installed");
    QVERIFY(exiftool.waitForFinished(30000));
    QCOMPARE(exiftool.exitCode(), 0);

    ViewerWidget viewer(nullptr);
    viewer.resize(900, 500);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    PictureView *view = viewer.imageView();
    viewer.navigate(tagged);
    QTRY_COMPARE_WITH_TIMEOUT(view->path(), tagged, 30000);
    const QSize wholeView = view->fitBounds();

    // I on the picture opens it beside the picture, which fits what is left.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_I);
    QVERIFY(viewer.detailsOpen());
    DetailsPanel *panel = view->detailsPanel();
    QVERIFY(panel && panel->isVisible());
    QCOMPARE(view->fitBounds().width(), wholeView.width() - panel->width());
    QVERIFY(panel->geometry().left() >= view->pictureRect().right() - 1);
    QTreeWidget *list = panel->list();
    QTreeWidgetItem *camera = rowNamed(list, texts::DetailCamera);
    QVERIFY(camera);
    QCOMPARE(camera->text(1), QStringLiteral("Fujifilm X-T5"));
    QCOMPARE(camera->data(0, Qt::AccessibleTextRole).toString(), QStringLiteral("カメラ: Fujifilm X-T5"));
    QVERIFY(rowNamed(list, texts::DetailPlace));
    QVERIFY(panel->copyPlaceButton()->isVisible());
    panel->copyPlaceButton()->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("geo:35.6586,139.7454"));
    // Every tag on asking.
    const int said = list->topLevelItemCount();
    panel->showAllButton()->click();
    QVERIFY(list->topLevelItemCount() > said);
    QVERIFY(rowNamed(list, QStringLiteral("Exif.Image.Make")));
    panel->showAllButton()->click();

    // It follows the next photo: one that says nothing but its size.
    viewer.navigate(plain);
    QTRY_COMPARE_WITH_TIMEOUT(view->path(), plain, 30000);
    QVERIFY(panel->isVisible());
    // Its size once its picture is painted.
    QTRY_VERIFY(panel->details().path == plain && panel->details().pixels.isValid()
                && rowNamed(list, texts::DetailPixels));
    QVERIFY(!rowNamed(list, texts::DetailCamera));
    QVERIFY(rowNamed(list, texts::DetailsNone));
    // In a narrow window the message wraps as the values do, not cut short.
    viewer.resize(300, 500);
    QTRY_VERIFY(panel->width() <= 200);
    const int line = QFontMetrics(list->font()).height();
    QTRY_VERIFY(list->visualItemRect(rowNamed(list, texts::DetailsNone)).height() >= 2 * line);
    viewer.resize(900, 500);
    QTreeWidgetItem *pixels = rowNamed(list, texts::DetailPixels);
    QVERIFY(pixels);
    QVERIFY(pixels->text(1).startsWith(QStringLiteral("30 × 20")));
    QVERIFY(!panel->copyPlaceButton()->isVisible());

    // A step to a photo decoded already shows its picture first; the panel
    // follows after that paint, so that the step's pixels never wait for it.
    viewer.navigate(tagged);
    QTRY_VERIFY_WITH_TIMEOUT(viewer.hasPicture(tagged), 30000);
    viewer.navigate(plain);
    QTRY_COMPARE_WITH_TIMEOUT(view->path(), plain, 30000);
    QTRY_COMPARE(panel->details().path, plain);
    QVERIFY(viewer.hasPicture(tagged));
    PanelAtPaint watch(panel);
    view->installEventFilter(&watch);
    viewer.navigate(tagged);
    QCOMPARE(view->path(), tagged);
    QTRY_VERIFY(watch.seen.has_value());
    QCOMPARE(*watch.seen, plain);
    QTRY_VERIFY(rowNamed(list, texts::DetailCamera));
    view->removeEventFilter(&watch);

    // Esc closes it and the picture has the whole view again; Alt+Return
    // opens it again.
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!viewer.detailsOpen());
    QVERIFY(!panel->isVisible());
    QCOMPARE(view->fitBounds(), wholeView);
    QTest::keyClick(view, Qt::Key_Return, Qt::AltModifier);
    QVERIFY(viewer.detailsOpen());
    QTest::keyClick(panel->list(), Qt::Key_Escape); // from within the list too
    QVERIFY(!viewer.detailsOpen());
}

ZELVO_WIDGET_TEST_MAIN(TestDetails)
#include "tst_details.moc"
