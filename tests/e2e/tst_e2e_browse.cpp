// Walking a folder tree with the mouse and the keyboard on a real X display,
// reading what the path box and the status bar show.

#include "app/form1.h"
#include "browse/filedisplay.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "host/qt/viewer/viewer.h"
#include "testimages.h"
#include "xsession.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractItemView>

using namespace xsession;

class TestBrowseWalk : public QObject
{
    Q_OBJECT
private slots:
    void walkFoldersAndPictures();
};

namespace {

void writeImage(const QString &path, QSize size, const char *format)
{
    QVERIFY(testimages::writeImage(path, size, format));
}

QString statusFor(const QString &path)
{
    const QFileInfo file(path);
    return browse::dateText(file.lastModified()) + QStringLiteral(" - ") + browse::Size_Text(file.size());
}

} // namespace

void TestBrowseWalk::walkFoldersAndPictures()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString photos = root.filePath(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(photos));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("notes"))));
    writeImage(photos + QStringLiteral("/big.jpg"), QSize(2400, 1600), "JPEG");
    writeImage(photos + QStringLiteral("/img10.png"), QSize(120, 90), "PNG");
    writeImage(photos + QStringLiteral("/img2.png"), QSize(90, 120), "PNG");
    writeImage(photos + QStringLiteral("/wide.jpg"), QSize(3000, 1000), "JPEG");
    writeImage(photos + QStringLiteral("/x.bmp"), QSize(64, 48), "BMP");
    const QString start = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));

    // The program's own composition.
    qthost::QtHost host;
    Form1 form(host);
    host.attach(Form1::design(), &form);
    host.show();
    QWidget *window = host.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->resize(900, 640);
    QTRY_COMPARE(window->size(), QSize(900, 640));

    auto *dir1 = window->findChild<QAbstractItemView *>(QStringLiteral("Dir1"));
    auto *text1 = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *panel = window->findChild<QLabel *>(QStringLiteral("Panel1"));
    QVERIFY(dir1 && text1 && panel);

    // Click the current folder's row, then go down to "photos" and open it.
    const QRect row = dir1->visualRect(dir1->currentIndex());
    click(dir1->viewport()->mapToGlobal(row.center()), 1);
    QTRY_VERIFY(dir1->hasFocus());
    keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    QTRY_COMPARE(host.dir1().path(), photos);
    QCOMPARE(host.menuItem(host::MenuItemId::Rireki, 1).caption(), photos);
    QCOMPARE(host.menuItem(host::MenuItemId::Rireki, 2).caption(), root.path());

    // Into the file list, and through the pictures in natural order.
    keys({QStringLiteral("Tab"), QStringLiteral("Down")});
    QTRY_COMPARE(text1->text(), photos + QStringLiteral("/big.jpg"));
    QCOMPARE(panel->text(), statusFor(photos + QStringLiteral("/big.jpg")));
    QCoreApplication::processEvents();
    screenshot(QStringLiteral("e2e-browse-picture.png"));

    keys({QStringLiteral("Down")});
    QTRY_COMPARE(text1->text(), photos + QStringLiteral("/img2.png"));
    QCOMPARE(panel->text(), statusFor(photos + QStringLiteral("/img2.png")));
    keys({QStringLiteral("Down")});
    QTRY_COMPARE(text1->text(), photos + QStringLiteral("/img10.png"));
    keys({QStringLiteral("Up")});
    QTRY_COMPARE(text1->text(), photos + QStringLiteral("/img2.png"));
    screenshot(QStringLiteral("e2e-browse-small-picture.png"));

    // From the picture itself: each step is a file list move, so the path box
    // and the status line follow.
    auto *viewer = window->findChild<qthost::ViewerWidget *>(QStringLiteral("View"));
    qthost::PictureView *picture = viewer->imageView();
    QTRY_COMPARE(picture->path(), photos + QStringLiteral("/img2.png"));
    click(picture->mapToGlobal(picture->rect().center()), 1);
    QTRY_VERIFY(picture->hasFocus());
    const QStringList order{QStringLiteral("big.jpg"), QStringLiteral("img2.png"), QStringLiteral("img10.png"),
                            QStringLiteral("wide.jpg"), QStringLiteral("x.bmp")};
    const auto shows = [&](const QString &name) {
        const QString file = photos + QLatin1Char('/') + name;
        QTRY_COMPARE(text1->text(), file);
        QCOMPARE(panel->text(), statusFor(file));
        QTRY_COMPARE(picture->path(), file);
    };
    keys({QStringLiteral("Right")});
    shows(order[2]);
    keys({QStringLiteral("space")});
    shows(order[3]);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("5")}); // wheel down
    shows(order[4]);
    keys({QStringLiteral("BackSpace")});
    shows(order[3]);
    keys({QStringLiteral("Home")});
    shows(order[0]);
    keys({QStringLiteral("End")});
    shows(order[4]);
    keys({QStringLiteral("Page_Up")});
    shows(order[3]);

    // Looking closely at the wide picture: zoomed, the arrows pan instead.
    keys({QStringLiteral("plus"), QStringLiteral("plus"), QStringLiteral("plus")});
    QTRY_VERIFY(picture->isZoomed());
    QTRY_VERIFY(!picture->detailRegion().isEmpty());
    keys({QStringLiteral("Right")});
    QCOMPARE(text1->text(), photos + QStringLiteral("/wide.jpg"));
    screenshot(QStringLiteral("e2e-browse-zoomed.png"));
    keys({QStringLiteral("1")});
    QTRY_COMPARE(picture->zoom(), 1.0);
    keys({QStringLiteral("0")});
    QTRY_VERIFY(!picture->isZoomed());

    // Full screen, a step there, and back.
    keys({QStringLiteral("F11")});
    QTRY_VERIFY(viewer->fullScreen() && viewer->fullScreen()->isFullScreen());
    QTRY_COMPARE(viewer->fullScreen()->view()->path(), photos + QStringLiteral("/wide.jpg"));
    QVERIFY(QTest::qWaitForWindowExposed(viewer->fullScreen()));
    screenshot(QStringLiteral("e2e-browse-full-screen.png"));
    keys({QStringLiteral("Right")});
    shows(order[4]);
    QTRY_COMPARE(viewer->fullScreen()->view()->path(), photos + QStringLiteral("/x.bmp"));
    keys({QStringLiteral("Escape")});
    QTRY_VERIFY(!viewer->fullScreen());
    QTRY_VERIFY(picture->hasFocus());
    keys({QStringLiteral("Left")});
    shows(order[3]);

    QDir::setCurrent(start);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestBrowseWalk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_browse.moc"
