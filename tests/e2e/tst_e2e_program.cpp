// The real Zelvoviewer on a virtual display: started from a program folder
// of its own, used with the mouse and keys, closed through the window manager.

#include "testfiles.h"
#include "xsession.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace xsession;

using testfiles::cp932File;
using testfiles::readAll;

namespace {

const QString Caption = QStringLiteral("Zelvo-Viewer");

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void closingRewritesTheHistory();
    void historyPopupReturnsToAFolder();
    void filterPopupShowsItsItems();
    void resizingAsAUserWould();
    void withoutADisplayItSaysWhatToDo();
    void startsWithoutImagePlugins();
    void startedInADeletedFolder_data();
    void startedInADeletedFolder();

private:
    // Copies the program into a folder of its own (it keeps Rireki.dat there)
    // and starts it in `startFolder`.
    void start(const QString &startFolder);
    void startWith(const QString &program, const QStringList &arguments, const QString &folder);
    QRect childOnScreen(int leftPx, int topPx) const;
    void closeAndWait();
    void waitForPopup();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_programFolder;
    QProcess m_program;
    QString m_window;
    QRect m_client;
};

void TestProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_programFolder = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(m_programFolder));
    QVERIFY(QFile::copy(QStringLiteral(ZELVO_PROGRAM), m_programFolder + QStringLiteral("/Zelvoviewer")));
    QVERIFY(QFile::copy(QFileInfo(QStringLiteral(ZELVO_PROGRAM)).absolutePath() + QStringLiteral("/zelvo-decoder"),
                        m_programFolder + QStringLiteral("/zelvo-decoder")));
    QVERIFY(QFile::copy(QStringLiteral(ZELVO_DEFAULT_HTM), m_programFolder + QStringLiteral("/Default.htm")));
}

void TestProgram::cleanup()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished();
    }
    m_dir.reset();
}

void TestProgram::start(const QString &startFolder)
{
    startWith(m_programFolder + QStringLiteral("/Zelvoviewer"), {}, startFolder);
}

void TestProgram::startWith(const QString &program, const QStringList &arguments, const QString &folder)
{
    m_program.setWorkingDirectory(folder);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(program, arguments);
    QVERIFY(m_program.waitForStarted());
    m_window = waitForWindow(Caption);
    QVERIFY(!m_window.isEmpty());
    m_client = geometry(m_window);
    QVERIFY(m_client.isValid());
}

void TestProgram::closeAndWait()
{
    // Asked again until it goes: a busy window manager may not list a window
    // that has just appeared.
    for (int i = 0; i < 15 && m_program.state() != QProcess::NotRunning; ++i) {
        run(QStringLiteral("wmctrl"), {QStringLiteral("-c"), Caption});
        m_program.waitForFinished(1000);
    }
    QCOMPARE(m_program.state(), QProcess::NotRunning);
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
}

void TestProgram::waitForPopup()
{
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("Zelvoviewer")).size() >= 2, 10000);
}

void TestProgram::closingRewritesTheHistory()
{
    const QString startFolder = m_dir->filePath(QStringLiteral("写真 開始"));
    QVERIFY(QDir().mkpath(startFolder));
    QStringList captions{QStringLiteral("/x1"), QStringLiteral("/x2"), QStringLiteral("/x3"), startFolder};
    for (int i = 5; i <= 10; ++i)
        captions.append(QStringLiteral("/x%1").arg(i));
    const QString history = m_programFolder + QStringLiteral("/Rireki.dat");
    QVERIFY(testfiles::writeAll(history, cp932File(captions + QStringList{QStringLiteral("True")})));

    start(startFolder);
    screenshot(QStringLiteral("e2e-start.png"));
    closeAndWait();

    // The start folder moved from slot 4 to slot 1.
    const QStringList expected = QStringList{startFolder, QStringLiteral("/x1"), QStringLiteral("/x2"),
                                             QStringLiteral("/x3")}
                                 + captions.mid(4) + QStringList{QStringLiteral("True")};
    QCOMPARE(readAll(history), cp932File(expected));
}

