#pragma once

// One decoder helper, as the program sees it: a process of its own that it
// starts, sends pictures to and kills. Nothing here waits on the helper:
// its replies and its end arrive as signals on the window's thread. What
// the helper says is checked here as far as it concerns this process (the
// request it answers, the memory it is lent, the descriptors it sends);
// the pixels are checked by pictureFrom.

#include "picture/wire/protocol.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <sys/types.h>

class QSocketNotifier;

namespace picture {

struct HelperOptions
{
    QString program; // the helper's executable
    quint64 memoryMiB = 2048;
    QStringList arguments; // after the memory limit (tests start helpers of their own)
    bool namespaces = true; // false: never in namespaces of its own
    bool fonts = false;     // it loads fonts, for pictures that draw text
};

// A helper started and not yet watched. The program starts its helpers
// first thing, before it has an event loop to watch them with, so that they
// load their libraries while the window is being built; a HelperProcess
// then takes one over. One never taken over is killed when it goes.
class StartedHelperProcess
{
public:
    explicit StartedHelperProcess(const HelperOptions &options);
    StartedHelperProcess(StartedHelperProcess &&other) noexcept;
    StartedHelperProcess &operator=(StartedHelperProcess &&other) = delete;
    StartedHelperProcess(const StartedHelperProcess &) = delete;
    ~StartedHelperProcess();

    bool isRunning() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

private:
    friend class HelperProcess;
    int m_socket = -1;
    int m_pidfd = -1;
    int m_errors = -1;
    pid_t m_pid = -1;
    std::atomic_bool *m_cancel = nullptr;
    bool m_ownNamespaces = false;
    bool m_fonts = false;
};

class HelperProcess final : public QObject
{
    Q_OBJECT
public:
    using Options = HelperOptions;

    // Starts the helper; ready() follows once it has loaded its decoders
    // and is contained, ended() if it could not start.
    HelperProcess(const Options &options, QObject *parent);
    // Watches a helper started before (its ready() may still follow).
    HelperProcess(StartedHelperProcess started, QObject *parent);
    // Kills the helper, if it still runs (and waits for nothing).
    ~HelperProcess() override;

    // Ready for work: started, contained, and neither ended nor being killed.
    bool isReady() const { return m_ready && !m_ended; }
    // It was ready once (a helper that ends before is one that cannot start).
    bool wasReady() const { return m_wasReady; }
    bool hasEnded() const { return m_ended; }
    qint64 pid() const { return m_pid; }
    // How the helper ended: the signal that ended it, or 0.
    int endingSignal() const { return m_signal; }
    // Whether it was started in namespaces of its own, and what it said,
    // once ready, holds it in (protocol::Contained).
    bool ownNamespaces() const { return m_ownNamespaces; }
    quint32 containment() const { return m_containment; }
    // It was started with fonts, so it draws what pictures say in text.
    bool hasFonts() const { return m_fonts; }

    // The screen's colour profile, for every picture from now on (empty:
    // sRGB). It goes to the helper once, in sealed memory, before the next
    // request.
    void setScreenProfile(const QByteArray &icc);

    // Sends a request with the picture file `fd` (-1: none; the descriptors
    // stay the caller's) and those that go with it. The reply may be lent at
    // most `replyBytes` of memory for its pixels (or the bytes of a file).
    // False when the helper has gone.
    bool send(const protocol::Request &request, const QByteArray &tail, int fd, int second = -1,
              quint64 replyBytes = 0, int third = -1);
    // Asks the running decode to stop at its next read.
    void cancelRunning() { if (m_cancel) m_cancel->store(true); }
    // Ends the helper at once.
    void kill();

signals:
    void ready();
    // The reply to the request sent last; `fd` (the pixels it was lent,
    // sealed, -1 when none) is the receiver's to close.
    void replied(const picture::protocol::Reply &reply, const QByteArray &tail, int fd);
    // The helper has ended: killed, crashed or closed.
    void ended();

private:
    void readReplies();
    void lend(const protocol::Reply &reply);
    int takeLent();
    bool holdsLentMemory() const;
    bool sendScreenProfile();
    void forwardErrors();
    void reap();
    void reapSoon();

    int m_socket = -1;
    int m_pidfd = -1;
    pid_t m_pid = -1;
    std::atomic_bool *m_cancel = nullptr;
    QSocketNotifier *m_replies = nullptr;
    QSocketNotifier *m_exit = nullptr;
    bool m_ready = false;
    bool m_wasReady = false;
    bool m_ended = false;
    bool m_ownNamespaces = false;
    bool m_fonts = false;
    quint32 m_containment = 0;
    int m_signal = 0;
    quint64 m_asked = 0;      // the request a reply is awaited for (0: none)
    quint64 m_replyBytes = 0; // what its pixels may be lent
    int m_lent = -1;          // the memory lent for them
    QByteArray m_screenProfile;
    bool m_screenProfileSent = true;
    int m_errors = -1;        // the helper's standard error, when it is heard
    QSocketNotifier *m_errorNotifier = nullptr;
    QByteArray m_errorLine;
    qint64 m_errorBytes = 0;
};

// Where the program's decoder helper is: beside the running program.
QString decoderHelperPath();

} // namespace picture

Q_DECLARE_METATYPE(picture::protocol::Reply)
