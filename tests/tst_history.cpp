// The history captions and the history file, driven through Form1 on the fake host.

#include "fixture.h"
#include "history/cp932.h"
#include "history/rireki.h"
#include "history/rirekifile.h"
#include "testfiles.h"

#include <QTest>

using history::Enter_Rireki;

using testfiles::cp932File;

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void placeholder_data();
    void placeholder();
    void enter_data();
    void enter();
    void read_data();
    void read();
    void startUpMovesStartFolderToTop();
    void startUpWithOptionOffFile();
    void writeExactBytes_data();
    void writeExactBytes();
    void writeFailureIsReported();
    void unwritableProgramFolderUsesUserFolder();
    void oversizedFileIsCapped();
    void twoWindows_data();
    void twoWindows();
};

void TestHistory::placeholder_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("placeholder");
    QTest::newRow("design slot 1") << QStringLiteral("履歴１") << true;
    QTest::newRow("design slot 10") << QStringLiteral("履歴１０") << true;
    QTest::newRow("no history") << QStringLiteral("履歴なし") << true;
    QTest::newRow("any text after 履") << QStringLiteral("履") << true;
    QTest::newRow("empty is real") << QString() << false;
    QTest::newRow("folder") << QStringLiteral("/home/user/写真") << false;
    QTest::newRow("履 not first") << QStringLiteral("/履歴") << false;
    QTest::newRow("leading space") << QStringLiteral(" 履歴１") << false;
}

void TestHistory::placeholder()
{
    QFETCH(QString, caption);
    QFETCH(bool, placeholder);
    QCOMPARE(history::Is_Placeholder(caption), placeholder);
}

void TestHistory::enter_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("after");

    const QStringList ten = folderNames(QStringLiteral("/f"), 10);
    QTest::newRow("already at slot 1: unchanged") << ten << QStringLiteral("/f1") << ten;
    QTest::newRow("from slot 7: 1-6 move down, 8-10 stay")
        << ten << QStringLiteral("/f7")
        << QStringList{QStringLiteral("/f7"), QStringLiteral("/f1"), QStringLiteral("/f2"), QStringLiteral("/f3"),
                       QStringLiteral("/f4"), QStringLiteral("/f5"), QStringLiteral("/f6"), QStringLiteral("/f8"),
                       QStringLiteral("/f9"), QStringLiteral("/f10")};
    QTest::newRow("from slot 10") << ten << QStringLiteral("/f10")
                                  << QStringList{QStringLiteral("/f10")} + ten.mid(0, 9);
    QTest::newRow("eleventh folder drops slot 10") << ten << QStringLiteral("/new")
                                                   << QStringList{QStringLiteral("/new")} + ten.mid(0, 9);
    QTest::newRow("placeholders move and drop like entries")
        << designSlots() << QStringLiteral("/x") << QStringList{QStringLiteral("/x")} + designSlots().mid(0, 9);
    QStringList twice = ten;
    twice[2] = QStringLiteral("/dup");
    twice[5] = QStringLiteral("/dup");
    QStringList twiceAfter{QStringLiteral("/dup"), QStringLiteral("/f1"), QStringLiteral("/f2"),
                           QStringLiteral("/f4"), QStringLiteral("/f5"), QStringLiteral("/dup"),
                           QStringLiteral("/f7"), QStringLiteral("/f8"), QStringLiteral("/f9"),
                           QStringLiteral("/f10")};
    QTest::newRow("same path twice: only the first moves") << twice << QStringLiteral("/dup") << twiceAfter;
    QTest::newRow("letter case makes a different entry")
        << ten << QStringLiteral("/F3") << QStringList{QStringLiteral("/F3")} + ten.mid(0, 9);
    QStringList withEmpty = ten;
    withEmpty[3] = QString();
    QTest::newRow("empty caption matches an empty path")
        << withEmpty << QString()
        << QStringList{QString(), QStringLiteral("/f1"), QStringLiteral("/f2"), QStringLiteral("/f3"),
                       QStringLiteral("/f5"), QStringLiteral("/f6"), QStringLiteral("/f7"), QStringLiteral("/f8"),
                       QStringLiteral("/f9"), QStringLiteral("/f10")};
}

void TestHistory::enter()
{
    QFETCH(QStringList, before);
    QFETCH(QString, path);
    QFETCH(QStringList, after);
    Fixture f;
    f.setCaptions(before);
    Enter_Rireki(f.host, path);
    QCOMPARE(f.captions(), after);
}

