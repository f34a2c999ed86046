// What code running inside a contained decoder helper can do, tried as an
// attacker would: a helper contained exactly as zelvo-decoder is runs each
// attempt and says what the system answered. Each must fail with the
// filter's answer (EPERM; EACCES for a path's status; ENOSYS where the C
// library falls back), in namespaces of its own and without them, and the
// test's file must be as it was. Also what the window sees of a helper from
// outside: no terminal, nothing but /dev/null, an environment of its own,
// and its end with the window's.

#include "picture/window/helperprocess.h"
#include "picture/window/helperspawn.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <memory>

using namespace picture;

namespace {

QString attackHelper()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zelvo-attack-helper");
}

// Where a descriptor of a process leads, as the system says it.
QByteArray linkOf(qint64 pid, const char *fd)
{
    char target[256] = {};
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/fd/" + fd;
    const ssize_t length = ::readlink(path.constData(), target, sizeof target - 1);
    return length > 0 ? QByteArray(target, length) : QByteArray();
}

QByteArray procFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program's own decoder helper, started and ready; null when it did not get ready.
std::unique_ptr<HelperProcess> readyDecoder(bool namespaces)
{
    HelperProcess::Options options;
    options.program = decoderHelperPath();
    options.namespaces = namespaces;
    auto process = std::make_unique<HelperProcess>(options, nullptr);
    if (!QTest::qWaitFor([&] { return process->isReady() || process->hasEnded(); }, 30000) || !process->isReady())
        return nullptr;
    return process;
}

struct Answer
{
    bool heard = false;
    int error = -1;
};

} // namespace

class TestSandbox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void attempts_data();
    void attempts();
    void theFileIsAsItWas();
    void containment_data();
    void containment();
    void seenFromOutside_data();
    void seenFromOutside();
    void diesWithTheWindow_data();
    void diesWithTheWindow();

private:
    // A ready attack helper, in namespaces of its own or not; null when it cannot start.
    HelperProcess *helper(bool namespaces);
    std::map<bool, std::unique_ptr<HelperProcess>> m_helpers;
    QTemporaryDir m_dir;
    QString m_file;
    struct stat m_before {};
    quint64 m_next = 1;
};

void TestSandbox::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("id_rsa"));
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("secret") == 6);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(m_file).constData(), 0600), 0);
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &m_before), 0);
}

void TestSandbox::cleanupTestCase()
{
    m_helpers.clear();
}

HelperProcess *TestSandbox::helper(bool namespaces)
{
    std::unique_ptr<HelperProcess> &slot = m_helpers[namespaces];
    if (slot && !slot->hasEnded())
        return slot.get();
    HelperProcess::Options options;
    options.program = attackHelper();
    options.namespaces = namespaces;
    slot = std::make_unique<HelperProcess>(options, nullptr);
    if (!QTest::qWaitFor([&] { return slot->isReady() || slot->hasEnded(); }, 30000) || slot->hasEnded())
        return nullptr;
    return slot.get();
}

void TestSandbox::attempts_data()
{
    QTest::addColumn<bool>("namespaces");
    QTest::addColumn<QByteArray>("attack");
    QTest::addColumn<int>("error");
    // What the filter answers: each call refused before the system looks.
    const QList<std::pair<const char *, int>> attacks = {
        {"type into the terminal", EPERM},
        {"type into the file's terminal", EPERM},
        {"signal every process", EPERM},
        {"signal the window", EPERM},
        {"stop a process", EPERM},
        {"signal another's thread", EPERM},
        {"fork", EPERM},
        {"clone a process", EPERM},
        {"clone3", ENOSYS},
        {"leave the session", EPERM},
        {"watch files (inotify)", EPERM},
        {"watch files (fanotify)", EPERM},
        {"chmod by name", EPERM},
        {"fchmodat2 by name", EPERM},
        {"an ACL by name", EPERM},
        {"times by name", EPERM},
        {"owner by name", EPERM},
        {"remove a folder", EPERM},
        {"remove a file", EPERM},
        {"chmod the photo", EPERM},
        {"times of the photo", EPERM},
        {"owner of the photo", EPERM},
        {"an attribute on the photo", EPERM},
        {"lock the photo", EPERM},
        {"a lease on the photo", EPERM},
        {"a record lock on the photo", EPERM},
        {"write to the photo", EPERM},
        {"read the keyring", EPERM},
        {"add a key", EPERM},
        // The C library asks fstatat where statx is not there: refused as a path.
        {"a path's size and times (statx)", EACCES},
        {"a path's size and times (stat)", EACCES},
        {"whether a path is there", EPERM},
        {"the window's open files", EPERM},
        {"open a file", EPERM},
        {"open the terminal", EPERM},
        {"the window's open-file limit", EPERM},
        {"renice the user's programs", EPERM},
        {"renice a process", EPERM},
        {"another's affinity", EPERM},
        {"raise its own limits", EPERM},
        {"shared memory (memfd)", EPERM},
        {"shared memory (anonymous)", EPERM},
        {"shared memory (anonymous, a descriptor given)", EPERM},
        {"shared memory (System V)", EPERM},
        {"more memory than its limit", ENOMEM},
        {"a namespace of its own", EPERM},
        {"mount", EPERM},
        {"open_tree", EPERM},
        {"bpf", EPERM},
        {"perf_event_open", EPERM},
        {"userfaultfd", EPERM},
        {"io_uring", EPERM},
        {"ptrace the window", EPERM},
        {"read the window's memory", EPERM},
        {"a socket", EPERM},
        {"a pipe", EPERM},
        {"run a program", EPERM},
        {"a pidfd of the window", EPERM},
        {"dumpable again", EPERM},
        {"chroot", EPERM},
        {"reboot", EPERM},
    };
    for (const bool namespaces : {true, false}) {
        for (const auto &[attack, error] : attacks) {
            QTest::addRow("%s, %s", namespaces ? "own namespaces" : "no namespaces", attack)
                << namespaces << QByteArray(attack) << error;
        }
    }
}

