// The folder room alone (Qt Core only): patterns, natural order, folder
// contents as the lists take them.

#include "folders/folders.h"
#include "folders/markfilter.h"
#include "folders/naturalorder.h"
#include "folders/pairs.h"
#include "folders/sortorder.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QTimeZone>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void pathsKeepTheirBytes_data();
    void pathsKeepTheirBytes();
    void folderNamedInRawBytes();
    void sortOrders_data();
    void sortOrders();
    void sortOrderNames();
    void markFilters_data();
    void markFilters();
    void pairsAsOne_data();
    void pairsAsOne();
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

void TestFolders::pathsKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("raw"); // holds bytes that are not UTF-8
    QTest::newRow("ASCII") << QByteArray("/home/u/a.png") << false;
    QTest::newRow("Japanese") << QByteArray("/写真/2026年") << false;
    QTest::newRow("beyond the basic plane") << QByteArray("/\xF0\x9F\x90\xA2") << false;
    QTest::newRow("starts with a byte-order mark") << QByteArray("\xEF\xBB\xBF/a") << false;
    QTest::newRow("Latin-1 bytes") << QByteArray("/bad\xFF\xFE") << true;
    QTest::newRow("lone continuation") << QByteArray("/a\x80" "b") << true;
    QTest::newRow("overlong slash") << QByteArray("/\xC0\xAF") << true;
    QTest::newRow("encoded surrogate") << QByteArray("/\xED\xB2\x80") << true;
    QTest::newRow("cut short") << QByteArray("/\xE3\x81") << true;
    QTest::newRow("past U+10FFFF") << QByteArray("/\xF4\x90\x80\x80") << true;
    QTest::newRow("raw after a surrogate pair") << QByteArray("/\xF0\x90\x82\x80\xFF") << true;
    QTest::newRow("Shift_JIS name") << QByteArray("/\x8E\xCA\x90\x5E") << true;
}

void TestFolders::pathsKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, raw);
    const QString path = platform::decodePath(bytes);
    QCOMPARE(platform::encodePath(path), bytes);
    QCOMPARE(platform::keepsRawBytes(path), raw);
    if (!raw) // the same text as Qt's own, a leading U+FEFF included
        QCOMPARE(path, QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)(bytes));
}

