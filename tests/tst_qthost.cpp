// The Qt host on real widgets (offscreen): the semantics the logic relies on.

#include "app/form1.h"
#include "host/qt/window/controls.h"
#include "host/qt/lists/dirlist.h"
#include "host/qt/lists/drivelist.h"
#include "folders/drives.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/viewer/pictureview.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/menus.h"
#include "folders/naturalorder.h"
#include "host/qt/window/qthost.h"
#include "host/qt/viewer/viewer.h"
#include "recorder.h"
#include "testimages.h"
#include "widgettest.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <sys/stat.h>

using host::MenuItemId;
using namespace folders;
using namespace qthost;

namespace {

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeImage(const QString &path, QSize size, const char *format)
{
    QVERIFY2(testimages::writeImage(path, size, format), qPrintable(path));
}

// The texts of a list's rows, top to bottom.
QStringList rowsOf(const QAbstractItemView *view)
{
    QStringList rows;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        rows.append(view->model()->index(row, 0).data().toString());
    return rows;
}

// Chooses, once the popup is open, the action with this object name.
void chooseInNextPopup(const QString &actionName, QStringList *seen = nullptr)
{
    QTimer::singleShot(0, [actionName, seen] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        if (seen) {
            for (QAction *action : menu->actions()) {
                if (action->isVisible())
                    seen->append(action->isSeparator() ? QStringLiteral("-") : action->text());
            }
        }
        QAction *action = menu->findChild<QAction *>(actionName);
        QVERIFY(action);
        menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

// Counts the showings of the widgets it filters.
struct ShowCounter final : QObject
{
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};

} // namespace

// The program's own composition, in a temporary current folder.
struct Program
{
    QtHost host;
    Form1 form{host};
    Recorder recorder{form};
    Program() { host.attach(Form1::design(), &recorder); }
};

class TestQtHost : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadResizeUnload();
    void twipsAndFrameGeometry_data();
    void twipsAndFrameGeometry();
    void guardLeavesTheLayout();
    void dirPathWriteRaisesChangeInside();
    void dirPathWriteFailsWithoutChange_data();
    void dirPathWriteFailsWithoutChange();
    void folderListShowsChainAndChildren();
    void folderOpensByEnterAndDoubleClick();
    void fileListFiltersAndSortsNaturally_data();
    void fileListFiltersAndSortsNaturally();
    void keyboardSelectionRaisesClick();
    void listsFollowTheFolder();
    void popupRunsClickBeforeReturning();
    void popupOnRightClickAndMenuKey_data();
    void popupOnRightClickAndMenuKey();
    void menuCaptionsShowAsTheyAre();
    void perDriveCurrentFolder();
    void viewerShowsAnyFileName_data();
    void viewerShowsAnyFileName();
    void viewerShrinksLargePictures();
    void openedOnAFileShowsItsPlaceFirst_data();
    void openedOnAFileShowsItsPlaceFirst();
    void viewerHonoursOrientationAndAnimation();
    void viewerSaysWhatItCannotShow_data();
    void viewerSaysWhatItCannotShow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestQtHost::init()
{
    m_start = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestQtHost::cleanup()
{
    QDir::setCurrent(m_start);
    m_dir.reset();
}

void TestQtHost::loadResizeUnload()
{
    Program p;
    bool visibleAtLoad = true;
    p.recorder.inside = [&](const QString &name) {
        if (name == QStringLiteral("Form_Load"))
            visibleAtLoad = p.host.window()->isVisible();
    };
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    QCOMPARE(p.recorder.log.first(), QStringLiteral("Form_Load"));
    QVERIFY(!visibleAtLoad);
    QCOMPARE(p.recorder.count(QStringLiteral("Form_Load")), 1);
    QVERIFY(p.recorder.count(QStringLiteral("Form_Resize")) >= 1); // the first showing

    int resizes = p.recorder.count(QStringLiteral("Form_Resize"));
    p.host.window()->resize(700, 560);
    QTRY_VERIFY(p.recorder.count(QStringLiteral("Form_Resize")) > resizes);
    resizes = p.recorder.count(QStringLiteral("Form_Resize"));
    p.host.window()->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(p.recorder.count(QStringLiteral("Form_Resize")) > resizes);

    // Closing twice (a second request from the window manager) unloads once.
    for (int i = 0; i < 2; ++i) {
        QCloseEvent close;
        QCoreApplication::sendEvent(p.host.window(), &close);
    }
    QCOMPARE(p.recorder.count(QStringLiteral("Form_Unload")), 1);
    QCOMPARE(p.recorder.count(QStringLiteral("Form_Load")), 1);
}

void TestQtHost::twipsAndFrameGeometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("800 x 600") << QSize(800, 600);
    QTest::newRow("640 x 480") << QSize(640, 480);
}

void TestQtHost::twipsAndFrameGeometry()
{
    QFETCH(QSize, size);
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    p.host.window()->resize(size);
    QTRY_COMPARE(p.host.window()->size(), size);
    QWidget *w = p.host.window();
    QCOMPARE(p.host.form().width(), float(w->frameGeometry().width() * 15));
    QCOMPARE(p.host.form().height(), float(w->frameGeometry().height() * 15));
    const int W = w->frameGeometry().width(), H = w->frameGeometry().height();
    const int panel = w->findChild<QWidget *>(QStringLiteral("Panel"))->height();
    // Pixels: left 179, top 23, allowances 8 and 28, gap 2.
    const QWidget *view = w->findChild<QWidget *>(QStringLiteral("View"));
    const QWidget *text = w->findChild<QWidget *>(QStringLiteral("Text1"));
    const QWidget *dir = w->findChild<QWidget *>(QStringLiteral("Dir1"));
    const QWidget *files = w->findChild<QWidget *>(QStringLiteral("File1"));
    QCOMPARE(view->geometry(), QRect(179, 23, W - 179 - 8, H - 23 - panel - 28));
    QCOMPARE(text->geometry(), QRect(179, 0, W - 179 - 8, 20));
    const int a = (H - 23 - panel - 28) * 15;
    QCOMPARE(dir->geometry(), QRect(0, 23, 177, int(std::lround((a / 3) / 15.0))));
    QCOMPARE(files->geometry(), QRect(0, dir->geometry().bottom() + 1 + 2, 177,
                                      int(std::lround((a / 3) * 2 / 15.0))));
    // The status bar keeps to the bottom of the client area.
    QCOMPARE(w->findChild<QWidget *>(QStringLiteral("Panel"))->geometry().bottom(), w->height() - 1);
}

void TestQtHost::guardLeavesTheLayout()
{
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    p.host.window()->resize(800, 600);
    QTRY_COMPARE(p.host.window()->size(), QSize(800, 600));
    const auto geometries = [&] {
        QList<QRect> rects;
        for (const char *name : {"View", "Text1", "Drive1", "Dir1", "File1"})
            rects.append(p.host.window()->findChild<QWidget *>(QString::fromLatin1(name))->geometry());
        return rects;
    };
    const QList<QRect> before = geometries();
    const int resizes = p.recorder.count(QStringLiteral("Form_Resize"));
    // Frame width at most 2925 twips (195 px): the guard holds.
    p.host.window()->resize(150, 100);
    QTRY_VERIFY(p.recorder.count(QStringLiteral("Form_Resize")) > resizes);
    QCOMPARE(geometries(), before);
}

void TestQtHost::dirPathWriteRaisesChangeInside()
{
    QVERIFY(QDir().mkpath(path(QStringLiteral("sub/deeper"))));
    Program p;
    QString seenInside;
    p.recorder.inside = [&](const QString &name) {
        if (name == QStringLiteral("Dir1_Change"))
            seenInside = p.host.dir1().path();
    };
    const QString target = QDir::toNativeSeparators(path(QStringLiteral("sub")));
    QVERIFY(p.host.dir1().setPath(target));
    QCOMPARE(seenInside, target);
    QCOMPARE(p.recorder.log, QStringList{QStringLiteral("Dir1_Change")});
    QCOMPARE(p.host.file1().path(), target);
    QCOMPARE(p.host.menuItem(MenuItemId::Rireki, 1).caption(), target);
    // The root is the only path that ends in the separator.
    QVERIFY(p.host.dir1().setPath(QStringLiteral("/")));
    QCOMPARE(p.host.dir1().path(), QStringLiteral("/"));
    QVERIFY(p.host.dir1().setPath(path(QStringLiteral("sub/deeper/"))));
    QCOMPARE(p.host.dir1().path(), path(QStringLiteral("sub/deeper")));
}

void TestQtHost::dirPathWriteFailsWithoutChange_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("a file") << QStringLiteral("file.png");
    QTest::newRow("empty") << QString();
}

void TestQtHost::dirPathWriteFailsWithoutChange()
{
    QFETCH(QString, target);
    touch(path(QStringLiteral("file.png")));
    Program p;
    const QString before = p.host.dir1().path();
    QVERIFY(!p.host.dir1().setPath(target.isEmpty() ? target : path(target)));
    QCOMPARE(p.host.dir1().path(), before);
    QVERIFY(p.recorder.log.isEmpty());
}

void TestQtHost::folderListShowsChainAndChildren()
{
    for (const char *name : {"b10", "b2", "a", ".hidden"})
        QVERIFY(QDir().mkpath(path(QString::fromLatin1(name))));
    // Only folders and links to folders are folders.
    QVERIFY(QFile::link(path(QStringLiteral("a")), path(QStringLiteral("c-link"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), path(QStringLiteral("device-link"))));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    QVERIFY(QFile::link(path(QStringLiteral("fifo")), path(QStringLiteral("fifo-link"))));
    QVERIFY(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("dangling-link"))));
    Program p;
    auto *tree = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("Dir1"));
    const QStringList shown = rowsOf(tree);
    QStringList chain = QDir::cleanPath(m_dir->path()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    chain.prepend(QStringLiteral("/"));
    QCOMPARE(tree->currentIndex().data().toString(), chain.last());
    chain += QStringList{QStringLiteral("a"), QStringLiteral("b2"), QStringLiteral("b10"), QStringLiteral("c-link")};
    QCOMPARE(shown, chain);
}

