// The folder room alone (Qt Core only): patterns, natural order, folder
// contents as the lists take them.

#include "folders/folders.h"
#include "folders/naturalorder.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace folders;

class TestFolders : public QObject
{
    Q_OBJECT
private slots:
    void patterns_data();
    void patterns();
    void naturalOrderIsTheCollators_data();
    void naturalOrderIsTheCollators();
    void contentsAndCache();
};

void TestFolders::patterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("letter case ignored") << QStringLiteral("*.Jpeg") << QStringLiteral("A.JPEG") << true;
    QTest::newRow("star spans dots") << QStringLiteral("*1*") << QStringLiteral("img10.png") << true;
    QTest::newRow("question mark is one character") << QStringLiteral("img?.png") << QStringLiteral("img10.png") << false;
    QTest::newRow("trailing star matches nothing") << QStringLiteral("a*") << QStringLiteral("a") << true;
    QTest::newRow("trailing stars match nothing") << QStringLiteral("a**") << QStringLiteral("a") << true;
    QTest::newRow("star then a letter needs it") << QStringLiteral("a*b") << QStringLiteral("a") << false;
    QTest::newRow("brackets stand for themselves") << QStringLiteral("p[1].jpg") << QStringLiteral("p1.jpg") << false;
    QTest::newRow("several, spaces trimmed") << QStringLiteral("*.txt; *.bmp") << QStringLiteral("x.bmp") << true;
    QTest::newRow("empty matches nothing") << QString() << QStringLiteral("x") << false;
    QTest::newRow("beyond ASCII, case folded") << QStringLiteral("*.ÉTÉ") << QStringLiteral("photo.été") << true;
}

void TestFolders::patterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(FilePattern(pattern).matches(name), matches);
}

void TestFolders::naturalOrderIsTheCollators_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("alphabet");
    const QString ascii = QStringLiteral("aAbBzZ09 _-.,;!'()[]{}@&#%+=~$^`");
    QTest::newRow("English, plain ASCII names (fast path)") << QStringLiteral("en_US") << ascii;
    QTest::newRow("Japanese, plain ASCII names (fast path)") << QStringLiteral("ja_JP") << ascii;
    QTest::newRow("C locale sorts as English") << QStringLiteral("C") << ascii;
    QTest::newRow("Danish: aa is a letter of its own") << QStringLiteral("da_DK") << QStringLiteral("aAbBzZ09_-.");
    QTest::newRow("names beyond ASCII") << QStringLiteral("en_US") << QStringLiteral("aAéÉ写真09_-.");
}

void TestFolders::naturalOrderIsTheCollators()
{
    // Thousands of random names sorted as the file list sorts them, and by the
    // collator itself: both stable, so any comparison that differs shows.
    QFETCH(QString, locale);
    QFETCH(QString, alphabet);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    QRandomGenerator random(932);
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        QString name;
        const int length = 1 + int(random.bounded(8u));
        for (int k = 0; k < length; ++k)
            name += alphabet.at(random.bounded(int(alphabet.size())));
        names.append(name);
    }
    QStringList expected = names;
    const QCollator collator = naturalCollator();
    std::stable_sort(expected.begin(), expected.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    sortNaturally(names);
    QLocale::setDefault(previous);
    QCOMPARE(names, expected);
}

void TestFolders::contentsAndCache()
{
    // Hidden names left out, files and folders apart, natural order; the
    // cache reads a folder again once it has changed.
    QTemporaryDir dir;
    for (const char *name : {"img10.png", "img2.png", ".hidden.png"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    FolderCache cache;
    const auto first = cache.read(dir.path());
    QVERIFY(first);
    QCOMPARE(first->files, (QStringList{QStringLiteral("img2.png"), QStringLiteral("img10.png")}));
    QCOMPARE(first->subfolders, QStringList{QStringLiteral("sub")});
    QCOMPARE(cache.read(dir.path()), first); // unchanged: the same reading
    QFile added(dir.filePath(QStringLiteral("img1.png")));
    QVERIFY(added.open(QIODevice::WriteOnly));
    added.close();
    const auto second = cache.read(dir.path());
    QCOMPARE(second->files.first(), QStringLiteral("img1.png"));
    QVERIFY(!cache.read(dir.filePath(QStringLiteral("missing"))));
}

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
