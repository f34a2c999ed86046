// Sorting photos from the window, on the real file system with a trash of
// the test's own (offscreen): each action as the user starts it, what it
// says, what it asks, and how the window follows.

#include "app/form1.h"
#include "folders/folderreader.h"
#include "folders/folderwatch.h"
#include "host/qt/actions/asker.h"
#include "host/qt/actions/fileactions.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/viewer/pictureview.h"
#include "host/qt/viewer/viewer.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/qthost.h"
#include "host/qt/window/remembered.h"
#include "recorder.h"
#include "sandbox.h"
#include "testimages.h"
#include "widgettest.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QSemaphore>
#include <QTextBrowser>
#include <QUrl>

using namespace qthost;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The window as the actions see it: a chosen file and a history.
struct FakeWindow final : FileActions::Window
{
    QString chosen;
    QString folder;
    QStringList recent;
    QString chosenFile() const override { return chosen; }
    QString shownFolder() const override { return folder; }
    QStringList recentFolders() const override { return recent; }
    QWidget *popupParent() const override { return nullptr; }
    QPoint keyboardPopupPosition() const override { return {100, 100}; }
};

// Answers from a queue; every question and warning noted.
struct FakeAsker final : Asker
{
    QStringList log;
    bool confirm = false;
    std::optional<QString> name;
    std::optional<QString> chosenFolder;
    bool confirmDelete(const QString &question) override
    {
        log.append(QStringLiteral("confirm ") + question);
        return confirm;
    }
    std::optional<QString> newName(const QString &current) override
    {
        log.append(QStringLiteral("name? ") + current);
        return name;
    }
    std::optional<QString> folder(const QString &title, const QString &) override
    {
        log.append(QStringLiteral("folder? ") + title);
        return chosenFolder;
    }
    void warn(const QString &text) override { log.append(QStringLiteral("warn ") + text); }
    PairPart pairPart = PairPart::Cancel;
    PairPart pairPartToTrash(const QString &question) override
    {
        log.append(QStringLiteral("pair? ") + question);
        return pairPart;
    }
};

// Chooses, once the popup is open, the item with this text (all items noted).
void chooseInNextPopup(const QString &text, QStringList *seen)
{
    QTimer::singleShot(0, [text, seen] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *wanted = nullptr;
        for (QAction *action : menu->actions()) {
            seen->append(action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->text() == text)
                wanted = action;
        }
        if (!wanted) {
            menu->close();
            return;
        }
        menu->setActiveAction(wanted);
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

// Notes, once the popup is open, each item's text and whether it can be
// chosen ("元に戻す greyed"), then closes it.
void noteNextPopup(QStringList *items)
{
    QTimer::singleShot(0, [items] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator())
                items->append(action->text() + (action->isEnabled() ? QString() : QStringLiteral(" greyed")));
        }
        menu->close();
    });
}

struct Program
{
    QtHost host;
    Form1 form{host};
    Recorder recorder{form};
    Program() { host.attach(Form1::design(), &recorder); }
    // The window shown, with `file` of the start folder chosen; false when it could not be.
    bool showChoosing(const QString &file)
    {
        host.show();
        return QTest::qWaitForWindowExposed(host.window()) && host.chooseFile(file);
    }
};

} // namespace

class TestFileActions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void actions_data();
    void actions();
    void noTrashAsksBeforeDeleting();
    void deleteQuestionDefaultsToCancel();
    void renameSelectsTheNameUpToItsType();
    void clipboard();
    void windowFollows_data();
    void windowFollows();
    void moveOffersTheHistory();
    void pathBoxKeepsItsOwnCopy();
    void watchDoesNotFight();
    void undoGreyedWhenNothingToUndo_data();
    void undoGreyedWhenNothingToUndo();
    void undoFromTheStartPage();
    void copyCancelledWithEsc();
    void chosenFoldersOffered();
    void rememberedBetweenStarts();
    void sortedByTheDateTaken();
    void hiddenPhotosAreSaid();
    void copiedPictureFitsTheScreen();
    void pairsTrashedAsAsked_data();
    void pairsTrashedAsAsked();

private:
    QString at(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;
    QByteArray m_dataHome;
};

void TestFileActions::init()
{
    m_start = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const QString &folder : {QStringLiteral("photos"), QStringLiteral("trip"), QStringLiteral("data")})
        QVERIFY(QDir().mkpath(at(folder)));
    m_dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(at(QStringLiteral("data"))));
}

void TestFileActions::cleanup()
{
    qputenv("XDG_DATA_HOME", m_dataHome);
    QDir::setCurrent(m_start);
    m_dir.reset();
}