void TestFolders::folderNamedInRawBytes()
{
    // A folder and a file whose names are not UTF-8 are listed, entered and
    // found by the names the lists give them.
    QTemporaryDir dir;
    const QByteArray folderBytes = QFile::encodeName(dir.path()) + "/bad\xFF\xFE";
    const QByteArray fileBytes = folderBytes + "/p\x8E\xCA.png";
    QCOMPARE(::mkdir(folderBytes.constData(), 0755), 0);
    // Qt could not remove them.
    const auto removeThem = qScopeGuard([&] {
        ::unlink(fileBytes.constData());
        ::rmdir(folderBytes.constData());
    });
    const int fd = ::open(fileBytes.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    const std::shared_ptr<const FolderContents> parent = readFolder(dir.path());
    QVERIFY(parent);
    QCOMPARE(parent->subfolders.size(), 1);
    const QString folder = platform::joinFolder(dir.path(), parent->subfolders.first());
    QCOMPARE(platform::encodePath(folder), folderBytes);
    QCOMPARE(existingFolder(folder), std::optional<QString>(folder));
    const std::shared_ptr<const FolderContents> contents = readFolder(folder);
    QVERIFY(contents);
    QCOMPARE(contents->files.size(), 1);
    const QString file = platform::joinFolder(folder, contents->files.first());
    QVERIFY(platform::isRegularFile(file));
    QFile opened;
    QVERIFY(platform::openForReading(opened, file));
}

void TestFolders::sortOrders_data()
{
    // Five files in natural order: their sizes, modification times (days
    // into 2024) and dates taken (days, or none); "gone" is listed but no
    // longer there, and goes last. Ties keep the natural order, reversed or not.
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("expected");
    const auto names = [](std::initializer_list<const char *> list) {
        QStringList out;
        for (const char *name : list)
            out.append(QString::fromLatin1(name));
        return out;
    };
    QTest::newRow("name") << QStringLiteral("name") << names({"a.jpg", "b.jpg", "gone.jpg", "img2.jpg", "img10.jpg"});
    QTest::newRow("name, reversed") << QStringLiteral("name-reversed")
                                    << names({"img10.jpg", "img2.jpg", "gone.jpg", "b.jpg", "a.jpg"});
    // img10 has no date: its modification time (day 5) puts it between.
    QTest::newRow("taken, a file without a date by its time")
        << QStringLiteral("taken") << names({"a.jpg", "b.jpg", "img10.jpg", "img2.jpg", "gone.jpg"});
    QTest::newRow("taken, reversed: ties still by name")
        << QStringLiteral("taken-reversed") << names({"img2.jpg", "img10.jpg", "a.jpg", "b.jpg", "gone.jpg"});
    QTest::newRow("modified") << QStringLiteral("modified")
                              << names({"b.jpg", "img2.jpg", "img10.jpg", "a.jpg", "gone.jpg"});
    QTest::newRow("size, ties by name") << QStringLiteral("size")
                                        << names({"a.jpg", "img10.jpg", "b.jpg", "img2.jpg", "gone.jpg"});
    QTest::newRow("size, reversed") << QStringLiteral("size-reversed")
                                    << names({"b.jpg", "img2.jpg", "a.jpg", "img10.jpg", "gone.jpg"});
}

void TestFolders::sortOrders()
{
    QFETCH(QString, order);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QDateTime start(QDate(2024, 1, 1), QTime(12, 0), QTimeZone::utc());
    struct File
    {
        const char *name;
        int bytes;
        int modifiedDay;
        int takenDay; // -1: none
    };
    const File files[] = {{"img2.jpg", 300, 3, 9}, {"img10.jpg", 100, 5, -1}, {"a.jpg", 100, 7, 1}, {"b.jpg", 300, 1, 1}};
    QHash<QString, qint64> taken;
    for (const File &file : files) {
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(QByteArray(file.bytes, 'x'));
        QVERIFY(written.flush()); // before the time is set, or writing sets it again
        QVERIFY(written.setFileTime(start.addDays(file.modifiedDay), QFileDevice::FileModificationTime));
        written.close();
        if (file.takenDay >= 0)
            taken.insert(path, start.addDays(file.takenDay).toMSecsSinceEpoch());
    }
    QStringList names{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("gone.jpg"),
                      QStringLiteral("img2.jpg"), QStringLiteral("img10.jpg")};
    const SortOrder wanted = sortOrderNamed(order);
    QCOMPARE(sortOrderName(wanted), order);
    sortNames(names, dir.path(), wanted, [&taken](const QString &path) -> std::optional<qint64> {
        return taken.contains(path) ? std::optional(taken.value(path)) : std::nullopt;
    });
    QCOMPARE(names, expected);
}

void TestFolders::sortOrderNames()
{
    // What a settings file may hold that is no order: the name order.
    for (const char *name : {"", "date", "reversed", "-reversed", "size-", "Size"})
        QCOMPARE(sortOrderNamed(QString::fromLatin1(name)), SortOrder{});
    QCOMPARE(sortOrderNamed(QStringLiteral("modified-reversed")), (SortOrder{SortKey::Modified, true}));
}

void TestFolders::markFilters_data()
{
    // Six photos: a.jpg unrated, b.jpg rejected, c.jpg two stars and red,
    // d.jpg five stars and blue, e.jpg not read yet, f.jpg a label of
    // another program's. Each row: the filter, and the names it lists.
    QTest::addColumn<MarkFilter>("filter");
    QTest::addColumn<QString>("listed");
    const auto labels = [](std::initializer_list<marks::Label> list) {
        quint8 bits = 0;
        for (const marks::Label label : list)
            bits |= labelBit(label);
        return bits;
    };
    QTest::newRow("nothing asked: every photo") << MarkFilter{} << QStringLiteral("a b c d e f");
    QTest::newRow("at least one star") << MarkFilter{1, false, false, 0} << QStringLiteral("c d");
    QTest::newRow("at least two stars: two counts") << MarkFilter{2, false, false, 0} << QStringLiteral("c d");
    QTest::newRow("at least three stars") << MarkFilter{3, false, false, 0} << QStringLiteral("d");
    QTest::newRow("unrated: not the rejected one") << MarkFilter{0, true, false, 0} << QStringLiteral("a f");
    // A photo whose marks are not known yet is only hidden for what it lacks.
    QTest::newRow("rejected hidden: the unread one stays") << MarkFilter{0, false, true, 0}
                                                           << QStringLiteral("a c d e f");
    QTest::newRow("red") << MarkFilter{0, false, false, labels({marks::Label::Red})} << QStringLiteral("c");
    QTest::newRow("red or blue") << MarkFilter{0, false, false, labels({marks::Label::Red, marks::Label::Blue})}
                                 << QStringLiteral("c d");
    QTest::newRow("red or blue, three stars: both must hold")
        << MarkFilter{3, false, false, labels({marks::Label::Red, marks::Label::Blue})} << QStringLiteral("d");
    QTest::newRow("green: nobody") << MarkFilter{0, false, false, labels({marks::Label::Green})} << QString();
}

void TestFolders::markFilters()
{
    QFETCH(MarkFilter, filter);
    QFETCH(QString, listed);
    const QHash<QString, marks::Marks> known{
        {QStringLiteral("/p/a.jpg"), {0, marks::Label::None}},
        {QStringLiteral("/p/b.jpg"), {marks::Rejected, marks::Label::None}},
        {QStringLiteral("/p/c.jpg"), {2, marks::Label::Red}},
        {QStringLiteral("/p/d.jpg"), {5, marks::Label::Blue}},
        {QStringLiteral("/p/f.jpg"), {0, marks::Label::Other}},
    };
    const MarksOf marksOf = [&known](const QString &path) -> std::optional<marks::Marks> {
        if (!known.contains(path))
            return std::nullopt;
        return known.value(path);
    };
    QStringList names;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"})
        names.append(QString::fromLatin1(name));
    QStringList kept = names;
    filterByMarks(kept, QStringLiteral("/p"), filter, marksOf);
    for (QString &name : kept)
        name.chop(4);
    QCOMPARE(kept.join(QLatin1Char(' ')), listed);
    // A file asked for by name is listed whatever its marks.
    kept = names;
    filterByMarks(kept, QStringLiteral("/p"), filter, marksOf, QStringLiteral("b.jpg"));
    QVERIFY(kept.contains(QStringLiteral("b.jpg")));
}

void TestFolders::pairsAsOne_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<bool>("showRaw");
    QTest::addColumn<QString>("listed");
    QTest::newRow("the JPEG stands for its RAW")
        << QStringLiteral("IMG_1.CR2 IMG_1.JPG IMG_2.JPG IMG_3.NEF") << false << QStringLiteral("IMG_1.JPG IMG_2.JPG IMG_3.NEF");
    QTest::newRow("the RAW stands for its JPEG")
        << QStringLiteral("IMG_1.CR2 IMG_1.JPG IMG_2.JPG IMG_3.NEF") << true << QStringLiteral("IMG_1.CR2 IMG_2.JPG IMG_3.NEF");
    QTest::newRow("a phone's DNG and HEIC") << QStringLiteral("IMG_4.DNG IMG_4.HEIC") << false << QStringLiteral("IMG_4.HEIC");
    // Stems are compared as they are: another letter case is another photo.
    QTest::newRow("stems of another case") << QStringLiteral("img_5.cr2 IMG_5.JPG") << false
                                           << QStringLiteral("img_5.cr2 IMG_5.JPG");
    QTest::newRow("two processed photos of one stem both stay, the RAW goes")
        << QStringLiteral("a.arw a.heic a.jpg") << false << QStringLiteral("a.heic a.jpg");
    QTest::newRow("nothing paired") << QStringLiteral("a.png b.gif") << true << QStringLiteral("a.png b.gif");
}

void TestFolders::pairsAsOne()
{
    QFETCH(QString, names);
    QFETCH(bool, showRaw);
    QFETCH(QString, listed);
    QStringList list = names.split(QLatin1Char(' '));
    joinPairs(list, showRaw ? PairShows::Raw : PairShows::Processed);
    QCOMPARE(list.join(QLatin1Char(' ')), listed);
}

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