void TestHistory::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("option");

    const QStringList ten = folderNames(QStringLiteral("/写真/"), 10);
    QTest::newRow("missing file: design captions, ticked") << QByteArray() << false << designSlots() << true;
    QTest::newRow("empty file") << QByteArray() << true << designSlots() << true;
    QTest::newRow("eleven lines, True") << cp932File(ten + QStringList{QStringLiteral("True")}) << true << ten
                                        << true;
    QTest::newRow("eleven lines, False") << cp932File(ten + QStringList{QStringLiteral("False")}) << true << ten
                                         << false;
    for (const char *other : {"false", "FALSE", "0", "", " False", "False "}) {
        QTest::addRow("line 11 \"%s\" keeps the tick", other)
            << cp932File(ten + QStringList{QString::fromLatin1(other)}) << true << ten << true;
    }
    QTest::newRow("three lines fill three captions")
        << cp932File(ten.mid(0, 3)) << true << ten.mid(0, 3) + designSlots().mid(3) << true;
    QTest::newRow("ten lines, no option line") << cp932File(ten) << true << ten << true;
    QTest::newRow("short file ending in False: a caption, not the option")
        << cp932File(ten.mid(0, 3) + QStringList{QStringLiteral("False")}) << true
        << ten.mid(0, 3) + QStringList{QStringLiteral("False")} + designSlots().mid(4) << true;
    QByteArray lf = cp932File(ten + QStringList{QStringLiteral("False")});
    lf.replace("\r\n", "\n");
    QTest::newRow("LF line ends") << lf << true << ten << false;
    QByteArray mixed = cp932File(ten + QStringList{QStringLiteral("False")});
    mixed.replace(mixed.indexOf("\r\n"), 2, "\n");
    QTest::newRow("CR LF and LF mixed") << mixed << true << ten << false;
    QByteArray noEnd = cp932File(ten) + "False";
    QTest::newRow("last line without an end") << noEnd << true << ten << false;
    QTest::newRow("spaces are kept")
        << cp932File({QStringLiteral(" /a b "), QStringLiteral("")}) << true
        << QStringList{QStringLiteral(" /a b "), QString()} + designSlots().mid(2) << true;
    QTest::newRow("lines after the eleventh are ignored")
        << cp932File(ten + QStringList{QStringLiteral("False"), QStringLiteral("extra")}) << true << ten << false;
    QByteArray bomUtf8 = "\xEF\xBB\xBF" + (ten.join(QStringLiteral("\r\n")) + QStringLiteral("\r\nFalse\r\n")).toUtf8();
    QTest::newRow("UTF-8 behind a byte-order mark") << bomUtf8 << true << ten << false;
}

void TestHistory::read()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, present);
    QFETCH(QStringList, captions);
    QFETCH(bool, option);
    Fixture f;
    if (present)
        f.host.files[f.rirekiPath()].bytes = file;
    history::Read_Rireki(f.host, f.rirekiPath());
    QCOMPARE(f.captions(), captions);
    QCOMPARE(f.saveOption(), option);
}