void TestFileActions::actions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("setup");     // what else is on the disk, or was done before
    QTest::addColumn<QString>("answer");    // of the questions: yes, no, or a name
    QTest::addColumn<QStringList>("heard"); // the signals and the asker's log, in order
    QTest::addColumn<QStringList>("photos"); // the photos folder after
    QTest::addColumn<QStringList>("trip");
    const QString b = QStringLiteral("b.jpg");
    const QStringList ab{QStringLiteral("a.jpg"), b};
    const QStringList a{QStringLiteral("a.jpg")};
    QTest::newRow("Delete: to the trash, no question")
        << QStringLiteral("trash") << QString() << QString()
        << QStringList{QStringLiteral("left photos/b.jpg"), QStringLiteral("told b.jpg をごみ箱に移動しました。")} << a
        << QStringList{};
    QTest::newRow("Delete a file gone meanwhile")
        << QStringLiteral("trash") << QStringLiteral("gone") << QString()
        << QStringList{QStringLiteral("warn b.jpg: ファイルが見つかりません（ほかで移動または削除されたようです）。")} << a
        << QStringList{};
    QTest::newRow("Shift+Delete, confirmed")
        << QStringLiteral("delete") << QString() << QStringLiteral("yes")
        << QStringList{QStringLiteral("confirm b.jpg を完全に削除しますか？\n削除したファイルは元に戻せません。"),
                       QStringLiteral("left photos/b.jpg"), QStringLiteral("told b.jpg を完全に削除しました。")}
        << a << QStringList{};
    QTest::newRow("Shift+Delete, cancelled")
        << QStringLiteral("delete") << QString() << QStringLiteral("no")
        << QStringList{QStringLiteral("confirm b.jpg を完全に削除しますか？\n削除したファイルは元に戻せません。")} << ab
        << QStringList{};
    QTest::newRow("F8 into a recent folder")
        << QStringLiteral("move") << QString() << QString()
        << QStringList{QStringLiteral("left photos/b.jpg"), QStringLiteral("told b.jpg を trip に移動しました。")} << a
        << QStringList{b};
    QTest::newRow("F8 where the name is taken: a free name")
        << QStringLiteral("move") << QStringLiteral("taken") << QString()
        << QStringList{QStringLiteral("left photos/b.jpg"),
                       QStringLiteral("told b.jpg を trip に移動しました。 同じ名前のファイルがあったため、b (2).jpg という名前にしました。")}
        << a << QStringList{QStringLiteral("b (2).jpg"), b};
    QTest::newRow("F8, the folder dialog")
        << QStringLiteral("move-dialog") << QString() << QString()
        << QStringList{QStringLiteral("folder? 移動先のフォルダ"), QStringLiteral("left photos/b.jpg"),
                       QStringLiteral("told b.jpg を trip に移動しました。")}
        << a << QStringList{b};
    QTest::newRow("F7 into a recent folder")
        << QStringLiteral("copy") << QString() << QString()
        << QStringList{QStringLiteral("changed trip"), QStringLiteral("told b.jpg を trip にコピーしました。")} << ab
        << QStringList{b};
    QTest::newRow("F2")
        << QStringLiteral("rename") << QString() << QStringLiteral("c.jpg")
        << QStringList{QStringLiteral("name? b.jpg"), QStringLiteral("arrived photos/c.jpg"),
                       QStringLiteral("told b.jpg の名前を c.jpg に変更しました。")}
        << QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")} << QStringList{};
    // Refused with a reason; nothing changes.
    QTest::newRow("F2, empty") << QStringLiteral("rename") << QString() << QStringLiteral("")
                               << QStringList{QStringLiteral("name? b.jpg"), QStringLiteral("warn b.jpg: 名前が空です。")}
                               << ab << QStringList{};
    QTest::newRow("F2, a slash") << QStringLiteral("rename") << QString() << QStringLiteral("x/c.jpg")
                                 << QStringList{QStringLiteral("name? b.jpg"),
                                                QStringLiteral("warn b.jpg: 名前に「/」は使えません。")}
                                 << ab << QStringList{};
    QTest::newRow("F2, taken") << QStringLiteral("rename") << QString() << QStringLiteral("a.jpg")
                               << QStringList{QStringLiteral("name? b.jpg"),
                                              QStringLiteral("warn b.jpg: その名前のファイルがすでにあります。何も変更していません。")}
                               << ab << QStringList{};
    QTest::newRow("F2, cancelled") << QStringLiteral("rename") << QString() << QStringLiteral("(cancel)")
                                   << QStringList{QStringLiteral("name? b.jpg")} << ab << QStringList{};
    QTest::newRow("Ctrl+Z with nothing done") << QStringLiteral("undo") << QString() << QString()
                                              << QStringList{QStringLiteral("told 元に戻す操作はありません。")} << ab
                                              << QStringList{};
    QTest::newRow("Ctrl+Z after Delete")
        << QStringLiteral("undo") << QStringLiteral("trashed") << QString()
        << QStringList{QStringLiteral("arrived photos/b.jpg"), QStringLiteral("told b.jpg をごみ箱から元に戻しました。")} << ab
        << QStringList{};
    QTest::newRow("Ctrl+Z after F8")
        << QStringLiteral("undo") << QStringLiteral("moved") << QString()
        << QStringList{QStringLiteral("arrived photos/b.jpg"), QStringLiteral("told b.jpg を photos に戻しました。")} << ab
        << QStringList{};
    QTest::newRow("Ctrl+Z after F7: the copy to the trash")
        << QStringLiteral("undo") << QStringLiteral("copied") << QString()
        << QStringList{QStringLiteral("left trip/b.jpg"), QStringLiteral("told b.jpg のコピーをごみ箱に移動しました。")} << ab
        << QStringList{};
    QTest::newRow("Ctrl+Z after F2")
        << QStringLiteral("undo") << QStringLiteral("renamed") << QString()
        << QStringList{QStringLiteral("arrived photos/b.jpg"), QStringLiteral("told b.jpg の名前を元に戻しました。")} << ab
        << QStringList{};
    // Its place was taken since: nothing is overwritten, and it says where the file is.
    QTest::newRow("Ctrl+Z, the old place taken")
        << QStringLiteral("undo") << QStringLiteral("trashed, taken") << QString()
        << QStringList{QStringLiteral("warn b.jpg: 元の場所に同じ名前のファイルがあるため、元に戻せません。ファイルは data/Trash/files/b.jpg にあります。")}
        << ab << QStringList{};
}

