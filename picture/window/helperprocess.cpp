#include "picture/window/helperprocess.h"

#include "picture/wire/sealedmemory.h"
#include "picture/window/helperspawn.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace picture {
namespace {

// What a helper may say on its standard error before the rest is dropped.
constexpr qint64 MaxErrorBytes = 256 * 1024;

// A helper's standard error is heard only when someone asks for the
// decoders' messages, or in the sanitizer build, whose reports go there.
bool helperErrorsHeard()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return qEnvironmentVariable("QT_LOGGING_RULES").contains(QLatin1String("zelvo.decoders"));
#endif
}

} // namespace

QString decoderHelperPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zelvo-decoder");
}

StartedHelperProcess::StartedHelperProcess(const HelperOptions &options)
{
    int ends[2] = {-1, -1};
    // The program's end never blocks; the helper's does (it has nothing else to do).
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) & ~O_NONBLOCK);
    m_socket = ends[0];
    const int cancel = ::memfd_create("zelvo-cancel", MFD_CLOEXEC);
    void *shared = MAP_FAILED;
    if (cancel >= 0 && ::ftruncate(cancel, 4096) == 0)
        shared = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, cancel, 0);
    if (shared != MAP_FAILED)
        m_cancel = new (shared) std::atomic_bool(false);
    int errors[2] = {-1, -1};
    if (helperErrorsHeard() && ::pipe2(errors, O_CLOEXEC | O_NONBLOCK) == 0) {
        // The helper's end blocks: a helper that says too much waits, it does not lose words.
        ::fcntl(errors[1], F_SETFL, 0);
        m_errors = errors[0];
    }

    HelperStart start;
    start.program = QFile::encodeName(options.program);
    start.arguments = {QByteArray::number(options.memoryMiB)};
    for (const QString &argument : options.arguments)
        start.arguments.append(argument.toUtf8());
    if (options.fonts)
        start.arguments.append("--fonts");
    start.environment = helperEnvironment();
    start.errors = errors[1];
    start.descriptors = {ends[1], cancel};
    start.namespaces = options.namespaces;
    const StartedHelper started = m_cancel ? startHelper(start) : StartedHelper();
    ::close(ends[1]);
    if (cancel >= 0)
        ::close(cancel);
    if (errors[1] >= 0)
        ::close(errors[1]);
    if (started.pid <= 0)
        return;
    m_pid = started.pid;
    m_pidfd = started.pidfd;
    m_ownNamespaces = started.ownNamespaces;
    m_fonts = options.fonts;
}

StartedHelperProcess::StartedHelperProcess(StartedHelperProcess &&other) noexcept
    : m_socket(std::exchange(other.m_socket, -1)), m_pidfd(std::exchange(other.m_pidfd, -1)),
      m_errors(std::exchange(other.m_errors, -1)), m_pid(std::exchange(other.m_pid, -1)),
      m_cancel(std::exchange(other.m_cancel, nullptr)), m_ownNamespaces(other.m_ownNamespaces),
      m_fonts(other.m_fonts)
{
}

StartedHelperProcess::~StartedHelperProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0); // killed: gone within milliseconds
    }
    for (const int fd : {m_socket, m_pidfd, m_errors}) {
        if (fd >= 0)
            ::close(fd);
    }
    if (m_cancel)
        ::munmap(m_cancel, 4096);
}

HelperProcess::HelperProcess(const Options &options, QObject *parent)
    : HelperProcess(StartedHelperProcess(options), parent)
{
}

