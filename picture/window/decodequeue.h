#pragma once

// Decodes pictures for the viewer in decoder helpers: processes of the
// program's own that can open nothing, hold limited memory and are killed
// when their work is no longer wanted or takes too long. The window's thread
// only queues requests and receives results; it never waits on a helper.

#include "picture/window/helperprocess.h"
#include "picture/wire/decoding.h"
#include "platform/platform.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTimer;

namespace picture {

class DecodeQueue final : public QObject
{
    Q_OBJECT
public:
    // Background work (a folder's dates taken, the thumbnails on the screen)
    // is short, goes after decodes ahead, never beside the picture shown
    // being decoded, and is never stopped for it.
    // Thumbnails go last, on every helper that is free, and never beside a
    // picture shown or decoded ahead: those stop them (asked to stop at
    // once, queued again) and have the cores to themselves.
    enum class Priority { Shown, Prefetch, Background, Thumbnail };
    using Ticket = quint64;
    using Done = std::function<void(const DecodedPicture &)>;

    struct Limits
    {
        int deadlineMs = 10000;        // a decode running longer is stopped
        int cancelGraceMs = 100;       // a cancelled decode that goes on is stopped
        // Each helper's data: about 12 MiB are the helper's own, the rest
        // room for a picture of 200 megapixels and its decoder's own copy.
        quint64 helperMemoryMiB = 2048;
    };

    // Starts no helper yet: the first decode, or warmUp(), starts them, so
    // that building the window does not wait for them.
    explicit DecodeQueue(QObject *parent = nullptr);
    // Kills every helper; waits for none.
    ~DecodeQueue() override;

    // Queues a decode; `done` runs later on this thread unless the ticket is
    // cancelled first or `context` has gone by then (as with a connection to
    // a functor with a context object). A request equal to one already
    // queued or running joins it (a prefetch becomes shown when a shown
    // request joins it). Shown decodes start before prefetches; a shown
    // decode that finds every helper busy stops a prefetch to take its place.
    Ticket decode(const DecodeRequest &request, Priority priority, const QObject *context, Done done);
    // The ticket's `done` will not run. A decode nobody else waits for
    // stops: at its next read, or its helper is killed shortly after.
    void cancel(Ticket ticket);
    bool isRunning(Ticket ticket) const;
    // Starts the helpers (once the window is up); with early helpers, not
    // before the pictures asked to be shown are done.
    void warmUp();
    // The helper a queue of the program's own starts with, started now:
    // the program starts it first thing, while it builds its window.
    static std::vector<StartedHelperProcess> startHelpersEarly();
    // Takes over helpers started before this queue, as its own. Until the
    // pictures asked for to be shown are done, no other helper starts: one
    // loading its libraries would take the cores the window and the first
    // picture need.
    void adopt(std::vector<StartedHelperProcess> helpers);
    int pending() const { return int(m_jobs.size()); }
    // Decodes asked for so far that joined none already under way.
    quint64 asked() const { return m_asked; }
    // How many decodes run at once: one per helper. Decodes ahead leave one
    // helper free for what the user asks to see.
    int workers() const { return m_workers; }
    // Helpers started and ready for work.
    int readyHelpers() const;
    // The screen's colours, which every decode from now on is turned into.
    void setScreenColours(const QColorSpace &screen);
    const QColorSpace &screenColours() const { return m_screen; }
    // Helpers started from now on keep to `limits`; idle ones are replaced.
    void setLimits(const Limits &limits);
    // How a helper of this queue is started (an animation plays in one of its own).
    HelperProcess::Options helperOptions() const;
    // Helpers started from now on are this program (tests start helpers of
    // their own); idle ones are replaced.
    void setHelper(const HelperProcess::Options &helper);
    // The helpers' processes now running.
    QList<qint64> helperPids() const;

private:
    struct Waiter
    {
        QPointer<const QObject> context;
        Done done;
    };
    using JobId = quint64;
    struct Job
    {
        DecodeRequest request;
        Priority priority = Priority::Prefetch;
        bool cancelled = false;
        bool running = false;
        // A helper without fonts sent it back: it may draw text.
        bool needsFonts = false;
        std::map<Ticket, Waiter> waiting;
        // The files as the helper was handed them (running jobs).
        std::optional<platform::FileStamp> opened, sidecarOpened;
    };
    // A helper and the job it runs.
    struct Slot
    {
        HelperProcess *process = nullptr;
        std::optional<JobId> job;
        QTimer *deadline = nullptr;
        QTimer *grace = nullptr;
        bool stoppedByUs = false; // killed: the job's end is not the helper's fault
        bool deadlinePassed = false;
        bool broken = false;      // it could not be sent to: waits to be reaped
        bool yielding = false;    // its thumbnail was asked to stop for the user
    };

    void pump();
    bool start(JobId id, Job &job, Slot &slot);
    void finish(JobId id, const DecodedPicture &result);
    void finishLater(JobId id, const DecodedPicture &result);
    void replied(Slot *slot, const protocol::Reply &reply, const QByteArray &tail, int fd);
    void ended(Slot *slot);
    void stop(Slot &slot);
    void queueAgain(Job &running);
    // Stops the thumbnails running, to be made again later; whether a
    // helper is still on its way back from one.
    bool yieldThumbnails();
    // Whether a decode of this priority or a higher one runs.
    bool userWorkRunning(Priority atLeast) const;
    Slot *spawn();
    Slot *watch(HelperProcess *process);
    // Whether a job waits for a helper with fonts and none is there.
    bool fontsWanted() const;
    // Makes way for a helper with fonts, for a job that needs one: an idle
    // helper without is replaced. Whether one is there or on its way.
    bool makeWayForFonts();
    void ensureHelpers(int count);
    int liveHelpers() const;
    // Whether a request like the job's, asked now, would read what it reads.
    static bool readsTheFilesAsTheyAre(const Job &job);
    // Whether a picture asked for to be shown is queued or being decoded.
    bool shownWorkLeft() const;

    Limits m_limits;
    int m_workers;
    HelperProcess::Options m_helperOptions;
    std::vector<std::unique_ptr<Slot>> m_slots;
    int m_failedStarts = 0;
    bool m_startingUp = false; // the early helpers alone, until the first pictures are shown
    std::map<JobId, Job> m_jobs; // in order of arrival
    std::map<Ticket, JobId> m_tickets;
    quint64 m_next = 1;
    quint64 m_asked = 0;
    QColorSpace m_screen = QColorSpace(QColorSpace::SRgb);
    QByteArray m_screenIcc;
};

// The most memory a reply to `request` may be lent for its pixels.
quint64 replyBytes(const DecodeRequest &request);

} // namespace picture
