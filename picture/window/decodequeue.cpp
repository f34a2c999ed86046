#include "picture/window/decodequeue.h"

#include "picture/window/replycheck.h"
#include "picture/window/sharedthumbnails.h"
#include "platform/platform.h"
#include "platform/sidecars.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace picture {
namespace {

using Reason = DecodedPicture::Reason;

// Helpers that end before they are ready this many times in a row: the
// helper cannot run here, and pictures say so instead of waiting.
constexpr int MaxFailedStarts = 3;

bool sameRequest(const DecodeRequest &a, const DecodeRequest &b)
{
    // Each edit is written once, however alike two of them are.
    if (a.edit || b.edit)
        return false;
    return a.sidecar == b.sidecar && a.path == b.path && a.bounds == b.bounds && a.scale == b.scale && a.region == b.region
           && a.screen == b.screen && a.preview == b.preview && a.details == b.details
           && a.detailsOnly == b.detailsOnly && a.thumbnail == b.thumbnail
           && a.comparedWith == b.comparedWith && a.comparedTurn == b.comparedTurn;
}

// The photo's sidecar that goes along with a request: it may turn the photo
// and holds its marks where the photo is never rewritten. A comparison
// reads the files alone, as they are written.
platform::Sidecar sidecarFor(const DecodeRequest &request)
{
    if (!request.comparedWith.isEmpty())
        return {};
    return request.sidecar.isEmpty() ? platform::sidecarOf(request.path) : platform::Sidecar{request.sidecar, true};
}

DecodedPicture failed(Reason reason)
{
    DecodedPicture result;
    result.status = DecodedPicture::Status::CannotDisplay;
    result.reason = reason;
    return result;
}

} // namespace

quint64 replyBytes(const DecodeRequest &request)
{
    // Eight bytes a pixel: the widest format a reply may carry (16 bits a
    // channel with alpha). A fitted picture is no larger than its bounds.
    constexpr quint64 WidestPixel = 8;
    if (request.detailsOnly || !request.comparedWith.isEmpty())
        return 0; // no pixels
    if (request.edit) {
        // The file again, with room for its new tags and a turned
        // thumbnail; a sidecar is at most its bound.
        constexpr qint64 Room = 16 * 1024 * 1024;
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(request.path);
        return quint64((stamp ? stamp->size + stamp->size / 4 : 0) + Room);
    }
    if (request.scale <= 0 && !request.bounds.isEmpty())
        return quint64(std::min<qint64>(qint64(request.bounds.width()) * request.bounds.height(), MaxPicturePixels))
               * WidestPixel;
    return quint64(MaxPicturePixels) * WidestPixel;
}

namespace {

int workersHere()
{
    return std::max(2, QThread::idealThreadCount());
}

HelperProcess::Options programHelper()
{
    HelperProcess::Options options;
    options.program = decoderHelperPath();
    options.memoryMiB = DecodeQueue::Limits().helperMemoryMiB;
    return options;
}

} // namespace

DecodeQueue::DecodeQueue(QObject *parent) : QObject(parent), m_workers(workersHere())
{
    m_helperOptions = programHelper();
    m_screenIcc = m_screen.iccProfile();
}

std::vector<StartedHelperProcess> DecodeQueue::startHelpersEarly()
{
    // One: a second one would take the core the window is built on.
    std::vector<StartedHelperProcess> helpers;
    helpers.emplace_back(programHelper());
    return helpers;
}

void DecodeQueue::adopt(std::vector<StartedHelperProcess> helpers)
{
    for (StartedHelperProcess &started : helpers) {
        if (liveHelpers() >= m_workers)
            break; // the rest are killed as they go
        watch(new HelperProcess(std::move(started), this));
        m_startingUp = true;
    }
}

DecodeQueue::~DecodeQueue()
{
    for (auto &slot : m_slots) {
        slot->process->disconnect(this);
        slot->process->kill();
    }
    m_slots.clear(); // the processes are this object's children, deleted with it
}