void TestSandbox::attempts()
{
    QFETCH(bool, namespaces);
    QFETCH(QByteArray, attack);
    QFETCH(int, error);
#if defined(__SANITIZE_ADDRESS__)
    if (attack == "more memory than its limit" || attack == "raise its own limits")
        QSKIP("the address sanitizer's shadow memory is terabytes: the helpers have no memory limit here");
    if (attack == "a pipe" || attack == "write to the photo")
        QSKIP("the sanitizers tell readable memory through a pipe: their build's filter allows pipes and writes");
#endif
    HelperProcess *contained = helper(namespaces);
    if (!contained)
        QFAIL("the attack helper did not start");
    if (namespaces && !contained->ownNamespaces())
        QSKIP("this system does not give a helper namespaces of its own");
    Answer answer;
    const QMetaObject::Connection heard =
        connect(contained, &HelperProcess::replied, this, [&answer](const protocol::Reply &reply, const QByteArray &, int fd) {
            if (fd >= 0)
                ::close(fd);
            answer = {true, reply.frame};
        });
    const QByteArray tail = attack + '\n' + QFile::encodeName(m_file) + '\n' + QByteArray::number(qint64(::getpid()));
    protocol::Request request;
    request.id = m_next++;
    request.uriBytes = quint32(tail.size());
    const int photo = ::open(QFile::encodeName(m_file).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(photo >= 0);
    QVERIFY(contained->send(request, tail, photo));
    ::close(photo);
    QTRY_VERIFY_WITH_TIMEOUT(answer.heard || contained->hasEnded(), 30000);
    disconnect(heard);
    QVERIFY2(answer.heard, "the helper ended instead of answering");
    QVERIFY2(answer.error != 0, "the attempt succeeded");
    QCOMPARE(answer.error, error);
}

void TestSandbox::theFileIsAsItWas()
{
    // After every attempt above, the test's file has its mode, owner,
    // times and content, and no attribute was added.
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &after), 0);
    QCOMPARE(after.st_mode, m_before.st_mode);
    QCOMPARE(after.st_uid, m_before.st_uid);
    QCOMPARE(after.st_mtim.tv_sec, m_before.st_mtim.tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, m_before.st_mtim.tv_nsec);
    QCOMPARE(after.st_ctim.tv_nsec, m_before.st_ctim.tv_nsec);
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("secret"));
}

void TestSandbox::containment_data()
{
    QTest::addColumn<bool>("namespaces");
    QTest::newRow("own namespaces") << true;
    QTest::newRow("no namespaces") << false;
}

void TestSandbox::containment()
{
    // What the helper says holds it in, once ready: in namespaces of its
    // own it has an empty root and no capability; without them the filter
    // holds it, and root (CI runs as root) still gets an empty root.
    QFETCH(bool, namespaces);
    const std::unique_ptr<HelperProcess> helper = readyDecoder(namespaces);
    QVERIFY(helper);
    HelperProcess &process = *helper;
    if (namespaces && !process.ownNamespaces())
        QSKIP("this system does not give a helper namespaces of its own");
    QCOMPARE(process.ownNamespaces(), namespaces);
    QVERIFY(process.containment() & protocol::SystemCallFilter);
    const bool root = ::geteuid() == 0;
    QCOMPARE(bool(process.containment() & protocol::EmptyRoot), namespaces || root);
    QCOMPARE(bool(process.containment() & protocol::NoCapabilities), namespaces || root);
}

