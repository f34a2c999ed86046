// A file's bytes replaced as a photo's marks or turn are written, on the
// real file system: what the file is (its permissions, owner, times, extended
// attributes, the link that names it) stays; each way it can fail leaves the
// file as it was and nothing beside it; undone, the old bytes come back byte
// for byte, and only over the very file the rewrite left.

#include "fileops/operations.h"
#include "fileops/rewrite.h"
#include "platform/platform.h"
#include "sandbox.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

struct stat statusOf(const QString &path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// A photo's bytes with a new header, as marks written into it leave them.
QByteArray withNewHead(const QByteArray &old)
{
    return old.left(20) + QByteArray(3000, 'x') + old.mid(120);
}

} // namespace

class TestRewrites : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void whatTheFileIsStays_data();
    void whatTheFileIsStays();
    void failuresLeaveTheFile_data();
    void failuresLeaveTheFile();
    void undoneByteForByte_data();
    void undoneByteForByte();
    void undoneOnlyOverWhatItLeft();
    void rewritesUndoneInTurn();
    void heldBytesAreBounded();

private:
    QString at(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRewrites::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(at(QStringLiteral("photos"))));
}

void TestRewrites::whatTheFileIsStays_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("keepTimes");
    QTest::newRow("marks: its times kept") << false << true;
    QTest::newRow("a turn: modified now") << false << false;
    QTest::newRow("named by a link: the file it names rewritten, the link kept") << true << true;
}

void TestRewrites::whatTheFileIsStays()
{
    QFETCH(bool, throughLink);
    QFETCH(bool, keepTimes);
    const QString photo = at(QStringLiteral("photos/IMG_1.JPG"));
    const QByteArray old = randomBytes(50000);
    QVERIFY(write(photo, old));
    const QByteArray name = QFile::encodeName(photo);
    QCOMPARE(::chmod(name.constData(), 0640), 0);
    const timespec times[2] = {{1600000000, 123}, {1500000000, 456789}};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    const bool attributes = ::setxattr(name.constData(), "user.comment", "harbour", 7, 0) == 0;
    QString path = photo;
    if (throughLink) {
        path = at(QStringLiteral("link.jpg"));
        QCOMPARE(::symlink(name.constData(), QFile::encodeName(path).constData()), 0);
    }
    const struct stat before = statusOf(photo);
    const QByteArray rewritten = withNewHead(old);
    const Staging staging = stageReplacement(path, rewritten, keepTimes ? KeepTimes::Old : KeepTimes::Now);
    QVERIFY(staging.outcome.ok());
    // Beside the file, hidden, until it takes its place.
    QCOMPARE(namesIn(at(QStringLiteral("photos"))).size(), 2);
    QVERIFY(commitStaged(*staging.staged).ok());
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), QStringList{QStringLiteral("IMG_1.JPG")});
    const struct stat after = statusOf(photo); // before reading it moves its access time
    QCOMPARE(read(photo), rewritten);
    QVERIFY(after.st_ino != before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_atim.tv_sec, before.st_atim.tv_sec);
    if (keepTimes) {
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    } else {
        QVERIFY(after.st_mtim.tv_sec > before.st_mtim.tv_sec);
    }
    if (attributes) {
        char value[16] = {};
        QCOMPARE(::getxattr(name.constData(), "user.comment", value, sizeof value), ssize_t(7));
        QCOMPARE(QByteArray(value), QByteArray("harbour"));
    }
    if (throughLink)
        QVERIFY(S_ISLNK(statusOf(path).st_mode));
}

void TestRewrites::failuresLeaveTheFile_data()
{
    // A way the rewrite cannot happen, and what it must say. Each row ends
    // with the photo as it was and nothing left beside it.
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("failure");
    QTest::newRow("a read-only photo") << QStringLiteral("read-only file") << int(Failure::ReadOnlyFile);
    QTest::newRow("a read-only folder") << QStringLiteral("read-only folder") << int(Failure::NotWritable);
    QTest::newRow("another's photo in a folder all may write")
        << QStringLiteral("another's file") << int(Failure::AttributesNotKept);
    QTest::newRow("no room for the new file") << QStringLiteral("full") << int(Failure::DiskFull);
    QTest::newRow("changed after it was staged") << QStringLiteral("changed") << int(Failure::NotTheSameFile);
    QTest::newRow("a FIFO") << QStringLiteral("fifo") << int(Failure::NotAFile);
}

