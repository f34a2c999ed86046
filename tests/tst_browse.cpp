// Following the drive and folder lists, and the status line of a chosen file.

#include "browse/filedisplay.h"
#include "fixture.h"

#include <QTest>

class TestBrowse : public QObject
{
    Q_OBJECT
private slots:
    void sizeText_data();
    void sizeText();
    void dateText_data();
    void dateText();
    void chainDriveFolderFilesHistory();
    void failingDriveChangesNothingElse();
    void fileClick_data();
    void fileClick();
    void vanishedFileLeavesNothingStale();
};

void TestBrowse::sizeText_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    const QString c = QStringLiteral("C");
    QTest::newRow("0") << qint64(0) << c << QStringLiteral("0 バイト");
    QTest::newRow("1023") << qint64(1023) << c << QStringLiteral("1023 バイト");
    QTest::newRow("1024 whole, no point") << qint64(1024) << c << QStringLiteral("1 KB");
    QTest::newRow("1126 is 1.09: cut to 1") << qint64(1126) << c << QStringLiteral("1 KB");
    QTest::newRow("1127 is 1.1") << qint64(1127) << c << QStringLiteral("1.1 KB");
    QTest::newRow("1535 cut, not rounded") << qint64(1535) << c << QStringLiteral("1.4 KB");
    QTest::newRow("102399") << qint64(102399) << c << QStringLiteral("99.9 KB");
    QTest::newRow("102400") << qint64(102400) << c << QStringLiteral("100 KB");
    QTest::newRow("1048575 cut") << qint64(1048575) << c << QStringLiteral("1023 KB");
    QTest::newRow("1048576") << qint64(1048576) << c << QStringLiteral("1024 KB");
    QTest::newRow("2 GiB - 1") << qint64(2147483647) << c << QStringLiteral("2097151 KB");
    QTest::newRow("2 GiB") << qint64(2147483648LL) << c << QStringLiteral("2097152 KB");
    QTest::newRow("5 GiB") << qint64(5368709120LL) << c << QStringLiteral("5242880 KB");
    QTest::newRow("German decimal comma") << qint64(1535) << QStringLiteral("de_DE") << QStringLiteral("1,4 KB");
    QTest::newRow("no grouping in bytes") << qint64(1000) << QStringLiteral("en_US") << QStringLiteral("1000 バイト");
    QTest::newRow("no grouping in KB") << qint64(5368709120LL) << QStringLiteral("de_DE")
                                       << QStringLiteral("5242880 KB");
}

void TestBrowse::sizeText()
{
    QFETCH(qint64, length);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QCOMPARE(browse::Size_Text(length, QLocale(locale)), text);
}

void TestBrowse::dateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    const QDate day(2026, 12, 7);
    QTest::newRow("ja, afternoon") << QStringLiteral("ja_JP") << QDateTime(day, QTime(15, 4, 5))
                                   << QStringLiteral("2026/12/07 15:04:05");
    QTest::newRow("ja, early hour") << QStringLiteral("ja_JP") << QDateTime(day, QTime(3, 4, 5))
                                    << QStringLiteral("2026/12/07 3:04:05");
    QTest::newRow("ja, midnight") << QStringLiteral("ja_JP") << QDateTime(day, QTime(0, 0, 0))
                                  << QStringLiteral("2026/12/07");
    QTest::newRow("ja, one second past midnight") << QStringLiteral("ja_JP") << QDateTime(day, QTime(0, 0, 1))
                                                  << QStringLiteral("2026/12/07 0:00:01");
    QTest::newRow("ja, midnight with milliseconds") << QStringLiteral("ja_JP") << QDateTime(day, QTime(0, 0, 0, 500))
                                                    << QStringLiteral("2026/12/07");
    QTest::newRow("de, 24 hours and dots") << QStringLiteral("de_DE") << QDateTime(day, QTime(15, 4, 5))
                                           << QStringLiteral("07.12.26 15:04:05");
    QTest::newRow("de, midnight") << QStringLiteral("de_DE") << QDateTime(day, QTime(0, 0))
                                  << QStringLiteral("07.12.26");
    QTest::newRow("en_US, AM/PM after the seconds")
        << QStringLiteral("en_US") << QDateTime(day, QTime(15, 4, 5)) << QStringLiteral("12/7/26 3:04:05 PM");
    QTest::newRow("C locale: ISO date") << QStringLiteral("C") << QDateTime(day, QTime(3, 4, 5))
                                        << QStringLiteral("2026-12-07 3:04:05");
    QTest::newRow("C locale, midnight") << QStringLiteral("C") << QDateTime(day, QTime(0, 0))
                                        << QStringLiteral("2026-12-07");
    QTest::newRow("fi, the locale's own separator") << QStringLiteral("fi_FI") << QDateTime(day, QTime(15, 4, 5))
                                                    << QStringLiteral("7.12.2026 15.04.05");
}

void TestBrowse::dateText()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(browse::dateText(when, QLocale(locale)), text);
}