void TestFileActions::actions()
{
    QFETCH(QString, action);
    QFETCH(QString, setup);
    QFETCH(QString, answer);
    QFETCH(QStringList, heard);
    QFETCH(QStringList, photos);
    QFETCH(QStringList, trip);
    const QString b = at(QStringLiteral("photos/b.jpg"));
    QVERIFY(writeFile(at(QStringLiteral("photos/a.jpg")), "a"));
    QVERIFY(writeFile(b, "b"));
    FakeWindow window;
    window.chosen = b;
    window.folder = at(QStringLiteral("photos"));
    window.recent = {at(QStringLiteral("trip"))};
    FakeAsker asker;
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    QStringList offeredBefore;
    if (setup.startsWith(QStringLiteral("trashed"))) {
        actions.trash();
    } else if (setup == QStringLiteral("moved")) {
        chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offeredBefore);
        actions.move({}, false);
    } else if (setup == QStringLiteral("copied")) {
        chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offeredBefore);
        actions.copy({}, false);
        // A copy goes on a thread of its own: its end is waited for.
        QTRY_VERIFY(!actions.transferring());
    } else if (setup == QStringLiteral("renamed")) {
        asker.name = QStringLiteral("c.jpg");
        actions.rename();
    }
    if (setup.endsWith(QStringLiteral("taken")) && setup != QStringLiteral("taken"))
        QVERIFY(writeFile(b, "another b"));
    if (setup == QStringLiteral("taken"))
        QVERIFY(writeFile(at(QStringLiteral("trip/b.jpg")), "b in trip"));
    if (setup == QStringLiteral("gone"))
        QVERIFY(QFile::remove(b));
    asker.log.clear();

    QStringList log;
    const auto relative = [this](const QString &path) { return QDir(m_dir->path()).relativeFilePath(path); };
    connect(&actions, &FileActions::fileLeft, this, [&](const QString &path) { log.append(QStringLiteral("left ") + relative(path)); });
    connect(&actions, &FileActions::fileArrived, this,
            [&](const QString &path) { log.append(QStringLiteral("arrived ") + relative(path)); });
    connect(&actions, &FileActions::folderChanged, this,
            [&](const QString &path) { log.append(QStringLiteral("changed ") + relative(path)); });
    connect(&actions, &FileActions::told, this, [&](const QString &text) {
        // Folders as the user reads them, shortened for the table.
        QString shown = text;
        shown.replace(QDir::toNativeSeparators(m_dir->path()) + QDir::separator(), QString());
        log.append(QStringLiteral("told ") + shown);
    });
    asker.confirm = answer == QStringLiteral("yes");
    if (answer != QStringLiteral("(cancel)") && action == QStringLiteral("rename"))
        asker.name = answer;
    else if (action == QStringLiteral("rename"))
        asker.name.reset();
    asker.chosenFolder = at(QStringLiteral("trip"));
    QStringList offered;
    if (action == QStringLiteral("trash"))
        actions.action(FileActions::Action::Trash)->trigger();
    else if (action == QStringLiteral("delete"))
        actions.action(FileActions::Action::Delete)->trigger();
    else if (action == QStringLiteral("move")) {
        chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offered);
        actions.action(FileActions::Action::Move)->trigger();
    } else if (action == QStringLiteral("move-dialog")) {
        chooseInNextPopup(QStringLiteral("フォルダを選ぶ..."), &offered);
        actions.action(FileActions::Action::Move)->trigger();
    } else if (action == QStringLiteral("copy")) {
        chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offered);
        actions.action(FileActions::Action::Copy)->trigger();
        QTRY_VERIFY(!actions.transferring());
    } else if (action == QStringLiteral("rename"))
        actions.action(FileActions::Action::Rename)->trigger();
    else
        actions.action(FileActions::Action::Undo)->trigger();
    QStringList all = asker.log + log;
    // The asker's questions come before what is done; warnings are the asker's too.
    for (QString &entry : all)
        entry.replace(QDir::toNativeSeparators(m_dir->path()) + QDir::separator(), QString());
    QCOMPARE(all, heard);
    QCOMPARE(QDir(at(QStringLiteral("photos"))).entryList(QDir::Files), photos);
    QCOMPARE(QDir(at(QStringLiteral("trip"))).entryList(QDir::Files), trip);
    if (setup.endsWith(QStringLiteral("taken")))
        QCOMPARE(readFile(setup == QStringLiteral("taken") ? at(QStringLiteral("trip/b.jpg")) : b),
                 setup == QStringLiteral("taken") ? QByteArray("b in trip") : QByteArray("another b"));
}

