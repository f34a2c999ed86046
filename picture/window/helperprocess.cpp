#include "picture/window/helperprocess.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace picture {

QString decoderHelperPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zelvo-decoder");
}

HelperProcess::HelperProcess(const Options &options, QObject *parent) : QObject(parent)
{
    int ends[2] = {-1, -1};
    // The program's end never blocks; the helper's does (it has nothing else to do).
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        m_ended = true;
        return;
    }
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) & ~O_NONBLOCK);
    const int cancel = ::memfd_create("zelvo-cancel", MFD_CLOEXEC);
    void *shared = MAP_FAILED;
    if (cancel >= 0 && ::ftruncate(cancel, 4096) == 0)
        shared = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, cancel, 0);
    if (shared != MAP_FAILED)
        m_cancel = new (shared) std::atomic_bool(false);

    const QByteArray program = QFile::encodeName(options.program);
    const QByteArray limit = QByteArray::number(options.memoryMiB);
    char *arguments[] = {const_cast<char *>(program.constData()), const_cast<char *>(limit.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
    if (cancel >= 0)
        posix_spawn_file_actions_adddup2(&actions, cancel, 4);
    pid_t pid = -1;
    const bool started = m_cancel && posix_spawn(&pid, program.constData(), &actions, nullptr, arguments, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (cancel >= 0)
        ::close(cancel);
    m_socket = ends[0];
    if (!started) {
        m_ended = true;
        return;
    }
    m_pid = pid;
    m_replies = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    connect(m_replies, &QSocketNotifier::activated, this, &HelperProcess::readReplies);
    // Its end is told by the system as it happens, without waiting for it.
    m_pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (m_pidfd >= 0) {
        m_exit = new QSocketNotifier(m_pidfd, QSocketNotifier::Read, this);
        connect(m_exit, &QSocketNotifier::activated, this, &HelperProcess::reap);
    }
}

HelperProcess::~HelperProcess()
{
    kill();
    // Reaped if it is gone already; a process being killed is gone within
    // milliseconds, and any left is reaped by the system once the program ends.
    for (int i = 0; i < 20 && !m_ended && m_pid > 0; ++i) {
        reap();
        if (!m_ended)
            QThread::usleep(500);
    }
    if (m_socket >= 0)
        ::close(m_socket);
    if (m_pidfd >= 0)
        ::close(m_pidfd);
    if (m_cancel)
        ::munmap(m_cancel, 4096);
}

bool HelperProcess::send(const protocol::Request &request, const QByteArray &icc, int fd, int second)
{
    if (m_ended || m_socket < 0)
        return false;
    m_cancel->store(false);
    return protocol::send(m_socket, &request, sizeof request, icc, fd, second);
}

void HelperProcess::kill()
{
    if (m_pid > 0 && !m_ended)
        ::kill(m_pid, SIGKILL);
}

void HelperProcess::readReplies()
{
    while (true) {
        bool gone = false;
        std::optional<protocol::Received> received = protocol::receive(m_socket, protocol::MaxMessageBytes, &gone);
        if (gone) {
            // Nothing more will come: its end is told when it is reaped.
            m_replies->setEnabled(false);
            if (!m_exit)
                reapSoon();
            return;
        }
        if (!received)
            return;
        // A helper never sends two.
        if (received->second >= 0)
            ::close(std::exchange(received->second, -1));
        QByteArray tail;
        const std::optional<protocol::Reply> reply = protocol::parse<protocol::Reply>(received->bytes, &tail);
        if (!reply) {
            if (received->fd >= 0)
                ::close(received->fd);
            continue;
        }
        if (reply->status == protocol::Status::Ready) {
            m_ready = true;
            emit ready();
            continue;
        }
        emit replied(*reply, tail, received->fd);
    }
}

void HelperProcess::reapSoon()
{
    // Without pidfd_open (before Linux 5.3): asked again until it is gone.
    reap();
    if (!m_ended)
        QTimer::singleShot(10, this, &HelperProcess::reapSoon);
}

void HelperProcess::reap()
{
    if (m_ended || m_pid <= 0)
        return;
    // What it said before it ended is heard first.
    if (m_replies && m_replies->isEnabled())
        readReplies();
    if (m_ended)
        return;
    int status = 0;
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == 0)
        return;
    m_ended = true;
    m_signal = done > 0 && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (m_exit)
        m_exit->setEnabled(false);
    if (m_replies)
        m_replies->setEnabled(false);
    emit ended();
}

} // namespace picture
