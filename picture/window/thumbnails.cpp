#include "picture/window/thumbnails.h"

#include "picture/window/sharedthumbnails.h"
#include "picture/window/thumbnailwriter.h"
#include "platform/sidecars.h"

#include <QSet>

#include <algorithm>

namespace picture {
namespace {

using Reason = DecodedPicture::Reason;

// Failures a file manager should know about too: the file is a picture
// that cannot be read. Not a picture at all, or a helper stopped by the
// machine's load, records nothing.
bool worthRecording(Reason reason)
{
    return reason == Reason::Damaged || reason == Reason::Unsupported || reason == Reason::DecoderFailed;
}

} // namespace

Thumbnails::Thumbnails(DecodeQueue &queue, int tile, int made, QObject *parent)
    : QObject(parent), m_queue(queue), m_tile(tile), m_made(made)
{
    m_finisher.setMaxThreadCount(1);
}

Thumbnails::~Thumbnails()
{
    for (const auto &[path, asking] : m_asking)
        m_queue.cancel(asking.ticket);
    // A finished tile is handed to this object: none may be on its way.
    m_finisher.clear();
    m_finisher.waitForDone();
}

Thumbnails::Tile Thumbnails::tile(const QString &path) const
{
    const auto found = m_known.constFind(path);
    if (found == m_known.cend())
        return {};
    found->used = ++m_clock;
    return found->tile;
}

void Thumbnails::want(const QStringList &first, const QStringList &rest)
{
    m_wanted = first + rest;
    m_onScreen = first.size();
    m_next = 0;
    const QSet<QString> wanted(m_wanted.cbegin(), m_wanted.cend());
    for (auto asking = m_asking.begin(); asking != m_asking.end();) {
        if (wanted.contains(asking->first)) {
            ++asking;
            continue;
        }
        m_queue.cancel(asking->second.ticket);
        asking = m_asking.erase(asking);
    }
    pump();
}

void Thumbnails::setSizes(int tile, int made)
{
    if (tile == m_tile && made == m_made)
        return;
    for (const auto &[path, asking] : m_asking)
        m_queue.cancel(asking.ticket);
    m_asking.clear();
    m_known.clear();
    m_finishing.clear();
    ++m_generation;
    m_used = 0;
    m_next = 0;
    m_tile = tile;
    m_made = made;
}

void Thumbnails::forget(const QString &path)
{
    if (drop(path))
        m_next = 0; // made again where it is wanted
}

bool Thumbnails::drop(const QString &path)
{
    const auto found = m_known.find(path);
    if (found == m_known.end())
        return false;
    m_used -= found->tile.image.sizeInBytes();
    m_known.erase(found);
    return true;
}

void Thumbnails::forgetChanged()
{
    QStringList changed;
    for (auto known = m_known.cbegin(); known != m_known.cend(); ++known) {
        if (platform::fileStamp(known.key()) != known->stamp || platform::sidecarStampOf(known.key()) != known->sidecar)
            changed.append(known.key());
    }
    for (const QString &path : changed)
        forget(path);
    pump();
}

void Thumbnails::pump()
{
    // One for each helper: more would only wait in the queue.
    while (int(m_asking.size()) < m_queue.workers() && m_next < m_wanted.size()) {
        // The tiles on the screen are what the user waits for: every helper
        // free takes them. The rest of the folder too, but gives a helper
        // back at once for the photo the user steps to.
        const bool onScreen = m_next < m_onScreen;
        const QString path = m_wanted.at(m_next++);
        if (m_known.contains(path) || m_asking.count(path) || m_finishing.contains(path))
            continue;
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
        // The cache's own files would be thumbnails of thumbnails.
        if (!stamp || !stamp->regular || isInThumbnailCache(path)) {
            Known none;
            none.tile = {true, {}, Reason::NotAFile};
            if (stamp)
                none.stamp = *stamp;
            keep(path, std::move(none));
            emit arrived(path);
            continue;
        }
        const DecodeQueue::Ticket ticket = m_queue.decode(
            DecodeRequest::thumbnailOf(path, QSize(m_made, m_made)),
            onScreen ? DecodeQueue::Priority::Background : DecodeQueue::Priority::Thumbnail, this,
            [this, path, stamp = *stamp](const DecodedPicture &picture) { made(path, stamp, picture); });
        m_asking.emplace(path, Asking{ticket, *stamp});
    }
}

void Thumbnails::made(const QString &path, const platform::FileStamp &stamp, const DecodedPicture &picture)
{
    m_asking.erase(path);
    if (picture.status != DecodedPicture::Status::Cancelled) {
        m_finishing.insert(path);
        m_finisher.start([this, path, stamp, picture, tile = m_tile, made = m_made, generation = m_generation,
                          sidecar = platform::sidecarStampOf(path)] {
            Known known = finish(path, stamp, picture, tile, made);
            known.sidecar = sidecar;
            QMetaObject::invokeMethod(
                this, [this, path, generation, known] { finished(path, generation, known); }, Qt::QueuedConnection);
        });
    }
    pump();
}

void Thumbnails::finished(const QString &path, quint64 generation, const Known &known)
{
    if (generation != m_generation)
        return; // made for tiles of another size
    m_finishing.remove(path);
    keep(path, known);
    emit arrived(path);
    pump();
}

Thumbnails::Known Thumbnails::finish(const QString &path, const platform::FileStamp &stamp,
                                     const DecodedPicture &picture, int tile, int made)
{
    Known known;
    known.stamp = stamp;
    known.tile.known = true;
    if (picture.status == DecodedPicture::Status::Decoded && !picture.image.isNull()) {
        if (!picture.fromSharedCache) {
            // The cache holds sRGB; the helper made it for this screen.
            QImage written = picture.image;
            if (written.colorSpace().isValid() && written.colorSpace() != QColorSpace(QColorSpace::SRgb))
                written.convertToColorSpace(QColorSpace::SRgb);
            (void)writeThumbnailEntry(path, stamp, written, made, picture.fullSize);
        }
        // From the picture's own size, as the helper fitted it, so that the
        // tile has the shape the picture has.
        const QImage &image = picture.image;
        const QSize side = fitWithin(picture.fullSize.isEmpty() ? image.size() : picture.fullSize, QSize(tile, tile));
        // A copy of its own: the reply's memory goes back at once.
        known.tile.image = side.width() < image.width() || side.height() < image.height()
                               ? image.scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               : image.copy();
    } else {
        known.tile.reason = picture.reason == Reason::None ? Reason::UnknownFormat : picture.reason;
        if (!picture.fromSharedCache && worthRecording(picture.reason))
            (void)writeFailureEntry(path, stamp);
    }
    return known;
}

void Thumbnails::keep(const QString &path, Known known)
{
    known.used = ++m_clock;
    m_used += known.tile.image.sizeInBytes();
    m_known.insert(path, std::move(known));
    if (m_used > m_budget)
        dropToBudget();
}

void Thumbnails::dropToBudget()
{
    // The least recently shown go, down to three quarters of the budget,
    // so that this runs once in many tiles.
    std::vector<std::pair<quint64, QString>> byUse;
    byUse.reserve(size_t(m_known.size()));
    for (auto known = m_known.cbegin(); known != m_known.cend(); ++known)
        byUse.emplace_back(known->used, known.key());
    std::sort(byUse.begin(), byUse.end());
    for (const auto &[used, path] : byUse) {
        if (m_used <= m_budget / 4 * 3)
            break;
        // Not asked for again until wanted again: the disk's cache has it.
        drop(path);
    }
}

} // namespace picture
