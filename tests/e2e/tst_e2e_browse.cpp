// Walking a folder tree with the mouse and the keyboard on a real X display,
// reading what the path box and the status bar show.

#include "app/form1.h"
#include "browse/filedisplay.h"
#include "host/qt/mainwindow.h"
#include "host/qt/qthost.h"
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

    QDir::setCurrent(start);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestBrowseWalk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_browse.moc"
