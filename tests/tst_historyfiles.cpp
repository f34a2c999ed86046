// The history file on a real file system, under the faults a user meets: a
// full disk, a file-size limit, something other than a file in its place,
// links, a program folder the user may not write, leftovers of a killed save.

#include "fixture.h"
#include "history/rirekifile.h"
#include "host/qt/window/services.h"
#include "sandbox.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

using testfiles::cp932File;
using testfiles::readAll;

namespace {

// The real file services with the program in a folder of the test's
// choosing; messages are kept instead of shown.
class FolderServices final : public qthost::QtServices
{
public:
    FolderServices(QString program, QString user) : m_program(std::move(program)), m_user(std::move(user)) {}
    QString programFolder() const override { return m_program; }
    QString userDataFolder() const override { return m_user; }
    void messageBox(const QString &, const QString &text) override { told.append(text); }
    QStringList told;

private:
    QString m_program;
    QString m_user;
};

// Another copy of the program, as a process of its own: whether it gets the
// history's lock at once (the test executable started with --try-lock).
bool anotherCopyGetsTheLock(const QString &history)
{
    return QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--try-lock"), history}) == 0;
}

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("yes") : QStringLiteral("no");
}

// The real services, noting at each read and write of the history file
// whether another process could take its lock just then.
class WatchedServices final : public qthost::QtServices
{
public:
    WatchedServices(QString program, QString history) : m_program(std::move(program)), m_history(std::move(history)) {}
    QString programFolder() const override { return m_program; }
    QString userDataFolder() const override { return m_program + QStringLiteral("/user"); }
    std::optional<QByteArray> readFileHead(const QString &path, qint64 maxBytes) const override
    {
        if (watching && path == m_history)
            seen.append(QStringLiteral("read, other copy locks: %1").arg(yesNo(anotherCopyGetsTheLock(m_history))));
        return QtServices::readFileHead(path, maxBytes);
    }
    host::WriteResult writeFileAtomic(const QString &path, const QByteArray &bytes) override
    {
        if (watching && path == m_history)
            seen.append(QStringLiteral("write, other copy locks: %1").arg(yesNo(anotherCopyGetsTheLock(m_history))));
        return QtServices::writeFileAtomic(path, bytes);
    }
    void messageBox(const QString &, const QString &) override {}

    bool watching = false;
    mutable QStringList seen;

private:
    QString m_program;
    QString m_history;
};

// Starts and closes the program once; returns what it told the user.
QStringList startAndClose(const QString &programFolder, const QString &userFolder, QStringList *captions = nullptr)
{
    FolderServices services(programFolder, userFolder);
    Fixture f;
    f.host.realServices = &services;
    f.form.Form_Load();
    if (captions)
        *captions = f.captions();
    f.form.Form_Unload();
    return services.told;
}

const QByteArray OldHistory = cp932File(folderNames(QStringLiteral("/写真/旅行 "), 10) + QStringList{QStringLiteral("True")});

