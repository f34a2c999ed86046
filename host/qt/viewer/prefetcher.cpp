#include "host/qt/viewer/prefetcher.h"

#include <algorithm>

namespace qthost {
namespace {

constexpr qint64 CachedScreenfuls = 4;
constexpr qint64 MinCacheBytes = 16 * 1024 * 1024;

} // namespace

using picture::DecodedPicture;
using picture::DecodeQueue;
using picture::DecodeRequest;
using picture::PictureCache;

Prefetcher::~Prefetcher()
{
    for (const auto &[key, ticket] : m_prefetching)
        m_queue.cancel(ticket);
}

qint64 Prefetcher::budgetFor(QSize bounds)
{
    return std::max(MinCacheBytes, CachedScreenfuls * bounds.width() * bounds.height() * 4);
}

void Prefetcher::around(const QStringList &neighbours, QSize bounds)
{
    std::map<QString, quint64> keep;
    for (const QString &neighbour : neighbours) {
        const QString key = PictureCache::key(neighbour, bounds);
        if (key.isEmpty() || m_cache.find(key))
            continue;
        const auto already = m_prefetching.find(key);
        if (already != m_prefetching.end()) {
            keep.insert(*already);
            m_prefetching.erase(already);
            continue;
        }
        keep.emplace(key, m_queue.decode(DecodeRequest::shown(neighbour, bounds), DecodeQueue::Priority::Prefetch, this,
                                         [this, key](const DecodedPicture &picture) {
                                             m_prefetching.erase(key);
                                             m_cache.insert(key, picture);
                                         }));
    }
    // What is no longer next to the shown picture need not be decoded.
    for (const auto &[key, ticket] : m_prefetching)
        m_queue.cancel(ticket);
    m_prefetching = std::move(keep);
}

void Prefetcher::keepOnly(const QStringList &paths, QSize bounds)
{
    QStringList keys;
    for (const QString &path : paths)
        keys.append(PictureCache::key(path, bounds));
    for (auto ahead = m_prefetching.begin(); ahead != m_prefetching.end();) {
        if (keys.contains(ahead->first)) {
            ++ahead;
            continue;
        }
        m_queue.cancel(ahead->second);
        ahead = m_prefetching.erase(ahead);
    }
}

} // namespace qthost
