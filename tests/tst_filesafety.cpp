// Sorting photos that never claims what it did not do: on real file systems
// (a second file system, a link to it, a full one, a FAT image), each row a
// way an action or its undo could touch a file it should not, or say less
// than the truth. Other programs' view of the trash is checked with
// trash-cli's trash-list, and another program trashes with gio.

#include "fileops/companions.h"
#include "fileops/names.h"
#include "fileops/operations.h"
#include "sandbox.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fileops;

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// What another program that reads the trash lists: trash-cli's trash-list,
// with the test's own data folder. Nullopt when it is not installed.
std::optional<QString> trashList(const QString &dataHome)
{
    if (QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty())
        return std::nullopt;
    QProcess list;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    list.setProcessEnvironment(environment);
    list.start(QStringLiteral("trash-list"), {});
    list.waitForFinished(30000);
    return QString::fromUtf8(list.readAllStandardOutput());
}

// Another program trashing a file, as a file manager does (glib's gio).
bool gioTrash(const QString &path, const QString &dataHome)
{
    QProcess gio;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    gio.setProcessEnvironment(environment);
    gio.start(QStringLiteral("gio"), {QStringLiteral("trash"), path});
    return gio.waitForFinished(30000) && gio.exitStatus() == QProcess::NormalExit && gio.exitCode() == 0;
}

void emptyTrash(const QString &dataHome)
{
    for (const char *part : {"files", "info"}) {
        QDir folder(dataHome + QStringLiteral("/Trash/") + QLatin1String(part));
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
            folder.remove(name);
    }
}

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void undoMovesOnlyWhatItMoved_data();
    void undoMovesOnlyWhatItMoved();
    void trashThroughALinkToAnotherDisk();
    void homeTrashALinkOnTheSameDisk();
    void fullDiskIsSaidSo();
    void namesTheTargetRefuses_data();
    void namesTheTargetRefuses();
    void namesRefusedOnFat();
    void companionsGoAlong_data();
    void companionsGoAlong();
    void copyKilledHalfWayLeavesNoPhoto();

private:
    QString at(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
};

void TestFileSafety::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const char *folder : {"cardA", "cardB", "trip", "photos"})
        QVERIFY(QDir().mkpath(at(QLatin1String(folder))));
    m_data = at(QStringLiteral("data"));
}

void TestFileSafety::undoMovesOnlyWhatItMoved_data()
{
    // What happens between the action and its undo; what the undo must say.
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<int>("failure");
    const int none = int(Failure::None);
    QTest::newRow("trashed, undone") << QStringLiteral("trash") << QString() << none;
    // The trash emptied, and another program trashed another y.jpg: under
    // the name this window remembers lies another photo.
    QTest::newRow("trashed, the trash emptied, another y.jpg trashed by gio")
        << QStringLiteral("trash") << QStringLiteral("gio another") << int(Failure::NotTheSameFile);
    QTest::newRow("trashed, the trash emptied") << QStringLiteral("trash") << QStringLiteral("empty")
                                               << int(Failure::Vanished);
    QTest::newRow("moved, undone") << QStringLiteral("move") << QString() << none;
    QTest::newRow("moved, then another y.jpg put in its place")
        << QStringLiteral("move") << QStringLiteral("replace") << int(Failure::NotTheSameFile);
    QTest::newRow("renamed, then another file given the new name")
        << QStringLiteral("rename") << QStringLiteral("replace") << int(Failure::NotTheSameFile);
    QTest::newRow("copied, then the copy replaced") << QStringLiteral("copy") << QStringLiteral("replace")
                                                    << int(Failure::NotTheSameFile);
}