mode_t typeOf(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

bool makeSocket(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    qstrcpy(address.sun_path, name.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return made;
}

} // namespace

class TestHistoryFiles : public QObject
{
    Q_OBJECT
private slots:
    void unsavablePlace_data();
    void unsavablePlace();
    void fullFileSystem();
    void linkToAFileStaysALink();
    void readOnlyProgramFolderWithInstalledHistory();
    void leftoversOfAKilledSave_data();
    void leftoversOfAKilledSave();
    void longLines_data();
    void longLines();
    void lockHeldAcrossReadMergeAndWrite();
};

void TestHistoryFiles::unsavablePlace_data()
{
    QTest::addColumn<QString>("place"); // what stands where Rireki.dat would be
    QTest::addColumn<QString>("reason");
    const QString notAFile = texts::NotARegularFile;
    QTest::newRow("history-sized write over a file-size limit") << QStringLiteral("limit") << texts::ReasonTooLarge;
    QTest::newRow("FIFO") << QStringLiteral("fifo") << notAFile;
    QTest::newRow("link to a FIFO") << QStringLiteral("link:fifo") << notAFile;
    QTest::newRow("folder") << QStringLiteral("folder") << notAFile;
    QTest::newRow("link to a folder") << QStringLiteral("link:folder") << notAFile;
    QTest::newRow("socket") << QStringLiteral("socket") << notAFile;
    QTest::newRow("device") << QStringLiteral("device") << notAFile;
    QTest::newRow("link to a device") << QStringLiteral("link:device") << notAFile;
}

void TestHistoryFiles::unsavablePlace()
{
    QFETCH(QString, place);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QString history = program + QStringLiteral("/Rireki.dat");
    const bool link = place.startsWith(QStringLiteral("link:"));
    const QString kind = link ? place.mid(5) : place;
    const QString node = link ? dir.filePath(QStringLiteral("elsewhere")) : history;
    const QByteArray nodeName = QFile::encodeName(node);
    if (kind == QStringLiteral("limit"))
        QVERIFY(testfiles::writeAll(node, OldHistory));
    else if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(nodeName.constData(), 0600), 0);
    else if (kind == QStringLiteral("folder"))
        QVERIFY(QDir().mkpath(node));
    else if (kind == QStringLiteral("socket"))
        QVERIFY(makeSocket(node));
    else if (kind == QStringLiteral("device") && ::mknod(nodeName.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        QSKIP("making a device node needs root");
    if (link)
        QVERIFY(QFile::link(node, history));
    const mode_t type = typeOf(node);
    const QStringList before = QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    rlimit saved{};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    if (kind == QStringLiteral("limit")) {
        // Smaller than the history: the write fails part way, as on a full disk.
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const QStringList told = startAndClose(program, dir.filePath(QStringLiteral("user")));
    if (kind == QStringLiteral("limit"))
        setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(QStringLiteral("履歴を保存できませんでした。")), qPrintable(told[0]));
    QVERIFY2(told[0].contains(history) && told[0].contains(reason), qPrintable(told[0]));
    QCOMPARE(typeOf(node), type);
    if (link)
        QCOMPARE(typeOf(history), mode_t(S_IFLNK));
    if (kind == QStringLiteral("limit"))
        QCOMPARE(readAll(history), OldHistory);
    QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void TestHistoryFiles::fullFileSystem()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QByteArray programName = QFile::encodeName(program);
    // Codes: 0 saved nothing and said so, 1 no message, 2 history damaged, 3 leftovers, 4 not full.
    const int outcome = sandbox::withSmallFileSystem(programName.constData(), 64, [&] {
        const QString history = program + QStringLiteral("/Rireki.dat");
        if (!testfiles::writeAll(history, OldHistory))
            return 4;
        QFile filler(program + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return 4;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {}
        filler.close();
        const QStringList told = startAndClose(program, dir.filePath(QStringLiteral("user")));
        if (told.size() != 1 || !told[0].contains(history))
            return 1;
        if (readAll(history) != OldHistory)
            return 2;
        if (QDir(program).entryList(QDir::Files | QDir::Hidden).size() != 2)
            return 3;
        return 0;
    });
    if (outcome == sandbox::CannotMount)
        QSKIP("this machine does not let the test mount a file system of its own");
    QCOMPARE(outcome, 0);
}

void TestHistoryFiles::linkToAFileStaysALink()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    const QString kept = dir.filePath(QStringLiteral("kept"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(kept));
    const QString target = kept + QStringLiteral("/Real.dat");
    QVERIFY(testfiles::writeAll(target, OldHistory));
    QVERIFY(QFile::link(target, program + QStringLiteral("/Rireki.dat")));
    // A killed save through the link leaves its leftover beside the target.
    QVERIFY(testfiles::writeAll(kept + QStringLiteral("/.Real.dat.zelvo-unsaved-Xy12Zz"), OldHistory));
    QStringList captions;
    QCOMPARE(startAndClose(program, dir.filePath(QStringLiteral("user")), &captions), QStringList());
    QCOMPARE(captions[1], QStringLiteral("/写真/旅行 1"));
    QCOMPARE(typeOf(program + QStringLiteral("/Rireki.dat")), mode_t(S_IFLNK));
    QVERIFY(readAll(target).startsWith("/\r\n/"));
    QCOMPARE(QDir(kept).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Real.dat")});
}

void TestHistoryFiles::readOnlyProgramFolderWithInstalledHistory()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    const QString user = dir.filePath(QStringLiteral("home/data"));
    QVERIFY(QDir().mkpath(program) && QDir().mkpath(user));
    const QString installed = program + QStringLiteral("/Rireki.dat");
    QVERIFY(testfiles::writeAll(installed, OldHistory));
    for (const QString &folder : {dir.path(), dir.filePath(QStringLiteral("home")), program})
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(user).constData(), 0777), 0);
    // 0 read the installed history and wrote the user's own; else what failed.
    const int outcome = sandbox::asUnprivilegedUser([&] {
        QStringList captions;
        if (!startAndClose(program, user, &captions).isEmpty())
            return 1;
        return captions[1] == QStringLiteral("/写真/旅行 1") ? 0 : 2;
    });
    QCOMPARE(outcome, 0);
    QCOMPARE(readAll(installed), OldHistory);
    QVERIFY(readAll(user + QStringLiteral("/Rireki.dat")).startsWith("/\r\n/"));
}

void TestHistoryFiles::leftoversOfAKilledSave_data()
{
    // What stands beside Rireki.dat at start-up, and whether it is still
    // there after: only the program's own unfinished saves go.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind"); // history, empty, other, folder, link
    QTest::addColumn<bool>("stays");
    const QString ours = QStringLiteral(".Rireki.dat.zelvo-unsaved-AbC123");
    QTest::newRow("an unfinished save") << ours << QStringLiteral("history") << false;
    QTest::newRow("a save killed before it wrote") << ours << QStringLiteral("empty") << false;
    QTest::newRow("our name, other content") << ours << QStringLiteral("other") << true;
    QTest::newRow("our name, a folder") << ours << QStringLiteral("folder") << true;
    QTest::newRow("our name, a link") << ours << QStringLiteral("link") << true;
    QTest::newRow("five characters") << QStringLiteral(".Rireki.dat.zelvo-unsaved-AbC12") << QStringLiteral("history") << true;
    QTest::newRow("a user's dated copy") << QStringLiteral("Rireki.dat.201201") << QStringLiteral("history") << true;
    QTest::newRow("a user's backup") << QStringLiteral("Rireki.dat.backup") << QStringLiteral("history") << true;
    QTest::newRow("a user's ORIG01") << QStringLiteral("Rireki.dat.ORIG01") << QStringLiteral("other") << true;
    QTest::newRow("another file's save") << QStringLiteral(".Other.dat.zelvo-unsaved-AbC123") << QStringLiteral("history") << true;
}

void TestHistoryFiles::leftoversOfAKilledSave()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, stays);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QString at = program + QLatin1Char('/');
    QVERIFY(testfiles::writeAll(at + QStringLiteral("Rireki.dat"), OldHistory));
    if (kind == QStringLiteral("folder"))
        QVERIFY(QDir().mkpath(at + name));
    else if (kind == QStringLiteral("link"))
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("Rireki.dat")), at + name));
    else
        QVERIFY(testfiles::writeAll(at + name, kind == QStringLiteral("history") ? OldHistory
                                               : kind == QStringLiteral("other") ? QByteArray("mine")
                                                                                 : QByteArray()));
    QVERIFY(testfiles::writeAll(dir.filePath(QStringLiteral("Rireki.dat")), OldHistory)); // a link's target
    QCOMPARE(startAndClose(program, dir.filePath(QStringLiteral("user"))), QStringList());
    QCOMPARE(QFileInfo(at + name).exists() || QFileInfo(at + name).isSymLink(), stays);
    // The save itself leaves nothing behind.
    QStringList left = QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.sort();
    QStringList expected{QStringLiteral("Rireki.dat")};
    if (stays)
        expected.append(name);
    expected.sort();
    QCOMPARE(left, expected);
}