void TestQtHost::folderOpensByEnterAndDoubleClick()
{
    QVERIFY(QDir().mkpath(path(QStringLiteral("one/two"))));
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *tree = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("Dir1"));

    // The arrow key only moves the highlight.
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("one"));
    QCOMPARE(p.recorder.count(QStringLiteral("Dir1_Change")), 0);
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(p.host.dir1().path(), path(QStringLiteral("one")));
    QCOMPARE(p.recorder.count(QStringLiteral("Dir1_Change")), 1);

    const int two = int(rowsOf(tree).indexOf(QStringLiteral("two")));
    QVERIFY(two >= 0);
    const QPoint at = tree->visualRect(tree->model()->index(two, 0)).center();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(p.host.dir1().path(), path(QStringLiteral("one/two")));
    QCOMPARE(p.recorder.count(QStringLiteral("Dir1_Change")), 2);
    QCOMPARE(p.host.menuItem(MenuItemId::Rireki, 1).caption(), path(QStringLiteral("one/two")));
    QCOMPARE(p.host.menuItem(MenuItemId::Rireki, 2).caption(), path(QStringLiteral("one")));

    // A listed folder that has gone since: the list stays where it was. The
    // watch is held: the lists must still show the folder when it is opened.
    QVERIFY(QDir().mkpath(path(QStringLiteral("one/two/three"))));
    QVERIFY(p.host.dir1().setPath(path(QStringLiteral("one/two"))));
    const int changes = p.recorder.count(QStringLiteral("Dir1_Change"));
    p.host.folderWatch()->setHeld(true);
    QVERIFY(QDir(path(QStringLiteral("one/two/three"))).removeRecursively());
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("three"));
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(p.host.dir1().path(), path(QStringLiteral("one/two")));
    QCOMPARE(p.recorder.count(QStringLiteral("Dir1_Change")), changes);
    // ... says so as a history entry that has gone would, and the highlight
    // goes back to the folder whose files are listed.
    QCOMPARE(p.host.text1().text(), QStringLiteral("読み込みに失敗しました。"));
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("two"));
}