void TestProgram::historyPopupReturnsToAFolder()
{
    const QString startFolder = m_dir->filePath(QStringLiteral("start"));
    const QString kept = m_dir->filePath(QStringLiteral("旅行 2026"));
    const QString other = m_dir->filePath(QStringLiteral("other"));
    for (const QString &folder : {startFolder, kept, other})
        QVERIFY(QDir().mkpath(folder));
    QStringList captions{kept, QStringLiteral("履歴２"), other};
    for (int i = 4; i <= 10; ++i)
        captions.append(QStringLiteral("履歴%1").arg(i));
    const QString history = m_programFolder + QStringLiteral("/Rireki.dat");
    QVERIFY(testfiles::writeAll(history, cp932File(captions + QStringList{QStringLiteral("True")})));

    start(startFolder);
    // Right-click the folder list (design: left 0, top 345 twips = 23 px).
    click(m_client.topLeft() + QPoint(40, 23 + 60), 3);
    waitForPopup();
    screenshot(QStringLiteral("e2e-history-popup.png"));
    // Entries in slot order: the start folder, then the kept one.
    keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(QStringLiteral("Zelvoviewer")).size(), 1, 10000);
    screenshot(QStringLiteral("e2e-history-chosen.png"));
    closeAndWait();

    const QByteArray written = readAll(history);
    const QStringList expected{kept, startFolder, QStringLiteral("履歴２"), other};
    QVERIFY2(written.startsWith(cp932File(expected)), written.constData());
    QVERIFY(written.endsWith("True\r\n"));
}

void TestProgram::filterPopupShowsItsItems()
{
    const QString startFolder = m_dir->filePath(QStringLiteral("pictures"));
    QVERIFY(QDir().mkpath(startFolder));
    start(startFolder);
    // Right-click the file list (design top 2580 twips = 172 px; the first
    // resize moves it, so aim well inside).
    click(m_client.topLeft() + QPoint(40, 260), 3);
    waitForPopup();
    screenshot(QStringLiteral("e2e-filter-popup.png"));
    keys({QStringLiteral("Escape")});
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(QStringLiteral("Zelvoviewer")).size(), 1, 10000);
    closeAndWait();
}

void TestProgram::resizingAsAUserWould()
{
    const QString startFolder = m_dir->filePath(QStringLiteral("sizes"));
    QVERIFY(QDir().mkpath(startFolder));
    start(startFolder);
    screenshot(QStringLiteral("e2e-size-design.png"));

    const auto resizeTo = [this](QSize size) {
        run(QStringLiteral("xdotool"), {QStringLiteral("windowsize"), m_window, QString::number(size.width()),
                                        QString::number(size.height())});
        QTRY_COMPARE_WITH_TIMEOUT(geometry(m_window).size(), size, 10000);
    };
    resizeTo(QSize(1100, 850));
    screenshot(QStringLiteral("e2e-size-large.png"));
    // Narrower than the viewer's left edge plus 240 twips: the layout stays.
    resizeTo(QSize(150, 120));
    screenshot(QStringLiteral("e2e-size-small-guard.png"));
    run(QStringLiteral("wmctrl"), {QStringLiteral("-r"), Caption, QStringLiteral("-b"),
                                   QStringLiteral("add,maximized_vert,maximized_horz")});
    QTRY_VERIFY_WITH_TIMEOUT(geometry(m_window).width() > 1100, 10000);
    screenshot(QStringLiteral("e2e-size-maximized.png"));
    run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), m_window});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("Zelvoviewer")).contains(m_window), 10000);
    run(QStringLiteral("wmctrl"), {QStringLiteral("-a"), Caption});
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("Zelvoviewer")).contains(m_window), 10000);
    QCOMPARE(m_program.state(), QProcess::Running);
    closeAndWait();
    QVERIFY(readAll(m_programFolder + QStringLiteral("/Rireki.dat")).startsWith(QFile::encodeName(startFolder)));
}