HelperProcess::Options DecodeQueue::helperOptions() const
{
    HelperProcess::Options options = m_helperOptions;
    options.memoryMiB = m_limits.helperMemoryMiB;
    return options;
}

QList<qint64> DecodeQueue::helperPids() const
{
    QList<qint64> pids;
    for (const auto &slot : m_slots) {
        if (!slot->process->hasEnded())
            pids.append(slot->process->pid());
    }
    return pids;
}

void DecodeQueue::setLimits(const Limits &limits)
{
    m_limits = limits;
    for (auto &slot : m_slots) {
        if (!slot->job)
            stop(*slot);
    }
}

void DecodeQueue::setScreenColours(const QColorSpace &screen)
{
    m_screen = screen;
    m_screenIcc = screen.iccProfile();
    for (auto &slot : m_slots)
        slot->process->setScreenProfile(m_screenIcc);
}

void DecodeQueue::setHelper(const HelperProcess::Options &helper)
{
    m_helperOptions = helper;
    setLimits(m_limits);
}

int DecodeQueue::readyHelpers() const
{
    return int(std::count_if(m_slots.cbegin(), m_slots.cend(),
                             [](const auto &slot) { return slot->process->isReady(); }));
}

int DecodeQueue::liveHelpers() const
{
    return int(std::count_if(m_slots.cbegin(), m_slots.cend(),
                             [](const auto &slot) { return !slot->process->hasEnded(); }));
}

bool DecodeQueue::readsTheFilesAsTheyAre(const Job &job)
{
    // A decode under way reads the files it was handed: one that has been
    // replaced since (a rewrite undone, a photo saved over) is read afresh,
    // not answered for with what it was.
    if (!job.running || !job.opened)
        return true;
    const platform::Sidecar sidecar = sidecarFor(job.request);
    return platform::fileStamp(job.request.path) == job.opened
           && (sidecar.exists ? platform::fileStamp(sidecar.path) : std::nullopt) == job.sidecarOpened;
}

bool DecodeQueue::shownWorkLeft() const
{
    return std::any_of(m_jobs.cbegin(), m_jobs.cend(), [](const auto &entry) {
        return !entry.second.cancelled && entry.second.priority == Priority::Shown;
    });
}

DecodeQueue::Slot *DecodeQueue::spawn()
{
    // Fonts cost a helper a third of its memory and of its start, and only
    // pictures that draw text need them: a helper has them when one waits.
    HelperProcess::Options options = helperOptions();
    options.fonts = fontsWanted();
    return watch(new HelperProcess(options, this));
}

bool DecodeQueue::fontsWanted() const
{
    const bool waiting = std::any_of(m_jobs.cbegin(), m_jobs.cend(), [](const auto &entry) {
        return entry.second.needsFonts && !entry.second.running && !entry.second.cancelled;
    });
    return waiting && std::none_of(m_slots.cbegin(), m_slots.cend(), [](const auto &slot) {
               return slot->process->hasFonts() && !slot->process->hasEnded() && !slot->stoppedByUs;
           });
}

bool DecodeQueue::makeWayForFonts()
{
    if (!fontsWanted())
        return true;
    if (liveHelpers() < m_workers && !m_startingUp)
        return true; // ensureHelpers() starts one, with fonts
    const auto free = std::find_if(m_slots.begin(), m_slots.end(), [](const auto &slot) {
        return !slot->job && !slot->process->hasEnded() && !slot->stoppedByUs && !slot->broken;
    });
    if (free == m_slots.end())
        return false;
    // The one started in its place, once it has gone, has fonts.
    stop(**free);
    return true;
}

