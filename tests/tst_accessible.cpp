// What screen readers are given (on a display, with the accessibility bus
// on): the page as a document, the
// popups' items as check items, and which focus events the lists send.
#include "app/form1.h"
#include "host/qt/base/announce.h"
#include "host/qt/lists/filelist.h"
#include "host/qt/window/mainwindow.h"
#include "host/qt/window/menus.h"
#include "host/qt/viewer/pagebrowser.h"
#include "host/qt/window/qthost.h"
#include "recorder.h"
#include "widgettest.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using host::MenuItemId;
using namespace qthost;

namespace {

struct Program
{
    QtHost host;
    Form1 form{host};
    Recorder recorder{form};
    Program() { host.attach(Form1::design(), &recorder); }
};

// The focus events sent while it lives: the object and the row (-1 for the
// object itself).
struct FocusEvents
{
    static inline QList<std::pair<QObject *, int>> seen;
    QAccessible::UpdateHandler previous;

    FocusEvents()
    {
        seen.clear();
        previous = QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            if (event->type() == QAccessible::Focus)
                seen.append({event->object(), event->child()});
        });
    }
    ~FocusEvents()
    {
        QAccessible::installUpdateHandler(previous);
    }
};

PopupMenu *popupNamed(QWidget *window, const QString &name)
{
    for (auto *menu : window->findChildren<PopupMenu *>()) {
        if (menu->accessibleName() == name)
            return menu;
    }
    return nullptr;
}

} // namespace

class TestAccessible : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pageIsAReadOnlyDocument_data();
    void pageIsAReadOnlyDocument();
    void popupOptionsAreCheckItems();
    void openPopupIsTheWindowsChild();
    void listsTellTheirRowOnEntryOnly();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;
};

void TestAccessible::init()
{
    m_start = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestAccessible::cleanup()
{
    QDir::setCurrent(m_start);
    m_dir.reset();
}

void TestAccessible::pageIsAReadOnlyDocument_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("boundary");
    QTest::addColumn<QString>("expected");
    const int paragraph = QAccessible::ParagraphBoundary, line = QAccessible::LineBoundary;
    // "Zelvo & co" + paragraph end + "二行目" + paragraph end + "end"
    QTest::newRow("first paragraph") << 0 << paragraph << QStringLiteral("Zelvo & co");
    QTest::newRow("inside the second") << 12 << paragraph << QStringLiteral("二行目");
    QTest::newRow("last, unwrapped line") << 15 << line << QStringLiteral("end");
    QTest::newRow("past the end") << 99 << paragraph << QStringLiteral("end");
}

void TestAccessible::pageIsAReadOnlyDocument()
{
    QFETCH(int, offset);
    QFETCH(int, boundary);
    QFETCH(QString, expected);
    Program p;
    auto *page = p.host.window()->findChild<PageBrowser *>();
    QVERIFY(page);
    page->showHtml(QStringLiteral("<p>Zelvo &amp; co</p><p>二行目</p><p>end</p>"));
    QAccessibleInterface *document = QAccessible::queryAccessibleInterface(page);
    QVERIFY(document);
    QCOMPARE(document->role(), QAccessible::Document);
    QVERIFY(document->state().readOnly);
    QAccessibleTextInterface *text = document->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 18);
    QCOMPARE(text->text(6, 10), QStringLiteral("& co"));
    int start = -1, end = -1;
    QCOMPARE(text->textAtOffset(offset, QAccessible::TextBoundaryType(boundary), &start, &end), expected);
    QCOMPARE(text->text(start, end), expected);
}