void TestQtHost::fileListFiltersAndSortsNaturally_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("listed");
    const QStringList images{QStringLiteral("a.JPG"),        QStringLiteral("b.jpeg"),    QStringLiteral("c.Png"),
                             QStringLiteral("img2.png"),     QStringLiteral("img10.png"), QStringLiteral("photo[1].jpg"),
                             QStringLiteral("photo1.jpg"),   QStringLiteral("x.bmp")};
    QTest::newRow("start-up pattern, letter case ignored") << QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp")
                                                           << images;
    QTest::newRow("upper-case pattern") << QStringLiteral("*.PNG")
                                        << QStringList{QStringLiteral("c.Png"), QStringLiteral("img2.png"),
                                                       QStringLiteral("img10.png")};
    QTest::newRow("question mark is one character")
        << QStringLiteral("img?.png") << QStringList{QStringLiteral("img2.png")};
    QTest::newRow("several, with spaces a user typed")
        << QStringLiteral("*.txt; *.bmp")
        << QStringList{QStringLiteral("[!p]x.txt"), QStringLiteral("notes.txt"), QStringLiteral("x.bmp")};
    QTest::newRow("empty: nothing") << QString() << QStringList{};
    QTest::newRow("brackets stand for themselves")
        << QStringLiteral("photo[1].jpg") << QStringList{QStringLiteral("photo[1].jpg")};
    QTest::newRow("no negated sets") << QStringLiteral("[!p]*") << QStringList{QStringLiteral("[!p]x.txt")};
    // Trailing stars match the empty rest of a name.
    QTest::newRow("stars at the end match nothing, too")
        << QStringLiteral("x.bmp*;notes.txt**") << QStringList{QStringLiteral("notes.txt"), QStringLiteral("x.bmp")};
    QTest::newRow("a star matches across dots, not into hidden names")
        << QStringLiteral("*1*") << QStringList{QStringLiteral("img10.png"), QStringLiteral("photo[1].jpg"),
                                                QStringLiteral("photo1.jpg")};
}

