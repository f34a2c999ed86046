// The Qt host's file services on a real file system: whole-or-nothing
// writes, where the history may be written, capped reads.

#include "folders/folders.h"
#include "host/qt/window/services.h"
#include "sandbox.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using testfiles::readAll;

namespace {

void writeAll(const QString &path, const QByteArray &bytes)
{
    QVERIFY(testfiles::writeAll(path, bytes));
}

} // namespace

class TestServices : public QObject
{
    Q_OBJECT
private slots:
    void writeReplacesWhole();
    void mayReplaceFile_data();
    void mayReplaceFile();
    void readsAreCapped();
    void listsStartOnAReadableFolder();
    void missingFilesHaveNoLengthOrDate();
    void lockIsHeldUntilReleased();
    void writePermissions_data();
    void writePermissions();
    void userFolderWithoutAHome();
};

void TestServices::writeReplacesWhole()
{
    QTemporaryDir dir;
    qthost::QtServices services;
    const QString path = dir.filePath(QStringLiteral("new/folder/Rireki.dat"));
    QVERIFY(services.writeFileAtomic(path, "first\r\n").ok);
    QVERIFY(services.writeFileAtomic(path, "second\r\n").ok);
    QCOMPARE(readAll(path), QByteArray("second\r\n"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("new/folder"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Rireki.dat")});
}

void TestServices::lockIsHeldUntilReleased()
{
    // Two windows saving at the same moment: the second waits for the first.
    QTemporaryDir dir;
    qthost::QtServices services;
    const QString path = dir.filePath(QStringLiteral("Rireki.dat"));
    std::unique_ptr<host::FileLock> first = services.lockFile(path, 0);
    QVERIFY(first);
    QVERIFY(!services.lockFile(path, 50));
    first.reset();
    QVERIFY(services.lockFile(path, 0));
    // A place where no lock file can be made: no lock, no wait.
    QVERIFY(!services.lockFile(dir.filePath(QStringLiteral("missing/Rireki.dat")), 0));
}

void TestServices::writePermissions_data()
{
    QTest::addColumn<int>("existingMode"); // -1: no file before
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("expected");
    // The replaced file is the user's: it keeps the rights they gave it,
    // whatever the umask says.
    QTest::newRow("replaced, its own rights") << 0640 << 077 << 0640;
    // A new file has the rights any program gives one under the umask.
    QTest::newRow("new, umask 022") << -1 << 022 << 0644;
    QTest::newRow("new, umask 027") << -1 << 027 << 0640;
    QTest::newRow("new, umask 002") << -1 << 002 << 0664;
}

void TestServices::writePermissions()
{
    QFETCH(int, existingMode);
    QFETCH(int, umask);
    QFETCH(int, expected);
    QTemporaryDir dir;
    qthost::QtServices services;
    const QString path = dir.filePath(QStringLiteral("Rireki.dat"));
    if (existingMode >= 0) {
        writeAll(path, "old\r\n");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(existingMode)), 0);
    }
    const mode_t before = ::umask(mode_t(umask));
    const bool written = services.writeFileAtomic(path, "new\r\n").ok;
    ::umask(before);
    QVERIFY(written);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(int(status.st_mode & 07777), expected);
}

void TestServices::mayReplaceFile_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<bool>("may");
    QTest::newRow("writable folder, no file") << 0777 << false << 0 << true;
    QTest::newRow("writable folder, writable file") << 0777 << true << 0666 << true;
    QTest::newRow("writable folder, read-only file") << 0777 << true << 0444 << false;
    QTest::newRow("read-only folder, no file") << 0555 << false << 0 << false;
    QTest::newRow("read-only folder, writable file") << 0555 << true << 0666 << false;
}

void TestServices::mayReplaceFile()
{
    QFETCH(int, folderMode);
    QFETCH(bool, fileExists);
    QFETCH(int, fileMode);
    QFETCH(bool, may);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Rireki.dat");
    if (fileExists) {
        writeAll(path, "x");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
    }
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
    const int answer = sandbox::asUnprivilegedUser([&] { return qthost::QtServices().mayReplaceFile(path) ? 1 : 0; });
    QCOMPARE(answer, may ? 1 : 0);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

void TestServices::readsAreCapped()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big"));
    writeAll(path, QByteArray(10000, 'a'));
    qthost::QtServices services;
    QCOMPARE(services.readFileHead(path, 100)->size(), 100);
    QVERIFY(!services.readFileHead(dir.filePath(QStringLiteral("missing")), 100));
    QVERIFY(!services.readFileHead(dir.path(), 100));
}

void TestServices::missingFilesHaveNoLengthOrDate()
{
    QTemporaryDir dir;
    qthost::QtServices services;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    writeAll(path, QByteArray(1535, 'x'));
    QCOMPARE(services.fileLength(path).value_or(-1), 1535);
    QVERIFY(services.fileModified(path).has_value());
    QVERIFY(QFile::remove(path));
    QVERIFY(!services.fileLength(path));
    QVERIFY(!services.fileModified(path));
    QVERIFY(!services.fileLength(dir.path()));
}

void TestServices::listsStartOnAReadableFolder()
{
    // As an ordinary user: a folder that is gone, or that may be entered but
    // not read, gives way to the nearest one above that can be listed.
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("kept"));
    const QString closed = kept + QStringLiteral("/closed");
    QVERIFY(QDir().mkpath(closed + QStringLiteral("/inner")));
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(closed).constData(), 0111), 0);
    const struct
    {
        QString preferred, expected;
    } cases[] = {
        {kept, kept},
        {kept + QStringLiteral("/gone/deeper"), kept},
        {closed, kept},
        {closed + QStringLiteral("/inner"), closed + QStringLiteral("/inner")}, // entered through, and readable
    };
    for (const auto &[preferred, expected] : cases) {
        const int same = sandbox::asUnprivilegedUser([&] { return folders::startFolder(preferred) == expected ? 1 : 0; });
        QVERIFY2(same == 1, qPrintable(preferred));
    }
    QCOMPARE(folders::startFolder(QString()), QDir::homePath());
    // Relative: read against a current folder that may be gone; never taken.
    QCOMPARE(folders::startFolder(QStringLiteral(".")), QDir::homePath());
    ::chmod(QFile::encodeName(closed).constData(), 0755);
}

void TestServices::userFolderWithoutAHome()
{
    // With HOME unset Qt's location starts with "//"; the exit message names
    // this folder, so it must be a clean path.
    const QByteArray home = qgetenv("HOME");
    qunsetenv("HOME");
    const QString folder = qthost::QtServices().userDataFolder();
    qputenv("HOME", home);
    QVERIFY2(!folder.contains(QStringLiteral("//")) && folder == QDir::cleanPath(folder), qPrintable(folder));
}

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
