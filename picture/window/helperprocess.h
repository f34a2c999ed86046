#pragma once

// One decoder helper, as the program sees it: a process of its own that it
// starts, sends pictures to and kills. Nothing here waits on the helper:
// its replies and its end arrive as signals on the window's thread.

#include "picture/wire/protocol.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <sys/types.h>

class QSocketNotifier;

namespace picture {

class HelperProcess final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString program; // the helper's executable
        quint64 memoryMiB = 2048;
    };

    // Starts the helper; ready() follows once it has loaded its decoders,
    // ended() if it could not start.
    HelperProcess(const Options &options, QObject *parent);
    // Kills the helper, if it still runs (and waits for nothing).
    ~HelperProcess() override;

    bool isReady() const { return m_ready && !m_ended; }
    bool hasEnded() const { return m_ended; }
    qint64 pid() const { return m_pid; }
    // How the helper ended: the signal that ended it, or 0.
    int endingSignal() const { return m_signal; }

    // Sends a request with the picture file `fd` (-1: none; the descriptor
    // stays the caller's). False when the helper has gone.
    bool send(const protocol::Request &request, const QByteArray &icc, int fd, int second = -1);
    // Asks the running decode to stop at its next read.
    void cancelRunning() { if (m_cancel) m_cancel->store(true); }
    // Ends the helper at once.
    void kill();

signals:
    void ready();
    // A reply; `fd` (the pixels, -1 when none) is the receiver's to close.
    void replied(const picture::protocol::Reply &reply, const QByteArray &tail, int fd);
    // The helper has ended: killed, crashed or closed.
    void ended();

private:
    void readReplies();
    void reap();
    void reapSoon();

    int m_socket = -1;
    int m_pidfd = -1;
    pid_t m_pid = -1;
    std::atomic_bool *m_cancel = nullptr;
    QSocketNotifier *m_replies = nullptr;
    QSocketNotifier *m_exit = nullptr;
    bool m_ready = false;
    bool m_ended = false;
    int m_signal = 0;
};

// Where the program's decoder helper is: beside the running program.
QString decoderHelperPath();

} // namespace picture

Q_DECLARE_METATYPE(picture::protocol::Reply)