HelperProcess::HelperProcess(StartedHelperProcess started, QObject *parent) : QObject(parent)
{
    m_socket = std::exchange(started.m_socket, -1);
    m_cancel = std::exchange(started.m_cancel, nullptr);
    m_errors = std::exchange(started.m_errors, -1);
    if (started.m_pid <= 0) {
        m_ended = true;
        return;
    }
    m_pid = std::exchange(started.m_pid, -1);
    m_pidfd = std::exchange(started.m_pidfd, -1);
    m_ownNamespaces = started.m_ownNamespaces;
    m_fonts = started.m_fonts;
    m_replies = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    connect(m_replies, &QSocketNotifier::activated, this, &HelperProcess::readReplies);
    // Its end is told by the system as it happens, without waiting for it.
    if (m_pidfd >= 0) {
        m_exit = new QSocketNotifier(m_pidfd, QSocketNotifier::Read, this);
        connect(m_exit, &QSocketNotifier::activated, this, &HelperProcess::reap);
    }
    if (m_errors >= 0) {
        m_errorNotifier = new QSocketNotifier(m_errors, QSocketNotifier::Read, this);
        connect(m_errorNotifier, &QSocketNotifier::activated, this, &HelperProcess::forwardErrors);
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
    for (const int fd : {m_socket, m_pidfd, m_lent, m_errors}) {
        if (fd >= 0)
            ::close(fd);
    }
    if (m_cancel)
        ::munmap(m_cancel, 4096);
}

void HelperProcess::setScreenProfile(const QByteArray &icc)
{
    if (icc == m_screenProfile && m_screenProfileSent)
        return;
    m_screenProfile = icc;
    m_screenProfileSent = false;
    if (m_ready)
        sendScreenProfile();
}

bool HelperProcess::sendScreenProfile()
{
    protocol::Request message;
    message.kind = protocol::RequestKind::ScreenProfile;
    const int profile = m_screenProfile.isEmpty() ? -1 : protocol::sealedCopy(m_screenProfile);
    const bool sent = protocol::send(m_socket, &message, sizeof message, {}, profile);
    if (profile >= 0)
        ::close(profile);
    m_screenProfileSent = sent;
    return sent;
}

bool HelperProcess::send(const protocol::Request &request, const QByteArray &tail, int fd, int second,
                         quint64 replyBytes, int third)
{
    if (m_ended || m_socket < 0 || (!m_screenProfileSent && !sendScreenProfile()))
        return false;
    m_cancel->store(false);
    if (m_lent >= 0)
        ::close(std::exchange(m_lent, -1));
    m_asked = request.id;
    m_replyBytes = replyBytes;
    return protocol::send(m_socket, &request, sizeof request, tail, fd, second, third);
}

void HelperProcess::kill()
{
    // No more work from now on, though its end is told only once it is reaped.
    m_ready = false;
    if (m_pid > 0 && !m_ended)
        ::kill(m_pid, SIGKILL);
}

void HelperProcess::lend(const protocol::Reply &reply)
{
    // Exactly what the pixels need, once per reply, never more than the
    // request can take; sealed against growing and shrinking from the start.
    protocol::Request answer;
    answer.id = reply.id;
    answer.kind = protocol::RequestKind::Memory;
    int memory = -1;
    if (m_lent < 0 && reply.memoryBytes > 0 && reply.memoryBytes <= m_replyBytes) {
        memory = ::memfd_create("zelvo-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (memory >= 0
            && (::ftruncate(memory, off_t(reply.memoryBytes)) != 0
                || ::fcntl(memory, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK) != 0)) {
            ::close(memory);
            memory = -1;
        }
    }
    if (!protocol::send(m_socket, &answer, sizeof answer, {}, memory) && memory >= 0) {
        ::close(memory);
        return;
    }
    m_lent = memory;
}

int HelperProcess::takeLent()
{
    const int memory = std::exchange(m_lent, -1);
    if (memory < 0)
        return -1;
    // Sealed against writing now that the helper is done: the system refuses
    // the seal while the helper still has it mapped for writing. Memory the
    // helper keeps a descriptor of would be held for it outside its limits.
    if (::fcntl(memory, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SEAL) != 0 || holdsLentMemory()) {
        ::close(memory);
        kill();
        return -1;
    }
    return memory;
}

bool HelperProcess::holdsLentMemory() const
{
    // The helper makes no memory of its own to share (its filter refuses
    // it), so any memfd among its descriptors is memory it was lent and
    // kept. Where /proc cannot be read, its descriptor limit bounds them.
    const QByteArray folder = "/proc/" + QByteArray::number(m_pid) + "/fd";
    DIR *fds = ::opendir(folder.constData());
    if (!fds)
        return false;
    bool kept = false;
    while (const dirent *entry = ::readdir(fds)) {
        char target[64] = {};
        const ssize_t length = ::readlinkat(::dirfd(fds), entry->d_name, target, sizeof target - 1);
        if (length > 0 && qstrncmp(target, "/memfd:", 7) == 0)
            kept = true;
    }
    ::closedir(fds);
    return kept;
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
        // A helper sends no memory of its own, and never two descriptors:
        // the only pixels taken are those in memory it was lent.
        for (const int fd : {received->fd, received->second, received->third}) {
            if (fd >= 0)
                ::close(fd);
        }
        QByteArray tail;
        const std::optional<protocol::Reply> reply = protocol::parse<protocol::Reply>(received->bytes, &tail);
        if (!reply)
            continue;
        if (reply->status == protocol::Status::Ready) {
            if (m_wasReady)
                continue;
            m_ready = m_wasReady = true;
            m_containment = reply->containment;
            if (!m_screenProfileSent)
                sendScreenProfile();
            emit ready();
            continue;
        }
        // Only the request asked last is answered, once.
        if (m_asked == 0 || reply->id != m_asked)
            continue;
        if (reply->status == protocol::Status::NeedsMemory) {
            lend(*reply);
            continue;
        }
        m_asked = 0;
        emit replied(*reply, tail, takeLent());
    }
}

void HelperProcess::forwardErrors()
{
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(m_errors, buffer, sizeof buffer);
        if (got <= 0) {
            if (got == 0 || (errno != EAGAIN && errno != EINTR))
                m_errorNotifier->setEnabled(false);
            return;
        }
        // Passed on as text only: no control character of a terminal's
        // reaches the window's own standard error.
        for (ssize_t i = 0; i < got && m_errorBytes < MaxErrorBytes; ++i, ++m_errorBytes) {
            const char c = buffer[i];
            if (c == '\n') {
                qInfo("zelvo-decoder[%lld]: %s", qint64(m_pid), m_errorLine.constData());
                m_errorLine.clear();
            } else {
                m_errorLine.append(c == '\t' || (uchar(c) >= 0x20 && c != 0x7F) ? c : '?');
            }
        }
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
    if (m_errorNotifier && m_errorNotifier->isEnabled())
        forwardErrors();
    if (m_ended)
        return;
    int status = 0;
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == 0)
        return;
    m_ended = true;
    m_signal = done > 0 && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    for (QSocketNotifier *notifier : {m_exit, m_replies, m_errorNotifier}) {
        if (notifier)
            notifier->setEnabled(false);
    }
    emit ended();
}

} // namespace picture
