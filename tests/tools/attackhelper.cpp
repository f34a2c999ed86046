// A decoder helper whose "decoder" has been taken over: contained exactly as
// zelvo-decoder is (the same start), it then runs, for each request, the
// attack the request names, as code injected through a decoder's memory bug
// would, and answers with the error the system gave (0: it worked). Each
// attack is made harmless should it work: signals are 0, the processes and
// users aimed at do not exist, a file changed is the test's own.
//   request tail: "<attack>\n<a file of the test's>\n<the window's pid>"
//   reply: frame = errno, 0 when the attempt succeeded

#include "picture/helper/startup.h"
#include "picture/wire/protocol.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/keyctl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <termios.h>
#include <unistd.h>

using namespace picture::protocol;

namespace {

// A process and a user no system has.
constexpr pid_t Nobody = 0x3FFFFFF0;
constexpr uid_t NoUser = 0x7FFFFFF0;

int result(long value)
{
    return value < 0 ? errno : 0;
}

// `fd`: the test's file, opened for reading; `path`: the same by name.
int attack(const QByteArray &name, int fd, const char *path, pid_t window)
{
    const char *folder = "/tmp";
    if (name == "type into the terminal") {
        char c = 'x';
        return result(ioctl(STDERR_FILENO, TIOCSTI, &c));
    }
    if (name == "type into the file's terminal") {
        char c = 'x';
        return result(ioctl(fd, TIOCSTI, &c));
    }
    if (name == "signal every process")
        return result(kill(-1, 0));
    if (name == "signal the window")
        return result(kill(window, 0));
    if (name == "stop a process")
        return result(kill(Nobody, SIGSTOP));
    if (name == "signal another's thread")
        return result(syscall(SYS_tgkill, Nobody, Nobody, 0));
    if (name == "fork") {
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        if (child > 0)
            waitpid(child, nullptr, 0);
        return result(child);
    }
    if (name == "clone a process") {
        const long child = syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0);
        if (child == 0)
            _exit(0);
        if (child > 0)
            waitpid(pid_t(child), nullptr, 0);
        return result(child);
    }
    if (name == "clone3")
        return result(syscall(SYS_clone3, nullptr, 0));
    if (name == "leave the session")
        return result(setsid());
    if (name == "watch files (inotify)")
        return result(inotify_init1(IN_CLOEXEC));
    if (name == "watch files (fanotify)")
        return result(syscall(SYS_fanotify_init, 0, O_RDONLY));
    if (name == "chmod by name")
        return result(fchmodat(AT_FDCWD, path, 0666, 0));
    if (name == "fchmodat2 by name")
        return result(syscall(452, AT_FDCWD, path, 0666, 0));
    if (name == "an ACL by name") {
        const char acl[] = {2, 0, 0, 0}; // a version header alone
        return result(setxattr(path, "system.posix_acl_access", acl, sizeof acl, 0));
    }
    if (name == "times by name")
        return result(utimensat(AT_FDCWD, path, nullptr, 0));
    if (name == "owner by name")
        return result(fchownat(AT_FDCWD, path, getuid(), getgid(), 0));
    if (name == "remove a folder")
        return result(rmdir(folder));
    if (name == "remove a file")
        return result(unlink(path));
    if (name == "chmod the photo")
        return result(fchmod(fd, 0666));
    if (name == "times of the photo")
        return result(futimens(fd, nullptr));
    if (name == "owner of the photo")
        return result(fchown(fd, getuid(), getgid()));
    if (name == "an attribute on the photo")
        return result(fsetxattr(fd, "user.zelvo-attack", "x", 1, 0));
    if (name == "lock the photo")
        return result(flock(fd, LOCK_SH | LOCK_NB));
    if (name == "a lease on the photo")
        return result(fcntl(fd, F_SETLEASE, F_RDLCK));
    if (name == "a record lock on the photo") {
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        return result(fcntl(fd, F_SETLK, &lock));
    }
    if (name == "write to the photo")
        return result(write(fd, "x", 1));
    if (name == "read the keyring")
        return result(syscall(SYS_keyctl, KEYCTL_GET_KEYRING_ID, KEY_SPEC_USER_KEYRING, 0));
    if (name == "add a key")
        return result(syscall(SYS_add_key, "user", "zelvo", "x", 1, KEY_SPEC_PROCESS_KEYRING));
    if (name == "a path's size and times (statx)") {
        struct statx status {};
        return result(statx(AT_FDCWD, path, 0, STATX_SIZE | STATX_MTIME, &status));
    }
    if (name == "a path's size and times (stat)") {
        struct stat status {};
        return result(stat(path, &status));
    }
    if (name == "whether a path is there")
        return result(access(path, F_OK));
    if (name == "the window's open files") {
        const QByteArray fds = "/proc/" + QByteArray::number(window) + "/fd";
        return result(open(fds.constData(), O_RDONLY | O_DIRECTORY));
    }
    if (name == "open a file")
        return result(open(path, O_RDONLY));
    if (name == "open the terminal")
        return result(open("/dev/tty", O_RDWR));
    if (name == "the window's open-file limit") {
        rlimit old {};
        return result(prlimit(window, RLIMIT_NOFILE, nullptr, &old));
    }
    if (name == "renice the user's programs")
        return result(setpriority(PRIO_USER, NoUser, 19));
    if (name == "renice a process")
        return result(setpriority(PRIO_PROCESS, Nobody, 19));
    if (name == "another's affinity") {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(0, &set);
        return result(sched_setaffinity(Nobody, sizeof set, &set));
    }
    if (name == "raise its own limits") {
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        return result(setrlimit(RLIMIT_AS, &unlimited));
    }
    if (name == "shared memory (memfd)")
        return result(memfd_create("attack", 0));
    if (name == "shared memory (anonymous)") {
        void *memory = mmap(nullptr, 1 << 30, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? errno : 0;
    }
    if (name == "shared memory (anonymous, a descriptor given)") {
        void *memory = mmap(nullptr, 1 << 30, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, fd, 0);
        return memory == MAP_FAILED ? errno : 0;
    }
    if (name == "shared memory (System V)")
        return result(shmget(IPC_PRIVATE, 1 << 30, IPC_CREAT | 0600));
    if (name == "more memory than its limit") {
        // 3 GiB written, past its 2 GiB of data.
        const size_t bytes = size_t(3) << 30;
        void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? errno : 0;
    }
    if (name == "a namespace of its own")
        return result(unshare(CLONE_NEWUSER));
    if (name == "mount")
        return result(mount("none", folder, "tmpfs", 0, nullptr));
    if (name == "open_tree")
        return result(syscall(SYS_open_tree, AT_FDCWD, "/", 0));
    if (name == "bpf")
        return result(syscall(SYS_bpf, 0, nullptr, 0));
    if (name == "perf_event_open")
        return result(syscall(SYS_perf_event_open, nullptr, 0, -1, -1, 0));
    if (name == "userfaultfd")
        return result(syscall(SYS_userfaultfd, 0));
    if (name == "io_uring")
        return result(syscall(SYS_io_uring_setup, 1, nullptr));
    if (name == "ptrace the window")
        return result(ptrace(PTRACE_ATTACH, window, nullptr, nullptr));
    if (name == "read the window's memory") {
        char byte = 0;
        iovec local{&byte, 1}, remote{reinterpret_cast<void *>(0x400000), 1};
        return result(process_vm_readv(window, &local, 1, &remote, 1, 0));
    }
    if (name == "a socket")
        return result(socket(AF_UNIX, SOCK_STREAM, 0));
    if (name == "a pipe") {
        int ends[2];
        return result(pipe(ends));
    }
    if (name == "run a program") {
        char *const arguments[] = {const_cast<char *>("/bin/true"), nullptr};
        return result(execve("/bin/true", arguments, nullptr));
    }
    if (name == "a pidfd of the window")
        return result(syscall(SYS_pidfd_open, window, 0));
    if (name == "dumpable again")
        return result(prctl(PR_SET_DUMPABLE, 1));
    if (name == "chroot")
        return result(chroot("/"));
    if (name == "reboot")
        return result(syscall(SYS_reboot, 0, 0, 0, nullptr));
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    int status = 0;
    const std::optional<picture::ReadyHelper> helper = picture::startContained(argc, argv, &status);
    if (!helper)
        return status;
    while (true) {
        std::optional<Received> received = receive(helper->socket, MaxMessageBytes);
        if (!received)
            _exit(0);
        if (received->second >= 0)
            close(received->second);
        QByteArray tail;
        const std::optional<Request> request = parse<Request>(received->bytes, &tail);
        if (!request || request->kind == RequestKind::ScreenProfile || request->kind == RequestKind::Memory) {
            if (received->fd >= 0)
                close(received->fd);
            continue;
        }
        const QList<QByteArray> parts = tail.left(request->uriBytes).split('\n');
        Reply reply;
        reply.id = request->id;
        reply.status = Status::CannotDisplay;
        errno = 0;
        reply.frame = parts.size() == 3 ? attack(parts[0], received->fd, parts[1].constData(), pid_t(parts[2].toInt()))
                                        : -1;
        if (received->fd >= 0)
            close(received->fd);
        if (!send(helper->socket, &reply, sizeof reply, {}, -1))
            _exit(0);
    }
}