void TestHistoryFiles::longLines_data()
{
    // A damaged line far longer than the cap is cut; the lines after it are
    // still read, and line 11 still decides the save option.
    QTest::addColumn<QList<int>>("longAt"); // lines (1 to 11) made 1 MB long
    QTest::addColumn<bool>("saved");        // line 11 of the file
    QTest::newRow("line 1") << QList<int>{1} << false;
    QTest::newRow("line 5") << QList<int>{5} << false;
    QTest::newRow("line 11") << QList<int>{11} << true;
    QTest::newRow("all eleven") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << true;
    QTest::newRow("one, saving on") << QList<int>{1} << true;
}

void TestHistoryFiles::longLines()
{
    QFETCH(QList<int>, longAt);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    const QByteArray longLine(1024 * 1024, 'a');
    QByteArray file;
    for (int line = 1; line <= 11; ++line) {
        const QByteArray text = line == 11 ? QByteArray(saved ? "True" : "False") : "/f" + QByteArray::number(line);
        file += (longAt.contains(line) ? longLine : text) + "\r\n";
    }
    QVERIFY(testfiles::writeAll(program + QStringLiteral("/Rireki.dat"), file));
    FolderServices services(program, dir.filePath(QStringLiteral("user")));
    Fixture f;
    f.host.realServices = &services;
    f.form.Form_Load();
    const QStringList captions = f.captions();
    for (int line = 1; line <= 10; ++line) {
        // Slot 1 is the start folder now; the file's lines follow it.
        const QString caption = line < 10 ? captions[line] : QString();
        if (line == 10)
            continue; // pushed out by the start folder
        if (longAt.contains(line))
            QCOMPARE(caption, QString(history::MaxRirekiLineBytes, QLatin1Char('a')));
        else
            QCOMPARE(caption, QStringLiteral("/f%1").arg(line));
    }
    QCOMPARE(f.saveOption(), saved || longAt.contains(11));
}