DecodeQueue::Slot *DecodeQueue::watch(HelperProcess *process)
{
    auto slot = std::make_unique<Slot>();
    Slot *raw = slot.get();
    slot->process = process;
    slot->process->setScreenProfile(m_screenIcc);
    slot->deadline = new QTimer(slot->process);
    slot->deadline->setSingleShot(true);
    slot->grace = new QTimer(slot->process);
    slot->grace->setSingleShot(true);
    connect(slot->deadline, &QTimer::timeout, this, [this, raw] {
        raw->deadlinePassed = true;
        raw->process->kill();
    });
    connect(slot->grace, &QTimer::timeout, this, [this, raw] { stop(*raw); });
    connect(slot->process, &HelperProcess::ready, this, [this] {
        m_failedStarts = 0;
        pump();
    });
    connect(slot->process, &HelperProcess::replied, this,
            [this, raw](const protocol::Reply &reply, const QByteArray &tail, int fd) { replied(raw, reply, tail, fd); });
    connect(slot->process, &HelperProcess::ended, this, [this, raw] { ended(raw); });
    m_slots.push_back(std::move(slot));
    if (raw->process->hasEnded()) {
        // Could not be started at all (no helper beside the program).
        m_failedStarts = MaxFailedStarts;
        QMetaObject::invokeMethod(this, [this, raw] { ended(raw); }, Qt::QueuedConnection);
    }
    return raw;
}

void DecodeQueue::ensureHelpers(int count)
{
    if (m_startingUp && liveHelpers() > 0)
        return;
    while (m_failedStarts < MaxFailedStarts && liveHelpers() < std::min(count, m_workers))
        spawn();
}

void DecodeQueue::warmUp()
{
    if (m_startingUp && shownWorkLeft())
        return;
    m_startingUp = false;
    ensureHelpers(m_workers);
}

DecodeQueue::Ticket DecodeQueue::decode(const DecodeRequest &asked, Priority priority, const QObject *context,
                                        Done done)
{
    DecodeRequest request = asked;
    request.screen = m_screen;
    const Ticket ticket = m_next++;
    for (auto &[id, job] : m_jobs) {
        if (!job.cancelled && sameRequest(job.request, request) && readsTheFilesAsTheyAre(job)) {
            job.waiting.emplace(ticket, Waiter{context, std::move(done)});
            if (priority == Priority::Shown)
                job.priority = Priority::Shown;
            m_tickets.emplace(ticket, id);
            pump();
            return ticket;
        }
    }
    const JobId id = m_next++;
    ++m_asked;
    Job job;
    job.request = request;
    job.priority = priority;
    job.waiting.emplace(ticket, Waiter{context, std::move(done)});
    m_jobs.emplace(id, std::move(job));
    m_tickets.emplace(ticket, id);
    pump();
    return ticket;
}

void DecodeQueue::cancel(Ticket ticket)
{
    const auto found = m_tickets.find(ticket);
    if (found == m_tickets.end())
        return;
    const JobId id = found->second;
    m_tickets.erase(found);
    Job &job = m_jobs.at(id);
    job.waiting.erase(ticket);
    if (!job.waiting.empty())
        return;
    job.cancelled = true;
    if (!job.running) {
        m_jobs.erase(id);
        return;
    }
    // Asked to stop at its next read; a decoder that reads no more (or a
    // hostile file) is killed once the grace is over.
    for (auto &slot : m_slots) {
        if (slot->job == id) {
            slot->process->cancelRunning();
            slot->grace->start(m_limits.cancelGraceMs);
        }
    }
}

bool DecodeQueue::isRunning(Ticket ticket) const
{
    const auto found = m_tickets.find(ticket);
    return found != m_tickets.end() && m_jobs.at(found->second).running;
}

void DecodeQueue::stop(Slot &slot)
{
    slot.stoppedByUs = true;
    slot.process->kill();
}