void TestFileSafety::undoMovesOnlyWhatItMoved()
{
    QFETCH(QString, action);
    QFETCH(QString, meanwhile);
    QFETCH(int, failure);
    const QString photo = at(QStringLiteral("cardA/y.jpg"));
    QVERIFY(write(photo, "cardA's y"));
    Operations operations(m_data);
    Outcome done;
    if (action == QStringLiteral("trash"))
        done = operations.trash(photo);
    else if (action == QStringLiteral("move"))
        done = operations.move(photo, at(QStringLiteral("trip")));
    else if (action == QStringLiteral("copy"))
        done = operations.copy(photo, at(QStringLiteral("trip")));
    else
        done = operations.rename(photo, QStringLiteral("z.jpg"));
    QVERIFY(done.ok());
    if (meanwhile == QStringLiteral("empty") || meanwhile == QStringLiteral("gio another"))
        emptyTrash(m_data);
    if (meanwhile == QStringLiteral("gio another")) {
        QVERIFY(write(at(QStringLiteral("cardB/y.jpg")), "cardB's y"));
        if (!gioTrash(at(QStringLiteral("cardB/y.jpg")), m_data))
            QSKIP("gio is not installed");
        QCOMPARE(read(done.path), QByteArray("cardB's y"));
    }
    if (meanwhile == QStringLiteral("replace")) {
        // Another file of the same name, renamed over it by another program.
        QVERIFY(write(done.path + QStringLiteral(".new"), "another"));
        QVERIFY(::rename(QFile::encodeName(done.path + QStringLiteral(".new")).constData(),
                         QFile::encodeName(done.path).constData())
                == 0);
    }
    const std::optional<Undone> undone = operations.undo();
    QVERIFY(undone);
    QCOMPARE(int(undone->outcome.failure), failure);
    if (failure == int(Failure::None)) {
        QCOMPARE(read(photo), QByteArray("cardA's y"));
        return;
    }
    // Refused: every file stays where it is, the other photo above all.
    if (action != QStringLiteral("copy"))
        QVERIFY(!QFile::exists(photo));
    if (meanwhile == QStringLiteral("gio another")) {
        QCOMPARE(read(done.path), QByteArray("cardB's y"));
        if (const std::optional<QString> listed = trashList(m_data))
            QVERIFY2(listed->contains(at(QStringLiteral("cardB/y.jpg"))), qPrintable(*listed));
    }
    if (meanwhile == QStringLiteral("replace"))
        QCOMPARE(read(done.path), QByteArray("another"));
}

