#include "picture/helper/syscallfilter.h"

#include <seccomp.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <initializer_list>

namespace picture {
namespace {

bool g_audit = false; // set once, before the filter, read by the signal handler

// A trapped call's number and arguments, and where its result goes.
struct Trapped
{
    long number;
    long arguments[6];
    greg_t *result;
};

#if defined(__x86_64__)
Trapped trapped(ucontext_t *context)
{
    greg_t *r = context->uc_mcontext.gregs;
    return {long(r[REG_RAX]), {long(r[REG_RDI]), long(r[REG_RSI]), long(r[REG_RDX]), long(r[REG_R10]),
                               long(r[REG_R8]), long(r[REG_R9])},
            &r[REG_RAX]};
}
constexpr bool CanAnswerTraps = true;
#else
constexpr bool CanAnswerTraps = false;
#endif

void writeNumber(long value)
{
    char digits[24];
    int at = sizeof digits;
    const bool negative = value < 0;
    unsigned long magnitude = negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[--at] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0 && at > 1);
    if (negative)
        digits[--at] = '-';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, digits + at, size_t(int(sizeof digits) - at));
}

void writeText(const char *text)
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, strlen(text));
}

#if defined(__x86_64__)
// Answers a trapped call in place: fstatat of a descriptor with an empty
// path becomes fstat; any other is refused. Only system calls here.
void answerTrap(int, siginfo_t *, void *raw)
{
    const int saved = errno;
    const Trapped call = trapped(static_cast<ucontext_t *>(raw));
    long result = -EPERM;
    if (call.number == SYS_newfstatat) {
        const auto *path = reinterpret_cast<const char *>(call.arguments[1]);
        result = -EACCES;
        if (path && path[0] == '\0' && (call.arguments[3] & AT_EMPTY_PATH)) {
            result = ::syscall(SYS_fstat, call.arguments[0], call.arguments[2]);
            if (result < 0)
                result = -errno;
        }
    } else if (g_audit) {
        writeText("zelvo-decoder refused ");
        writeNumber(call.number);
        for (const long argument : call.arguments) {
            writeText(" ");
            writeNumber(argument);
        }
        writeText("\n");
    }
    *call.result = greg_t(result);
    errno = saved;
}
#endif

class Filter
{
public:
    explicit Filter(bool audit)
        : m_default(audit && CanAnswerTraps ? SCMP_ACT_TRAP : SCMP_ACT_ERRNO(EPERM)), m_context(seccomp_init(m_default))
    {
        m_ok = m_context && seccomp_attr_set(m_context, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
    }
    ~Filter()
    {
        if (m_context)
            seccomp_release(m_context);
    }
    Filter(const Filter &) = delete;
    Filter &operator=(const Filter &) = delete;

    void allow(std::initializer_list<int> calls)
    {
        for (const int call : calls)
            add(SCMP_ACT_ALLOW, call, {});
    }
    void allowIf(int call, std::initializer_list<scmp_arg_cmp> conditions) { add(SCMP_ACT_ALLOW, call, conditions); }
    // One rule per value: the call is allowed when argument `argument` is one of them.
    void allowWhenOneOf(int call, unsigned argument, std::initializer_list<scmp_datum_t> values)
    {
        for (const scmp_datum_t value : values)
            add(SCMP_ACT_ALLOW, call, {scmp_arg_cmp{argument, SCMP_CMP_EQ, value, 0}});
    }
    void fail(int call, int error) { add(SCMP_ACT_ERRNO(error), call, {}); }
    void trap(int call) { add(SCMP_ACT_TRAP, call, {}); }
    bool load() { return m_ok && seccomp_load(m_context) == 0; }

private:
    void add(uint32_t action, int call, std::initializer_list<scmp_arg_cmp> conditions)
    {
        // A call this architecture does not have is no call to allow; a
        // rule that does what is done anyway is no rule (libseccomp refuses it).
        if (call < 0 || !m_ok || action == m_default)
            return;
        m_ok = seccomp_rule_add_array(m_context, action, call, unsigned(conditions.size()),
                                      conditions.size() ? conditions.begin() : nullptr)
               == 0;
    }

    uint32_t m_default;
    scmp_filter_ctx m_context;
    bool m_ok = false;
};

scmp_arg_cmp equals(unsigned argument, scmp_datum_t value)
{
    return {argument, SCMP_CMP_EQ, value, 0};
}

// The low 32 bits of an argument, compared: a descriptor or a pid is an
// int, which the C library may pass sign-extended or not.
scmp_arg_cmp equals32(unsigned argument, uint32_t value)
{
    return {argument, SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, value};
}

scmp_arg_cmp masked(unsigned argument, scmp_datum_t mask, scmp_datum_t value)
{
    return {argument, SCMP_CMP_MASKED_EQ, mask, value};
}

} // namespace

bool applySystemCallFilter(bool audit)
{
    g_audit = audit;
#if defined(__x86_64__)
    struct sigaction answer {};
    answer.sa_sigaction = answerTrap;
    answer.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&answer.sa_mask);
    if (::sigaction(SIGSYS, &answer, nullptr) != 0)
        return false;
