// Acting on the user's files, on the real file system with a trash of the
// test's own: every action, every fault a user meets, and undoing each.
// Nothing may be overwritten or lost in any row.

#include "fileops/operations.h"
#include "platform/platform.h"
#include "sandbox.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fileops;

namespace {

// Files by the path's own bytes, so that names that are not UTF-8 work too.
bool write(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(platform::encodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

QByteArray read(const QString &path)
{
    QFile file;
    return platform::openForReading(file, path) ? file.readAll() : QByteArray("(missing)");
}

char kindAt(const QString &path)
{
    struct stat status {};
    if (::lstat(platform::encodePath(path).constData(), &status) != 0)
        return '-';
    return S_ISLNK(status.st_mode) ? 'l' : S_ISFIFO(status.st_mode) ? 'p' : S_ISDIR(status.st_mode) ? 'd' : 'f';
}

// Everything under `folder`, hidden names included, "name:kind" sorted.
QStringList tree(const QString &folder)
{
    QStringList entries;
    QDir dir(folder);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        entries.append(name + QLatin1Char(':') + QLatin1Char(kindAt(path)));
        if (kindAt(path) == 'd') {
            for (const QString &inner : tree(path))
                entries.append(name + QLatin1Char('/') + inner);
        }
    }
    return entries;
}

// Removes a folder whole by its bytes (Qt cannot reach names that are not UTF-8).
void removeTree(const QString &folder)
{
    ::nftw(platform::encodePath(folder).constData(),
           [](const char *path, const struct stat *, int type, FTW *) {
               return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
           },
           16, FTW_DEPTH | FTW_PHYS);
}

QString rawName()
{
    // "photo" and the byte 0xE9 (Latin-1 é), which is not UTF-8.
    return platform::decodePath(QByteArray("photo-\xE9.jpg"));
}

} // namespace

class TestFileOps : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void freeNames_data();
    void freeNames();
    void trashAndUndo_data();
    void trashAndUndo();
    void trashFollowsXdgDataHome();
    void trashOnAnotherFileSystem_data();
    void trashOnAnotherFileSystem();
    void moveCopyRename_data();
    void moveCopyRename();
    void acrossFileSystems_data();
    void acrossFileSystems();
    void readOnlyFolder_data();
    void readOnlyFolder();
    void undoNeverOverwrites_data();
    void undoNeverOverwrites();
    void undoGoesBackInOrder();

private:
    QString at(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data; // the trash's $XDG_DATA_HOME
};

void TestFileOps::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(at(QStringLiteral("photos"))));
    QVERIFY(QDir().mkpath(at(QStringLiteral("trip"))));
    m_data = at(QStringLiteral("data"));
}

void TestFileOps::cleanup()
{
    removeTree(m_dir->path());
    m_dir.reset();
}

void TestFileOps::freeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("attempt");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first: the name itself") << QStringLiteral("b.jpg") << 1 << QStringLiteral("b.jpg");
    QTest::newRow("the number before the extension") << QStringLiteral("b.jpg") << 2 << QStringLiteral("b (2).jpg");
    QTest::newRow("only the last extension") << QStringLiteral("a.tar.gz") << 3 << QStringLiteral("a.tar (3).gz");
    QTest::newRow("no extension") << QStringLiteral("README") << 2 << QStringLiteral("README (2)");
    QTest::newRow("a hidden name is all stem") << QStringLiteral(".hidden") << 2 << QStringLiteral(".hidden (2)");
}

void TestFileOps::freeNames()
{
    QFETCH(QString, name);
    QFETCH(int, attempt);
    QFETCH(QString, expected);
    QCOMPARE(freeName(name, attempt), expected);
}

