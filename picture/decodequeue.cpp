#include "picture/decodequeue.h"

#include "platform/platform.h"

#include <QBuffer>
#include <QImageReader>
#include <QThread>

#include <algorithm>

namespace picture {
namespace {

bool sameRequest(const DecodeRequest &a, const DecodeRequest &b)
{
    return a.path == b.path && a.bounds == b.bounds && a.scale == b.scale && a.region == b.region
           && a.screen == b.screen;
}

} // namespace

DecodeQueue::DecodeQueue(QObject *parent) : QObject(parent), m_workers(std::max(2, QThread::idealThreadCount()))
{
    // Room for decodes that were cancelled but have not yet noticed.
    m_pool.setMaxThreadCount(m_workers + 2);
    // A format that cannot decode a part (PNG, BMP) decodes the whole picture
    // to cut the part from: Qt's 128 MiB would stop that at 33 megapixels.
    // Room for the pictures the program accepts at 4 bytes a pixel, and for
    // 16-bit ones up to half that.
    QImageReader::setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)) + 1);
}

DecodeQueue::~DecodeQueue()
{
    for (auto &[id, job] : m_jobs)
        job.cancelled->store(true);
    m_pool.waitForDone();
}

DecodeQueue::Ticket DecodeQueue::decode(const DecodeRequest &asked, Priority priority, const QObject *context,
                                        Done done)
{
    DecodeRequest request = asked;
    request.screen = m_screen;
    const Ticket ticket = m_next++;
    for (auto &[id, job] : m_jobs) {
        if (!job.cancelled->load() && sameRequest(job.request, request)) {
            job.waiting.emplace(ticket, Waiter{context, std::move(done)});
            if (priority == Priority::Shown)
                job.priority = Priority::Shown;
            m_tickets.emplace(ticket, id);
            pump();
            return ticket;
        }
    }
    const JobId id = m_next++;
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
    job.cancelled->store(true);
    // A running job leaves when its worker reports back.
    if (!job.running)
        m_jobs.erase(id);
    pump();
}

bool DecodeQueue::isRunning(Ticket ticket) const
{
    const auto found = m_tickets.find(ticket);
    return found != m_tickets.end() && m_jobs.at(found->second).running;
}

int DecodeQueue::activeWorkers() const
{
    return int(std::count_if(m_jobs.cbegin(), m_jobs.cend(), [](const auto &entry) {
        return entry.second.running && !entry.second.cancelled->load();
    }));
}

void DecodeQueue::warmUp()
{
    m_pool.start([] {
        QImage tiny(8, 8, QImage::Format_RGB32);
        tiny.fill(Qt::gray);
        for (const char *format : {"JPEG", "PNG", "GIF", "BMP", "WEBP", "TIFF"}) {
            QBuffer buffer;
            buffer.open(QIODevice::ReadWrite);
            tiny.save(&buffer, format);
            buffer.seek(0);
            QImageReader(&buffer).read();
        }
    });
}

void DecodeQueue::pump()
{
    const auto nextWaiting = [this](Priority priority) {
        return std::find_if(m_jobs.begin(), m_jobs.end(), [priority](const auto &entry) {
            return !entry.second.running && entry.second.priority == priority;
        });
    };
    while (true) {
        auto next = nextWaiting(Priority::Shown);
        if (next == m_jobs.end())
            next = nextWaiting(Priority::Prefetch);
        if (next == m_jobs.end())
            return;
        if (activeWorkers() >= m_workers) {
            if (next->second.priority != Priority::Shown)
                return;
            // What the user asked to see goes before what they may ask for.
            auto prefetch = std::find_if(m_jobs.begin(), m_jobs.end(), [](const auto &entry) {
                return entry.second.running && !entry.second.cancelled->load()
                       && entry.second.priority == Priority::Prefetch;
            });
            if (prefetch == m_jobs.end())
                return;
            // Stopped, and queued again to start afresh once there is room.
            prefetch->second.cancelled->store(true);
            Job again;
            again.request = prefetch->second.request;
            again.waiting = std::move(prefetch->second.waiting);
            prefetch->second.waiting.clear();
            const JobId id = m_next++;
            for (const auto &[ticket, waiter] : again.waiting)
                m_tickets[ticket] = id;
            m_jobs.emplace(id, std::move(again));
        }
        start(next->first, next->second);
    }
}

void DecodeQueue::start(JobId id, Job &job)
{
    job.running = true;
    m_pool.start([this, id, request = job.request, cancelled = job.cancelled] {
        const DecodedPicture result = decodePicture(request, *cancelled);
        // Queued: `finish` runs on the queue's own thread. The destructor
        // waits for the workers, so `this` outlives the call.
        QMetaObject::invokeMethod(this, [this, id, result] { finish(id, result); }, Qt::QueuedConnection);
    });
}

void DecodeQueue::finish(JobId id, const DecodedPicture &result)
{
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return;
    const std::map<Ticket, Waiter> waiting = std::move(found->second.waiting);
    const bool cancelled = found->second.cancelled->load();
    m_jobs.erase(found);
    for (const auto &[ticket, waiter] : waiting)
        m_tickets.erase(ticket);
    pump();
    // Idle: what the decoders freed goes back to the system, not kept for later.
    if (m_jobs.empty())
        platform::releaseFreeMemory();
    if (cancelled)
        return;
    for (const auto &[ticket, waiter] : waiting) {
        // A receiver gone without cancelling hears nothing.
        if (waiter.context)
            waiter.done(result);
    }
}

} // namespace picture