void DecodeQueue::pump()
{
    const auto nextWaiting = [this](Priority priority) {
        return std::find_if(m_jobs.begin(), m_jobs.end(), [priority](const auto &entry) {
            return !entry.second.running && !entry.second.cancelled && entry.second.priority == priority;
        });
    };
    while (true) {
        auto next = nextWaiting(Priority::Shown);
        if (next == m_jobs.end())
            next = nextWaiting(Priority::Prefetch);
        if (next == m_jobs.end())
            next = nextWaiting(Priority::Background);
        if (next == m_jobs.end())
            next = nextWaiting(Priority::Thumbnail);
        if (next == m_jobs.end())
            return;
        if (m_failedStarts >= MaxFailedStarts) {
            finishLater(next->first, failed(Reason::NoDecoder));
            next->second.running = true; // finished on the next turn
            continue;
        }
        const auto isIdle = [](const auto &slot) { return slot->process->isReady() && !slot->job && !slot->broken; };
        const bool needsFonts = next->second.needsFonts;
        const auto canRun = [needsFonts](const auto &slot) { return !needsFonts || slot->process->hasFonts(); };
        auto idle = std::find_if(m_slots.begin(), m_slots.end(),
                                 [&](const auto &slot) { return isIdle(slot) && canRun(slot); });
        const Priority priority = next->second.priority;
        // A picture to be shown goes to a helper still starting, which reads
        // it once it has contained itself: it starts then, not once the
        // window, busy being built, has heard that the helper is ready.
        if (idle == m_slots.end() && priority == Priority::Shown) {
            ensureHelpers(m_workers);
            idle = std::find_if(m_slots.begin(), m_slots.end(), [&](const auto &slot) {
                return !slot->process->wasReady() && !slot->process->hasEnded() && !slot->job && !slot->broken
                       && canRun(slot);
            });
        }
        // What the user sees or may step to has the cores to itself: the
        // folder's thumbnails stop (queued again) and wait until it is done.
        const bool yielding = (priority == Priority::Shown || priority == Priority::Prefetch) && yieldThumbnails();
        if ((priority == Priority::Thumbnail && userWorkRunning(Priority::Prefetch))
            || (priority == Priority::Background && userWorkRunning(Priority::Shown)))
            return;
        // A decode ahead leaves one helper idle, so that the picture the
        // user asks for next starts at once.
        if (idle != m_slots.end() && priority == Priority::Prefetch
            && std::count_if(m_slots.begin(), m_slots.end(), isIdle) < 2)
            return;
        if (idle == m_slots.end()) {
            // Work waits: the helpers start now if they have not yet.
            const bool fontsComing = needsFonts && makeWayForFonts();
            ensureHelpers(m_workers);
            if (priority != Priority::Shown || yielding || fontsComing)
                return;
            // What the user asked to see goes before what they may ask for:
            // a prefetch is stopped and queued again to start afresh.
            for (auto &slot : m_slots) {
                if (!slot->job || slot->stoppedByUs)
                    continue;
                Job &running = m_jobs.at(*slot->job);
                if (running.priority != Priority::Prefetch || running.cancelled)
                    continue;
                queueAgain(running);
                stop(*slot);
                break;
            }
            return;
        }
        if (!start(next->first, next->second, **idle))
            continue;
    }
}

void DecodeQueue::queueAgain(Job &running)
{
    // Its waiters go to a job of their own at the end of the queue; the
    // running one, cancelled, ends unheard.
    Job again;
    again.request = running.request;
    again.priority = running.priority;
    again.needsFonts = running.needsFonts;
    again.waiting = std::move(running.waiting);
    running.waiting.clear();
    running.cancelled = true;
    const JobId id = m_next++;
    for (const auto &[ticket, waiter] : again.waiting)
        m_tickets[ticket] = id;
    m_jobs.emplace(id, std::move(again));
}

