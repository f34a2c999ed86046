#include "fileops/operations.h"

#include "fileops/companions.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>

#include <cerrno>

namespace fileops {
namespace {

using platform::folderOf;
using platform::joinFolder;
using platform::nameOf;

MovedFile movedFile(const QString &from, const Outcome &outcome)
{
    return {from, outcome.path, identityOf(outcome.path).value_or(FileIdentity()), {}, {}};
}

MovedFile movedFile(const TrashedFile &trashed)
{
    return {trashed.original, trashed.file, trashed.identity, trashed.info, trashed.infoBytes};
}

qint64 sizeOf(const QString &path)
{
    return identityOf(path).value_or(FileIdentity()).size;
}

// Puts back what an action had done to the files before `count`, newest
// first, when a later companion could not follow: the action happens whole
// or not at all. The files go back only where that is still possible.
void rollBack(Done::Kind kind, const std::vector<MovedFile> &files, const QString &dataHome)
{
    if (kind == Done::Kind::Copied) {
        // Copies made a moment ago are removed, not put in the trash.
        for (const MovedFile &file : files) {
            if (identityOf(file.to) == file.identity)
                (void)remove(file.to);
        }
        return;
    }
    Done partial{kind, {}, {}, {}, files};
    (void)undoDone(partial, dataHome);
}

// What is wrong, if anything, with undoing `file`: nothing there (a
// companion gone is left out, the photo itself is Vanished), another file
// there, or its old place taken.
std::optional<Outcome> undoProblem(const MovedFile &file, bool photo, bool *skip)
{
    *skip = false;
    const std::optional<FileIdentity> now = identityOf(file.to);
    if (!now) {
        if (photo)
            return Outcome::failed(Failure::Vanished, ENOENT);
        *skip = true;
        return std::nullopt;
    }
    if (*now != file.identity)
        return Outcome::failed(Failure::NotTheSameFile);
    if (!file.info.isEmpty()) {
        QFile info;
        if (!platform::openForReading(info, file.info) || info.read(file.infoBytes.size() + 1) != file.infoBytes)
            return Outcome::failed(Failure::NotTheSameFile);
    }
    return std::nullopt;
}

} // namespace

Result trashWithCompanions(const QString &path, const QString &dataHome, Pairs pairs)
{
    const QStringList companions = companionsOf(path, pairs);
    const TrashOutcome photo = moveToTrash(path, dataHome);
    if (!photo.outcome.ok())
        return {photo.outcome, std::nullopt};
    Done done{Done::Kind::Trashed, path, photo.trashed.file, photo.trashed.info, {movedFile(photo.trashed)}};
    for (const QString &companion : companions) {
        const TrashOutcome trashed = moveToTrash(companion, dataHome);
        if (trashed.outcome.failure == Failure::Vanished)
            continue; // gone meanwhile: nothing to take along
        if (!trashed.outcome.ok()) {
            rollBack(done.kind, done.files, dataHome);
            return {trashed.outcome, std::nullopt};
        }
        done.files.push_back(movedFile(trashed.trashed));
    }
    Outcome outcome = photo.outcome;
    outcome.companions = int(done.files.size()) - 1;
    return {outcome, done};
}

Result transferWithCompanions(const QString &path, const QString &folder, bool keepSource, const CopyProgress &progress,
                              Pairs pairs)
{
    const QStringList companions = companionsOf(path, pairs);
    const QString name = nameOf(path);
    const QString into = QDir::cleanPath(folder);
    // One free name for the photo and all its companions, so that they keep
    // sharing a stem there.
    QString chosen = name;
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const QString candidate = freeName(name, attempt);
        bool free = !exists(joinFolder(into, candidate)) || (!keepSource && joinFolder(into, candidate) == path);
        for (const QString &companion : companions)
            free = free && !exists(joinFolder(into, companionNameFor(nameOf(companion), name, candidate)));
        if (free) {
            chosen = candidate;
            break;
        }
    }
    // Progress over all of them, the photo first.
    qint64 total = sizeOf(path);
    for (const QString &companion : companions)
        total += sizeOf(companion);
    qint64 before = 0;
    CopyProgress part;
    if (progress)
        part = [&progress, &before, total](qint64 done, qint64) { return progress(before + done, total); };
    const auto one = [&](const QString &file, const QString &target) {
        const Outcome outcome = keepSource ? copyTo(file, target, part) : moveTo(file, target, part);
        before += sizeOf(file);
        return outcome;
    };
    const Done::Kind kind = keepSource ? Done::Kind::Copied : Done::Kind::Moved;
    Outcome photo = one(path, joinFolder(into, chosen));
    if (!photo.ok())
        return {photo, std::nullopt};
    photo.freeName = chosen != name;
    Done done{kind, path, photo.path, {}, {movedFile(path, photo)}};
    for (const QString &companion : companions) {
        const Outcome moved = one(companion, joinFolder(into, companionNameFor(nameOf(companion), name, chosen)));
        if (moved.failure == Failure::Vanished)
            continue;
        if (!moved.ok()) {
            rollBack(kind, done.files, userDataHome());
            return {moved, std::nullopt};
        }
        done.files.push_back(movedFile(companion, moved));
    }
    photo.companions = int(done.files.size()) - 1;
    return {photo, done};
}