void TestBrowse::chainDriveFolderFilesHistory()
{
    Fixture f;
    f.host.folders = {QStringLiteral("/"), QStringLiteral("/media/usb/photos"), QStringLiteral("/home/u")};
    f.host.dirPath = QStringLiteral("/home/u");
    f.form.Form_Load();
    f.host.drive = QStringLiteral("/media/usb/photos");
    f.form.Drive1_Change();
    QCOMPARE(f.host.dirPath, QStringLiteral("/media/usb/photos"));
    QCOMPARE(f.host.filePath, QStringLiteral("/media/usb/photos"));
    QCOMPARE(f.captions().mid(0, 3),
             (QStringList{QStringLiteral("/media/usb/photos"), QStringLiteral("/home/u"), QStringLiteral("履歴１")}));
    QVERIFY(!f.host.log.contains(QStringLiteral("beep")));

    // Back to a folder already in the history: moved, not added again.
    QVERIFY(f.host.dir1().setPath(QStringLiteral("/home/u")));
    QCOMPARE(f.captions().mid(0, 3), (QStringList{QStringLiteral("/home/u"), QStringLiteral("/media/usb/photos"),
                                                QStringLiteral("履歴１")}));
}

void TestBrowse::failingDriveChangesNothingElse()
{
    Fixture f;
    f.host.folders = {QStringLiteral("/"), QStringLiteral("/home/u")};
    f.host.dirPath = QStringLiteral("/home/u");
    f.host.filePath = QStringLiteral("/home/u");
    f.form.Form_Load();
    f.host.panelText = QStringLiteral("2026/12/07 - 1 KB");
    const QStringList before = f.captions();
    f.host.log.clear();
    f.host.drive = QStringLiteral("/media/cdrom");
    f.form.Drive1_Change();
    // Heard by a screen reader through the alert, not through the text box.
    QCOMPARE(f.host.log, (QStringList{QStringLiteral("beep"), QStringLiteral("alert 読み込みに失敗しました。")}));
    QCOMPARE(f.host.text, QStringLiteral("読み込みに失敗しました。"));
    QCOMPARE(f.host.dirPath, QStringLiteral("/home/u"));
    QCOMPARE(f.host.filePath, QStringLiteral("/home/u"));
    QCOMPARE(f.host.panelText, QStringLiteral("2026/12/07 - 1 KB"));
    QCOMPARE(f.captions(), before);
}

void TestBrowse::fileClick_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("filePath"); // empty: as the folder list set it
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fullPath");
    QTest::newRow("in a folder") << QStringLiteral("/home/u") << QString() << QStringLiteral("a.jpg")
                                 << QStringLiteral("/home/u/a.jpg");
    QTest::newRow("at the root: one separator") << QStringLiteral("/") << QString() << QStringLiteral("a.jpg")
                                                << QStringLiteral("/a.jpg");
    QTest::newRow("odd characters kept") << QStringLiteral("/写真") << QString() << QStringLiteral("a #1 %20?.png")
                                         << QStringLiteral("/写真/a #1 %20?.png");
    // The root test reads the folder list, the join uses the file list.
    QTest::newRow("root test on the folder list's path")
        << QStringLiteral("/") << QStringLiteral("/mnt") << QStringLiteral("a.jpg") << QStringLiteral("/mnta.jpg");
    QTest::newRow("separator decided by the folder list, not the file list")
        << QStringLiteral("/home") << QStringLiteral("/") << QStringLiteral("a.jpg") << QStringLiteral("//a.jpg");
}

void TestBrowse::fileClick()
{
    QFETCH(QString, folder);
    QFETCH(QString, filePath);
    QFETCH(QString, name);
    QFETCH(QString, fullPath);
    Fixture f;
    f.host.folders.insert(folder);
    QVERIFY(f.host.dir1().setPath(folder));
    if (!filePath.isEmpty())
        f.host.filePath = filePath;
    f.host.fileName = name;
    f.host.files[fullPath] = {QByteArray(), 1535, QDateTime(QDate(2026, 12, 7), QTime(3, 4, 5))};
    f.host.log.clear();
    f.form.File1_Click();
    QCOMPARE(f.host.text, fullPath);
    QCOMPARE(f.host.log, QStringList{QStringLiteral("navigate ") + fullPath});
    const QString date = browse::dateText(QDateTime(QDate(2026, 12, 7), QTime(3, 4, 5)));
    QCOMPARE(f.host.panelText, date + QStringLiteral(" - ") + browse::Size_Text(1535));
}

void TestBrowse::vanishedFileLeavesNothingStale()
{
    Fixture f;
    f.host.folders.insert(QStringLiteral("/p"));
    QVERIFY(f.host.dir1().setPath(QStringLiteral("/p")));
    f.host.panelText = QStringLiteral("old date - 3 KB");
    f.host.fileName = QStringLiteral("gone.png");
    f.form.File1_Click();
    QCOMPARE(f.host.text, QStringLiteral("/p/gone.png"));
    QVERIFY(f.host.log.contains(QStringLiteral("navigate /p/gone.png")));
    QCOMPARE(f.host.panelText, QString());
}

QTEST_GUILESS_MAIN(TestBrowse)
#include "tst_browse.moc"
