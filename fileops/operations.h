#pragma once

// What one window does to the user's files, remembered so that it can be
// undone, newest first: a file trashed comes back to its own path, a moved
// one goes back, a renamed one gets its old name, a copy goes to the trash.
// A photo's companions (its XMP sidecars, its Live Photo movie) go along
// with it each time, and come back with it. Nothing is ever overwritten, by
// an action or by its undoing, and an undo moves only the very files the
// action moved: each is known by its identity, checked before it moves.

#include "fileops/companions.h"
#include "fileops/rewrite.h"
#include "fileops/trash.h"

#include <deque>
#include <optional>
#include <vector>

namespace fileops {

// One file an action moved, renamed, copied or trashed.
struct MovedFile
{
    QString from;
    QString to;            // in the trash, for a file trashed
    FileIdentity identity; // of the file at `to`, once it was there
    QString info;          // a file trashed: its information file
    QByteArray infoBytes;  // and what it said
};

struct Done
{
    // Marked and Turned rewrote files in their places (the photo's, its
    // sidecar's, those of its pair): `rewrites` says how to put them back.
    enum class Kind { Trashed, Moved, Copied, Renamed, Marked, Turned };
    Kind kind;
    QString from; // the photo before (the original, for a copy)
    QString to;   // the photo after (in the trash, for a file trashed)
    QString info; // a photo trashed: its information file
    std::vector<MovedFile> files; // the photo first, then its companions
    std::vector<Rewrite> rewrites = {};
    // Done to several photos at once (`from` is the first): each its own
    // part, undone together.
    std::vector<Done> parts = {};
};

struct Undone
{
    Done done;       // what was undone
    Outcome outcome; // on success `path` is where the photo is now
};

// An action with its companions, and what to remember of it when it
// succeeded. These touch only the file system, and may run on any thread.
struct Result
{
    Outcome outcome;
    std::optional<Done> done;
};
Result trashWithCompanions(const QString &path, const QString &dataHome, Pairs pairs = Pairs::Apart);
// Moved (or copied, `keepSource`) into `folder` under the photo's name or
// a free one; the companions take the same stem there.
Result transferWithCompanions(const QString &path, const QString &folder, bool keepSource,
                              const CopyProgress &progress = {}, Pairs pairs = Pairs::Apart);
Result renameWithCompanions(const QString &path, const QString &name, Pairs pairs = Pairs::Apart);
// Deleted for good, companions too; nothing to remember.
Outcome deleteWithCompanions(const QString &path, Pairs pairs = Pairs::Apart);
// Undoes `done`: every file back where it was, but only while what is at
// each place now is what the action left there (NotTheSameFile otherwise,
// nothing moved), and never over a file (NameTaken, nothing moved).
Outcome undoDone(const Done &done, const QString &dataHome);

class Operations
{
public:
    // How many actions can be undone, the oldest forgotten first; and the
    // most the old bytes of rewritten files may hold between them.
    static constexpr int Remembered = 100;
    static constexpr qint64 RememberedBytes = 256LL * 1024 * 1024;

    explicit Operations(QString dataHome = userDataHome()) : m_dataHome(std::move(dataHome)) {}

    // Whether a RAW and its JPEG go together in what follows.
    void setPairs(Pairs pairs) { m_pairs = pairs; }
    Pairs pairs() const { return m_pairs; }

    // Each as its namesake above; what succeeds can be undone.
    Outcome trash(const QString &path);
    // The photo alone, whatever setPairs says (one half of a pair).
    Outcome trashAlone(const QString &path);
    Outcome move(const QString &path, const QString &folder, const CopyProgress &progress = {});
    Outcome copy(const QString &path, const QString &folder, const CopyProgress &progress = {});
    Outcome rename(const QString &path, const QString &name);
    // Cannot be undone.
    Outcome deleteForGood(const QString &path);
    // An action done elsewhere (a transfer on another thread), to undo later.
    void remember(Done done);
    // Actions done to several photos at once, undone as one.
    void rememberTogether(std::vector<Done> parts);

    // Undoes the newest action left; nullopt when there is none. An action
    // that cannot be undone (its file gone or another in its place, its old
    // place taken) is said so in the outcome and forgotten: the file stays
    // where it is.
    std::optional<Undone> undo();
    bool canUndo() const { return !m_done.empty(); }
    const QString &dataHome() const { return m_dataHome; }

private:
    Outcome recorded(const Result &result);

    QString m_dataHome;
    Pairs m_pairs = Pairs::Apart;
    std::deque<Done> m_done;
    qint64 m_heldBytes = 0;
};

} // namespace fileops
