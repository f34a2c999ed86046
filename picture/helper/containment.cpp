#include "picture/helper/containment.h"

#include "picture/helper/syscallfilter.h"
#include "picture/wire/protocol.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace picture {
namespace {

// An empty, read-only folder of its own as the root, in a mount namespace
// of its own: made where the helper may make one (in its own user
// namespace, or as root), so that no path it names reaches a file.
bool enterEmptyRoot()
{
    if (::unshare(CLONE_NEWNS) != 0)
        return false;
    // Nothing it mounts is seen outside, nor the other way round.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    for (const char *place : {"/tmp", "/mnt", "/dev", "/proc"}) {
        if (::mount("zelvo-empty", place, "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=4k,nr_inodes=2,mode=0555")
            != 0)
            continue;
        // The new root over the old, which is then let go of whole.
        if (::chdir(place) != 0 || ::syscall(SYS_pivot_root, ".", ".") != 0 || ::umount2(".", MNT_DETACH) != 0
            || ::chdir("/") != 0)
            return false;
        ::mount(nullptr, "/", nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr);
        return true;
    }
    return false;
}

// Every capability gone, for good: none left to use, none to gain back.
bool dropCapabilities()
{
    ::prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED | SECBIT_NO_SETUID_FIXUP
                                   | SECBIT_NO_SETUID_FIXUP_LOCKED | SECBIT_KEEP_CAPS_LOCKED);
    for (int capability = 0; capability <= 63; ++capability) {
        if (::prctl(PR_CAPBSET_DROP, capability) != 0 && errno == EINVAL)
            break;
    }
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capset, &header, none) != 0)
        return false;
    __user_cap_data_struct now[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, now) != 0)
        return false;
    for (const auto &part : now) {
        if (part.effective || part.permitted || part.inheritable)
            return false;
    }
    return true;
}

// What the process maps now: its code, its libraries, what they reserved.
quint64 mappedBytes()
{
    char text[64] = {};
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    const ssize_t got = fd >= 0 ? ::read(fd, text, sizeof text - 1) : -1;
    if (fd >= 0)
        ::close(fd);
    return got > 0 ? quint64(strtoull(text, nullptr, 10)) * quint64(::sysconf(_SC_PAGESIZE)) : 0;
}

// Descriptors it may hold: its own few, a picture and its thumbnail, the
// memory it is lent.
constexpr rlim_t MaxDescriptors = 32;

bool setLimit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    return ::setrlimit(resource, &limit) == 0;
}

} // namespace

quint32 containThisProcess(const ContainmentLimits &limits, bool audit)
{
    quint32 contained = 0;
    // Read while /proc is still there.
    const quint64 mapped = mappedBytes();
    if (enterEmptyRoot())
        contained |= protocol::EmptyRoot;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return 0;
    if (dropCapabilities())
        contained |= protocol::NoCapabilities;

    // Everything it can hold is mapped into its address space, which is
    // bounded: what it maps now, its data, the one reply it writes (it can
    // make no memory to share), and a stack for each decoding thread. The
    // data limit alone would not count shared memory.
    if (limits.data > 0) {
        // The C library reserves 64 MiB of address space per malloc arena
        // (two here) without writing to it; thread stacks are 8 MiB each.
        constexpr quint64 Reserved = 256 * 1024 * 1024;
        constexpr quint64 StackPerThread = 8 * 1024 * 1024 + 64 * 1024;
        const quint64 threads = std::max(16u, 4 * std::thread::hardware_concurrency());
        const quint64 space = mapped + limits.data + limits.reply + Reserved + threads * StackPerThread;
        if (!setLimit(RLIMIT_DATA, rlim_t(limits.data)) || !setLimit(RLIMIT_AS, rlim_t(space)))
            return 0;
    }
    // A backstop: the program stops a decode that outlasts its deadline long before.
    const rlimit cpu{rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds) + 5};
    // No file grows (the memory it is lent has its size already), nothing
    // is locked in memory, no core is dumped.
    ::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_CPU, &cpu) != 0 || !setLimit(RLIMIT_CORE, 0) || !setLimit(RLIMIT_FSIZE, 0)
        || !setLimit(RLIMIT_MEMLOCK, 0) || !setLimit(RLIMIT_MSGQUEUE, 0) || !setLimit(RLIMIT_NOFILE, MaxDescriptors))
        return 0;
    if (!applySystemCallFilter(audit))
        return 0;
    return contained | protocol::SystemCallFilter;
}

} // namespace picture