bool DecodeQueue::yieldThumbnails()
{
    // Each is asked to stop at its next read of the file: its helper is
    // free again at once.
    bool yielding = false;
    for (auto &slot : m_slots) {
        if (slot->job && !slot->stoppedByUs && !slot->yielding) {
            Job &running = m_jobs.at(*slot->job);
            if (running.priority != Priority::Thumbnail || running.cancelled)
                continue;
            queueAgain(running);
            slot->yielding = true;
            slot->process->cancelRunning();
            slot->grace->start(m_limits.cancelGraceMs);
        }
        yielding = yielding || slot->yielding;
    }
    return yielding;
}

bool DecodeQueue::userWorkRunning(Priority atLeast) const
{
    return std::any_of(m_jobs.cbegin(), m_jobs.cend(), [atLeast](const auto &entry) {
        const Job &job = entry.second;
        return job.running && !job.cancelled && job.priority <= atLeast;
    });
}

bool DecodeQueue::start(JobId id, Job &job, Slot &slot)
{
    job.running = true;
    // The file is opened here and handed over, so the helper opens nothing.
    const int fd = platform::openRegularFile(job.request.path);
    if (fd < 0) {
        finishLater(id, failed(errno == EACCES || errno == EPERM ? Reason::NoPermission : Reason::NotAFile));
        return false;
    }
    job.opened = platform::fileStamp(fd);
    protocol::Request message;
    message.id = id;
    message.kind = job.request.edit                      ? protocol::RequestKind::Edit
                   : !job.request.comparedWith.isEmpty() ? protocol::RequestKind::Compare
                   : job.request.detailsOnly             ? protocol::RequestKind::Details
                   : job.request.thumbnail ? protocol::RequestKind::Thumbnail
                   : job.request.preview   ? protocol::RequestKind::Preview
                                           : protocol::RequestKind::Decode;
    message.boundsWidth = job.request.bounds.width();
    message.boundsHeight = job.request.bounds.height();
    message.scale = job.request.scale;
    message.regionX = job.request.region.x();
    message.regionY = job.request.region.y();
    message.regionWidth = job.request.region.width();
    message.regionHeight = job.request.region.height();
    if (job.request.details)
        message.flags |= protocol::WantsDetails;
    if (const std::optional<MarkEdit> &edit = job.request.edit) {
        if (edit->rating) {
            message.flags |= protocol::EditsRating;
            message.rating = *edit->rating;
        }
        if (edit->label) {
            message.flags |= protocol::EditsLabel;
            message.label = quint32(*edit->label);
        }
        message.quarterTurns = edit->quarterTurns;
    }
    if (!job.request.comparedWith.isEmpty())
        message.quarterTurns = job.request.comparedTurn;
    QByteArray tail;
    int second = -1; // the shared cache's thumbnail, or the rewritten file compared
    if (job.request.preview || job.request.thumbnail) {
        // The shared cache's thumbnail goes along, opened here like the
        // picture; the helper checks that it is of this file as it is now.
        // A thumbnail is read from the entry of its size, or else from the
        // record that none can be made.
        const QByteArray uri = thumbnailUri(job.request.path);
        message.uriBytes = quint32(uri.size());
        tail += uri;
        const int side = std::max(job.request.bounds.width(), job.request.bounds.height());
        QString cached = job.request.thumbnail ? thumbnailEntryFor(job.request.path, side)
                                               : cachedThumbnailPath(job.request.path);
        if (cached.isEmpty() && job.request.thumbnail) {
            cached = failureEntryPath(job.request.path);
            message.flags |= protocol::SecondIsFailure;
        }
        if (!cached.isEmpty())
            second = platform::openRegularFile(cached);
    } else if (!job.request.comparedWith.isEmpty()) {
        // The rewritten file goes along as the second descriptor.
        second = platform::openRegularFile(job.request.comparedWith);
        if (second < 0) {
            ::close(fd);
            finishLater(id, failed(Reason::NotAFile));
            return false;
        }
    }
    // The photo's sidecar goes along too, opened here.
    const platform::Sidecar sidecarFile = sidecarFor(job.request);
    const int sidecar = sidecarFile.exists ? platform::openRegularFile(sidecarFile.path) : -1;
    job.sidecarOpened = platform::fileStamp(sidecar);
    if (sidecar >= 0)
        message.flags |= protocol::SidecarFollows;
    const bool sent = slot.process->send(message, tail, fd, second, replyBytes(job.request), sidecar);
    for (const int opened : {fd, second, sidecar}) {
        if (opened >= 0)
            ::close(opened);
    }
    if (!sent) {
        // The helper has gone meanwhile: the job waits for another.
        job.running = false;
        slot.broken = true;
        slot.process->kill();
        return true;
    }
    slot.job = id;
    slot.deadline->start(m_limits.deadlineMs);
    return true;
}