void TestQtHost::fileListFiltersAndSortsNaturally()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, listed);
    for (const char *name : {"img10.png", "img2.png", "a.JPG", "b.jpeg", "c.Png", "x.bmp", "notes.txt", ".hidden.png",
                             "photo[1].jpg", "photo1.jpg", "[!p]x.txt"})
        touch(path(QString::fromLatin1(name)));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.png"))).constData(), 0600), 0);
    QVERIFY(QDir().mkpath(path(QStringLiteral("folder.png"))));
    Program p;
    p.host.file1().setPattern(pattern);
    auto *list = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("File1"));
    QCOMPARE(rowsOf(list), listed);
    QCOMPARE(p.host.file1().fileName(), QString());
}

void TestQtHost::keyboardSelectionRaisesClick()
{
    touch(path(QStringLiteral("p1.png")), QByteArray(1535, 'x'));
    touch(path(QStringLiteral("p2.png")), QByteArray(10, 'x'));
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *list = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("File1"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(p.recorder.count(QStringLiteral("File1_Click")), 1);
    QCOMPARE(p.host.file1().fileName(), QStringLiteral("p1.png"));
    QCOMPARE(p.host.text1().text(), path(QStringLiteral("p1.png")));
    auto *panel = p.host.window()->findChild<StatusBarWidget *>(QStringLiteral("Panel"));
    QVERIFY2(panel->panelText().endsWith(QStringLiteral(" - 1.4 KB")), qPrintable(panel->panelText()));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(p.recorder.count(QStringLiteral("File1_Click")), 2);
    QVERIFY(panel->panelText().endsWith(QStringLiteral(" - 10 バイト")));
    // A pattern change lists afresh with nothing selected, and raises no Click.
    p.host.file1().setPattern(QStringLiteral("*.png"));
    QCOMPARE(p.host.file1().fileName(), QString());
    QCOMPARE(p.recorder.count(QStringLiteral("File1_Click")), 2);
}

void TestQtHost::listsFollowTheFolder()
{
    touch(path(QStringLiteral("a.png")));
    touch(path(QStringLiteral("b.png")));
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *files = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("File1"));
    auto *folders = p.host.window()->findChild<QAbstractItemView *>(QStringLiteral("Dir1"));
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Down);
    QCOMPARE(p.host.file1().fileName(), QStringLiteral("a.png"));
    const QStringList before = p.recorder.log;

    // Copied in by someone else: listed within two seconds, nothing else moves;
    // a file that sorts before the chosen one moves it down a row, and the
    // choice stays with the file.
    touch(path(QStringLiteral("c.png")));
    touch(path(QStringLiteral("0.png")));
    QVERIFY(QDir().mkpath(path(QStringLiteral("new folder"))));
    QTRY_VERIFY_WITH_TIMEOUT(rowsOf(files).contains(QStringLiteral("c.png")) && rowsOf(files).contains(QStringLiteral("0.png")), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(rowsOf(folders).contains(QStringLiteral("new folder")), 2000);
    QCOMPARE(p.host.file1().fileName(), QStringLiteral("a.png"));
    QCOMPARE(p.recorder.log, before); // no Click, no Change

    // Asked for, read at once: F5, and Enter on the folder shown.
    touch(path(QStringLiteral("d.png")));
    QTest::keyClick(files, Qt::Key_F5);
    QVERIFY(rowsOf(files).contains(QStringLiteral("d.png")));
    touch(path(QStringLiteral("e.png")));
    folders->setFocus();
    QTest::keyClick(folders, Qt::Key_Return);
    QVERIFY(rowsOf(files).contains(QStringLiteral("e.png")));
    QCOMPARE(p.host.file1().fileName(), QStringLiteral("a.png"));
    QCOMPARE(p.recorder.log, before);
}

