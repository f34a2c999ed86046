// The history popup and the filter popup, on the fake host.

#include "fixture.h"
#include "history/rireki.h"

#include <QTest>

using host::MenuId;
using host::MenuItemId;

namespace {

const QString Option = QStringLiteral("終了時に履歴を保存する ✓");

std::pair<MenuItemId, int> rireki(int index)
{
    return {MenuItemId::Rireki, index};
}

// Filter(index), or for 0 the newer formats' item.
std::pair<MenuItemId, int> filterItem(int index)
{
    return index == 0 ? std::pair{MenuItemId::OtherFormats, 0} : std::pair{MenuItemId::Filter, index};
}

} // namespace

class TestPopups : public QObject
{
    Q_OBJECT
private slots:
    void historyPopupItems_data();
    void historyPopupItems();
    void otherButtonsOpenNothing_data();
    void otherButtonsOpenNothing();
    void choosingAnEntry_data();
    void choosingAnEntry();
    void entryThatIsGone_data();
    void entryThatIsGone();
    void entryOnAnotherDriveLeavesDriveList();
    void saveOptionToggleReachesTheFile();
    void filterPattern_data();
    void filterPattern();
    void filterPopupItems();
    void freePattern();
    void cancelledFreePattern_data();
    void cancelledFreePattern();
};

void TestPopups::historyPopupItems_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("all placeholders: option only, no separator") << designSlots() << QStringList{Option};
    QStringList mixed = designSlots();
    mixed[4] = QStringLiteral("/five");
    mixed[7] = QString();
    mixed[8] = QStringLiteral("履歴なし");
    QTest::newRow("mixed: real entries in slot order, empty counts as real")
        << mixed << QStringList{QStringLiteral("/five"), QString(), QStringLiteral("-"), Option};
    const QStringList ten = folderNames(QStringLiteral("/d"), 10);
    QTest::newRow("all real") << ten << ten + QStringList{QStringLiteral("-"), Option};
}

void TestPopups::historyPopupItems()
{
    QFETCH(QStringList, captions);
    QFETCH(QStringList, shown);
    Fixture f;
    // Every slot shown at an earlier opening: what is a placeholder now must
    // be hidden again.
    f.setCaptions(folderNames(QStringLiteral("/earlier"), 10));
    f.form.Dir1_MouseDown(host::RightButton, 0, 100, 100);
    f.setCaptions(captions);
    f.form.Dir1_MouseDown(host::RightButton, 0, 100, 100);
    QCOMPARE(f.host.popupsShown.size(), size_t(2));
    QCOMPARE(f.host.popupsShown[1], shown);
    QCOMPARE(f.host.log, QStringList(2, QStringLiteral("popup Menu_Rireki flags 2")));
    // The separator is hidden again once the popup has closed.
    QVERIFY(!f.host.menuItem(MenuItemId::区分線).visible());
}

void TestPopups::otherButtonsOpenNothing_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left") << host::LeftButton;
    QTest::newRow("middle") << host::MiddleButton;
}

void TestPopups::otherButtonsOpenNothing()
{
    QFETCH(int, button);
    Fixture f;
    f.form.Dir1_MouseDown(button, 0, 0, 0);
    f.form.File1_MouseDown(button, 0, 0, 0);
    QVERIFY(f.host.popupsShown.empty());
}

void TestPopups::choosingAnEntry_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("after");
    const QStringList ten = folderNames(QStringLiteral("/d"), 10);
    QTest::newRow("slot 1 keeps the order") << 1 << ten;
    QTest::newRow("slot 5 moves to the top")
        << 5
        << QStringList{QStringLiteral("/d5"), QStringLiteral("/d1"), QStringLiteral("/d2"), QStringLiteral("/d3"),
                       QStringLiteral("/d4")}
               + ten.mid(5);
}

void TestPopups::choosingAnEntry()
{
    QFETCH(int, slot);
    QFETCH(QStringList, after);
    Fixture f;
    const QStringList ten = folderNames(QStringLiteral("/d"), 10);
    for (const QString &folder : ten)
        f.host.folders.insert(folder);
    f.setCaptions(ten);
    f.host.popupChoices.push_back(rireki(slot));
    f.form.Dir1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.dirPath, ten[slot - 1]);
    QCOMPARE(f.host.filePath, ten[slot - 1]);
    QCOMPARE(f.captions(), after);
}

void TestPopups::entryThatIsGone_data()
{
    QTest::addColumn<QString>("caption");
    QTest::newRow("folder removed") << QStringLiteral("/gone");
    QTest::newRow("empty entry") << QString();
}