void TestRewrites::failuresLeaveTheFile()
{
    QFETCH(QString, how);
    QFETCH(int, failure);
    const QString folder = at(QStringLiteral("photos"));
    const QString photo = folder + QStringLiteral("/IMG_1.JPG");
    const QByteArray name = QFile::encodeName(photo);
    const QByteArray old = randomBytes(20000);
    const auto rewriteIt = [&]() {
        const Staging staging = stageReplacement(photo, withNewHead(old) + randomBytes(200000), KeepTimes::Old);
        if (!staging.staged)
            return staging.outcome;
        if (how == QStringLiteral("changed"))
            write(photo, old + "more");
        return commitStaged(*staging.staged);
    };
    int outcome = 0;
    if (how == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        outcome = int(rewriteIt().failure);
        QCOMPARE(outcome, failure);
        QCOMPARE(namesIn(folder), QStringList{QStringLiteral("IMG_1.JPG")});
        return;
    }
    QVERIFY(write(photo, old));
    if (how == QStringLiteral("full")) {
        outcome = sandbox::withSmallFileSystem(QFile::encodeName(folder).constData(), 128, [&] {
            if (!write(photo, old))
                return 100;
            const Outcome done = rewriteIt();
            return read(photo) == old && namesIn(folder).size() == 1 ? int(done.failure) : 101;
        });
        if (outcome == sandbox::CannotMount)
            QSKIP("this machine does not let the test mount a file system of its own");
    } else if (how == QStringLiteral("changed")) {
        outcome = int(rewriteIt().failure);
        QCOMPARE(read(photo), old + "more");
    } else {
        // As an ordinary user: root may write anything.
        const bool ownedByThem = how != QStringLiteral("another's file");
        QCOMPARE(::chown(name.constData(), ownedByThem ? 65534 : 0, ownedByThem ? 65534 : 0), 0);
        QCOMPARE(::chmod(name.constData(), how == QStringLiteral("read-only file") ? 0444 : 0666), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), how == QStringLiteral("read-only folder") ? 0555 : 0777), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
        outcome = sandbox::asUnprivilegedUser([&] {
            const Outcome done = rewriteIt();
            return read(photo) == old && namesIn(folder).size() == 1 ? int(done.failure) : 101;
        });
        if (outcome == sandbox::CannotDropRights)
            QSKIP("the test cannot take an ordinary user's rights here");
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
    QCOMPARE(outcome, failure);
    if (how != QStringLiteral("changed"))
        QCOMPARE(read(photo), old);
    QCOMPARE(namesIn(folder), QStringList{QStringLiteral("IMG_1.JPG")});
}

void TestRewrites::undoneByteForByte_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("marks: a new head") << QStringLiteral("head");
    QTest::newRow("a turn: every byte new") << QStringLiteral("all");
    QTest::newRow("a sidecar made") << QStringLiteral("made");
}

void TestRewrites::undoneByteForByte()
{
    QFETCH(QString, kind);
    const QString photo = at(QStringLiteral("photos/IMG_1.JPG"));
    const QByteArray name = QFile::encodeName(photo);
    const QByteArray old = randomBytes(300000);
    const bool made = kind == QStringLiteral("made");
    if (!made) {
        QVERIFY(write(photo, old));
        const timespec times[2] = {{1600000000, 1}, {1500000000, 2}};
        QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    }
    const QByteArray rewritten = kind == QStringLiteral("head") ? withNewHead(old) : randomBytes(310000);
    const Staging staging = made ? stageNewFile(photo, rewritten) : stageReplacement(photo, rewritten, KeepTimes::Now);
    QVERIFY(staging.staged);
    QVERIFY(commitStaged(*staging.staged).ok());
    const std::optional<Rewrite> record =
        recordRewrite(*staging.staged, made ? std::nullopt : std::optional(old), rewritten);
    QVERIFY(record);
    // Marks keep only the part that differs.
    if (kind == QStringLiteral("head"))
        QVERIFY2(record->heldBytes() < 200, qPrintable(QString::number(record->heldBytes())));
    QVERIFY(undoRewrite(*record).ok());
    if (made) {
        QVERIFY(!QFile::exists(photo));
        return;
    }
    QCOMPARE(read(photo), old);
    QCOMPARE(statusOf(photo).st_mtim.tv_sec, time_t(1500000000));
    QCOMPARE(namesIn(at(QStringLiteral("photos"))), QStringList{QStringLiteral("IMG_1.JPG")});
}