void TestFileActions::noTrashAsksBeforeDeleting()
{
    // A file system whose trash cannot be used: Delete says so and asks;
    // declined, the file stays; accepted, it is deleted.
    const QString mounted = at(QStringLiteral("mounted"));
    QVERIFY(QDir().mkpath(mounted));
    const int outcome = sandbox::withSmallFileSystem(QFile::encodeName(mounted).constData(), 256, [&] {
        writeFile(mounted + QStringLiteral("/.Trash-") + QString::number(::getuid()), "not a folder");
        const QString photo = mounted + QStringLiteral("/b.jpg");
        writeFile(photo, "b");
        FakeWindow window;
        window.chosen = photo;
        FakeAsker asker;
        FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
        actions.trash();
        if (asker.log != QStringList{QStringLiteral("confirm b.jpg はごみ箱に移動できません（この場所で使えるごみ箱がありません）。\n"
                                                    "完全に削除しますか？ 削除したファイルは元に戻せません。")}
            || readFile(photo) != "b")
            return 1;
        asker.confirm = true;
        actions.trash();
        return QFile::exists(photo) ? 2 : 0;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestFileActions::deleteQuestionDefaultsToCancel()
{
    // Enter on the question keeps the file; only the button deletes.
    DialogAsker asker(nullptr);
    for (const bool press : {false, true}) {
        QTimer::singleShot(0, [press] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("キャンセル"));
            if (press) {
                for (QAbstractButton *button : box->buttons()) {
                    if (button->text() == QStringLiteral("削除"))
                        button->click();
                }
            } else {
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        QCOMPARE(asker.confirmDelete(QStringLiteral("b.jpg を完全に削除しますか？")), press);
    }
}

void TestFileActions::renameSelectsTheNameUpToItsType()
{
    // Typing replaces the name and keeps the extension.
    DialogAsker asker(nullptr);
    QString selected;
    QTimer::singleShot(0, [&selected] {
        auto *edit = QApplication::activeModalWidget()->findChild<QLineEdit *>();
        QVERIFY(edit);
        selected = edit->selectedText();
        edit->insert(QStringLiteral("夏")); // as typed: it replaces the selection
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(asker.newName(QStringLiteral("IMG 0001.jpeg")), std::optional(QStringLiteral("夏.jpeg")));
    QCOMPARE(selected, QStringLiteral("IMG 0001"));
    QCOMPARE(stemLength(QStringLiteral(".hidden")), qsizetype(7));
    QCOMPARE(stemLength(QStringLiteral("a.tar.gz")), qsizetype(5));
}

void TestFileActions::clipboard()
{
    const QString b = at(QStringLiteral("photos/b 1.jpg"));
    QVERIFY(writeFile(b, "b"));
    FakeWindow window;
    window.chosen = b;
    FakeAsker asker;
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    QSignalSpy wanted(&actions, &FileActions::pictureWanted);
    QSignalSpy told(&actions, &FileActions::told);
    actions.action(FileActions::Action::CopyPicture)->trigger();
    QCOMPARE(wanted.count(), 1);
    QCOMPARE(wanted.at(0).at(0).toString(), b);
    // The picture, as a picture and as the file, for documents and file managers alike.
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    actions.pictureDecoded(b, picture);
    const QMimeData *data = QApplication::clipboard()->mimeData();
    QVERIFY(data->hasImage());
    QCOMPARE(qvariant_cast<QImage>(data->imageData()).size(), QSize(4, 3));
    QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(b)});
    QCOMPARE(data->data(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + QUrl::fromLocalFile(b).toEncoded());
    QCOMPARE(told.last().at(0).toString(), QStringLiteral("b 1.jpg の画像をコピーしました。"));
    // A picture asked for before another one arrives late: not put on the clipboard.
    actions.pictureDecoded(at(QStringLiteral("photos/a.jpg")), picture);
    QCOMPARE(told.count(), 1);
    actions.action(FileActions::Action::CopyPath)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QDir::toNativeSeparators(b));
    QCOMPARE(told.last().at(0).toString(), QStringLiteral("b 1.jpg のパスをコピーしました。"));
}

void TestFileActions::windowFollows_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");  // the path box after, relative; "start" the start page
    QTest::addColumn<QStringList>("listed");
    const QStringList abc{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")};
    QTest::newRow("Delete: the next one") << QStringLiteral("b.jpg") << QStringLiteral("Delete")
                                          << QStringLiteral("photos/c.jpg")
                                          << QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")};
    QTest::newRow("Delete the last: the one before") << QStringLiteral("c.jpg") << QStringLiteral("Delete")
                                                     << QStringLiteral("photos/b.jpg")
                                                     << QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")};
    QTest::newRow("Delete the only one: the start page") << QStringLiteral("only.jpg") << QStringLiteral("Delete")
                                                         << QStringLiteral("start") << QStringList{};
    QTest::newRow("Delete, then Ctrl+Z: back and chosen") << QStringLiteral("b.jpg") << QStringLiteral("Delete Ctrl+Z")
                                                          << QStringLiteral("photos/b.jpg") << abc;
    QTest::newRow("in the file list too") << QStringLiteral("b.jpg") << QStringLiteral("list Delete")
                                          << QStringLiteral("photos/c.jpg")
                                          << QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")};
    QTest::newRow("full screen too") << QStringLiteral("b.jpg") << QStringLiteral("F11 Delete")
                                     << QStringLiteral("photos/c.jpg")
                                     << QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")};
}

void TestFileActions::windowFollows()
{
    QFETCH(QString, chosen);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    QFETCH(QStringList, listed);
    const QStringList names = chosen == QStringLiteral("only.jpg")
                                  ? QStringList{chosen}
                                  : QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")};
    for (const QString &name : names)
        QVERIFY(testimages::writeImage(at(QStringLiteral("photos/") + name), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    QVERIFY(p.host.chooseFile(chosen));
    auto *viewer = p.host.window()->findChild<ViewerWidget *>();
    QTRY_COMPARE(viewer->imageView()->path(), at(QStringLiteral("photos/") + chosen));
    // The neighbour to come is decoded ahead once it shows: waited for, not raced.
    if (shown != QStringLiteral("start"))
        QTRY_VERIFY_WITH_TIMEOUT(viewer->hasPicture(at(shown)), 10000);
    auto *files = p.host.window()->findChild<FileListWidget *>();
    QWidget *target = key.startsWith(QStringLiteral("list")) ? static_cast<QWidget *>(files) : viewer->imageView();
    if (key.startsWith(QStringLiteral("F11"))) {
        viewer->imageView()->setFocus();
        QTest::keyClick(viewer->imageView(), Qt::Key_F11);
        QTRY_VERIFY(viewer->fullScreen() && viewer->fullScreen()->view()->hasFocus());
        target = viewer->fullScreen()->view();
    }
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Delete);
    if (key.endsWith(QStringLiteral("Ctrl+Z")))
        QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    const QString expected = shown == QStringLiteral("start")
                                 ? QCoreApplication::applicationDirPath() + QStringLiteral("/Default.htm")
                                 : at(shown);
    QCOMPARE(p.host.text1().text(), expected);
    QCOMPARE(files->names(), listed);
    if (shown == QStringLiteral("start")) {
        QCOMPARE(p.host.window()->findChild<QStatusBar *>()->findChild<QLabel *>(QStringLiteral("Panel1"))->text(), QString());
    } else {
        QCOMPARE(files->fileName(), QFileInfo(shown).fileName());
        // Decoded ahead as the neighbour, in the window: on screen with the
        // path box. Back from the trash (a new status time) or full screen
        // (another size), it is decoded first.
        if (key == QStringLiteral("Delete") || key == QStringLiteral("list Delete"))
            QCOMPARE(viewer->imageView()->path(), expected);
        else
            QTRY_COMPARE(viewer->imageView()->path(), expected);
    }
}

void TestFileActions::moveOffersTheHistory()
{
    // F8 in the file list: the history's folders but the one shown and the
    // placeholders, most recent first, then the folder dialog.
    for (const QString &name : {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")})
        QVERIFY(testimages::writeImage(at(QStringLiteral("photos/") + name), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    QVERIFY(p.host.dir1().setPath(at(QStringLiteral("trip"))));
    QVERIFY(p.host.dir1().setPath(at(QStringLiteral("photos"))));
    QVERIFY(p.host.chooseFile(QStringLiteral("b.jpg")));
    auto *files = p.host.window()->findChild<FileListWidget *>();
    files->setFocus();
    QStringList offered;
    chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offered);
    QTest::keyClick(files, Qt::Key_F8);
    // Its first line says what the popup is for.
    QCOMPARE(offered, (QStringList{QStringLiteral("移動先のフォルダ"), QStringLiteral("-"),
                                   QDir::toNativeSeparators(at(QStringLiteral("trip"))), QStringLiteral("-"),
                                   QStringLiteral("フォルダを選ぶ...")}));
    QVERIFY(QFile::exists(at(QStringLiteral("trip/b.jpg"))));
    QCOMPARE(files->names(), QStringList{QStringLiteral("a.jpg")});
    QCOMPARE(p.host.text1().text(), at(QStringLiteral("photos/a.jpg")));
    // The history is not changed by it.
    QCOMPARE(p.host.menuItem(host::MenuItemId::Rireki, 1).caption(), at(QStringLiteral("photos")));
    QCOMPARE(p.host.menuItem(host::MenuItemId::Rireki, 2).caption(), at(QStringLiteral("trip")));
}

void TestFileActions::pathBoxKeepsItsOwnCopy()
{
    // Ctrl+C in the path box copies its selected text, not the picture.
    QVERIFY(testimages::writeImage(at(QStringLiteral("photos/b.jpg")), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    QVERIFY(p.showChoosing(QStringLiteral("b.jpg")));
    QSignalSpy wanted(p.host.fileActions(), &FileActions::pictureWanted);
    auto *box = p.host.window()->findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->setFocus();
    box->setSelection(0, 4);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), at(QStringLiteral("photos/b.jpg")).left(4));
    QCOMPARE(wanted.count(), 0);
}

void TestFileActions::watchDoesNotFight()
{
    // After Delete the lists show the disk at once; when the watch then
    // reports the same change, nothing in the list moves.
    for (const QString &name : {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")})
        QVERIFY(testimages::writeImage(at(QStringLiteral("photos/") + name), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    QVERIFY(p.showChoosing(QStringLiteral("b.jpg")));
    auto *files = p.host.window()->findChild<FileListWidget *>();
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Delete);
    QCOMPARE(files->fileName(), QStringLiteral("c.jpg"));
    const int clicks = p.recorder.count(QStringLiteral("File1_Click"));
    QSignalSpy resets(files->model(), &QAbstractItemModel::modelReset);
    auto *reader = p.host.window()->findChild<folders::FolderReader *>();
    QSignalSpy read(reader, &folders::FolderReader::done);
    emit p.host.folderWatch()->changed();
    QVERIFY(read.wait(10000));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(files->fileName(), QStringLiteral("c.jpg"));
    QCOMPARE(p.recorder.count(QStringLiteral("File1_Click")), clicks);
}

void TestFileActions::undoGreyedWhenNothingToUndo_data()
{
    // What was done before the picture's popup opens, in order; whether its
    // 元に戻す can then be chosen.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("undoable");
    QTest::newRow("nothing done yet") << QStringList{} << false;
    QTest::newRow("a file trashed") << QStringList{QStringLiteral("trash")} << true;
    QTest::newRow("trashed, then undone") << QStringList{QStringLiteral("trash"), QStringLiteral("undo")} << false;
    QTest::newRow("two trashed, one undone")
        << QStringList{QStringLiteral("trash"), QStringLiteral("trash other"), QStringLiteral("undo")} << true;
    // Refused actions leave nothing to undo.
    QTest::newRow("a trash that failed") << QStringList{QStringLiteral("trash gone")} << false;
    QTest::newRow("a rename to a taken name") << QStringList{QStringLiteral("rename taken")} << false;
    // An undo that cannot be done is forgotten too: nothing is left to try.
    QTest::newRow("the trash emptied, undo refused")
        << QStringList{QStringLiteral("trash"), QStringLiteral("empty trash"), QStringLiteral("undo")} << false;
    QTest::newRow("undo with nothing done") << QStringList{QStringLiteral("undo")} << false;
}

void TestFileActions::undoGreyedWhenNothingToUndo()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, undoable);
    const QString b = at(QStringLiteral("photos/b.jpg"));
    const QString a = at(QStringLiteral("photos/a.jpg"));
    QVERIFY(writeFile(a, "a"));
    QVERIFY(writeFile(b, "b"));
    FakeWindow window;
    window.chosen = b;
    window.folder = at(QStringLiteral("photos"));
    FakeAsker asker;
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    for (const QString &step : steps) {
        if (step == QStringLiteral("trash")) {
            actions.trash();
        } else if (step == QStringLiteral("trash other")) {
            window.chosen = a;
            actions.trash();
        } else if (step == QStringLiteral("trash gone")) {
            window.chosen = at(QStringLiteral("photos/gone.jpg"));
            actions.trash();
        } else if (step == QStringLiteral("rename taken")) {
            asker.name = QStringLiteral("a.jpg");
            actions.rename();
        } else if (step == QStringLiteral("empty trash")) {
            QVERIFY(QDir(at(QStringLiteral("data/Trash"))).removeRecursively());
        } else if (step == QStringLiteral("undo")) {
            actions.undo();
        }
    }
    window.chosen = b;
    QStringList items;
    noteNextPopup(&items);
    actions.popup(QPoint(100, 100), false);
    const QString undo = QStringLiteral("元に戻す");
    QVERIFY2(items.contains(undoable ? undo : undo + QStringLiteral(" greyed")), qPrintable(items.join(u'|')));
}

void TestFileActions::undoFromTheStartPage()
{
    // The last photo of a folder trashed: the start page shows and has the
    // keyboard, and Ctrl+Z there brings the photo back.
    QVERIFY(testimages::writeImage(at(QStringLiteral("photos/only.jpg")), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    QVERIFY(p.showChoosing(QStringLiteral("only.jpg")));
    auto *viewer = p.host.window()->findChild<ViewerWidget *>();
    QTRY_COMPARE(viewer->imageView()->path(), at(QStringLiteral("photos/only.jpg")));
    viewer->imageView()->setFocus();
    QTest::keyClick(viewer->imageView(), Qt::Key_Delete);
    QVERIFY(!QFile::exists(at(QStringLiteral("photos/only.jpg"))));
    QWidget *page = viewer->pageView();
    page->setFocus();
    QTRY_VERIFY(page->hasFocus());
    QTest::keyClick(page, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(QFile::exists(at(QStringLiteral("photos/only.jpg"))));
    QCOMPARE(p.host.text1().text(), at(QStringLiteral("photos/only.jpg")));
}

void TestFileActions::copyCancelledWithEsc()
{
    // A copy under way: the window answers, says how far it is, refuses
    // other actions meanwhile, and Esc stops it with no copy left behind.
    const QString b = at(QStringLiteral("photos/b.jpg"));
    const QByteArray pixels(4 * 1024 * 1024, 'p');
    QVERIFY(writeFile(b, pixels));
    FakeWindow window;
    window.chosen = b;
    window.folder = at(QStringLiteral("photos"));
    window.recent = {at(QStringLiteral("trip"))};
    FakeAsker asker;
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    // The copy is held after its first part until the test has acted.
    QSemaphore reached, release;
    actions.setTransferObserver([&](qint64 done, qint64) {
        if (done > 0 && done < qint64(pixels.size())) {
            reached.release();
            release.acquire();
        }
    });
    QStringList progress, told;
    connect(&actions, &FileActions::progressed, this, [&](const QString &text) { progress.append(text); });
    connect(&actions, &FileActions::told, this, [&](const QString &text) { told.append(text); });
    QStringList offered;
    chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("trip"))), &offered);
    actions.copy({}, false);
    QVERIFY(actions.transferring());
    QTRY_VERIFY(reached.available() > 0);
    QVERIFY(!progress.isEmpty() && progress.first().contains(QStringLiteral("コピーしています")));
    // Another action while it runs: refused, the photo untouched.
    actions.trash();
    QCOMPARE(told.last(), QStringLiteral("移動またはコピーの途中です。終わるまでお待ちください（Esc で取り消し）。"));
    QVERIFY(QFile::exists(b));
    // Esc, as the window has it.
    QAction *esc = nullptr;
    for (QAction *action : actions.windowActions()) {
        if (action->shortcut() == QKeySequence(Qt::Key_Escape))
            esc = action;
    }
    QVERIFY(esc && esc->isEnabled());
    esc->trigger();
    release.release();
    QTRY_VERIFY(!actions.transferring());
    QCOMPARE(asker.log.last(), QStringLiteral("warn b.jpg: 途中で取り消しました。元のファイルはそのままです。"));
    QCOMPARE(progress.last(), QString());
    QCOMPARE(readFile(b), pixels);
    QCOMPARE(QDir(at(QStringLiteral("trip"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(!esc->isEnabled());
}

void TestFileActions::chosenFoldersOffered()
{
    // A folder chosen in the dialog is offered the next time, first among
    // those chosen, at most ten kept.
    QVERIFY(QDir().mkpath(at(QStringLiteral("new"))));
    const QString b = at(QStringLiteral("photos/b.jpg"));
    const QString c = at(QStringLiteral("photos/c.jpg"));
    QVERIFY(writeFile(b, "b"));
    QVERIFY(writeFile(c, "c"));
    FakeWindow window;
    window.chosen = b;
    window.folder = at(QStringLiteral("photos"));
    FakeAsker asker;
    asker.chosenFolder = at(QStringLiteral("new"));
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    QStringList remembered;
    connect(&actions, &FileActions::chosenFoldersChanged, this, [&](const QStringList &folders) { remembered = folders; });
    QStringList first;
    chooseInNextPopup(QStringLiteral("フォルダを選ぶ..."), &first);
    actions.move({}, false);
    QVERIFY(QFile::exists(at(QStringLiteral("new/b.jpg"))));
    QCOMPARE(remembered, QStringList{at(QStringLiteral("new"))});
    window.chosen = c;
    QStringList second;
    chooseInNextPopup(QDir::toNativeSeparators(at(QStringLiteral("new"))), &second);
    actions.move({}, false);
    QCOMPARE(second, (QStringList{QStringLiteral("移動先のフォルダ"), QStringLiteral("-"),
                                  QDir::toNativeSeparators(at(QStringLiteral("new"))), QStringLiteral("-"),
                                  QStringLiteral("フォルダを選ぶ...")}));
    QVERIFY(QFile::exists(at(QStringLiteral("new/c.jpg"))));
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many.append(at(QStringLiteral("folder%1").arg(i)));
    actions.setChosenFolders(many);
    QCOMPARE(actions.chosenFolders().size(), 10);
}

void TestFileActions::rememberedBetweenStarts()
{
    // The window's size, 「その他の画像形式」 and the folders chosen come
    // back at the next start; Rireki.dat holds none of them.
    const QString settings = at(QStringLiteral("config/settings.conf"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    QVERIFY(writeFile(at(QStringLiteral("photos/a.heic")), "not really"));
    {
        Program p;
        p.host.remember(std::make_unique<RememberedSettings>(settings));
        p.host.show();
        QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
        p.host.window()->resize(700, 560);
        p.recorder.OtherFormats_Click();
        p.host.fileActions()->setChosenFolders({at(QStringLiteral("trip"))});
        p.host.window()->close();
    }
    QVERIFY(QFile::exists(settings));
    Program p;
    p.host.remember(std::make_unique<RememberedSettings>(settings));
    p.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(p.host.window()));
    QCOMPARE(p.host.window()->size(), QSize(700, 560));
    QVERIFY(p.host.menuItem(host::MenuItemId::OtherFormats).checked());
    QVERIFY(p.host.file1().pattern().contains(QStringLiteral("*.heic")));
    QCOMPARE(p.host.fileActions()->chosenFolders(), QStringList{at(QStringLiteral("trip"))});
}

void TestFileActions::sortedByTheDateTaken()
{
    // Photos of two cameras, one without a date (it goes by its time, now);
    // a and d were taken in the same second. The order is chosen below the
    // filter in the file list's popup, the list reorders once the helpers
    // have read the dates, the chosen file stays chosen without a Click, and
    // the order comes back at the next start.
    QVERIFY(QDir().mkpath(at(QStringLiteral("photos"))));
    const std::pair<const char *, const char *> photos[] = {
        {"a.jpg", "2024:03:01 09:00:00"}, {"b.jpg", "2023:01:01 10:00:00"}, {"c.jpg", nullptr}, {"d.jpg", "2024:03:01 09:00:00"}};
    for (const auto &[name, taken] : photos) {
        const QString file = at(QStringLiteral("photos/") + QLatin1String(name));
        QVERIFY(testimages::writeImage(file, QSize(40, 30), "JPEG"));
        if (!taken)
            continue;
        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                                    QStringLiteral("-DateTimeOriginal=") + QLatin1String(taken), file});
        if (!exiftool.waitForStarted())
            QSKIP("exiftool (libimage-exiftool-perl) is not installed");
        QVERIFY(exiftool.waitForFinished(30000));
        QCOMPARE(exiftool.exitCode(), 0);
    }
    const QString settings = at(QStringLiteral("config/settings.conf"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    const QStringList byName{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg"),
                             QStringLiteral("d.jpg")};
    const QStringList byDate{QStringLiteral("b.jpg"), QStringLiteral("a.jpg"), QStringLiteral("d.jpg"),
                             QStringLiteral("c.jpg")};
    {
        Program p;
        p.host.remember(std::make_unique<RememberedSettings>(settings));
        QVERIFY(p.showChoosing(QStringLiteral("d.jpg")));
        auto *list = p.host.window()->findChild<FileListWidget *>(QStringLiteral("File1"));
        QCOMPARE(list->names(), byName);
        auto *popup = p.host.window()->findChild<QMenu *>(QStringLiteral("Menu_Filter"));
        QVERIFY(popup);
        const QList<QAction *> items = popup->actions();
        const qsizetype etc = items.indexOf(popup->findChild<QAction *>(QStringLiteral("EtcFilter")));
        const qsizetype taken = items.indexOf(popup->findChild<QAction *>(QStringLiteral("SortByTaken")));
        QVERIFY2(etc >= 0 && taken > etc, "the orders come below the filter");
        QCOMPARE(items.at(taken)->text(), QStringLiteral("撮影日時順"));
        const int clicks = p.recorder.count(QStringLiteral("File1_Click"));
        items.at(taken)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(list->names(), byDate, 30000);
        QCOMPARE(p.host.file1().fileName(), QStringLiteral("d.jpg"));
        QCOMPARE(p.recorder.count(QStringLiteral("File1_Click")), clicks);
        // Reversed: the newest first, the same second still by name.
        popup->findChild<QAction *>(QStringLiteral("SortReversed"))->trigger();
        QCOMPARE(list->names(), (QStringList{QStringLiteral("c.jpg"), QStringLiteral("a.jpg"), QStringLiteral("d.jpg"),
                                             QStringLiteral("b.jpg")}));
        popup->findChild<QAction *>(QStringLiteral("SortReversed"))->trigger();
        p.host.window()->close();
    }
    Program p;
    p.host.remember(std::make_unique<RememberedSettings>(settings));
    QVERIFY(p.showChoosing(QStringLiteral("a.jpg")));
    QVERIFY(p.host.window()->findChild<QAction *>(QStringLiteral("SortByTaken"))->isChecked());
    auto *list = p.host.window()->findChild<FileListWidget *>(QStringLiteral("File1"));
    QTRY_COMPARE_WITH_TIMEOUT(list->names(), byDate, 30000);
}

void TestFileActions::hiddenPhotosAreSaid()
{
    // JPEGs listed, an iPhone's HEICs and a DNG left out by the pattern:
    // the status bar says so beside the date and size, which stay whole.
    for (const char *name : {"a.jpg", "b.heic", "c.heic", "d.dng"})
        QVERIFY(writeFile(at(QStringLiteral("photos/") + QLatin1String(name)), "x"));
    QVERIFY(testimages::writeImage(at(QStringLiteral("photos/a.jpg")), QSize(40, 30), "JPEG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    QVERIFY(p.showChoosing(QStringLiteral("a.jpg")));
    auto *bar = p.host.window()->findChild<QStatusBar *>();
    QCOMPARE(bar->findChild<QLabel *>(QStringLiteral("Hint"))->text(),
             QStringLiteral("ほかの形式の画像が 3 個あります（右クリックで表示）"));
    QLabel *panel = bar->findChild<QLabel *>(QStringLiteral("Panel1"));
    QVERIFY(panel->text().endsWith(QStringLiteral("バイト")));
    QVERIFY2(panel->width() >= panel->sizeHint().width(), "the date and size are not cut");
}

void TestFileActions::copiedPictureFitsTheScreen()
{
    // Ctrl+C of a photo larger than the screen: a picture of the screen's
    // size on the clipboard, its shape kept, not the photo's own pixels.
    QVERIFY(testimages::writeImage(at(QStringLiteral("photos/big.png")), QSize(3000, 2000), "PNG"));
    QVERIFY(QDir::setCurrent(at(QStringLiteral("photos"))));
    Program p;
    QVERIFY(p.showChoosing(QStringLiteral("big.png")));
    QSignalSpy told(p.host.fileActions(), &FileActions::told);
    p.host.fileActions()->action(FileActions::Action::CopyPicture)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 30000);
    const QImage copied = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
    const QSize screen = p.host.window()->screen()->size() * p.host.window()->screen()->devicePixelRatio();
    QVERIFY2(copied.width() <= screen.width() && copied.height() <= screen.height(),
             qPrintable(QStringLiteral("%1x%2").arg(copied.width()).arg(copied.height())));
    QVERIFY(copied.width() == screen.width() || copied.height() == screen.height());
    QCOMPARE(qRound(copied.width() * 2.0 / copied.height()), 3);
}

void TestFileActions::pairsTrashedAsAsked_data()
{
    // Delete on a RAW+JPEG pair shown as one: the question, then the photos
    // left, what was said, and the folder again once undone.
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("heard");
    QTest::newRow("both") << int(Asker::PairPart::Both) << QStringList{}
                          << QStringList{QStringLiteral("left IMG_1.JPG"),
                                         QStringLiteral("told IMG_1.JPG をごみ箱に移動しました。（付属のファイル 3 個も一緒に）")};
    QTest::newRow("the RAW only, with its own sidecar")
        << int(Asker::PairPart::Raw) << QStringList{QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_1.xmp")}
        << QStringList{QStringLiteral("left IMG_1.CR2"), QStringLiteral("arrived IMG_1.JPG"),
                       QStringLiteral("told IMG_1.CR2 をごみ箱に移動しました。（付属のファイル 1 個も一緒に）")};
    QTest::newRow("the JPEG only: the RAW stands for the photo")
        << int(Asker::PairPart::Processed)
        << QStringList{QStringLiteral("IMG_1.CR2"), QStringLiteral("IMG_1.CR2.xmp"), QStringLiteral("IMG_1.xmp")}
        << QStringList{QStringLiteral("left IMG_1.JPG"), QStringLiteral("arrived IMG_1.CR2"),
                       QStringLiteral("told IMG_1.JPG をごみ箱に移動しました。")};
    QTest::newRow("cancelled") << int(Asker::PairPart::Cancel)
                               << QStringList{QStringLiteral("IMG_1.CR2"), QStringLiteral("IMG_1.CR2.xmp"),
                                              QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_1.xmp")}
                               << QStringList{};
}

void TestFileActions::pairsTrashedAsAsked()
{
    QFETCH(int, answer);
    QFETCH(QStringList, left);
    QFETCH(QStringList, heard);
    const QStringList all{QStringLiteral("IMG_1.CR2"), QStringLiteral("IMG_1.CR2.xmp"), QStringLiteral("IMG_1.JPG"),
                          QStringLiteral("IMG_1.xmp")};
    for (const QString &name : all)
        QVERIFY(writeFile(at(QStringLiteral("photos/") + name), name.toUtf8()));
    FakeWindow window;
    window.chosen = at(QStringLiteral("photos/IMG_1.JPG"));
    window.folder = at(QStringLiteral("photos"));
    FakeAsker asker;
    asker.pairPart = Asker::PairPart(answer);
    FileActions actions(window, asker, nullptr, at(QStringLiteral("data")));
    actions.setPairs(fileops::Pairs::Together);
    QStringList log;
    connect(&actions, &FileActions::fileLeft, this, [&](const QString &path) { log.append(QStringLiteral("left ") + QFileInfo(path).fileName()); });
    connect(&actions, &FileActions::fileArrived, this,
            [&](const QString &path) { log.append(QStringLiteral("arrived ") + QFileInfo(path).fileName()); });
    connect(&actions, &FileActions::told, this, [&](const QString &text) { log.append(QStringLiteral("told ") + text); });
    actions.action(FileActions::Action::Trash)->trigger();
    QCOMPARE(asker.log, QStringList{QStringLiteral("pair? IMG_1.JPG と IMG_1.CR2 は1枚の写真の組です。どれをごみ箱に移動しますか？")});
    QCOMPARE(QDir(at(QStringLiteral("photos"))).entryList(QDir::Files, QDir::Name), left);
    QCOMPARE(log, heard);
    if (heard.isEmpty())
        return;
    actions.undo();
    QCOMPARE(QDir(at(QStringLiteral("photos"))).entryList(QDir::Files, QDir::Name), all);
}

ZELVO_WIDGET_TEST_MAIN(TestFileActions)
#include "tst_fileactions.moc"