void TestPopups::entryThatIsGone()
{
    QFETCH(QString, caption);
    Fixture f;
    f.host.folders.insert(QStringLiteral("/here"));
    f.host.dirPath = QStringLiteral("/here");
    QStringList captions = designSlots();
    captions[0] = QStringLiteral("/here");
    captions[2] = caption;
    f.setCaptions(captions);
    f.host.popupChoices.push_back(rireki(3));
    f.form.Dir1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.log.mid(f.host.log.size() - 2),
             (QStringList{QStringLiteral("beep"), QStringLiteral("alert 読み込みに失敗しました。")}));
    QCOMPARE(f.host.text, QStringLiteral("読み込みに失敗しました。"));
    QCOMPARE(f.host.dirPath, QStringLiteral("/here"));
    QCOMPARE(f.captions(), captions);
}

void TestPopups::entryOnAnotherDriveLeavesDriveList()
{
    Fixture f;
    f.host.folders.insert(QStringLiteral("/media/usb/x"));
    f.host.drive = QStringLiteral("/");
    f.form.Form_Load();
    QStringList captions = f.captions();
    captions[1] = QStringLiteral("/media/usb/x");
    f.setCaptions(captions);
    f.host.popupChoices.push_back(rireki(2));
    f.form.Dir1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.filePath, QStringLiteral("/media/usb/x"));
    QCOMPARE(f.host.drive, QStringLiteral("/"));
}

void TestPopups::saveOptionToggleReachesTheFile()
{
    Fixture f;
    f.host.folders.insert(QStringLiteral("/pics"));
    f.host.dirPath = QStringLiteral("/pics");
    f.form.Form_Load();
    f.host.popupChoices.push_back(std::pair{MenuItemId::Save_Rireki, 0});
    f.form.Dir1_MouseDown(host::RightButton, 0, 0, 0);
    QVERIFY(!f.saveOption());
    f.form.Form_Unload();
    QVERIFY(f.host.fileBytes(f.rirekiPath()).endsWith("\x97\x9A\x97\xF0\x82\xC8\x82\xB5\r\nFalse\r\n"));

    // Ticked again: the real slots are written.
    f.host.popupChoices.push_back(std::pair{MenuItemId::Save_Rireki, 0});
    f.form.Dir1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.popupsShown.back().last(), QStringLiteral("終了時に履歴を保存する"));
    QVERIFY(f.saveOption());
    f.form.Form_Unload();
    QVERIFY(f.host.fileBytes(f.rirekiPath()).startsWith("/pics\r\n"));
    QVERIFY(f.host.fileBytes(f.rirekiPath()).endsWith("\r\nTrue\r\n"));
}

void TestPopups::filterPattern_data()
{
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<bool>>("ticks");
    QTest::newRow("untick png") << QList<int>{4} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.bmp")
                                << QList<bool>{true, true, true, false, true};
    QTest::newRow("tick png again: captions, not the start-up *.Jpeg")
        << QList<int>{4, 4} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.png;*.bmp")
        << QList<bool>{true, true, true, true, true};
    QTest::newRow("only 2 and 5 left, in menu order")
        << QList<int>{4, 1, 3} << QStringLiteral("*.jpg;*.bmp") << QList<bool>{false, true, false, false, true};
    QTest::newRow("ticked again in another order keeps menu order")
        << QList<int>{1, 2, 3, 4, 5, 5, 1} << QStringLiteral("*.jpeg;*.bmp")
        << QList<bool>{true, false, false, false, true};
    QTest::newRow("untick the first") << QList<int>{1} << QStringLiteral("*.jpg;*.gif;*.png;*.bmp")
                                      << QList<bool>{false, true, true, true, true};
    QTest::newRow("untick the last") << QList<int>{5} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.png")
                                     << QList<bool>{true, true, true, true, false};
    QTest::newRow("nothing ticked: empty pattern")
        << QList<int>{1, 2, 3, 4, 5} << QString() << QList<bool>{false, false, false, false, false};
    QTest::newRow("one ticked from none") << QList<int>{1, 2, 3, 4, 5, 3} << QStringLiteral("*.gif")
                                          << QList<bool>{false, false, true, false, false};
    // The newer formats (choice 0) come after the ticked five, whatever the order.
    const QString newer = QStringLiteral("*.heic;*.heif;*.avif;*.avifs;*.webp;*.tif;*.tiff;*.jxl;*.svg;*.svgz;"
                                         "*.dng;*.cr2;*.cr3;*.nef;*.nrw;*.arw;*.srf;*.raf;*.orf;*.rw2;*.pef;*.srw;"
                                         "*.kdc;*.3fr;*.iiq;*.erf;*.mrw;*.x3f");
    QTest::newRow("newer formats ticked")
        << QList<int>{0} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.png;*.bmp;") + newer
        << QList<bool>{true, true, true, true, true};
    QTest::newRow("newer formats, then png unticked")
        << QList<int>{0, 4} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.bmp;") + newer
        << QList<bool>{true, true, true, false, true};
    QTest::newRow("newer formats alone") << QList<int>{1, 2, 3, 4, 5, 0} << newer
                                         << QList<bool>{false, false, false, false, false};
    QTest::newRow("newer formats ticked and unticked: the five as specified")
        << QList<int>{0, 0} << QStringLiteral("*.jpeg;*.jpg;*.gif;*.png;*.bmp")
        << QList<bool>{true, true, true, true, true};
}

