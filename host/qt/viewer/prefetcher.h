#pragma once

#include "picture/window/decodequeue.h"
#include "picture/window/picturecache.h"

#include <QObject>
#include <QSize>
#include <QStringList>

#include <map>

namespace qthost {

// The viewer's policy for what is decoded before it is asked for and how much
// is kept: the neighbours of the shown picture, at the size they will be
// shown, into the cache; what is no longer next to it is not decoded.
class Prefetcher final : public QObject
{
    Q_OBJECT
public:
    Prefetcher(picture::DecodeQueue &queue, picture::PictureCache &cache) : m_queue(queue), m_cache(cache) {}
    // Cancels what is still being decoded ahead.
    ~Prefetcher() override;

    // Decodes `neighbours` (most likely first) fitted to `bounds`, unless kept
    // or under way already.
    void around(const QStringList &neighbours, QSize bounds);
    // Stops decoding ahead any picture but `paths` fitted to `bounds`: the
    // user has moved on (a held key leaves the old neighbours behind at once,
    // and their decodes would hold the helpers the photos on the way need).
    void keepOnly(const QStringList &paths, QSize bounds);
    // Whether any picture is still being decoded ahead.
    bool decodingAhead() const { return !m_prefetching.empty(); }
    // The cache's budget for pictures fitted to `bounds`: the shown one, the
    // two neighbours and one to spare.
    static qint64 budgetFor(QSize bounds);

private:
    picture::DecodeQueue &m_queue;
    picture::PictureCache &m_cache;
    std::map<QString, quint64> m_prefetching; // cache key -> ticket
};

} // namespace qthost
