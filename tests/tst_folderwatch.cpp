// The lists following the disk as it really changes, on the real file system
// (offscreen): bursts of changes, folders removed, made again or renamed, and
// a system that refuses the watch.

#include "app/form1.h"
#include "folders/folderwatch.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "recorder.h"
#include "widgettest.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace folders;
using namespace qthost;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write("x") == 1, qPrintable(path));
}

QStringList rowsOf(const QAbstractItemView *view)
{
    QStringList rows;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        rows.append(view->model()->index(row, 0).data().toString());
    return rows;
}

struct Program
{
    QtHost host;
    Form1 form{host};
    Recorder recorder{form};
    explicit Program(FolderWatch::Native watches) : host(watches) { host.attach(Form1::design(), &recorder); }
};

} // namespace

class TestFolderWatch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsFollowTheDisk_data();
    void listsFollowTheDisk();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;
};

void TestFolderWatch::init()
{
    m_start = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(path(QStringLiteral("shown"))));
    touch(path(QStringLiteral("shown/a.png")));
    QVERIFY(QDir::setCurrent(path(QStringLiteral("shown"))));
}

void TestFolderWatch::cleanup()
{
    QDir::setCurrent(m_start);
    m_dir.reset();
}

void TestFolderWatch::listsFollowTheDisk_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("refused"); // the system refuses the watch: the folder is polled
    // Unlisted files come and go every 10 ms; a picture copied in meanwhile
    // is listed well before the burst ends.
    QTest::newRow("a burst of unlisted changes") << QStringLiteral("burst") << false;
    // The old watch saw the old folder: the next picture after the first.
    QTest::newRow("removed and made again") << QStringLiteral("remade") << false;
    // Old files are not listed on; the lists go up and say why.
    QTest::newRow("removed") << QStringLiteral("removed") << false;
    QTest::newRow("renamed") << QStringLiteral("renamed") << false;
    QTest::newRow("removed, then F5") << QStringLiteral("removed-f5") << false;
    QTest::newRow("watch refused: a new file") << QStringLiteral("new") << true;
    QTest::newRow("watch refused: removed") << QStringLiteral("removed") << true;
}

void TestFolderWatch::listsFollowTheDisk()
{
    QFETCH(QString, change);
    QFETCH(bool, refused);
    Program p(refused ? FolderWatch::Native::Refuse : FolderWatch::Native::Use);
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *files = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("File1"));
    const QString shown = path(QStringLiteral("shown"));
    QCOMPARE(p.host.dir1().path(), shown);
    QCOMPARE(rowsOf(files), QStringList{QStringLiteral("a.png")});
    QCOMPARE(p.host.folderWatch()->isPolling(), refused);
    // Generous: the tests wait for the lists, they do not time them. The
    // burst below never stops while they wait, so without the bound on a
    // burst the picture would never be listed at all.
    const int bound = 10000;

    if (change == QStringLiteral("burst")) {
        QTimer churn;
        int n = 0;
        QObject::connect(&churn, &QTimer::timeout, [&] {
            const QString temporary = path(QStringLiteral("shown/part%1.tmp").arg(n++ % 4));
            if (QFile::exists(temporary))
                QFile::remove(temporary);
            else
                touch(temporary);
        });
        // Counted from the first change the watch sees: each burst, however
        // long, is told at most once per MaxDelayMs, not once per file.
        QSignalSpy told(p.host.folderWatch(), &FolderWatch::changed);
        churn.start(10);
        QTRY_VERIFY_WITH_TIMEOUT(n >= 30, bound);
        touch(path(QStringLiteral("shown/b.png")));
        QTRY_VERIFY_WITH_TIMEOUT(rowsOf(files).contains(QStringLiteral("b.png")), bound);
        // Many changes were made; the lists were read again only a few times.
        QVERIFY2(told.count() * 10 <= n, qPrintable(QStringLiteral("%1 changes told for %2 made").arg(told.count()).arg(n)));
        return;
    }
    if (change == QStringLiteral("new")) {
        touch(path(QStringLiteral("shown/b.png")));
        QTRY_VERIFY_WITH_TIMEOUT(rowsOf(files).contains(QStringLiteral("b.png")), bound);
        return;
    }
    if (change == QStringLiteral("remade")) {
        // Held, so that the lists never see the folder missing in between.
        p.host.folderWatch()->setHeld(true);
        QVERIFY(QDir(shown).removeRecursively());
        QVERIFY(QDir().mkpath(shown));
        touch(path(QStringLiteral("shown/b.png")));
        p.host.folderWatch()->setHeld(false);
        QTRY_COMPARE_WITH_TIMEOUT(rowsOf(files), QStringList{QStringLiteral("b.png")}, bound);
        touch(path(QStringLiteral("shown/c.png")));
        QTRY_COMPARE_WITH_TIMEOUT(rowsOf(files), (QStringList{QStringLiteral("b.png"), QStringLiteral("c.png")}), bound);
        QCOMPARE(p.host.dir1().path(), shown);
        return;
    }
    // Gone: removed, or renamed away.
    const int changes = p.recorder.count(QStringLiteral("Dir1_Change"));
    if (change == QStringLiteral("renamed")) {
        QVERIFY(QDir().rename(shown, path(QStringLiteral("moved"))));
    } else {
        if (change == QStringLiteral("removed-f5"))
            p.host.folderWatch()->setHeld(true);
        QVERIFY(QDir(shown).removeRecursively());
        if (change == QStringLiteral("removed-f5"))
            QTest::keyClick(files, Qt::Key_F5);
    }
    QTRY_COMPARE_WITH_TIMEOUT(p.host.dir1().path(), m_dir->path(), bound);
    QCOMPARE(p.host.file1().path(), m_dir->path());
    QCOMPARE(p.host.text1().text(), QStringLiteral("読み込みに失敗しました。"));
    QCOMPARE(p.recorder.count(QStringLiteral("Dir1_Change")), changes + 1);
    QVERIFY(!rowsOf(files).contains(QStringLiteral("a.png")));
}

ZELVO_WIDGET_TEST_MAIN(TestFolderWatch)
#include "tst_folderwatch.moc"