void TestQtHost::popupRunsClickBeforeReturning()
{
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    QVERIFY(p.host.menuItem(MenuItemId::Save_Rireki).checked());
    QStringList seen;
    chooseInNextPopup(QStringLiteral("Save_Rireki"), &seen);
    p.host.form().popupMenu(host::MenuId::Menu_Rireki, host::PopupMenuRightButton);
    QCOMPARE(p.recorder.log.last(), QStringLiteral("Save_Rireki_Click"));
    // Toggled once, by the click procedure; Qt's own toggle was undone.
    QVERIFY(!p.host.menuItem(MenuItemId::Save_Rireki).checked());
    QCOMPARE(seen, QStringList{QStringLiteral("終了時に履歴を保存する")});

    chooseInNextPopup(QStringLiteral("Filter_3"));
    p.host.form().popupMenu(host::MenuId::Menu_Filter, host::PopupMenuRightButton);
    QCOMPARE(p.recorder.log.last(), QStringLiteral("Filter_Click 3"));
    QVERIFY(!p.host.menuItem(MenuItemId::Filter, 3).checked());
    QCOMPARE(p.host.file1().pattern(), QStringLiteral("*.jpeg;*.jpg;*.png;*.bmp"));
    chooseInNextPopup(QStringLiteral("Filter_3"));
    p.host.form().popupMenu(host::MenuId::Menu_Filter, host::PopupMenuRightButton);
    QVERIFY(p.host.menuItem(MenuItemId::Filter, 3).checked());
}

void TestQtHost::popupOnRightClickAndMenuKey_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("how"); // 0 right click, 1 menu key, 2 Shift+F10
    QTest::addColumn<QString>("expected");
    for (const QString &list : {QStringLiteral("Dir1"), QStringLiteral("File1")}) {
        const QString raised = list + QStringLiteral("_MouseDown 2");
        QTest::addRow("%s right click", qPrintable(list)) << list << 0 << raised;
        QTest::addRow("%s menu key", qPrintable(list)) << list << 1 << raised;
        QTest::addRow("%s Shift+F10", qPrintable(list)) << list << 2 << raised;
    }
}

void TestQtHost::popupOnRightClickAndMenuKey()
{
    QFETCH(QString, list);
    QFETCH(int, how);
    QFETCH(QString, expected);
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *view = p.host.window()->findChild<QAbstractItemView *>(list);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            opened = true;
            menu->close();
        }
    });
    if (how == 0)
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    else if (how == 1)
        QTest::keyClick(view, Qt::Key_Menu);
    else
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(opened);
    QVERIFY(p.recorder.log.contains(expected));
    // A left click opens nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(p.recorder.log.contains(list + QStringLiteral("_MouseDown 1")));
    QVERIFY(!QApplication::activePopupWidget());
}

void TestQtHost::menuCaptionsShowAsTheyAre()
{
    Program p;
    host::MenuItem &slot = p.host.menuItem(MenuItemId::Rireki, 1);
    slot.setCaption(QStringLiteral("/home/u/Tom & Jerry"));
    QCOMPARE(slot.caption(), QStringLiteral("/home/u/Tom & Jerry"));
    auto *action = p.host.window()->findChild<QAction *>(QStringLiteral("Rireki_1"));
    QCOMPARE(action->text(), QStringLiteral("/home/u/Tom && Jerry"));
    QVERIFY(!action->isVisible());
    auto *dummy = p.host.window()->findChild<QAction *>(QStringLiteral("Filter_6"));
    QVERIFY(!dummy->isVisible());
    QVERIFY(p.host.window()->findChild<QAction *>(QStringLiteral("区分線Filter"))->isSeparator());
    // Options show their box unticked too; history entries and commands show none.
    for (const auto &[id, index, name] : {std::tuple{MenuItemId::Save_Rireki, 0, "Save_Rireki"},
                                          std::tuple{MenuItemId::Filter, 4, "Filter_4"}}) {
        p.host.menuItem(id, index).setChecked(false);
        auto *option = p.host.window()->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY(option->isCheckable() && !option->isChecked());
    }
    QVERIFY(!action->isCheckable());
    QVERIFY(!p.host.window()->findChild<QAction *>(QStringLiteral("EtcFilter"))->isCheckable());
}