void DecodeQueue::replied(Slot *slot, const protocol::Reply &reply, const QByteArray &tail, int fd)
{
    if (!slot->job || reply.id != *slot->job) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    const JobId id = *slot->job;
    slot->job.reset();
    slot->yielding = false;
    slot->deadline->stop();
    slot->grace->stop();
    Job &job = m_jobs.at(id);
    if (reply.status == protocol::Status::NeedsFonts && !slot->process->hasFonts() && !job.cancelled) {
        // It may draw text: it waits for a helper with fonts.
        if (fd >= 0)
            ::close(fd);
        job.running = false;
        job.needsFonts = true;
        pump();
        return;
    }
    finish(id, pictureFrom(reply, tail, fd));
}

void DecodeQueue::ended(Slot *raw)
{
    const auto found = std::find_if(m_slots.begin(), m_slots.end(), [raw](const auto &slot) { return slot.get() == raw; });
    if (found == m_slots.end())
        return;
    std::unique_ptr<Slot> slot = std::move(*found);
    m_slots.erase(found);
    slot->process->deleteLater();
    const bool endedUnready = !slot->process->wasReady() && !slot->stoppedByUs;
    if (endedUnready && m_failedStarts < MaxFailedStarts)
        ++m_failedStarts;
    const auto job = slot->job ? m_jobs.find(*slot->job) : m_jobs.end();
    if (job != m_jobs.end() && endedUnready && !slot->deadlinePassed) {
        // Handed over while the helper was starting, and never read: it
        // waits for the helper that takes its place.
        job->second.running = false;
    } else if (slot->job) {
        // Why, for the user: stopped at its deadline, or over its memory
        // (the system kills for that), or its decoder failed.
        Reason reason = Reason::DecoderFailed;
        const int signal = slot->process->endingSignal();
        if (slot->deadlinePassed || signal == SIGXCPU)
            reason = Reason::TookTooLong;
        else if (signal == SIGKILL && !slot->stoppedByUs)
            reason = Reason::TooMuchMemory;
        finish(*slot->job, failed(reason));
    }
    // A fresh helper takes its place.
    ensureHelpers(m_workers);
    pump();
}

void DecodeQueue::finishLater(JobId id, const DecodedPicture &result)
{
    QMetaObject::invokeMethod(this, [this, id, result] { finish(id, result); }, Qt::QueuedConnection);
}

void DecodeQueue::finish(JobId id, const DecodedPicture &result)
{
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return;
    const std::map<Ticket, Waiter> waiting = std::move(found->second.waiting);
    const bool cancelled = found->second.cancelled;
    DecodedPicture told = result;
    told.readFile = found->second.opened;
    told.readSidecar = found->second.sidecarOpened;
    m_jobs.erase(found);
    for (const auto &[ticket, waiter] : waiting)
        m_tickets.erase(ticket);
    if (m_startingUp)
        warmUp(); // the early helpers' first pictures may be done
    pump();
    if (cancelled)
        return;
    for (const auto &[ticket, waiter] : waiting) {
        // A receiver gone without cancelling hears nothing.
        if (waiter.context)
            waiter.done(told);
    }
}

} // namespace picture