Result renameWithCompanions(const QString &path, const QString &name, Pairs pairs)
{
    const QString oldName = nameOf(path);
    if (name == oldName)
        return {Outcome::at(path), std::nullopt};
    const QStringList companions = companionsOf(path, pairs);
    // All the names are looked at before anything is renamed.
    for (const QString &companion : companions) {
        const QString renamed = companionNameFor(nameOf(companion), oldName, name);
        if (!isValidName(renamed))
            return {Outcome::failed(Failure::BadName), std::nullopt};
        if (const NameProblem problem = nameProblemIn(renamed, folderOf(path)); !problem.ok())
            return {Outcome::refusedName(problem), std::nullopt};
        if (exists(joinFolder(folderOf(path), renamed)))
            return {Outcome::failed(Failure::NameTaken, EEXIST), std::nullopt};
    }
    Outcome photo = fileops::rename(path, name);
    if (!photo.ok())
        return {photo, std::nullopt};
    Done done{Done::Kind::Renamed, path, photo.path, {}, {movedFile(path, photo)}};
    for (const QString &companion : companions) {
        const Outcome renamed = fileops::rename(companion, companionNameFor(nameOf(companion), oldName, name));
        if (renamed.failure == Failure::Vanished)
            continue;
        if (!renamed.ok()) {
            rollBack(done.kind, done.files, userDataHome());
            return {renamed, std::nullopt};
        }
        done.files.push_back(movedFile(companion, renamed));
    }
    photo.companions = int(done.files.size()) - 1;
    return {photo, done};
}

Outcome deleteWithCompanions(const QString &path, Pairs pairs)
{
    const QStringList companions = companionsOf(path, pairs);
    Outcome photo = remove(path);
    if (!photo.ok())
        return photo;
    for (const QString &companion : companions) {
        if (remove(companion).ok())
            ++photo.companions;
    }
    return photo;
}

namespace {

qint64 heldBy(const Done &done)
{
    qint64 held = 0;
    for (const Rewrite &rewrite : done.rewrites)
        held += rewrite.heldBytes();
    for (const Done &part : done.parts)
        held += heldBy(part);
    return held;
}

// Every file back as it was, newest first, but only while each is still
// what the rewrite left: looked at first, so that it happens whole or not.
Outcome undoRewrites(const Done &done)
{
    for (const Rewrite &rewrite : done.rewrites) {
        if (!canUndoRewrite(rewrite))
            return Outcome::failed(exists(rewrite.path) ? Failure::NotTheSameFile : Failure::Vanished);
    }
    for (auto rewrite = done.rewrites.rbegin(); rewrite != done.rewrites.rend(); ++rewrite) {
        if (const Outcome undone = undoRewrite(*rewrite); !undone.ok())
            return undone;
    }
    return Outcome::at(done.from);
}

} // namespace

