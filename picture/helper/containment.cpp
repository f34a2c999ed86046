#include "picture/helper/containment.h"

#include <seccomp.h>

#include <cerrno>
#include <sys/resource.h>

namespace picture {

bool containThisProcess(quint64 memory, int cpuSeconds)
{
    // The memory it writes, not its address space: libraries' code and the
    // room malloc and threads merely reserve would count against a picture.
    if (memory > 0) {
        const rlimit data{rlim_t(memory), rlim_t(memory)};
        if (setrlimit(RLIMIT_DATA, &data) != 0)
            return false;
    }
    // A backstop: the program stops a decode that outlasts its deadline long before.
    const rlimit cpu{rlim_t(cpuSeconds), rlim_t(cpuSeconds) + 5};
    const rlimit noCore{0, 0};
    if (setrlimit(RLIMIT_CPU, &cpu) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
        return false;

    // Everything is allowed but what reaches beyond the process: refused
    // with EACCES, so that a decoder that tries meets an ordinary failure.
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter)
        return false;
    const int refused[] = {
        SCMP_SYS(open),          SCMP_SYS(openat),       SCMP_SYS(openat2),         SCMP_SYS(creat),
        SCMP_SYS(open_by_handle_at), SCMP_SYS(name_to_handle_at),
        SCMP_SYS(socket),        SCMP_SYS(socketpair),   SCMP_SYS(connect),         SCMP_SYS(bind),
        SCMP_SYS(listen),        SCMP_SYS(accept),       SCMP_SYS(accept4),
        SCMP_SYS(execve),        SCMP_SYS(execveat),     SCMP_SYS(ptrace),          SCMP_SYS(process_vm_readv),
        SCMP_SYS(process_vm_writev), SCMP_SYS(mknod),    SCMP_SYS(mknodat),         SCMP_SYS(mkdir),
        SCMP_SYS(mkdirat),       SCMP_SYS(unlink),       SCMP_SYS(unlinkat),        SCMP_SYS(rename),
        SCMP_SYS(renameat),      SCMP_SYS(renameat2),    SCMP_SYS(link),            SCMP_SYS(linkat),
        SCMP_SYS(symlink),       SCMP_SYS(symlinkat),    SCMP_SYS(chmod),           SCMP_SYS(fchmodat),
        SCMP_SYS(truncate),      SCMP_SYS(mount),        SCMP_SYS(umount2),         SCMP_SYS(chroot),
        SCMP_SYS(pidfd_getfd),   SCMP_SYS(io_uring_setup),
    };
    bool ok = seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
    for (const int call : refused) {
        if (call >= 0)
            ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(EACCES), call, 0) == 0;
    }
    ok = ok && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return ok;
}

} // namespace picture