void TestRewrites::undoneOnlyOverWhatItLeft()
{
    // Marks written, then another program rewrote the photo: the undo would
    // throw its work away, so it refuses and changes nothing.
    const QString photo = at(QStringLiteral("photos/IMG_1.JPG"));
    const QByteArray old = randomBytes(4000);
    QVERIFY(write(photo, old));
    const QByteArray rewritten = withNewHead(old);
    const Staging staging = stageReplacement(photo, rewritten, KeepTimes::Old);
    QVERIFY(staging.staged && commitStaged(*staging.staged).ok());
    const std::optional<Rewrite> record = recordRewrite(*staging.staged, old, rewritten);
    QVERIFY(record);
    QVERIFY(write(photo, rewritten + "edited elsewhere"));
    QCOMPARE(undoRewrite(*record).failure, Failure::NotTheSameFile);
    QCOMPARE(read(photo), rewritten + "edited elsewhere");
    // Through an action's undo the same: the stack moves on, the file stays.
    Operations operations(at(QStringLiteral("data")));
    operations.remember(Done{Done::Kind::Marked, photo, photo, {}, {}, {*record}});
    const std::optional<Undone> undone = operations.undo();
    QVERIFY(undone);
    QCOMPARE(undone->outcome.failure, Failure::NotTheSameFile);
    QVERIFY(!operations.canUndo());
}

void TestRewrites::rewritesUndoneInTurn()
{
    // Marks, then a turn, then Ctrl+Z twice: the file the turn's undo puts
    // back is a new one to the system, and still the one the marks left.
    const QString photo = at(QStringLiteral("photos/IMG_1.JPG"));
    const QByteArray a = randomBytes(5000);
    QVERIFY(write(photo, a));
    Operations operations(at(QStringLiteral("data")));
    const auto rewrite = [&](const QByteArray &bytes, Done::Kind kind) {
        const QByteArray old = read(photo);
        const Staging staging = stageReplacement(photo, bytes, KeepTimes::Old);
        QVERIFY(staging.staged && commitStaged(*staging.staged).ok());
        const std::optional<Rewrite> record = recordRewrite(*staging.staged, old, bytes);
        QVERIFY(record);
        operations.remember(Done{kind, photo, photo, {}, {}, {*record}});
    };
    const QByteArray b = withNewHead(a);
    rewrite(b, Done::Kind::Marked);
    // The marked file kept alive elsewhere, so that its inode is not the
    // one the system gives the file put back.
    QCOMPARE(::link(QFile::encodeName(photo).constData(), QFile::encodeName(at(QStringLiteral("kept"))).constData()), 0);
    rewrite(randomBytes(5000), Done::Kind::Turned);
    QVERIFY(operations.undo()->outcome.ok());
    QCOMPARE(read(photo), b);
    QVERIFY(operations.undo()->outcome.ok());
    QCOMPARE(read(photo), a);
}

void TestRewrites::heldBytesAreBounded()
{
    // Turned photos keep all their old bytes for undoing: the oldest are
    // forgotten past the bound, the newest always stays.
    Operations operations(at(QStringLiteral("data")));
    Rewrite big;
    big.middle = QByteArray(Operations::RememberedBytes / 3, 'x');
    for (int i = 0; i < 5; ++i)
        operations.remember(Done{Done::Kind::Turned, QString::number(i), {}, {}, {}, {big}});
    int remembered = 0;
    while (const std::optional<Undone> undone = operations.undo()) {
        QCOMPARE(undone->done.from, QString::number(4 - remembered));
        ++remembered;
    }
    QCOMPARE(remembered, 3);
}

QTEST_GUILESS_MAIN(TestRewrites)
#include "tst_rewrites.moc"