Outcome undoDone(const Done &done, const QString &dataHome)
{
    if (!done.parts.empty()) {
        // Each photo back, newest first; one that cannot be says why, the
        // others come back all the same.
        Outcome first = Outcome::at(done.from);
        for (auto part = done.parts.rbegin(); part != done.parts.rend(); ++part) {
            const Outcome outcome = undoDone(*part, dataHome);
            if (!outcome.ok() && first.ok())
                first = outcome;
            else if (outcome.ok())
                first.companions += outcome.companions;
        }
        return first;
    }
    if (done.kind == Done::Kind::Marked || done.kind == Done::Kind::Turned)
        return undoRewrites(done);
    // Every file is looked at first: the undo happens whole or not at all.
    std::vector<const MovedFile *> back;
    for (size_t i = 0; i < done.files.size(); ++i) {
        const MovedFile &file = done.files[i];
        bool skip = false;
        if (const std::optional<Outcome> problem = undoProblem(file, i == 0, &skip))
            return *problem;
        if (skip)
            continue;
        if (done.kind != Done::Kind::Copied && exists(file.from))
            return Outcome::failed(Failure::NameTaken, EEXIST);
        back.push_back(&file);
    }
    Outcome first;
    for (size_t i = 0; i < back.size(); ++i) {
        const MovedFile &file = *back[i];
        Outcome outcome;
        switch (done.kind) {
        case Done::Kind::Trashed:
            outcome = restoreFromTrash({file.from, file.to, file.info, file.infoBytes, file.identity});
            break;
        case Done::Kind::Moved: outcome = moveTo(file.to, file.from); break;
        case Done::Kind::Renamed: outcome = fileops::rename(file.to, nameOf(file.from)); break;
        case Done::Kind::Copied: outcome = moveToTrash(file.to, dataHome).outcome; break;
        case Done::Kind::Marked:
        case Done::Kind::Turned: break; // rewrites, undone above
        }
        if (i == 0)
            first = outcome;
        else if (outcome.ok())
            ++first.companions;
        if (i == 0 && !outcome.ok())
            return outcome;
    }
    return first;
}

void Operations::remember(Done done)
{
    m_heldBytes += heldBy(done);
    m_done.push_back(std::move(done));
    while (m_done.size() > size_t(Remembered) || (m_heldBytes > RememberedBytes && m_done.size() > 1)) {
        m_heldBytes -= heldBy(m_done.front());
        m_done.pop_front();
    }
}

void Operations::rememberTogether(std::vector<Done> parts)
{
    if (parts.empty())
        return;
    if (parts.size() == 1)
        return remember(std::move(parts.front()));
    Done together{parts.front().kind, parts.front().from, parts.front().to, {}, {}};
    together.parts = std::move(parts);
    remember(std::move(together));
}

Outcome Operations::recorded(const Result &result)
{
    if (result.done)
        remember(*result.done);
    return result.outcome;
}

Outcome Operations::trash(const QString &path)
{
    return recorded(trashWithCompanions(path, m_dataHome, m_pairs));
}

Outcome Operations::trashAlone(const QString &path)
{
    return recorded(trashWithCompanions(path, m_dataHome, Pairs::Apart));
}

Outcome Operations::move(const QString &path, const QString &folder, const CopyProgress &progress)
{
    return recorded(transferWithCompanions(path, folder, false, progress, m_pairs));
}

Outcome Operations::copy(const QString &path, const QString &folder, const CopyProgress &progress)
{
    return recorded(transferWithCompanions(path, folder, true, progress, m_pairs));
}

Outcome Operations::rename(const QString &path, const QString &name)
{
    return recorded(renameWithCompanions(path, name, m_pairs));
}

Outcome Operations::deleteForGood(const QString &path)
{
    return deleteWithCompanions(path, m_pairs);
}

std::optional<Undone> Operations::undo()
{
    if (m_done.empty())
        return std::nullopt;
    Undone undone{m_done.back(), {}};
    m_heldBytes -= heldBy(m_done.back());
    m_done.pop_back();
    undone.outcome = undoDone(undone.done, m_dataHome);
    // A file put back is another file to the system (a new inode), and yet
    // the very file an earlier rewrite left: that one can still be undone.
    std::vector<Rewrite> putBack = undone.done.rewrites;
    for (const Done &part : undone.done.parts)
        putBack.insert(putBack.end(), part.rewrites.begin(), part.rewrites.end());
    for (const Rewrite &rewrite : putBack) {
        const std::optional<FileIdentity> now = identityOf(rewrite.path);
        if (!undone.outcome.ok() || !rewrite.before || !now)
            continue;
        const auto patch = [&](Done &earlier) {
            for (Rewrite &older : earlier.rewrites) {
                if (older.path == rewrite.path && older.after == *rewrite.before)
                    older.after = *now;
            }
        };
        for (Done &earlier : m_done) {
            patch(earlier);
            for (Done &part : earlier.parts)
                patch(part);
        }
    }
    return undone;
}

} // namespace fileops