void TestHistory::startUpMovesStartFolderToTop()
{
    Fixture f;
    const QStringList ten = folderNames(QStringLiteral("/s"), 10);
    f.host.files[f.rirekiPath()].bytes = cp932File(ten + QStringList{QStringLiteral("True")});
    f.host.dirPath = QStringLiteral("/s4");
    f.form.Form_Load();
    QCOMPARE(f.captions(),
             (QStringList{QStringLiteral("/s4"), QStringLiteral("/s1"), QStringLiteral("/s2"), QStringLiteral("/s3")}
              + ten.mid(4)));
    QCOMPARE(f.host.filePattern, QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp"));
    // The start page comes from the program folder, not the start folder.
    QCOMPARE(f.host.text, QStringLiteral("/opt/zelvo/Default.htm"));
    QVERIFY(f.host.log.contains(QStringLiteral("navigate /opt/zelvo/Default.htm")));
    QCOMPARE(f.host.panelText, QString());
}

void TestHistory::startUpWithOptionOffFile()
{
    // What a run with the option off leaves behind, read by the next run.
    Fixture first;
    first.form.Form_Load();
    first.setCaptions(folderNames(QStringLiteral("/old"), 10));
    first.host.menuItem(host::MenuItemId::Save_Rireki).setChecked(false);
    first.form.Form_Unload();
    const QByteArray written = first.host.fileBytes(first.rirekiPath());
    QStringList expected(10, QStringLiteral("履歴なし"));
    expected.append(QStringLiteral("False"));
    QCOMPARE(written, cp932File(expected));

    Fixture next;
    next.host.files[next.rirekiPath()].bytes = written;
    next.host.dirPath = QStringLiteral("/start");
    next.form.Form_Load();
    QVERIFY(!next.saveOption());
    QStringList captions(10, QStringLiteral("履歴なし"));
    captions[0] = QStringLiteral("/start");
    QCOMPARE(next.captions(), captions);
}

void TestHistory::writeExactBytes_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("option");
    QTest::addColumn<QByteArray>("bytes");

    // 履歴１ in code page 932 is 97 9A 97 F0 82 50; full-width digits are 82 4F..82 58.
    QByteArray design;
    const char *digits[] = {"\x82\x50", "\x82\x51", "\x82\x52", "\x82\x53", "\x82\x54",
                            "\x82\x55", "\x82\x56", "\x82\x57", "\x82\x58", "\x82\x50\x82\x4F"};
    for (const char *digit : digits)
        design += QByteArray("\x97\x9A\x97\xF0") + digit + "\r\n";
    QTest::newRow("design placeholders, ticked") << designSlots() << true << design + "True\r\n";

    QByteArray off;
    for (int i = 0; i < 10; ++i)
        off += "\x97\x9A\x97\xF0\x82\xC8\x82\xB5\r\n"; // 履歴なし
    QTest::newRow("option off writes 履歴なし") << folderNames(QStringLiteral("/x"), 10) << false
                                                << off + "False\r\n";

    // ソ and 表 end in 0x5C, the byte of the path separator on Windows.
    QStringList japanese = folderNames(QStringLiteral("/p"), 10);
    japanese[0] = QStringLiteral("/home/田中/ソフト/表");
    QByteArray japaneseBytes = "/home/\x93\x63\x92\x86/\x83\x5C\x83\x74\x83\x67/\x95\x5C\r\n";
    for (int i = 2; i <= 10; ++i)
        japaneseBytes += QByteArray("/p") + QByteArray::number(i) + "\r\n";
    QTest::newRow("Japanese folder names") << japanese << true << japaneseBytes + "True\r\n";

    QStringList broken = folderNames(QStringLiteral("/b"), 10);
    broken[1] = QStringLiteral("/two\nlines");
    broken[2] = QStringLiteral("/cr\rhere");
    QByteArray brokenBytes = "/b1\r\n\x97\x9A\x97\xF0\x82\x51\r\n\x97\x9A\x97\xF0\x82\x52\r\n";
    for (int i = 4; i <= 10; ++i)
        brokenBytes += QByteArray("/b") + QByteArray::number(i) + "\r\n";
    QTest::newRow("a line end in a caption writes the slot's placeholder")
        << broken << true << brokenBytes + "True\r\n";

    QStringList emoji = folderNames(QStringLiteral("/e"), 10);
    emoji[4] = QStringLiteral("/写真/🐢");
    QByteArray utf8 = "\xEF\xBB\xBF";
    for (const QString &line : emoji)
        utf8 += line.toUtf8() + "\r\n";
    QTest::newRow("not in code page 932: UTF-8 behind a mark") << emoji << true << utf8 + "True\r\n";
}

void TestHistory::writeExactBytes()
{
    QFETCH(QStringList, captions);
    QFETCH(bool, option);
    QFETCH(QByteArray, bytes);
    Fixture f;
    f.setCaptions(captions);
    f.host.menuItem(host::MenuItemId::Save_Rireki).setChecked(option);
    QVERIFY(history::Write_Rireki(f.host, f.rirekiPath()).ok);
    QCOMPARE(f.host.fileBytes(f.rirekiPath()), bytes);

    // What was written reads back to the same captions, as long as each fits one line.
    Fixture next;
    next.host.files = f.host.files;
    history::Read_Rireki(next.host, next.rirekiPath());
    QCOMPARE(next.saveOption(), option);
    if (option && QTest::currentDataTag() != QByteArray("a line end in a caption writes the slot's placeholder"))
        QCOMPARE(next.captions(), captions);
}

void TestHistory::writeFailureIsReported()
{
    Fixture f;
    f.host.files[f.rirekiPath()].bytes = "old";
    f.host.failWrites = QStringLiteral("No space left on device");
    f.form.Form_Load();
    f.form.Form_Unload();
    QCOMPARE(f.host.fileBytes(f.rirekiPath()), QByteArray("old"));
    const QString message = f.host.log.last();
    QVERIFY2(message.startsWith(QStringLiteral("message [Zelvo Viewer] 履歴を保存できませんでした。")), qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("/opt/zelvo/Rireki.dat")));
    QVERIFY(message.contains(QStringLiteral("No space left on device")));
}

