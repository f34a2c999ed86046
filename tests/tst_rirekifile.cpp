// The history file's bytes: code page 932 both ways, a file as a Japanese
// Windows system writes it, and the UTF-8 fallback.

#include "history/cp932.h"
#include "history/rirekifile.h"
#include "fuzz/rirekiinvariants.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace history;

class TestRirekiFile : public QObject
{
    Q_OBJECT
private slots:
    void cp932RoundTrip_data();
    void cp932RoundTrip();
    void invalidBytesDecodeToReplacement();
    void windowsFileReadsAndWritesBackByteForByte();
    void fallbackRoundTrip_data();
    void fallbackRoundTrip();
    void longLineIsCut();
    void hostileFiles_data();
    void hostileFiles();
};

void TestRirekiFile::cp932RoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // empty: cannot be carried
    QTest::newRow("ASCII") << QStringLiteral("/home/user/a b") << QByteArray("/home/user/a b");
    QTest::newRow("backslash stays 5C") << QStringLiteral("C:\\x") << QByteArray("C:\\x");
    QTest::newRow("tilde stays 7E") << QStringLiteral("~") << QByteArray("~");
    QTest::newRow("kana and kanji") << QStringLiteral("履歴なし") << QByteArray("\x97\x9A\x97\xF0\x82\xC8\x82\xB5");
    QTest::newRow("trail byte 5C") << QStringLiteral("ソ表") << QByteArray("\x83\x5C\x95\x5C");
    QTest::newRow("half-width kana") << QStringLiteral("ｱ") << QByteArray("\xB1");
    QTest::newRow("NEC special: circled 1") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
    // These share a code with another character, so they would come back changed.
    QTest::newRow("wave dash") << QStringLiteral("〜") << QByteArray();
    QTest::newRow("double vertical line") << QStringLiteral("‖") << QByteArray();
    QTest::newRow("minus sign") << QStringLiteral("−") << QByteArray();
    QTest::newRow("not in the code page") << QStringLiteral("🐢") << QByteArray();
    QTest::newRow("accented Latin") << QStringLiteral("café") << QByteArray();
}

void TestRirekiFile::cp932RoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> encoded = encodeCp932(text);
    if (bytes.isEmpty()) {
        QVERIFY2(!encoded, encoded ? encoded->toHex().constData() : "");
        return;
    }
    QVERIFY(encoded);
    QCOMPARE(*encoded, bytes);
    QCOMPARE(decodeCp932(bytes), text);
}

void TestRirekiFile::invalidBytesDecodeToReplacement()
{
    // A lead byte with nothing after it, and a byte no code starts with.
    QCOMPARE(decodeCp932(QByteArray("a\x82")), QStringLiteral("a\uFFFD"));
    QCOMPARE(decodeCp932(QByteArray("\xA0z")), QStringLiteral("\uFFFDz"));
    QCOMPARE(decodeCp932(QByteArray("a\x1A")), QStringLiteral("a\u001A")); // a real control character stays
}

void TestRirekiFile::windowsFileReadsAndWritesBackByteForByte()
{
    QFile fixture(QFINDTESTDATA("data/Rireki-windows.dat"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    const QByteArray bytes = fixture.readAll();
    const QStringList lines = parseRirekiFile(bytes);
    QCOMPARE(lines.size(), RirekiLineCount);
    QCOMPARE(lines[0], QStringLiteral("C:\\Users\\田中\\Pictures\\ソフト"));
    QCOMPARE(lines[1], QStringLiteral("D:\\"));
    QCOMPARE(lines[2], QStringLiteral("C:\\写真\\表示 2024"));
    QCOMPARE(lines[3], QStringLiteral("\\\\server\\共有\\①Ⅱ～"));
    QCOMPARE(lines[6], QStringLiteral("履歴なし"));
    QCOMPARE(lines[10], QStringLiteral("True"));
    QCOMPARE(formatRirekiFile(lines), bytes);
}

void TestRirekiFile::fallbackRoundTrip_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("emoji") << QStringLiteral("/home/u/🐢");
    QTest::newRow("wave dash") << QStringLiteral("/写真/10〜12月");
    QTest::newRow("accents") << QStringLiteral("/home/u/Café");
    QTest::newRow("starts like a mark in code page 932") << QStringLiteral("\u00EF\u00BB\u00BF");
    QTest::newRow("starts with U+FEFF itself") << QStringLiteral("\uFEFF/写真");
    QTest::newRow("a folder whose bytes are not UTF-8") << platform::decodePath("/home/u/bad\xFF\xFE");
}

void TestRirekiFile::fallbackRoundTrip()
{
    QFETCH(QString, line);
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines.append(QStringLiteral("/履歴/%1").arg(i));
    lines[3] = line;
    lines.append(QStringLiteral("True"));
    const QByteArray bytes = formatRirekiFile(lines);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\nTrue\r\n"));
    QCOMPARE(bytes.count("\r\n"), RirekiLineCount);
    QCOMPARE(parseRirekiFile(bytes), lines);
}

void TestRirekiFile::longLineIsCut()
{
    const QByteArray longLine(MaxRirekiLineBytes + 100, 'a');
    const QStringList lines = parseRirekiFile(longLine + "\r\n/next\r\n");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), MaxRirekiLineBytes);
    QCOMPARE(lines[1], QStringLiteral("/next"));
}

void TestRirekiFile::hostileFiles_data()
{
    // The fuzz target's seed corpus: each file read, and read as eleven lines
    // written and read back.
    QTest::addColumn<QString>("file");
    const QDir corpus(QFINDTESTDATA("data/rireki-hostile"));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void TestRirekiFile::hostileFiles()
{
    QFETCH(QString, file);
    QFile hostile(file);
    QVERIFY(hostile.open(QIODevice::ReadOnly));
    const QByteArray bytes = hostile.readAll();
    QCOMPARE(rirekiinvariants::readerViolation(bytes), QString());
    QCOMPARE(rirekiinvariants::roundTripViolation(rirekiinvariants::linesOf(bytes)), QString());
}

QTEST_GUILESS_MAIN(TestRirekiFile)
#include "tst_rirekifile.moc"