void TestSandbox::seenFromOutside_data()
{
    containment_data();
}

void TestSandbox::seenFromOutside()
{
    QFETCH(bool, namespaces);
    const std::unique_ptr<HelperProcess> helper = readyDecoder(namespaces);
    QVERIFY(helper);
    HelperProcess &process = *helper;
    const qint64 pid = process.pid();
    // Nothing to type into: its standard input and output are /dev/null,
    // and so is its standard error unless the decoders' messages are asked for.
    for (const char *fd : {"0", "1"})
        QCOMPARE(linkOf(pid, fd), QByteArray("/dev/null"));
    const QByteArray errors = linkOf(pid, "2");
    QVERIFY2(errors == "/dev/null" || errors.startsWith("pipe:"), errors.constData());
#if !defined(__SANITIZE_ADDRESS__)
    // Heard only when asked for (the sanitizer build always hears its reports).
    if (!qEnvironmentVariable("QT_LOGGING_RULES").contains(QLatin1String("zelvo.decoders")))
        QCOMPARE(errors, QByteArray("/dev/null"));
#endif
    // A session of its own, without a controlling terminal.
    const QByteArray stat = procFile(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    QVERIFY(fields.size() > 5);
    QVERIFY(fields.at(3).toLongLong() != qint64(::getsid(0))); // session
    QCOMPARE(fields.at(4).toInt(), 0);                          // tty_nr
    // No variable of the user's but the locale and the sanitizer's own;
    // the allocator's setting is the program's.
    const QList<QByteArray> environment = procFile(pid, "environ").split('\0');
    for (const QByteArray &variable : environment) {
        if (variable.isEmpty())
            continue;
        QVERIFY2(variable.startsWith("LANG=") || variable == "GLIBC_TUNABLES=glibc.malloc.hugetlb=1"
                     || variable.startsWith("QT_LOGGING_RULES=")
                     || variable.startsWith("ASAN_OPTIONS=") || variable.startsWith("UBSAN_OPTIONS=")
                     || variable.startsWith("LSAN_OPTIONS="),
                 variable.constData());
    }
    QVERIFY(!environment.contains("HOME=" + qgetenv("HOME")));
}

void TestSandbox::diesWithTheWindow_data()
{
    containment_data();
}

void TestSandbox::diesWithTheWindow()
{
    // A "window" of its own (a child of the test) starts a helper and ends
    // without a word; the helper goes with it.
    QFETCH(bool, namespaces);
    int report[2];
    QCOMPARE(::pipe(report), 0);
    const QByteArray program = QFile::encodeName(decoderHelperPath());
    const pid_t window = ::fork();
    if (window == 0) {
        ::close(report[0]);
        int ends[2];
        const int cancel = ::memfd_create("cancel", 0);
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0 || cancel < 0 || ::ftruncate(cancel, 4096) != 0)
            ::_exit(1);
        HelperStart start;
        start.program = program;
        start.arguments = {"2048"};
        start.environment = helperEnvironment();
        start.descriptors = {ends[1], cancel};
        start.namespaces = namespaces;
        const StartedHelper started = startHelper(start);
        const qint64 pid = started.pid;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &pid, sizeof pid);
        // Waits until the helper is ready, then ends as a crashed window would.
        char ready[256];
        [[maybe_unused]] const ssize_t got = ::read(ends[0], ready, sizeof ready);
        ::_exit(0);
    }
    ::close(report[1]);
    qint64 helperPid = -1;
    QCOMPARE(::read(report[0], &helperPid, sizeof helperPid), ssize_t(sizeof helperPid));
    ::close(report[0]);
    QVERIFY(helperPid > 0);
    QCOMPARE(::waitpid(window, nullptr, 0), window);
    // Gone, or a zombie only the system has left to clear.
    const auto running = [helperPid] {
        const QByteArray state = procFile(helperPid, "stat");
        return !state.isEmpty() && state.mid(state.lastIndexOf(')') + 2, 1) != "Z";
    };
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);
}

QTEST_GUILESS_MAIN(TestSandbox)
#include "tst_sandbox.moc"