void TestHistoryFiles::lockHeldAcrossReadMergeAndWrite()
{
    // Another window saved after this one started: at closing this window
    // reads the file again, merges and writes it, and no other copy of the
    // program may save in between.
    QTemporaryDir program;
    const QString history = program.filePath(QStringLiteral("Rireki.dat"));
    QVERIFY(testfiles::writeAll(history, OldHistory));
    WatchedServices services(program.path(), history);
    Fixture f;
    f.host.realServices = &services;
    f.form.Form_Load();
    QVERIFY(testfiles::writeAll(history, cp932File(folderNames(QStringLiteral("/other/"), 10) + QStringList{QStringLiteral("True")})));
    QVERIFY(anotherCopyGetsTheLock(history)); // the probe can take a free lock
    services.watching = true;
    f.form.Form_Unload();
    QCOMPARE(services.seen, (QStringList{QStringLiteral("read, other copy locks: no"),
                                         QStringLiteral("write, other copy locks: no")}));
    // Released once the window is closed.
    QVERIFY(anotherCopyGetsTheLock(history));
}

int main(int argc, char *argv[])
{
    // The other copy of the program in the lock test.
    if (argc == 3 && qstrcmp(argv[1], "--try-lock") == 0) {
        QCoreApplication app(argc, argv);
        qthost::QtServices services;
        return services.lockFile(QString::fromLocal8Bit(argv[2]), 0) ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestHistoryFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_historyfiles.moc"