void TestAccessible::popupOptionsAreCheckItems()
{
    Program p;
    QWidget *window = p.host.window();
    p.host.menuItem(MenuItemId::Rireki, 1).setCaption(QStringLiteral("/home/u/Tom & Jerry"));
    p.host.menuItem(MenuItemId::Rireki, 1).setVisible(true);
    p.host.menuItem(MenuItemId::Save_Rireki, 0).setChecked(false);
    struct Row
    {
        const char *action;
        QAccessible::Role role;
        bool checked;
        QString name;
    };
    for (const Row &row : {Row{"Rireki_1", QAccessible::MenuItem, false, QStringLiteral("/home/u/Tom & Jerry")},
                           Row{"Save_Rireki", QAccessible::CheckBox, false, QStringLiteral("終了時に履歴を保存する")},
                           Row{"Filter_1", QAccessible::CheckBox, true, QStringLiteral("*.jpeg")},
                           Row{"区分線Filter", QAccessible::Separator, false, QString()}}) {
        auto *action = window->findChild<QAction *>(QString::fromUtf8(row.action));
        QVERIFY2(action, row.action);
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(action);
        QVERIFY2(item, row.action);
        QCOMPARE(item->role(), row.role);
        QCOMPARE(bool(item->state().checked), row.checked);
        QCOMPARE(item->text(QAccessible::Name), row.name);
        QCOMPARE(item->parent()->object(), action->parent());
        QCOMPARE(item->parent()->indexOfChild(item), int(qobject_cast<QMenu *>(action->parent())->actions().indexOf(action)));
    }
    QAccessibleInterface *filter = QAccessible::queryAccessibleInterface(popupNamed(window, QStringLiteral("フィルタ")));
    QCOMPARE(filter->role(), QAccessible::PopupMenu);
    QCOMPARE(filter->text(QAccessible::Description), QStringLiteral("最初の項目は *.jpeg（印あり）"));
    p.host.menuItem(MenuItemId::Filter, 1).setChecked(false);
    QCOMPARE(filter->text(QAccessible::Description), QStringLiteral("最初の項目は *.jpeg（印なし）"));
}

void TestAccessible::openPopupIsTheWindowsChild()
{
    Program p;
    QWidget *window = p.host.window();
    PopupMenu *menu = popupNamed(window, QStringLiteral("ショートカット"));
    QVERIFY(menu);
    QAccessibleInterface *frame = QAccessible::queryAccessibleInterface(window);
    QAccessibleInterface *popup = QAccessible::queryAccessibleInterface(menu);
    QCOMPARE(popup->parent(), frame);
    const int closed = frame->childCount();
    QCOMPARE(frame->indexOfChild(popup), -1);
    menu->popup(QPoint(0, 0));
    QCOMPARE(frame->childCount(), closed + 1);
    QCOMPARE(frame->indexOfChild(popup), closed);
    QCOMPARE(frame->child(closed), popup);
    menu->hide();
    QCOMPARE(frame->childCount(), closed);
}

void TestAccessible::listsTellTheirRowOnEntryOnly()
{
    QFile(QStringLiteral("b.png")).open(QIODevice::WriteOnly);
    QFile(QStringLiteral("c.png")).open(QIODevice::WriteOnly);
    Program p;
    p.host.show();
    QVERIFY(QTest::qWaitForWindowActive(p.host.window()));
    auto *files = p.host.window()->findChild<FileListWidget *>();
    QVERIFY(files);
    files->choose(1); // c.png, chosen from elsewhere
    FocusEvents events;
    files->setFocus(Qt::TabFocusReason);
    const std::pair<QObject *, int> row{files, 1};
    QVERIFY(QAccessible::isActive());
    QTRY_VERIFY(events.seen.contains(row));
    // The row is told after the list itself, or it would not be the one heard.
    QCOMPARE(events.seen.last(), row);

    // Read again with a file that sorts first: the same file stays chosen on
    // another row, and nothing is told.
    events.seen.clear();
    QFile(QStringLiteral("a.png")).open(QIODevice::WriteOnly);
    p.host.refreshLists();
    QCOMPARE(files->fileName(), QStringLiteral("c.png"));
    QCOMPARE(files->selectedRow(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(events.seen, (QList<std::pair<QObject *, int>>()));
}

ZELVO_WIDGET_TEST_MAIN(TestAccessible)
#include "tst_accessible.moc"