void TestProgram::withoutADisplayItSaysWhatToDo()
{
    // No display at all, and one that is named but not there.
    for (const char *display : {"", ":97"}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (*display)
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        program.setProcessEnvironment(environment);
        program.start(m_programFolder + QStringLiteral("/Zelvoviewer"), {});
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        const QString said = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(said.startsWith(QStringLiteral("Zelvoviewer: 画面に接続できません")), qPrintable(said));
        QVERIFY(said.contains(QStringLiteral("xvfb-run -a Zelvoviewer")));
        QVERIFY2(!said.contains(QStringLiteral("Reinstalling")), qPrintable(said));
    }
}

void TestProgram::startsWithoutImagePlugins()
{
    // The window decodes no picture itself: its icons (its own, the folder
    // list's) are read without loading every image format plugin Qt has,
    // and the libraries behind them, at each start.
    const QString startFolder = m_dir->filePath(QStringLiteral("写真"));
    QVERIFY(QDir().mkpath(startFolder + QStringLiteral("/中")));
    start(startFolder);
    QFile maps(QStringLiteral("/proc/%1/maps").arg(m_program.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString mapped = QString::fromLocal8Bit(maps.readAll());
    QVERIFY(mapped.contains(QLatin1String("/platforms/libqxcb.so"))); // what is read is the window's own
    const QStringList plugins = mapped.split(QLatin1Char('\n')).filter(QLatin1String("/imageformats/"));
    QVERIFY2(plugins.isEmpty(), qPrintable(plugins.join(QLatin1Char('\n'))));
    // Its icon is still there, in each size.
    const QString icon = run(QStringLiteral("xprop"), {QStringLiteral("-id"), m_window, QStringLiteral("_NET_WM_ICON")});
    for (const char *size : {"(16 x 16)", "(32 x 32)", "(128 x 128)"})
        QVERIFY2(icon.contains(QLatin1String(size)), size);
    screenshot(QStringLiteral("e2e-icons.png"));
    closeAndWait();
}

void TestProgram::startedInADeletedFolder_data()
{
    QTest::addColumn<QString>("pwd");     // what the shell leaves in PWD: "" the folder itself
    QTest::addColumn<QString>("slotOne"); // kept (the folder above) or home
    QTest::newRow("the shell still knows the folder") << QString() << QStringLiteral("kept");
    // A script's "cd ." in the removed folder: nothing tells where it was.
    QTest::newRow("PWD is relative") << QStringLiteral(".") << QStringLiteral("home");
}

void TestProgram::startedInADeletedFolder()
{
    // The shell enters the folder, removes it and starts the program there:
    // the lists start on the nearest folder that is still there, else home.
    QFETCH(QString, pwd);
    QFETCH(QString, slotOne);
    const QString parent = m_dir->filePath(QStringLiteral("kept"));
    const QString gone = parent + QStringLiteral("/gone");
    const QString home = m_dir->filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(gone));
    QVERIFY(QDir().mkpath(home));
    const QString setPwd = pwd.isEmpty() ? QString() : QStringLiteral("PWD='%1' ").arg(pwd);
    startWith(QStringLiteral("/bin/sh"),
              {QStringLiteral("-c"), QStringLiteral("cd \"$1\" && rmdir \"$1\" && HOME=\"$3\" %1exec \"$2\"").arg(setPwd),
               QStringLiteral("sh"), gone, m_programFolder + QStringLiteral("/Zelvoviewer"), home},
              parent);
    screenshot(QStringLiteral("e2e-deleted-start-folder.png"));
    closeAndWait();
    const QByteArray written = readAll(m_programFolder + QStringLiteral("/Rireki.dat"));
    const QString expected = slotOne == QStringLiteral("kept") ? parent : home;
    QVERIFY2(written.startsWith(QFile::encodeName(expected) + "\r\n"), written.constData());
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_e2e_program.moc"
