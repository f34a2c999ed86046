#pragma once

// Running a check in a child process under conditions the test process must
// not take on itself: the rights of an ordinary user, or a file system of its
// own. The child's exit code is the answer.

#include <QtGlobal>

#include <functional>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sandbox {

// Exit codes of the child that say the sandbox could not be set up.
inline constexpr int CannotDropRights = 99;
inline constexpr int CannotMount = 77;

inline int inChild(const std::function<int()> &check)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(check());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// With the rights of an ordinary user (root passes every permission check).
inline int asUnprivilegedUser(const std::function<int()> &check)
{
    return inChild([&] {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return CannotDropRights;
        return check();
    });
}

// With a small tmpfs of `bytes` mounted on `folder`, seen by the child only.
inline int withSmallFileSystem(const char *folder, int kilobytes, const std::function<int()> &check)
{
    return inChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return CannotMount;
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (mount("tmpfs", folder, "tmpfs", 0, options.constData()) != 0)
            return CannotMount;
        return check();
    });
}

} // namespace sandbox