void TestFileOps::trashAndUndo_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("trashedName"); // its name in the trash
    QTest::addColumn<QByteArray>("pathInInfo");
    const QByteArray photos = "photos/";
    QTest::newRow("a photo") << QStringLiteral("file") << QStringLiteral("b.jpg") << QStringLiteral("b.jpg")
                             << photos + "b.jpg";
    // Another b.jpg is in the trash already: the information file is not reused.
    QTest::newRow("a second b.jpg") << QStringLiteral("second") << QStringLiteral("b.jpg")
                                    << QStringLiteral("b (2).jpg") << photos + "b.jpg";
    QTest::newRow("spaces and Japanese, percent-encoded")
        << QStringLiteral("file") << QStringLiteral("旅行 1.jpg") << QStringLiteral("旅行 1.jpg")
        << photos + QByteArray("旅行 1.jpg").toPercentEncoding("/");
    QTest::newRow("a name that is not UTF-8, by its bytes")
        << QStringLiteral("file") << rawName() << rawName() << photos + "photo-%E9.jpg";
    // The link goes; what it points to stays where it is.
    QTest::newRow("a link") << QStringLiteral("link") << QStringLiteral("l.jpg") << QStringLiteral("l.jpg")
                            << photos + "l.jpg";
    QTest::newRow("a dangling link") << QStringLiteral("dangling") << QStringLiteral("d.jpg") << QStringLiteral("d.jpg")
                                     << photos + "d.jpg";
    // Moved without being opened: a FIFO would wait for a writer for ever.
    QTest::newRow("a FIFO") << QStringLiteral("fifo") << QStringLiteral("pipe.jpg") << QStringLiteral("pipe.jpg")
                            << photos + "pipe.jpg";
}

void TestFileOps::trashAndUndo()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, trashedName);
    QFETCH(QByteArray, pathInInfo);
    const QString path = at(QStringLiteral("photos/") + name);
    const QString target = at(QStringLiteral("trip/target.jpg"));
    QVERIFY(write(target, "target"));
    const QByteArray encoded = platform::encodePath(path);
    if (kind == QStringLiteral("link"))
        QCOMPARE(::symlink("../trip/target.jpg", encoded.constData()), 0);
    else if (kind == QStringLiteral("dangling"))
        QCOMPARE(::symlink("nowhere.jpg", encoded.constData()), 0);
    else if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
    else
        QVERIFY(write(path, "pixels of " + encoded));
    const char kindBefore = kindAt(path);

    Operations operations(m_data);
    if (kind == QStringLiteral("second")) {
        // The first b.jpg went to the trash before this one.
        QVERIFY(write(at(QStringLiteral("trip/b.jpg")), "the other one"));
        QVERIFY(operations.trash(at(QStringLiteral("trip/b.jpg"))).ok());
        QVERIFY(write(path, "pixels of " + encoded));
    }
    const Outcome trashed = operations.trash(path);
    QVERIFY2(trashed.ok(), qPrintable(QString::number(int(trashed.failure))));
    const QString trash = m_data + QStringLiteral("/Trash");
    QCOMPARE(trashed.path, trash + QStringLiteral("/files/") + trashedName);
    QCOMPARE(kindAt(path), '-');
    QCOMPARE(kindAt(trashed.path), kindBefore);
    const QByteArray info = read(trash + QStringLiteral("/info/") + trashedName + QStringLiteral(".trashinfo"));
    QVERIFY2(info.startsWith("[Trash Info]\nPath=" + QByteArray(platform::encodePath(m_dir->path())).toPercentEncoding("/") + "/"
                             + pathInInfo + "\nDeletionDate="),
             info.constData());
    QVERIFY(QDateTime::fromString(QString::fromLatin1(info.mid(info.indexOf("DeletionDate=") + 13, 19)), Qt::ISODate).isValid());
    QCOMPARE(read(target), QByteArray("target"));

    const std::optional<Undone> undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok());
    QCOMPARE(undone->done.kind, Done::Kind::Trashed);
    QCOMPARE(undone->outcome.path, path);
    QCOMPARE(kindAt(path), kindBefore);
    if (kindBefore == 'f')
        QCOMPARE(read(path), "pixels of " + encoded);
    // Back as it was: the trash holds nothing of it any more.
    const QStringList left = tree(trash);
    QVERIFY2(!left.join(QLatin1Char(' ')).contains(trashedName), qPrintable(left.join(QLatin1Char(' '))));
}

void TestFileOps::trashFollowsXdgDataHome()
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
    const QString home = userDataHome();
    qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(home, m_data);
}

