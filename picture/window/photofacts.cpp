#include "picture/window/takendates.h"

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

TakenDates::TakenDates(DecodeQueue &queue, QObject *parent) : QObject(parent), m_queue(queue) {}

TakenDates::~TakenDates()
{
    forgetAsked();
}

TakenDates::Taken TakenDates::taken(const QString &path)
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    if (!stamp || !stamp->regular)
        return {true, std::nullopt};
    const Identity identity = identityOf(*stamp);
    if (const auto found = m_known.constFind(identity); found != m_known.cend())
        return {true, *found};
    if (m_asked.count(path))
        return {};
    const DecodeQueue::Ticket ticket = m_queue.decode(
        DecodeRequest::detailsOf(path), DecodeQueue::Priority::Background, this,
        [this, path, identity](const DecodedPicture &picture) {
            m_asked.erase(path);
            if (m_known.size() >= MaxRemembered)
                m_known.clear();
            // A helper that failed on the file says nothing of it: no date.
            m_known.insert(identity, takenMsecs(picture.details.taken, picture.details.takenOffset));
            if (m_asked.empty())
                emit arrived();
        });
    m_asked.emplace(path, ticket);
    return {};
}

void TakenDates::forgetAsked()
{
    for (const auto &[path, ticket] : m_asked)
        m_queue.cancel(ticket);
    m_asked.clear();
}

} // namespace picture