void TestPopups::filterPattern()
{
    QFETCH(QList<int>, choices);
    QFETCH(QString, pattern);
    QFETCH(QList<bool>, ticks);
    Fixture f;
    f.form.Form_Load();
    QCOMPARE(f.host.filePattern, QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp"));
    for (int index : choices) {
        f.host.popupChoices.push_back(filterItem(index));
        f.form.File1_MouseDown(host::RightButton, 0, 0, 0);
    }
    QCOMPARE(f.host.filePattern, pattern);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(f.host.menuItem(MenuItemId::Filter, i).checked(), ticks[i - 1]);
}

void TestPopups::filterPopupItems()
{
    Fixture f;
    f.form.File1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.popupsShown.at(0),
             (QStringList{QStringLiteral("*.jpeg ✓"), QStringLiteral("*.jpg ✓"), QStringLiteral("*.gif ✓"),
                          QStringLiteral("*.png ✓"), QStringLiteral("*.bmp ✓"), QStringLiteral("その他の画像形式"),
                          QStringLiteral("-"),
                          QStringLiteral("その他...")}));
    QCOMPARE(f.host.log, QStringList{QStringLiteral("popup Menu_Filter flags 2")});
}

void TestPopups::freePattern()
{
    Fixture f;
    f.form.Form_Load();
    f.host.popupChoices.push_back(filterItem(4)); // png unticked first
    f.form.File1_MouseDown(host::RightButton, 0, 0, 0);
    f.host.inputAnswers.push_back(QStringLiteral("*.tif; *.TIFF"));
    f.host.popupChoices.push_back(std::pair{MenuItemId::EtcFilter, 0});
    f.form.File1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.filePattern, QStringLiteral("*.tif; *.TIFF"));
    QVERIFY(f.host.log.contains(
        QStringLiteral("input [Zelvo Viewer] [「*.bmp」などの形で、フィルタを入力して下さい。] []")));
    // The ticks show what they showed before.
    QVERIFY(!f.host.menuItem(MenuItemId::Filter, 4).checked());
    QVERIFY(f.host.menuItem(MenuItemId::Filter, 1).checked());

    // The next tick change replaces the free pattern.
    f.host.popupChoices.push_back(filterItem(4));
    f.form.File1_MouseDown(host::RightButton, 0, 0, 0);
    QCOMPARE(f.host.filePattern, QStringLiteral("*.jpeg;*.jpg;*.gif;*.png;*.bmp"));
}

void TestPopups::cancelledFreePattern_data()
{
    QTest::addColumn<QList<int>>("untick");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("re-applies the ticks") << QList<int>{2} << QStringLiteral("*.jpeg;*.gif;*.png;*.bmp");
    QTest::newRow("no ticks: empty pattern") << QList<int>{1, 2, 3, 4, 5} << QString();
}

void TestPopups::cancelledFreePattern()
{
    QFETCH(QList<int>, untick);
    QFETCH(QString, pattern);
    Fixture f;
    f.form.Form_Load();
    for (int index : untick)
        f.form.Filter_Click(index);
    f.host.inputAnswers.push_back(QStringLiteral("*.tif"));
    f.form.EtcFilter_Click();
    QList<bool> ticks;
    for (int i = 1; i <= 5; ++i)
        ticks.append(f.host.menuItem(MenuItemId::Filter, i).checked());

    f.form.EtcFilter_Click(); // no answer queued: cancelled
    QCOMPARE(f.host.filePattern, pattern);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(f.host.menuItem(MenuItemId::Filter, i).checked(), ticks[i - 1]);
    QVERIFY(!f.host.menuItem(MenuItemId::Filter, 6).visible());
    // "Dummy" took the toggle, and never enters the pattern.
    QVERIFY(f.host.menuItem(MenuItemId::Filter, 6).checked());
    QVERIFY(!f.host.filePattern.contains(QStringLiteral("Dummy")));
}

QTEST_GUILESS_MAIN(TestPopups)
#include "tst_popups.moc"
