#include "picture/window/helperspawn.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace picture {
namespace {

// Everything the child needs between the clone and the exec, made before
// the clone: there it may only make system calls (the window has threads,
// and a lock one of them held is held for ever in the child).
struct ChildPlan
{
    static constexpr int MaxDescriptors = 16;
    const char *program = nullptr;
    char *const *argv = nullptr;
    char *const *envp = nullptr;
    int sources[MaxDescriptors] = {}; // what becomes its descriptor 0, 1, 2 ...
    int count = 0;
    int goRead = -1;
    int goWrite = -1;
};

// Descriptors of the child are moved above these before they are put in place.
constexpr int AboveTargets = 64;

[[noreturn]] void becomeHelper(const ChildPlan &plan)
{
    ::close(plan.goWrite);
    // Dies with the window. If the window has gone already, before this
    // line, nothing will ever write to the pipe: its end is seen below.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    char go = 0;
    if (::read(plan.goRead, &go, 1) != 1)
        ::_exit(127);
    // No controlling terminal: nothing it does reaches the one the program
    // was started from.
    ::setsid();
    int moved[ChildPlan::MaxDescriptors];
    for (int i = 0; i < plan.count; ++i) {
        moved[i] = ::fcntl(plan.sources[i], F_DUPFD, AboveTargets);
        if (moved[i] < 0)
            ::_exit(127);
    }
    for (int i = 0; i < plan.count; ++i) {
        if (::dup2(moved[i], i) != i)
            ::_exit(127);
    }
    ::close_range(unsigned(plan.count), ~0U, 0);
    ::execve(plan.program, plan.argv, plan.envp);
    ::_exit(127);
}

bool writeFile(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// The helper is root in its own user namespace (so that it may make its
// root empty once its libraries are loaded), and that root is the window's
// own user outside: it can do nothing there the window's user cannot.
bool mapUser(pid_t pid)
{
    const QByteArray proc = "/proc/" + QByteArray::number(pid);
    return writeFile(proc + "/setgroups", "deny")
           && writeFile(proc + "/uid_map", "0 " + QByteArray::number(::geteuid()) + " 1")
           && writeFile(proc + "/gid_map", "0 " + QByteArray::number(::getegid()) + " 1");
}

pid_t cloneChild(quint64 flags, int *pidfd)
{
    clone_args args{};
    args.flags = flags | CLONE_PIDFD;
    args.pidfd = quint64(reinterpret_cast<quintptr>(pidfd));
    args.exit_signal = SIGCHLD;
    return pid_t(::syscall(SYS_clone3, &args, sizeof args));
}

std::vector<char *> pointers(QList<QByteArray> &strings)
{
    std::vector<char *> list;
    for (QByteArray &string : strings)
        list.push_back(string.data());
    list.push_back(nullptr);
    return list;
}

} // namespace

QList<QByteArray> helperEnvironment()
{
    // The decoders' big buffers on huge pages where the system allows them:
    // every first touch of a fresh page is a fault, a 12 MP HEIC's decode
    // took 27,000 of them (libheif 1.15 also copies every item of the file
    // when it opens one, its pictures too), and they cost a quarter of its
    // time.
    QList<QByteArray> environment{"LANG=C.UTF-8", "GLIBC_TUNABLES=glibc.malloc.hugetlb=1"};
    for (const char *name : {"QT_LOGGING_RULES", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            environment.append(QByteArray(name) + '=' + qgetenv(name));
    }
    return environment;
}

StartedHelper startHelper(const HelperStart &start)
{
    StartedHelper started;
    QList<QByteArray> argvStrings{start.program};
    argvStrings += start.arguments;
    QList<QByteArray> envStrings = start.environment;
    const std::vector<char *> argv = pointers(argvStrings);
    const std::vector<char *> envp = pointers(envStrings);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    int go[2] = {-1, -1};
    if (devNull < 0 || start.descriptors.size() > ChildPlan::MaxDescriptors - 3 || ::pipe2(go, O_CLOEXEC) != 0) {
        if (devNull >= 0)
            ::close(devNull);
        return started;
    }
    ChildPlan plan;
    plan.program = start.program.constData();
    plan.argv = argv.data();
    plan.envp = envp.data();
    plan.sources[plan.count++] = devNull;
    plan.sources[plan.count++] = devNull;
    plan.sources[plan.count++] = start.errors >= 0 ? start.errors : devNull;
    for (const int fd : start.descriptors)
        plan.sources[plan.count++] = fd;
    plan.goRead = go[0];
    plan.goWrite = go[1];

    constexpr quint64 Namespaces =
        CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET | CLONE_NEWIPC | CLONE_NEWNS | CLONE_NEWUTS;
    int pidfd = -1;
    pid_t pid = -1;
    if (start.namespaces) {
        pid = cloneChild(Namespaces, &pidfd);
        if (pid == 0)
            becomeHelper(plan);
        if (pid > 0 && !mapUser(pid)) {
            // Namespaces the system will not map a user into: no use.
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            ::close(pidfd);
            pid = -1;
        }
        started.ownNamespaces = pid > 0;
    }
    if (pid < 0) {
        pidfd = -1;
        pid = cloneChild(0, &pidfd);
        if (pid < 0 && errno == ENOSYS) {
            // A kernel before clone3 (Linux 5.3): forked, told of its end
            // by asking.
            pidfd = -1;
            pid = ::fork();
        }
        if (pid == 0)
            becomeHelper(plan);
    }
    ::close(go[0]);
    ::close(devNull);
    if (pid > 0 && ::write(go[1], "g", 1) != 1) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ::close(go[1]);
    if (pid < 0) {
        if (pidfd >= 0)
            ::close(pidfd);
        return {};
    }
    started.pid = pid;
    started.pidfd = pidfd;
    return started;
}

} // namespace picture