void TestQtHost::perDriveCurrentFolder()
{
    QVERIFY(QDir().mkpath(path(QStringLiteral("deep/er"))));
    Program p;
    auto *drives = p.host.window()->findChild<DriveListWidget *>(QStringLiteral("Drive1"));
    // The drive holding the start folder starts there, not at its root.
    QCOMPARE(p.host.drive1().drive(), QDir::toNativeSeparators(m_dir->path()));
    QVERIFY(p.host.dir1().setPath(path(QStringLiteral("deep/er"))));
    QVERIFY(p.host.dir1().setPath(QStringLiteral("/")));
    // "/" is its own drive's folder only when the temporary folder is on another drive.
    const QStringList listed = mountedDrives();
    if (driveOf(listed, m_dir->path()) == QStringLiteral("/"))
        QCOMPARE(p.host.drive1().drive(), QStringLiteral("/"));
    else
        QCOMPARE(p.host.drive1().drive(), path(QStringLiteral("deep/er")));
    // Picking the drive of the temporary folder goes back to where the user was on it.
    const int index = drives->findData(driveOf(listed, m_dir->path()));
    QVERIFY(index >= 0);
    drives->setCurrentIndex(index);
    QVERIFY(p.host.dir1().setPath(path(QStringLiteral("deep/er"))));
    drives->setCurrentIndex(index);
    QCOMPARE(p.host.drive1().drive(), path(QStringLiteral("deep/er")));
    // A remembered folder that has gone gives the nearest one still there.
    QVERIFY(QDir(path(QStringLiteral("deep/er"))).removeRecursively());
    QCOMPARE(p.host.drive1().drive(), path(QStringLiteral("deep")));
    QVERIFY(listed.contains(QStringLiteral("/")));
    for (const QString &drive : listed)
        QVERIFY2(!drive.startsWith(QStringLiteral("/proc")) && !drive.startsWith(QStringLiteral("/sys")),
                 qPrintable(drive));
}

void TestQtHost::viewerShowsAnyFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("spaces") << QStringLiteral("a picture.png") << QByteArray("PNG");
    QTest::newRow("hash") << QStringLiteral("#1.jpg") << QByteArray("JPEG");
    QTest::newRow("percent") << QStringLiteral("100%20.bmp") << QByteArray("BMP");
    QTest::newRow("question mark") << QStringLiteral("what?.png") << QByteArray("PNG");
    QTest::newRow("Japanese") << QStringLiteral("写真 ü.jpeg") << QByteArray("JPEG");
    QTest::newRow("page with a hash") << QStringLiteral("page #2.htm") << QByteArray();
}

void TestQtHost::viewerShowsAnyFileName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QString file = path(name);
    if (format.isEmpty())
        touch(file, "<html><body><p>marker-text</p></body></html>");
    else
        writeImage(file, QSize(30, 20), format.constData());
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *viewer = p.host.window()->findChild<ViewerWidget *>(QStringLiteral("View"));
    viewer->navigate(QDir::toNativeSeparators(file));
    if (format.isEmpty()) {
        QCOMPARE(viewer->currentWidget(), viewer->pageView());
        QVERIFY(viewer->pageView()->toPlainText().contains(QStringLiteral("marker-text")));
    } else {
        QTRY_COMPARE(viewer->currentWidget(), viewer->imageView());
        QCOMPARE(viewer->imageView()->pictureSize(), QSize(30, 20));
        QCOMPARE(viewer->imageView()->decodedSize(), QSize(30, 20)); // small: its own size
    }
}

void TestQtHost::openedOnAFileShowsItsPlaceFirst_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("pageShown");
    QTest::addColumn<bool>("otherFormats"); // 「その他の画像形式」 ticked for it
    QTest::newRow("a photo: its place, never the start page") << "photo.png" << "photo.png" << false << false;
    QTest::newRow("a newer format: ticked, listed, its place") << "photo.tiff" << "photo.tiff" << false << true;
    QTest::newRow("a page: the page") << "page.html" << "page.html" << true << false;
    QTest::newRow("a file gone since: the start page") << "gone.png" << "other.png" << true << false;
}

