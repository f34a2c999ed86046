#include "picture/window/photofacts.h"

#include "platform/sidecars.h"

#include <QDateTime>
#include <QTimeZone>

namespace picture {

// So many remembered, the cache is dropped: a few folders of photos' worth.
constexpr qsizetype MaxRemembered = 200'000;

std::optional<qint64> takenMsecs(const QString &taken, const QString &offset)
{
    QDateTime when = QDateTime::fromString(taken, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!when.isValid())
        return std::nullopt;
    if (offset.size() == 6) {
        const int sign = offset.at(0) == QLatin1Char('-') ? -1 : 1;
        const int seconds = sign * (offset.mid(1, 2).toInt() * 3600 + offset.mid(4, 2).toInt() * 60);
        when = QDateTime(when.date(), when.time(), QTimeZone(seconds));
    }
    return when.toMSecsSinceEpoch();
}

namespace {

PhotoFacts::Facts factsFrom(const PhotoDetails &details)
{
    return {takenMsecs(details.taken, details.takenOffset), details.marks};
}

} // namespace

PhotoFacts::PhotoFacts(DecodeQueue &queue, QObject *parent) : QObject(parent), m_queue(queue) {}

PhotoFacts::~PhotoFacts()
{
    forgetAsked();
}

std::optional<PhotoFacts::Identity> PhotoFacts::identityFrom(const std::optional<platform::FileStamp> &file,
                                                             const std::optional<platform::FileStamp> &sidecar)
{
    if (!file || !file->regular)
        return std::nullopt;
    Identity identity{file->device, file->inode, file->size, file->modifiedNs, 0, 0};
    if (sidecar) {
        identity.sidecarInode = sidecar->inode;
        identity.sidecarChangedNs = sidecar->changedNs;
    }
    return identity;
}

std::optional<PhotoFacts::Identity> PhotoFacts::identityOf(const QString &path)
{
    const std::optional<platform::FileStamp> file = platform::fileStamp(path);
    return file && file->regular ? identityFrom(file, platform::sidecarStampOf(path)) : std::nullopt;
}

void PhotoFacts::remember(const QString &path, const Identity &identity, const Facts &facts)
{
    if (m_known.size() >= MaxRemembered) {
        m_known.clear();
        m_lastSeen.clear();
    }
    m_known.insert(identity, facts);
    m_lastSeen.insert(path, identity);
}

std::optional<PhotoFacts::Facts> PhotoFacts::facts(const QString &path)
{
    const std::optional<Identity> identity = identityOf(path);
    if (!identity)
        return Facts{};
    if (const auto found = m_known.constFind(*identity); found != m_known.cend())
        return *found;
    if (m_asked.count(path))
        return std::nullopt;
    const DecodeQueue::Ticket ticket = m_queue.decode(
        DecodeRequest::detailsOf(path), DecodeQueue::Priority::Background, this,
        [this, path, asked = *identity](const DecodedPicture &picture) {
            m_asked.erase(path);
            // Kept for the file as it was read, which may have been replaced
            // since it was asked for (a photo rated, then the rating undone,
            // is the old file again: it must not say the rating). A helper
            // that failed on the file says nothing of it.
            remember(path, identityFrom(picture.readFile, picture.readSidecar).value_or(asked), factsFrom(picture.details));
            if (m_asked.empty())
                emit arrived();
        });
    m_asked.emplace(path, ticket);
    return std::nullopt;
}

std::optional<qint64> PhotoFacts::taken(const QString &path)
{
    const std::optional<Facts> known = facts(path);
    return known ? known->taken : std::nullopt;
}

std::optional<marks::Marks> PhotoFacts::marks(const QString &path)
{
    if (const auto pending = m_pending.constFind(path); pending != m_pending.cend())
        return *pending;
    const std::optional<Facts> known = facts(path);
    return known ? std::optional(known->marks) : std::nullopt;
}

void PhotoFacts::learn(const QString &path, const PhotoDetails &details)
{
    if (const std::optional<Identity> identity = identityOf(path))
        remember(path, *identity, factsFrom(details));
}

void PhotoFacts::setMarks(const QString &path, const marks::Marks &marks)
{
    const std::optional<Identity> identity = identityOf(path);
    if (!identity)
        return;
    const auto before = m_lastSeen.constFind(path);
    const auto known = before != m_lastSeen.cend() ? m_known.constFind(*before) : m_known.cend();
    if (known == m_known.cend() && !m_known.contains(*identity))
        return; // nothing else known: it is read whole when asked
    Facts facts = m_known.contains(*identity) ? m_known.value(*identity) : *known;
    facts.marks = marks;
    remember(path, *identity, facts);
}

void PhotoFacts::setPending(const QString &path, const std::optional<marks::Marks> &marks)
{
    if (marks)
        m_pending.insert(path, *marks);
    else
        m_pending.remove(path);
}

void PhotoFacts::forgetAsked()
{
    for (const auto &[path, ticket] : m_asked)
        m_queue.cancel(ticket);
    m_asked.clear();
}

} // namespace picture
