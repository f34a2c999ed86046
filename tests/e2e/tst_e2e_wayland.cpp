// The window on Wayland (a headless weston) and on X11, the same test on
// both: its client area is the design's, the lists fill the height down to
// the status bar (a frame the window draws itself is counted once it is
// there), and the screen's colours come from colord on Wayland, where there
// is no root window to hold a profile.

#include "app/form1.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/viewer/screencolours.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "host/qt/base/twips.h"

#include <QApplication>
#include <QFile>
#include <QStatusBar>
#include <QTest>
#include <QWindow>

using namespace qthost;

class TestWayland : public QObject
{
    Q_OBJECT
private slots:
    void windowFillsAsDesigned();
    void screenColours();
};

void TestWayland::windowFillsAsDesigned()
{
    QtHost host;
    Form1 form(host);
    host.attach(Form1::design(), &form);
    host.show();
    MainWindow *window = host.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const host::FormDesign design = Form1::design();
    QCOMPARE(window->size(), QSize(toPixels(design.clientWidth), toPixels(design.clientHeight)));
    // The frame: the window manager's on X11, the window's own on Wayland,
    // which comes once the window is first painted.
    QTRY_VERIFY_WITH_TIMEOUT(window->frameGeometry().height() > window->QWidget::height(), 10000);
    auto *files = window->findChild<FileListWidget *>();
    auto *bar = window->findChild<QStatusBar *>();
    const auto gap = [&] { return bar->geometry().top() - (files->geometry().bottom() + 1); };
    // A frame not counted leaves its height below the lists (about 30 pixels).
    QTRY_VERIFY2_WITH_TIMEOUT(qAbs(gap()) <= 4, qPrintable(QStringLiteral("gap %1 on %2").arg(gap()).arg(QGuiApplication::platformName())),
                              10000);
    QVERIFY(host.form().height() >= toTwips(window->QWidget::height()));
}

void TestWayland::screenColours()
{
    // On Wayland, colord's profile for the display (the fake colord of
    // with-wayland.sh has one); on X11 without a root window profile, sRGB.
    QApplication::processEvents();
    const QColorSpace screen = qthost::screenColours();
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        QFile file(qEnvironmentVariable("ZELVO_TEST_SCREEN_PROFILE"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QColorSpace expected = QColorSpace::fromIccProfile(file.readAll());
        QVERIFY(expected.isValid());
        QCOMPARE(screen, expected);
        QVERIFY(screen != QColorSpace(QColorSpace::SRgb));
    } else {
        QCOMPARE(screen, QColorSpace(QColorSpace::SRgb));
    }
}

QTEST_MAIN(TestWayland)
#include "tst_e2e_wayland.moc"
