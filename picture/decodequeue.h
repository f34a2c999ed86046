#pragma once

// Decodes pictures on worker threads for the viewer. The viewer's thread
// only queues requests and receives results; the workers own nothing of the
// window and hand back plain values.

#include "picture/picturedecode.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <map>
#include <memory>

namespace picture {

class DecodeQueue final : public QObject
{
    Q_OBJECT
public:
    enum class Priority { Shown, Prefetch };
    using Ticket = quint64;
    using Done = std::function<void(const DecodedPicture &)>;

    explicit DecodeQueue(QObject *parent = nullptr);
    // Cancels every decode and waits only for the workers to notice.
    ~DecodeQueue() override;

    // Queues a decode; `done` runs later on this thread unless the ticket is
    // cancelled first or `context` has gone by then (as with a connection to
    // a functor with a context object). A request equal to one already queued or running
    // joins it (a prefetch becomes shown when a shown request joins it).
    // Shown decodes start before prefetches; a shown decode that finds every
    // worker busy stops the prefetches to take one.
    Ticket decode(const DecodeRequest &request, Priority priority, const QObject *context, Done done);
    // The ticket's `done` will not run; the decode stops when nobody else waits for it.
    void cancel(Ticket ticket);
    bool isRunning(Ticket ticket) const;
    // Loads the decoders of every picture format on a worker, so that the
    // first picture does not wait for its plugin to load.
    void warmUp();
    int pending() const { return int(m_jobs.size()); }
    // How many decodes run at once.
    int workers() const { return m_workers; }
    // The screen's colours, which every decode from now on is turned into.
    void setScreenColours(const QColorSpace &screen) { m_screen = screen; }

private:
    struct Waiter
    {
        QPointer<const QObject> context;
        Done done;
    };
    struct Job
    {
        DecodeRequest request;
        Priority priority = Priority::Prefetch;
        std::shared_ptr<std::atomic_bool> cancelled = std::make_shared<std::atomic_bool>(false);
        bool running = false;
        std::map<Ticket, Waiter> waiting;
    };
    using JobId = quint64;

    void pump();
    void start(JobId id, Job &job);
    void finish(JobId id, const DecodedPicture &result);
    int activeWorkers() const;

    QThreadPool m_pool;
    int m_workers;
    std::map<JobId, Job> m_jobs; // in order of arrival
    std::map<Ticket, JobId> m_tickets;
    quint64 m_next = 1;
    QColorSpace m_screen = QColorSpace(QColorSpace::SRgb);
};

} // namespace picture