#endif
    Filter filter(audit);
    const uint32_t self = uint32_t(::getpid());

    // Memory. Shared memory only from a descriptor (the memory the window
    // lends, or the picture read-only): never anonymous shared memory,
    // which no limit of its own counts.
    filter.allow({SCMP_SYS(munmap), SCMP_SYS(mprotect), SCMP_SYS(madvise), SCMP_SYS(brk), SCMP_SYS(mremap)});
    filter.allowIf(SCMP_SYS(mmap), {masked(3, MAP_SHARED, 0)});
    filter.allowIf(SCMP_SYS(mmap), {masked(3, MAP_SHARED | MAP_ANONYMOUS, MAP_SHARED)});

    // Its own descriptors: the picture, the socket to the window, what it is lent.
    filter.allow({SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(preadv), SCMP_SYS(preadv2),
                  SCMP_SYS(lseek), SCMP_SYS(close), SCMP_SYS(dup), SCMP_SYS(dup3), SCMP_SYS(fstat),
                  SCMP_SYS(recvmsg), SCMP_SYS(sendmsg), SCMP_SYS(recvfrom), SCMP_SYS(sendto),
                  SCMP_SYS(fadvise64), SCMP_SYS(poll), SCMP_SYS(ppoll)});
#ifdef __NR_dup2
    filter.allow({SCMP_SYS(dup2)});
#endif
    // Written only to its standard output and error (nothing, or a pipe
    // the window reads): a descriptor of a file would be changed otherwise.
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers tell readable memory by writing it into a pipe of
    // their own; their build's filter lets them (and only theirs).
    filter.allow({SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(pipe2)});
#else
    for (const unsigned call : {unsigned(SCMP_SYS(write)), unsigned(SCMP_SYS(writev))}) {
        filter.allowIf(int(call), {equals32(0, STDOUT_FILENO)});
        filter.allowIf(int(call), {equals32(0, STDERR_FILENO)});
    }
#endif
    filter.allowWhenOneOf(SCMP_SYS(fcntl), 1,
                          {F_GETFD, F_SETFD, F_GETFL, F_SETFL, F_DUPFD, F_DUPFD_CLOEXEC, F_GET_SEALS});
    // isatty() and how much a socket holds; never TIOCSTI or any other.
    filter.allowWhenOneOf(SCMP_SYS(ioctl), 1, {TCGETS, FIONREAD});
    if (CanAnswerTraps)
        filter.trap(SCMP_SYS(newfstatat));
    else
        filter.allow({SCMP_SYS(newfstatat)}); // no handler here to tell a path from a descriptor
    filter.fail(SCMP_SYS(statx), ENOSYS);

    // Threads of its own, and waiting for them.
    filter.allowIf(SCMP_SYS(clone),
                   {masked(0,
                           CLONE_THREAD | CLONE_NEWNS | CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET | CLONE_NEWIPC
                               | CLONE_NEWUTS | CLONE_NEWCGROUP,
                           CLONE_THREAD)});
    filter.fail(SCMP_SYS(clone3), ENOSYS); // its flags are out of the filter's sight
    // A thread of Qt's pool (smooth scaling, format conversion) wakes through an eventfd of its own.
    filter.allow({SCMP_SYS(eventfd2)});
    filter.allow({SCMP_SYS(futex), SCMP_SYS(futex_waitv), SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
                  SCMP_SYS(set_tid_address), SCMP_SYS(sched_yield), SCMP_SYS(exit), SCMP_SYS(exit_group),
                  SCMP_SYS(restart_syscall)});
#ifdef __NR_arch_prctl
    filter.allow({SCMP_SYS(arch_prctl)});
#endif
    filter.allowWhenOneOf(SCMP_SYS(prctl), 0, {PR_SET_NAME, PR_GET_NAME, PR_SET_VMA, PR_GET_DUMPABLE});

    // Signals, priorities, affinities and limits: on itself only.
    filter.allow({SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn), SCMP_SYS(sigaltstack),
                  SCMP_SYS(getrlimit), SCMP_SYS(setrlimit)});
    filter.allowIf(SCMP_SYS(kill), {equals32(0, self)});
    filter.allowIf(SCMP_SYS(tgkill), {equals32(0, self)});
    filter.allowIf(SCMP_SYS(rt_sigqueueinfo), {equals32(0, self)});
    filter.allowIf(SCMP_SYS(rt_tgsigqueueinfo), {equals32(0, self)});
    // Asked of any of its threads (the C library asks by a thread's number);
    // it tells only which processors a process may run on.
    filter.allow({SCMP_SYS(sched_getaffinity)});
    for (const int call : {SCMP_SYS(sched_setaffinity), SCMP_SYS(sched_getparam),
                           SCMP_SYS(sched_setparam), SCMP_SYS(sched_getscheduler), SCMP_SYS(sched_setscheduler),
                           SCMP_SYS(sched_getattr), SCMP_SYS(sched_setattr), SCMP_SYS(prlimit64)}) {
        // Itself as 0, or by its own number (1 in a PID namespace of its own).
        filter.allowIf(call, {equals32(0, 0)});
        filter.allowIf(call, {equals32(0, self)});
    }
    for (const int call : {SCMP_SYS(getpriority), SCMP_SYS(setpriority)})
        filter.allowIf(call, {equals(0, PRIO_PROCESS), equals32(1, 0)});

    // Time, and who it is.
    filter.allow({SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep), SCMP_SYS(nanosleep),
                  SCMP_SYS(gettimeofday), SCMP_SYS(getpid), SCMP_SYS(gettid), SCMP_SYS(getuid), SCMP_SYS(geteuid),
                  SCMP_SYS(getgid), SCMP_SYS(getegid), SCMP_SYS(getrandom), SCMP_SYS(uname),
                  SCMP_SYS(sysinfo), SCMP_SYS(getcpu), SCMP_SYS(getrusage), SCMP_SYS(times)});
#ifdef __NR_time
    filter.allow({SCMP_SYS(time)});
#endif
    return filter.load();
}

} // namespace picture
