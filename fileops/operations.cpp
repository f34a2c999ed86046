#include "fileops/operations.h"

#include "platform/paths.h"

namespace fileops {

void Operations::remember(Done done)
{
    m_done.push_back(std::move(done));
    while (m_done.size() > size_t(Remembered))
        m_done.pop_front();
}

Outcome Operations::trash(const QString &path)
{
    const TrashOutcome trashed = moveToTrash(path, m_dataHome);
    if (trashed.outcome.ok())
        remember({Done::Kind::Trashed, path, trashed.trashed.file, trashed.trashed.info});
    return trashed.outcome;
}

Outcome Operations::move(const QString &path, const QString &folder, const CopyProgress &progress)
{
    const Outcome moved = moveInto(path, folder, progress);
    if (moved.ok())
        remember({Done::Kind::Moved, path, moved.path, {}});
    return moved;
}

Outcome Operations::copy(const QString &path, const QString &folder, const CopyProgress &progress)
{
    const Outcome copied = copyInto(path, folder, progress);
    if (copied.ok())
        remember({Done::Kind::Copied, path, copied.path, {}});
    return copied;
}

Outcome Operations::rename(const QString &path, const QString &name)
{
    const Outcome renamed = fileops::rename(path, name);
    if (renamed.ok() && renamed.path != path)
        remember({Done::Kind::Renamed, path, renamed.path, {}});
    return renamed;
}

Outcome Operations::deleteForGood(const QString &path)
{
    return remove(path);
}

std::optional<Undone> Operations::undo()
{
    if (m_done.empty())
        return std::nullopt;
    Undone undone{m_done.back(), {}};
    m_done.pop_back();
    const Done &done = undone.done;
    switch (done.kind) {
    case Done::Kind::Trashed: undone.outcome = restoreFromTrash({done.from, done.to, done.info}); break;
    case Done::Kind::Moved: undone.outcome = moveTo(done.to, done.from); break;
    case Done::Kind::Renamed:
        undone.outcome = fileops::rename(done.to, platform::nameOf(done.from));
        break;
    case Done::Kind::Copied: undone.outcome = moveToTrash(done.to, m_dataHome).outcome; break;
    }
    return undone;
}

} // namespace fileops
