#pragma once

// What one window does to the user's files, remembered so that it can be
// undone, newest first: a file trashed comes back to its own path, a moved
// one goes back, a renamed one gets its old name, a copy goes to the trash.
// Nothing is ever overwritten, by an action or by its undoing.

#include "fileops/trash.h"

#include <deque>
#include <optional>

namespace fileops {

struct Done
{
    enum class Kind { Trashed, Moved, Copied, Renamed };
    Kind kind;
    QString from; // the file before (the original, for a copy)
    QString to;   // the file after (in the trash, for a file trashed)
    QString info; // a file trashed: its information file
};

struct Undone
{
    Done done;       // what was undone
    Outcome outcome; // on success `path` is where the file is now
};

class Operations
{
public:
    // How many actions can be undone, the oldest forgotten first.
    static constexpr int Remembered = 100;

    explicit Operations(QString dataHome = userDataHome()) : m_dataHome(std::move(dataHome)) {}

    // Each as its namesake in filesystem.h and trash.h; what succeeds can be undone.
    Outcome trash(const QString &path);
    Outcome move(const QString &path, const QString &folder, const CopyProgress &progress = {});
    Outcome copy(const QString &path, const QString &folder, const CopyProgress &progress = {});
    Outcome rename(const QString &path, const QString &name);
    // Cannot be undone.
    Outcome deleteForGood(const QString &path);

    // Undoes the newest action left; nullopt when there is none. An action
    // that cannot be undone (its file gone, its old place taken) is said so
    // in the outcome and forgotten: the file stays where it is.
    std::optional<Undone> undo();
    bool canUndo() const { return !m_done.empty(); }

private:
    void remember(Done done);

    QString m_dataHome;
    std::deque<Done> m_done;
};

} // namespace fileops