void TestQtHost::openedOnAFileShowsItsPlaceFirst()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(bool, pageShown);
    QFETCH(bool, otherFormats);
    if (written.endsWith(QStringLiteral(".html")))
        touch(path(written), "<html><body><p>marker-text</p></body></html>");
    else
        writeImage(path(written), QSize(30, 20), written.endsWith(QStringLiteral(".tiff")) ? "TIFF" : "PNG");
    Program p;
    auto *viewer = p.host.window()->findChild<ViewerWidget *>(QStringLiteral("View"));
    ShowCounter pageShowings;
    viewer->pageView()->installEventFilter(&pageShowings);
    p.host.setStartFile(name);
    p.host.show();
    QCOMPARE(viewer->pageView()->isVisible(), pageShown);
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    if (!pageShown) {
        // The start page is never laid out: it was not shown even for a frame.
        QTRY_COMPARE(viewer->imageView()->decodedSize(), QSize(30, 20));
        QCOMPARE(pageShowings.count, 0);
    }
    QCOMPARE(viewer->currentWidget() == viewer->pageView(), pageShown);
    QCOMPARE(p.host.menuItem(MenuItemId::OtherFormats).checked(), otherFormats);
}

void TestQtHost::viewerShrinksLargePictures()
{
    writeImage(path(QStringLiteral("big.jpg")), QSize(3000, 1500), "JPEG");
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *viewer = p.host.window()->findChild<ViewerWidget *>(QStringLiteral("View"));
    viewer->navigate(path(QStringLiteral("big.jpg")));
    QTRY_VERIFY(!viewer->imageView()->decodedSize().isEmpty());
    const QSize decoded = viewer->imageView()->decodedSize();
    QCOMPARE(viewer->imageView()->pictureSize(), QSize(3000, 1500));
    QVERIFY(decoded.width() <= viewer->width() && decoded.height() <= viewer->height());
    QVERIFY(decoded.width() == viewer->width() || decoded.height() == viewer->height());
    QVERIFY(qAbs(decoded.width() - 2 * decoded.height()) <= 2); // aspect kept
    // A larger viewer decodes more of it again.
    p.host.window()->resize(1200, 900);
    QTRY_VERIFY(viewer->imageView()->decodedSize().width() > decoded.width());
}

void TestQtHost::viewerHonoursOrientationAndAnimation()
{
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    auto *viewer = p.host.window()->findChild<ViewerWidget *>(QStringLiteral("View"));
    viewer->navigate(QFINDTESTDATA("data/rotated.jpg"));
    QTRY_COMPARE(viewer->imageView()->pictureSize(), QSize(20, 40)); // stored 40 x 20, tagged "rotate 90"
    viewer->navigate(QFINDTESTDATA("data/anim.gif"));
    QTRY_VERIFY(viewer->imageView()->isAnimated());
    QCOMPARE(viewer->currentWidget(), viewer->imageView());
    QCOMPARE(viewer->imageView()->pictureSize(), QSize(16, 8));
}

void TestQtHost::viewerSaysWhatItCannotShow_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("gone.png");
    QTest::newRow("not a picture") << QStringLiteral("broken.png");
    QTest::newRow("a folder") << QStringLiteral("folder.jpg");
}

void TestQtHost::viewerSaysWhatItCannotShow()
{
    QFETCH(QString, name);
    touch(path(QStringLiteral("broken.png")), "not a png");
    QVERIFY(QDir().mkpath(path(QStringLiteral("folder.jpg"))));
    Program p;
    auto *viewer = p.host.window()->findChild<ViewerWidget *>(QStringLiteral("View"));
    viewer->navigate(path(name));
    QTRY_VERIFY(viewer->pageView()->toPlainText().contains(QStringLiteral("このファイルは表示できません。")));
    QCOMPARE(viewer->currentWidget(), viewer->pageView());
    const QString page = viewer->pageView()->toPlainText();
    QVERIFY2(page.contains(QStringLiteral("このファイルは表示できません。")), qPrintable(page));
    QVERIFY(page.contains(path(name)));
}

ZELVO_WIDGET_TEST_MAIN(TestQtHost)
#include "tst_qthost.moc"