void TestFileSafety::trashThroughALinkToAnotherDisk()
{
    // ~/Pictures a link to a second disk: the photo goes to that disk's own
    // trash, where other programs look, with its path from that disk's top.
    const QString disk = at(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    const QString pictures = at(QStringLiteral("Pictures"));
    // 0 as expected; 1 not trashed; 2 in the wrong trash; 3 its information
    // wrong; 4 not listed by trash-list; 5 not back.
    const int outcome = sandbox::withSmallFileSystem(QFile::encodeName(disk).constData(), 4096, [&] {
        QDir().mkpath(disk + QStringLiteral("/album"));
        if (::symlink(QFile::encodeName(disk + QStringLiteral("/album")).constData(), QFile::encodeName(pictures).constData())
            != 0)
            return 1;
        const QString photo = pictures + QStringLiteral("/c.jpg");
        write(photo, "c");
        Operations operations(m_data);
        const Outcome trashed = operations.trash(photo);
        const QString trash = disk + QStringLiteral("/.Trash-") + QString::number(::getuid());
        if (!trashed.ok())
            return 1;
        if (trashed.path != trash + QStringLiteral("/files/c.jpg") || QFileInfo::exists(pictures + QStringLiteral("/.Trash-") + QString::number(::getuid())))
            return 2;
        if (!read(trash + QStringLiteral("/info/c.jpg.trashinfo")).startsWith("[Trash Info]\nPath=album/c.jpg\n"))
            return 3;
        if (const std::optional<QString> listed = trashList(m_data); listed && !listed->contains(disk + QStringLiteral("/album/c.jpg")))
            return 4;
        const std::optional<Undone> undone = operations.undo();
        return undone && undone->outcome.ok() && read(photo) == "c" ? 0 : 5;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestFileSafety::homeTrashALinkOnTheSameDisk()
{
    // The user moved the trash and left a link: it is used, not refused.
    const QString moved = at(QStringLiteral("mytrash"));
    QVERIFY(QDir().mkpath(moved));
    QVERIFY(QDir().mkpath(m_data));
    QCOMPARE(::symlink(QFile::encodeName(moved).constData(), QFile::encodeName(m_data + QStringLiteral("/Trash")).constData()), 0);
    const QString photo = at(QStringLiteral("photos/d.jpg"));
    QVERIFY(write(photo, "d"));
    Operations operations(m_data);
    const Outcome trashed = operations.trash(photo);
    QCOMPARE(trashed.failure, Failure::None);
    QCOMPARE(read(moved + QStringLiteral("/files/d.jpg")), QByteArray("d"));
    QVERIFY(read(moved + QStringLiteral("/info/d.jpg.trashinfo")).startsWith("[Trash Info]\nPath="));
    QVERIFY(operations.undo()->outcome.ok());
    QCOMPARE(read(photo), QByteArray("d"));
}

void TestFileSafety::fullDiskIsSaidSo()
{
    // A full disk whose trash is there: "no room", never "no trash".
    const QString disk = at(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    const int outcome = sandbox::withSmallFileSystem(QFile::encodeName(disk).constData(), 64, [&] {
        const QString trash = disk + QStringLiteral("/.Trash-") + QString::number(::getuid());
        for (const QString &folder : {trash + QStringLiteral("/files"), trash + QStringLiteral("/info")})
            QDir().mkpath(folder);
        ::chmod(QFile::encodeName(trash).constData(), 0700);
        const QString photo = disk + QStringLiteral("/e.jpg");
        write(photo, "e");
        // The rest of the disk filled.
        QFile filler(disk + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        const Outcome trashed = Operations(m_data).trash(photo);
        if (trashed.failure != Failure::DiskFull)
            return 1 + int(trashed.failure);
        return read(photo) == "e" && namesIn(trash + QStringLiteral("/info")).isEmpty() ? 0 : 100;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestFileSafety::namesTheTargetRefuses_data()
{
    using Kind = NameProblem::Kind;
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("windows"); // FAT, exFAT or NTFS
    QTest::addColumn<int>("kind");
    const QString long256 = QString(252, QLatin1Char('a')) + QStringLiteral(".jpg");
    QTest::newRow("a colon, on ext4") << QStringLiteral("12:30.jpg") << false << int(Kind::None);
    QTest::newRow("a colon, on FAT") << QStringLiteral("12:30.jpg") << true << int(Kind::ForbiddenCharacter);
    for (const char *character : {"\"", "*", "<", ">", "?", "\\", "|"}) {
        QTest::addRow("%s on FAT", character)
            << QStringLiteral("a%1b.jpg").arg(QLatin1String(character)) << true << int(Kind::ForbiddenCharacter);
    }
    QTest::newRow("a tab on FAT") << QStringLiteral("a\tb.jpg") << true << int(Kind::ForbiddenCharacter);
    QTest::newRow("CON on FAT") << QStringLiteral("CON") << true << int(Kind::ReservedName);
    QTest::newRow("nul.txt on FAT") << QStringLiteral("nul.txt") << true << int(Kind::ReservedName);
    QTest::newRow("COM1.jpg on FAT") << QStringLiteral("COM1.jpg") << true << int(Kind::ReservedName);
    QTest::newRow("CONSOLE.jpg is fine") << QStringLiteral("CONSOLE.jpg") << true << int(Kind::None);
    QTest::newRow("a trailing dot on FAT") << QStringLiteral("photo.") << true << int(Kind::TrailingDotOrSpace);
    QTest::newRow("a trailing space on FAT") << QStringLiteral("photo ") << true << int(Kind::TrailingDotOrSpace);
    QTest::newRow("256 bytes on ext4") << long256 << false << int(Kind::TooLong);
    QTest::newRow("255 bytes on ext4") << long256.mid(1) << false << int(Kind::None);
    // 100 Japanese characters are 300 bytes: too long for ext4, fine for FAT.
    QTest::newRow("100 Japanese characters on ext4") << QString(100, QChar(0x5199)) << false << int(Kind::TooLong);
    QTest::newRow("100 Japanese characters on FAT") << QString(100, QChar(0x5199)) << true << int(Kind::None);
    QTest::newRow("Japanese on FAT") << QStringLiteral("旅行の写真.jpg") << true << int(Kind::None);
}

void TestFileSafety::namesTheTargetRefuses()
{
    QFETCH(QString, name);
    QFETCH(bool, windows);
    QFETCH(int, kind);
    QCOMPARE(int(nameProblem(name, windows ? NameRules::Windows : NameRules::Posix).kind), kind);
}

void TestFileSafety::namesRefusedOnFat()
{
    // A FAT card: a photo named as Linux allows is refused with the reason,
    // before anything is tried; every file stays as it was.
    if (QStandardPaths::findExecutable(QStringLiteral("mkfs.vfat")).isEmpty())
        QSKIP("mkfs.vfat (dosfstools) is not installed");
    const QString image = at(QStringLiteral("card.img"));
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(8 * 1024 * 1024));
    file.close();
    QCOMPARE(QProcess::execute(QStringLiteral("mkfs.vfat"), {QStringLiteral("-n"), QStringLiteral("CARD"), image}), 0);
    const QString card = at(QStringLiteral("card"));
    QVERIFY(QDir().mkpath(card));
    const QString photo = at(QStringLiteral("photos/12:30.jpg"));
    QVERIFY(write(photo, "noon"));
    // 0 as expected; 2 the wrong answer; 3 a file changed.
    const int outcome = sandbox::inChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return sandbox::CannotMount;
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop,utf8"), image, card});
        if (!mount.waitForFinished(30000) || mount.exitCode() != 0)
            return sandbox::CannotMount;
        if (nameRulesOf(card) != NameRules::Windows)
            return 2;
        Operations operations(m_data);
        const Outcome moved = operations.move(photo, card);
        const Outcome copied = operations.copy(photo, card);
        write(card + QStringLiteral("/b.jpg"), "b");
        const Outcome renamed = operations.rename(card + QStringLiteral("/b.jpg"), QStringLiteral("a?b.jpg"));
        if (moved.failure != Failure::NameNotAllowed || moved.nameProblem.detail != QStringLiteral(":")
            || copied.failure != Failure::NameNotAllowed || renamed.failure != Failure::NameNotAllowed)
            return 2;
        return read(photo) == "noon" && namesIn(card) == QStringList{QStringLiteral("b.jpg")} ? 0 : 3;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a FAT image (no loop device)");
    QCOMPARE(outcome, 0);
}

void TestFileSafety::companionsGoAlong_data()
{
    // The folder before, the action, and both folders after; then undone,
    // the folder is as before.
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QStringList>("photosAfter");
    QTest::addColumn<QStringList>("tripAfter");
    QTest::addColumn<int>("companions");
    const QStringList raw{QStringLiteral("IMG_1.CR2"), QStringLiteral("IMG_1.CR2.xmp"), QStringLiteral("IMG_1.xmp")};
    QTest::newRow("RAW and its sidecars to the trash") << raw << QStringLiteral("trash") << QStringLiteral("IMG_1.CR2")
                                                       << QStringList{} << QStringList{} << 2;
    QTest::newRow("RAW and its sidecars renamed") << raw << QStringLiteral("rename IMG_9.CR2")
                                                  << QStringLiteral("IMG_1.CR2")
                                                  << QStringList{QStringLiteral("IMG_9.CR2"), QStringLiteral("IMG_9.CR2.xmp"),
                                                                 QStringLiteral("IMG_9.xmp")}
                                                  << QStringList{} << 2;
    const QStringList live{QStringLiteral("IMG_2.HEIC"), QStringLiteral("IMG_2.MOV")};
    QTest::newRow("a Live Photo moved") << live << QStringLiteral("move") << QStringLiteral("IMG_2.HEIC")
                                        << QStringList{} << live << 1;
    QTest::newRow("a Live Photo copied") << live << QStringLiteral("copy") << QStringLiteral("IMG_2.HEIC") << live
                                         << live << 1;
    // Its movie's name is taken there: both take the next free stem.
    QTest::newRow("a Live Photo moved where a movie of its name is")
        << live << QStringLiteral("move, movie taken") << QStringLiteral("IMG_2.HEIC") << QStringList{}
        << QStringList{QStringLiteral("IMG_2 (2).HEIC"), QStringLiteral("IMG_2 (2).MOV"), QStringLiteral("IMG_2.MOV")}
        << 1;
    // A RAW+JPEG pair shares the stem's sidecar: it stays with the pair.
    const QStringList pair{QStringLiteral("IMG_3.CR2"), QStringLiteral("IMG_3.JPG"), QStringLiteral("IMG_3.xmp")};
    QTest::newRow("one of a pair trashed: the shared sidecar stays")
        << pair << QStringLiteral("trash") << QStringLiteral("IMG_3.JPG")
        << QStringList{QStringLiteral("IMG_3.CR2"), QStringLiteral("IMG_3.xmp")} << QStringList{} << 0;
    // The pair as one photo: the other half and every sidecar go with it.
    const QStringList wholePair{QStringLiteral("IMG_3.CR2"), QStringLiteral("IMG_3.CR2.xmp"), QStringLiteral("IMG_3.JPG"),
                                QStringLiteral("IMG_3.xmp")};
    QTest::newRow("a pair trashed as one") << wholePair << QStringLiteral("pair trash") << QStringLiteral("IMG_3.JPG")
                                          << QStringList{} << QStringList{} << 3;
    QTest::newRow("a pair renamed as one")
        << wholePair << QStringLiteral("pair rename IMG_8.JPG") << QStringLiteral("IMG_3.JPG")
        << QStringList{QStringLiteral("IMG_8.CR2"), QStringLiteral("IMG_8.CR2.xmp"), QStringLiteral("IMG_8.JPG"),
                       QStringLiteral("IMG_8.xmp")}
        << QStringList{} << 3;
    QTest::newRow("a pair moved as one, from its RAW") << wholePair << QStringLiteral("pair move")
                                                       << QStringLiteral("IMG_3.CR2") << QStringList{} << wholePair << 3;
    // A renamed name taken for a sidecar only: nothing is renamed.
    QTest::newRow("renamed to a stem whose sidecar is taken")
        << (raw + QStringList{QStringLiteral("IMG_9.xmp")}) << QStringLiteral("rename IMG_9.CR2")
        << QStringLiteral("IMG_1.CR2") << (raw + QStringList{QStringLiteral("IMG_9.xmp")}) << QStringList{} << -1;
}

void TestFileSafety::companionsGoAlong()
{
    QFETCH(QStringList, before);
    QFETCH(QString, action);
    QFETCH(QString, photo);
    QFETCH(QStringList, photosAfter);
    QFETCH(QStringList, tripAfter);
    QFETCH(int, companions);
    for (const QString &name : before)
        QVERIFY(write(at(QStringLiteral("photos/") + name), name.toUtf8()));
    if (action == QStringLiteral("move, movie taken"))
        QVERIFY(write(at(QStringLiteral("trip/IMG_2.MOV")), "another movie"));
    const QStringList tripBefore = namesIn(at(QStringLiteral("trip")));
    const QString path = at(QStringLiteral("photos/") + photo);
    Operations operations(m_data);
    if (action.startsWith(QStringLiteral("pair "))) {
        operations.setPairs(Pairs::Together);
        action = action.mid(5);
    }
    Outcome done;
    if (action == QStringLiteral("trash"))
        done = operations.trash(path);
    else if (action.startsWith(QStringLiteral("move")))
        done = operations.move(path, at(QStringLiteral("trip")));
    else if (action == QStringLiteral("copy"))
        done = operations.copy(path, at(QStringLiteral("trip")));
    else
        done = operations.rename(path, action.section(QLatin1Char(' '), 1));
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), photosAfter);
    QCOMPARE(namesIn(at(QStringLiteral("trip"))), tripAfter);
    if (companions < 0) {
        QCOMPARE(done.failure, Failure::NameTaken);
        return;
    }
    QVERIFY(done.ok());
    QCOMPARE(done.companions, companions);
    // The trash holds each with its information, as file managers read it.
    if (action == QStringLiteral("trash") && companions > 0) {
        if (const std::optional<QString> listed = trashList(m_data)) {
            for (const QString &name : before)
                QVERIFY2(listed->contains(at(QStringLiteral("photos/") + name)), qPrintable(*listed));
        }
    }
    // Undone, every one of them is back, the copies gone.
    const std::optional<Undone> undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok());
    QCOMPARE(undone->outcome.companions, companions);
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), before);
    QCOMPARE(namesIn(at(QStringLiteral("trip"))), tripBefore);
    for (const QString &name : before)
        QCOMPARE(read(at(QStringLiteral("photos/") + name)), name.toUtf8());
}

void TestFileSafety::copyKilledHalfWayLeavesNoPhoto()
{
    // A move across file systems killed part way (the program crashed, the
    // power went): no truncated photo under the photo's name, the photo
    // where it was.
    const QString disk = at(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    const QString photo = at(QStringLiteral("photos/big.jpg"));
    const QByteArray pixels(3 * 1024 * 1024, 'p');
    QVERIFY(write(photo, pixels));
    const int outcome = sandbox::withSmallFileSystem(QFile::encodeName(disk).constData(), 16384, [&] {
        const int killed = sandbox::inChild([&] {
            Operations operations(m_data);
            (void)operations.move(photo, disk, [](qint64, qint64) -> bool { ::_exit(42); });
            return 0;
        });
        if (killed != 42)
            return 1;
        for (const QString &name : namesIn(disk)) {
            if (!name.startsWith(QLatin1Char('.')))
                return 2; // something under a name a user sees
        }
        return read(photo) == pixels ? 0 : 3;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

QTEST_GUILESS_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