void TestFileOps::trashOnAnotherFileSystem_data()
{
    QTest::addColumn<QString>("prepared"); // what the file system's top folder holds before
    QTest::addColumn<QString>("trash");    // where the file goes, "" when nowhere
    const QString uid = QString::number(::getuid());
    QTest::newRow("nothing yet: .Trash-$uid is made") << QString() << QStringLiteral(".Trash-") + uid;
    QTest::newRow("an administrator's sticky .Trash") << QStringLiteral("shared") << QStringLiteral(".Trash/") + uid;
    // Not sticky, or a link: not to be trusted, so the user's own is used.
    QTest::newRow(".Trash without the sticky bit") << QStringLiteral("unsticky") << QStringLiteral(".Trash-") + uid;
    QTest::newRow(".Trash a link") << QStringLiteral("link") << QStringLiteral(".Trash-") + uid;
    // No usable trash: nothing moves, and the caller may offer to delete.
    QTest::newRow(".Trash-$uid is a file") << QStringLiteral("blocked") << QString();
}

void TestFileOps::trashOnAnotherFileSystem()
{
    QFETCH(QString, prepared);
    QFETCH(QString, trash);
    const QString top = at(QStringLiteral("mounted"));
    QVERIFY(QDir().mkpath(top));
    const QByteArray topName = platform::encodePath(top);
    // 0: as expected; 1 wrong outcome; 2 file not where expected; 3 info wrong; 4 not made 0700.
    const int outcome = sandbox::withSmallFileSystem(topName.constData(), 1024, [&] {
        const QString uid = QString::number(::getuid());
        if (prepared == QStringLiteral("shared") || prepared == QStringLiteral("unsticky")) {
            QDir().mkpath(top + QStringLiteral("/.Trash"));
            ::chmod(QFile::encodeName(top + QStringLiteral("/.Trash")).constData(),
                    prepared == QStringLiteral("shared") ? 01777 : 0777);
        } else if (prepared == QStringLiteral("link")) {
            QDir().mkpath(top + QStringLiteral("/elsewhere"));
            ::chmod(QFile::encodeName(top + QStringLiteral("/elsewhere")).constData(), 01777);
            ::symlink("elsewhere", QFile::encodeName(top + QStringLiteral("/.Trash")).constData());
        } else if (prepared == QStringLiteral("blocked")) {
            write(top + QStringLiteral("/.Trash-") + uid, "not a folder");
        }
        QDir().mkpath(top + QStringLiteral("/album"));
        const QString photo = top + QStringLiteral("/album/c.jpg");
        write(photo, "c");
        const Outcome trashed = Operations(m_data).trash(photo);
        if (trash.isEmpty())
            return trashed.failure == Failure::NoTrash && read(photo) == "c" ? 0 : 1;
        if (!trashed.ok() || trashed.path != top + QLatin1Char('/') + trash + QStringLiteral("/files/c.jpg"))
            return 1;
        if (read(trashed.path) != "c" || kindAt(photo) != '-')
            return 2;
        // Relative to the file system's top, as file managers write it there.
        if (!read(top + QLatin1Char('/') + trash + QStringLiteral("/info/c.jpg.trashinfo"))
                 .startsWith("[Trash Info]\nPath=album/c.jpg\n"))
            return 3;
        struct stat status {};
        ::stat(QFile::encodeName(top + QLatin1Char('/') + trash).constData(), &status);
        return (status.st_mode & 0777) == 0700 ? 0 : 4;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestFileOps::moveCopyRename_data()
{
    QTest::addColumn<QString>("action");  // move, copy, rename
    QTest::addColumn<QString>("kind");    // of the file: file, link, fifo
    QTest::addColumn<QString>("argument"); // folder (under the test's own) or new name
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("result");  // the file's name after, relative
    QTest::addColumn<QStringList>("after"); // every file under photos/ and trip/, sorted
    const int none = int(Failure::None);
    QTest::newRow("move") << QStringLiteral("move") << QStringLiteral("file") << QStringLiteral("trip") << none
                          << QStringLiteral("trip/b.jpg") << QStringList{QStringLiteral("trip/b.jpg:f")};
    // The name is taken there: nothing is overwritten, a free name is taken.
    QTest::newRow("move, name taken") << QStringLiteral("move") << QStringLiteral("taken") << QStringLiteral("trip")
                                      << none << QStringLiteral("trip/b (2).jpg")
                                      << QStringList{QStringLiteral("trip/b (2).jpg:f"), QStringLiteral("trip/b.jpg:f")};
    QTest::newRow("move into its own folder") << QStringLiteral("move") << QStringLiteral("file")
                                              << QStringLiteral("photos") << int(Failure::SameFolder) << QString()
                                              << QStringList{QStringLiteral("photos/b.jpg:f")};
    QTest::newRow("move into a folder that has gone")
        << QStringLiteral("move") << QStringLiteral("file") << QStringLiteral("gone") << int(Failure::NoFolder)
        << QString() << QStringList{QStringLiteral("photos/b.jpg:f")};
    QTest::newRow("move a link: the link moves") << QStringLiteral("move") << QStringLiteral("link")
                                                 << QStringLiteral("trip") << none << QStringLiteral("trip/b.jpg")
                                                 << QStringList{QStringLiteral("trip/b.jpg:l")};
    QTest::newRow("move a FIFO within the file system")
        << QStringLiteral("move") << QStringLiteral("fifo") << QStringLiteral("trip") << none
        << QStringLiteral("trip/b.jpg") << QStringList{QStringLiteral("trip/b.jpg:p")};
    QTest::newRow("move a file that has gone") << QStringLiteral("move") << QStringLiteral("missing")
                                               << QStringLiteral("trip") << int(Failure::Vanished) << QString()
                                               << QStringList{};
    QTest::newRow("copy") << QStringLiteral("copy") << QStringLiteral("file") << QStringLiteral("trip") << none
                          << QStringLiteral("trip/b.jpg")
                          << QStringList{QStringLiteral("photos/b.jpg:f"), QStringLiteral("trip/b.jpg:f")};
    QTest::newRow("copy, name taken") << QStringLiteral("copy") << QStringLiteral("taken") << QStringLiteral("trip")
                                      << none << QStringLiteral("trip/b (2).jpg")
                                      << QStringList{QStringLiteral("photos/b.jpg:f"), QStringLiteral("trip/b (2).jpg:f"),
                                                     QStringLiteral("trip/b.jpg:f")};
    QTest::newRow("copy into its own folder") << QStringLiteral("copy") << QStringLiteral("file")
                                              << QStringLiteral("photos") << none << QStringLiteral("photos/b (2).jpg")
                                              << QStringList{QStringLiteral("photos/b (2).jpg:f"),
                                                             QStringLiteral("photos/b.jpg:f")};
    // A link's picture is copied, as a file of its own.
    QTest::newRow("copy a link") << QStringLiteral("copy") << QStringLiteral("link") << QStringLiteral("trip") << none
                                 << QStringLiteral("trip/b.jpg")
                                 << QStringList{QStringLiteral("photos/b.jpg:l"), QStringLiteral("trip/b.jpg:f")};
    QTest::newRow("copy a FIFO: never read") << QStringLiteral("copy") << QStringLiteral("fifo")
                                             << QStringLiteral("trip") << int(Failure::NotAFile) << QString()
                                             << QStringList{QStringLiteral("photos/b.jpg:p")};
    QTest::newRow("rename") << QStringLiteral("rename") << QStringLiteral("file") << QStringLiteral("c.jpg") << none
                            << QStringLiteral("photos/c.jpg") << QStringList{QStringLiteral("photos/c.jpg:f")};
    QTest::newRow("rename to its own name") << QStringLiteral("rename") << QStringLiteral("file")
                                            << QStringLiteral("b.jpg") << none << QStringLiteral("photos/b.jpg")
                                            << QStringList{QStringLiteral("photos/b.jpg:f")};
    QTest::newRow("rename onto a taken name") << QStringLiteral("rename") << QStringLiteral("sibling")
                                              << QStringLiteral("a.jpg") << int(Failure::NameTaken) << QString()
                                              << QStringList{QStringLiteral("photos/a.jpg:f"), QStringLiteral("photos/b.jpg:f")};
    for (const QString &bad : {QString(), QStringLiteral("x/y.jpg"), QStringLiteral("."), QStringLiteral("..")}) {
        QTest::addRow("rename to \"%s\"", qPrintable(bad))
            << QStringLiteral("rename") << QStringLiteral("file") << bad << int(Failure::BadName) << QString()
            << QStringList{QStringLiteral("photos/b.jpg:f")};
    }
    QTest::newRow("rename a name that is not UTF-8")
        << QStringLiteral("rename") << QStringLiteral("raw") << QStringLiteral("plain.jpg") << none
        << QStringLiteral("photos/plain.jpg") << QStringList{QStringLiteral("photos/plain.jpg:f")};
}

void TestFileOps::moveCopyRename()
{
    QFETCH(QString, action);
    QFETCH(QString, kind);
    QFETCH(QString, argument);
    QFETCH(int, failure);
    QFETCH(QString, result);
    QFETCH(QStringList, after);
    const QString path = at(kind == QStringLiteral("raw") ? QStringLiteral("photos/") + rawName()
                                                          : QStringLiteral("photos/b.jpg"));
    const QByteArray encoded = platform::encodePath(path);
    QVERIFY(write(at(QStringLiteral("elsewhere.jpg")), "linked"));
    if (kind == QStringLiteral("link"))
        QCOMPARE(::symlink(QFile::encodeName(at(QStringLiteral("elsewhere.jpg"))).constData(), encoded.constData()), 0);
    else if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
    else if (kind != QStringLiteral("missing"))
        QVERIFY(write(path, "b"));
    if (kind == QStringLiteral("taken"))
        QVERIFY(write(at(QStringLiteral("trip/b.jpg")), "another b"));
    if (kind == QStringLiteral("sibling"))
        QVERIFY(write(at(QStringLiteral("photos/a.jpg")), "a"));

    Operations operations(m_data);
    Outcome outcome;
    if (action == QStringLiteral("move"))
        outcome = operations.move(path, at(argument));
    else if (action == QStringLiteral("copy"))
        outcome = operations.copy(path, at(argument));
    else
        outcome = operations.rename(path, argument);
    QCOMPARE(int(outcome.failure), failure);
    if (outcome.ok()) {
        QCOMPARE(outcome.path, at(result));
        QCOMPARE(outcome.freeName, result.contains(QStringLiteral(" (2)")));
    }
    QStringList files;
    for (const QString &folder : {QStringLiteral("photos"), QStringLiteral("trip")}) {
        for (const QString &entry : tree(at(folder)))
            files.append(folder + QLatin1Char('/') + entry);
    }
    files.sort();
    QCOMPARE(files, after);
    // What was there before keeps its content; a copy has the same.
    if (kind == QStringLiteral("taken"))
        QCOMPARE(read(at(QStringLiteral("trip/b.jpg"))), QByteArray("another b"));
    if (outcome.ok() && kind != QStringLiteral("fifo"))
        QCOMPARE(read(outcome.path), QByteArray(kind == QStringLiteral("link") ? "linked" : "b"));
    QCOMPARE(read(at(QStringLiteral("elsewhere.jpg"))), QByteArray("linked"));
}

void TestFileOps::acrossFileSystems_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("kilobytes"); // of the file system moved to
    QTest::addColumn<QString>("meanwhile"); // done to the photo while its copy goes on
    QTest::addColumn<int>("failure");
    const int none = int(Failure::None);
    const QString move = QStringLiteral("move");
    const QString copy = QStringLiteral("copy");
    const QString file = QStringLiteral("file");
    QTest::newRow("move: copied, checked, then removed") << move << file << 8192 << QString() << none;
    QTest::newRow("copy") << copy << file << 8192 << QString() << none;
    // The disk fills part way: the partial copy goes, the photo stays.
    QTest::newRow("move onto a full disk") << move << file << 64 << QString() << int(Failure::DiskFull);
    QTest::newRow("copy onto a full disk") << copy << file << 64 << QString() << int(Failure::DiskFull);
    QTest::newRow("move a link: made anew") << move << QStringLiteral("link") << 8192 << QString() << none;
    QTest::newRow("move a FIFO: refused, never read") << move << QStringLiteral("fifo") << 8192 << QString()
                                                      << int(Failure::NotAFile);
    // Written to after the first part is across: the copy would be half old,
    // half new, and removing the photo would lose what was written.
    QTest::newRow("move: the photo written to part way") << move << file << 8192 << QStringLiteral("written")
                                                         << int(Failure::Changed);
    QTest::newRow("copy: the photo written to part way") << copy << file << 8192 << QStringLiteral("written")
                                                         << int(Failure::Changed);
    // Another file put in its place once the copy is whole (the copied one
    // is unchanged, open): the check before removing sees the name is not
    // the photo copied any more, and removes nothing.
    QTest::newRow("move: another file in its place before removal")
        << move << file << 8192 << QStringLiteral("replaced") << int(Failure::Changed);
    QTest::newRow("move cancelled part way") << move << file << 8192 << QStringLiteral("cancel")
                                             << int(Failure::Cancelled);
    QTest::newRow("copy cancelled part way") << copy << file << 8192 << QStringLiteral("cancel")
                                             << int(Failure::Cancelled);
}

void TestFileOps::acrossFileSystems()
{
    QFETCH(QString, action);
    QFETCH(QString, kind);
    QFETCH(int, kilobytes);
    QFETCH(QString, meanwhile);
    QFETCH(int, failure);
    const QString mounted = at(QStringLiteral("mounted"));
    QVERIFY(QDir().mkpath(mounted));
    const QString path = at(QStringLiteral("photos/b.jpg"));
    // Larger than a part of a copy, so that it is told of progress more than once.
    const QByteArray pixels(3 * 1024 * 1024 + 512 * 1024, 'p');
    const QString other = at(QStringLiteral("photos/other.jpg"));
    QVERIFY(write(other, "another photo"));
    if (kind == QStringLiteral("link"))
        QCOMPARE(::symlink("../elsewhere.jpg", QFile::encodeName(path).constData()), 0);
    else if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(write(path, pixels));
    // A known modification time, which the copy keeps.
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    const char kindBefore = kindAt(path);
    // 0 as expected; 1 wrong failure; 2 source changed; 3 target wrong; 4 leftovers;
    // 5 progress not told part by part.
    const int outcome = sandbox::withSmallFileSystem(QFile::encodeName(mounted).constData(), kilobytes, [&] {
        Operations operations(m_data);
        QByteArray expected = pixels;
        int parts = 0;
        const fileops::CopyProgress progress = [&](qint64 done, qint64 total) {
            ++parts;
            if (meanwhile == QStringLiteral("cancel"))
                return false;
            if (meanwhile == QStringLiteral("written") && parts == 1) {
                QFile photo(path);
                if (photo.open(QIODevice::Append))
                    photo.write("more");
                expected = pixels + "more";
            }
            if (meanwhile == QStringLiteral("replaced") && done == total) {
                ::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData());
                expected = "another photo";
            }
            return true;
        };
        const Outcome done = action == QStringLiteral("move") ? operations.move(path, mounted, progress)
                                                              : operations.copy(path, mounted, progress);
        if (int(done.failure) != failure)
            return 1;
        if (kind == QStringLiteral("file") && done.ok() && parts < 2)
            return 5;
        const bool sourceStays = action == QStringLiteral("copy") || !done.ok();
        if ((kindAt(path) == kindBefore) != sourceStays || (kind == QStringLiteral("file") && sourceStays && read(path) != expected))
            return 2;
        if (!done.ok())
            return QDir(mounted).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty() ? 0 : 4;
        if (done.path != mounted + QStringLiteral("/b.jpg") || kindAt(done.path) != kindBefore)
            return 3;
        struct stat status {};
        ::lstat(QFile::encodeName(done.path).constData(), &status);
        if (kind == QStringLiteral("file") && (read(done.path) != pixels || status.st_mtim.tv_sec != 1'600'000'000))
            return 3;
        // And back again, as undo does.
        const std::optional<Undone> undone = operations.undo();
        if (!undone || !undone->outcome.ok() || kindAt(path) != kindBefore || kindAt(done.path) != '-')
            return 3;
        return 0;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestFileOps::readOnlyFolder_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("trash") << QStringLiteral("trash");
    QTest::newRow("delete") << QStringLiteral("delete");
    QTest::newRow("move") << QStringLiteral("move");
    QTest::newRow("rename") << QStringLiteral("rename");
}

void TestFileOps::readOnlyFolder()
{
    QFETCH(QString, action);
    // Readable by all, writable by the test's user only.
    for (const QString &folder : {m_dir->path(), at(QStringLiteral("photos")), at(QStringLiteral("trip"))})
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), folder.endsWith(QStringLiteral("trip")) ? 0777 : 0755), 0);
    const QString path = at(QStringLiteral("photos/b.jpg"));
    QVERIFY(write(path, "b"));
    const QString data = at(QStringLiteral("trip/data"));
    // 0: refused as a folder that takes no changes, photo untouched.
    const int outcome = sandbox::asUnprivilegedUser([&] {
        Operations operations(data);
        Outcome done;
        if (action == QStringLiteral("trash"))
            done = operations.trash(path);
        else if (action == QStringLiteral("delete"))
            done = operations.deleteForGood(path);
        else if (action == QStringLiteral("move"))
            done = operations.move(path, at(QStringLiteral("trip")));
        else
            done = operations.rename(path, QStringLiteral("c.jpg"));
        return done.failure == Failure::NotWritable && read(path) == "b" ? 0 : 1;
    });
    QCOMPARE(outcome, 0);
    QVERIFY(!QFile::exists(at(QStringLiteral("trip/b.jpg"))));
}

void TestFileOps::undoNeverOverwrites_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("trashed") << QStringLiteral("trash");
    QTest::newRow("moved") << QStringLiteral("move");
    QTest::newRow("renamed") << QStringLiteral("rename");
}

void TestFileOps::undoNeverOverwrites()
{
    QFETCH(QString, action);
    const QString path = at(QStringLiteral("photos/b.jpg"));
    QVERIFY(write(path, "first"));
    Operations operations(m_data);
    Outcome done;
    if (action == QStringLiteral("trash"))
        done = operations.trash(path);
    else if (action == QStringLiteral("move"))
        done = operations.move(path, at(QStringLiteral("trip")));
    else
        done = operations.rename(path, QStringLiteral("c.jpg"));
    QVERIFY(done.ok());
    // Meanwhile another b.jpg took its place.
    QVERIFY(write(path, "second"));
    const std::optional<Undone> undone = operations.undo();
    QVERIFY(undone);
    QCOMPARE(undone->outcome.failure, Failure::NameTaken);
    QCOMPARE(read(path), QByteArray("second"));
    QCOMPARE(read(done.path), QByteArray("first")); // kept where it is
    // Said once: the next undo has nothing left.
    QVERIFY(!operations.undo());
}

void TestFileOps::undoGoesBackInOrder()
{
    // Thirty actions: more than twenty are remembered, undone newest first.
    const QString path = at(QStringLiteral("photos/b.jpg"));
    QVERIFY(write(path, "b"));
    QVERIFY(write(at(QStringLiteral("photos/c.jpg")), "c"));
    Operations operations(m_data);
    QString current = path;
    QStringList names{current};
    for (int i = 1; i <= 27; ++i) {
        const Outcome renamed = operations.rename(current, QStringLiteral("b%1.jpg").arg(i));
        QVERIFY(renamed.ok());
        current = renamed.path;
        names.append(current);
    }
    const Outcome moved = operations.move(current, at(QStringLiteral("trip")));
    QVERIFY(moved.ok());
    const Outcome copied = operations.copy(moved.path, at(QStringLiteral("photos")));
    QVERIFY(copied.ok());
    const Outcome trashed = operations.trash(at(QStringLiteral("photos/c.jpg")));
    QVERIFY(trashed.ok());

    std::optional<Undone> undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok() && undone->done.kind == Done::Kind::Trashed);
    QCOMPARE(read(at(QStringLiteral("photos/c.jpg"))), QByteArray("c"));
    // Undoing a copy puts the copy in the trash, where it can still be found.
    undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok() && undone->done.kind == Done::Kind::Copied);
    QVERIFY(!fileops::exists(copied.path));
    QCOMPARE(read(undone->outcome.path), QByteArray("b"));
    undone = operations.undo();
    QVERIFY(undone && undone->outcome.ok() && undone->done.kind == Done::Kind::Moved);
    QCOMPARE(undone->outcome.path, current);
    for (int i = 27; i >= 1; --i) {
        undone = operations.undo();
        QVERIFY(undone && undone->outcome.ok());
        QCOMPARE(undone->outcome.path, names[i - 1]);
    }
    QCOMPARE(read(path), QByteArray("b"));
    QVERIFY(!operations.canUndo());
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