void TestHistory::unwritableProgramFolderUsesUserFolder()
{
    // A history installed beside the program is read until the user has one
    // of their own; only the user's own is written.
    Fixture first;
    const QString userFile = first.host.userDataFolder + QStringLiteral("/Rireki.dat");
    first.host.unwritable.insert(first.rirekiPath());
    const QByteArray installed = cp932File({QStringLiteral("/installed")});
    first.host.files[first.rirekiPath()].bytes = installed;
    first.form.Form_Load();
    QCOMPARE(first.captions().mid(0, 2), (QStringList{QStringLiteral("/"), QStringLiteral("/installed")}));
    first.form.Form_Unload();
    QVERIFY(first.host.fileBytes(userFile).startsWith("/\r\n/installed\r\n"));
    QCOMPARE(first.host.fileBytes(first.rirekiPath()), installed);
    QVERIFY(first.host.log.contains(QStringLiteral("clean ") + userFile));

    Fixture next;
    next.host.unwritable.insert(next.rirekiPath());
    next.host.files = first.host.files;
    next.host.files[userFile].bytes = cp932File({QStringLiteral("/mine")});
    next.form.Form_Load();
    QCOMPARE(next.captions().mid(0, 2), (QStringList{QStringLiteral("/"), QStringLiteral("/mine")}));
}

void TestHistory::oversizedFileIsCapped()
{
    // A stray binary file: start-up goes on with what fits.
    Fixture f;
    QByteArray junk(64 * 1024 * 1024, '\xFF');
    junk[10] = '\n';
    f.host.files[f.rirekiPath()].bytes = junk;
    f.form.Form_Load();
    QCOMPARE(f.captions().size(), 10);
    QVERIFY(f.captions()[1].size() <= 10);             // the first line, decoded
    QVERIFY(f.captions()[2].size() <= 8192);           // the capped second line
    QCOMPARE(f.captions()[3], QStringLiteral("履歴３")); // nothing more was there to read
}

void TestHistory::twoWindows_data()
{
    // Both windows start on the same file; the other one ("B") goes to /q
    // and closes first, then this one ("A"), which went to /p, closes.
    QTest::addColumn<bool>("otherSaves");      // B's save option
    QTest::addColumn<bool>("otherCloses");     // false: B never wrote
    QTest::addColumn<bool>("thisSaves");       // A's save option
    QTest::addColumn<QStringList>("expected"); // the file's ten slots and line 11
    const QStringList placeholders = designSlots();
    QTest::newRow("B saved since: its folder stays, below A's")
        << true << true << true
        << QStringList{QStringLiteral("/p"), QStringLiteral("/"), QStringLiteral("/q"), QStringLiteral("/x"),
                       QStringLiteral("/y"), QStringLiteral("/z")}
               + placeholders.mid(6) + QStringList{QStringLiteral("True")};
    QTest::newRow("B saved no history: A keeps its own")
        << false << true << true
        << QStringList{QStringLiteral("/p"), QStringLiteral("/"), QStringLiteral("/x"), QStringLiteral("/y"),
                       QStringLiteral("/z")}
               + placeholders.mid(5) + QStringList{QStringLiteral("True")};
    // The placeholders move down with the entries, as they do for one window.
    QTest::newRow("nobody else saved: as one window writes")
        << true << false << true
        << QStringList{QStringLiteral("/p"), QStringLiteral("/"), QStringLiteral("/x"), QStringLiteral("/y"),
                       QStringLiteral("/z")}
               + placeholders.mid(3, 5) + QStringList{QStringLiteral("True")};
    QTest::newRow("A saves no history, whatever B saved")
        << true << true << false << QStringList(10, QStringLiteral("履歴なし")) + QStringList{QStringLiteral("False")};
}

void TestHistory::twoWindows()
{
    QFETCH(bool, otherSaves);
    QFETCH(bool, otherCloses);
    QFETCH(bool, thisSaves);
    QFETCH(QStringList, expected);
    const QByteArray start = cp932File({QStringLiteral("/x"), QStringLiteral("/y"), QStringLiteral("/z")});
    Fixture a;
    Fixture b;
    for (Fixture *f : {&a, &b}) {
        f->host.files[f->rirekiPath()].bytes = start;
        f->host.folders = {QStringLiteral("/p"), QStringLiteral("/q")};
        f->form.Form_Load();
    }
    QVERIFY(a.host.dir1().setPath(QStringLiteral("/p")));
    QVERIFY(b.host.dir1().setPath(QStringLiteral("/q")));
    if (!otherSaves)
        b.form.Save_Rireki_Click();
    if (!thisSaves)
        a.form.Save_Rireki_Click();
    if (otherCloses) {
        b.form.Form_Unload();
        a.host.files = b.host.files;
    }
    a.form.Form_Unload();
    QCOMPARE(history::parseRirekiFile(a.host.fileBytes(a.rirekiPath())), expected);
    // The file is read again and replaced under the lock.
    const qsizetype locked = a.host.log.indexOf(QStringLiteral("lock ") + a.rirekiPath());
    QVERIFY(locked >= 0 && locked < a.host.log.indexOf(QStringLiteral("write ") + a.rirekiPath()));
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
