#pragma once

// Acting on single files as the file managers do, without ever overwriting
// or losing one: each operation happens whole or leaves every file as it
// was. Paths are Qt's internal form ("/" separated, absolute); names whose
// bytes are not UTF-8 keep them (platform::encodePath spells them back).

#include "fileops/names.h"

#include <QString>

#include <functional>

namespace fileops {

enum class Failure {
    None,
    Vanished,    // nothing at the file's path (moved or deleted elsewhere)
    NotAFile,    // a folder; or a FIFO, device or socket where its content would be read
    NotWritable, // the folder or its file system takes no changes (permission, read-only)
    NoTrash,     // no trash can be used where the file lies
    NameTaken,   // the name asked for is taken
    BadName,     // empty, "." or "..", or holding "/"
    Changed,     // the file changed while it was being copied
    DiskFull,
    NoFolder,    // the folder to put the file in is not there
    SameFolder,  // moved into the folder it is in already
    Cancelled,   // a copy stopped when asked to, before it was done
    NotTheSameFile, // undo: what is there is not the file that was moved
    NameNotAllowed, // the target's file system does not take the name (`nameProblem` says why)
    NameTooLong,
    IoError,     // the disk (or the network) failed while reading or writing
    FileTooLarge, // larger than the target's file system takes (FAT: 4 GiB)
    Busy,        // in use by another program, or a mount point
    Stale,       // a network file system lost it
    LinkLoop,    // too many links to follow
    ReadOnlyFile, // the file itself may not be written by this user
    AttributesNotKept, // a new file cannot have the old one's owner, group or attributes
    Other,       // `error` says why
};

struct Outcome
{
    Failure failure = Failure::None;
    int error = 0;         // the system's error number, when one was met
    QString path;          // on success, where the file is now
    bool freeName = false; // its name was taken there, so `path` has a free one
    NameProblem nameProblem; // NameNotAllowed, NameTooLong: what the file system refuses
    int companions = 0;    // on success: its sidecars and movie, done alike

    bool ok() const { return failure == Failure::None; }
    static Outcome failed(Failure failure, int error = 0) { return {failure, error, {}, false, {}, 0}; }
    static Outcome at(const QString &path, bool freeName = false) { return {Failure::None, 0, path, freeName, {}, 0}; }
    static Outcome refusedName(const NameProblem &problem)
    {
        Outcome outcome = failed(problem.kind == NameProblem::Kind::TooLong ? Failure::NameTooLong
                                                                             : Failure::NameNotAllowed);
        outcome.nameProblem = problem;
        return outcome;
    }
};

// Told as a copy's content goes across, a part at a time: bytes copied so
// far and in all; false stops the copy (Cancelled), leaving no partial file.
// Called on the thread that copies.
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;

// The name a file gets where `taken` says its own is taken: "b.jpg", then
// "b (2).jpg", "b (3).jpg" ... (`attempt` 1 is the name itself).
QString freeName(const QString &name, int attempt);

// Moves `path` into `folder` under its own name, or a free one. Within one
// file system it is renamed (a link is moved, never what it points to);
// across file systems a regular file is copied, flushed, checked and only
// then removed, a link made anew, anything else refused (NotAFile). A file
// changed while it is copied (Changed), or one put in its place before the
// copy is done, stays where it is and the copy goes.
Outcome moveInto(const QString &path, const QString &folder, const CopyProgress &progress = {});

// Moves `path` to exactly `target`; NameTaken when anything is there.
Outcome moveTo(const QString &path, const QString &target, const CopyProgress &progress = {});

// Copies the content of `path` to exactly `target`; NameTaken when anything is there.
Outcome copyTo(const QString &path, const QString &target, const CopyProgress &progress = {});

// Copies the content of `path` (a regular file, through links) into
// `folder` under its own name or a free one, with its permissions and
// modification time. A FIFO or device is never read (NotAFile).
Outcome copyInto(const QString &path, const QString &folder, const CopyProgress &progress = {});

// Gives the file `name` in its own folder; NameTaken when that is taken.
Outcome rename(const QString &path, const QString &name);

// Deletes the file for good: a link itself, never what it points to.
Outcome remove(const QString &path);

// Renames in one step, never replacing what is at `to`: 0, or the system's
// error number (EEXIST when `to` is taken, EXDEV across file systems).
int renameWithoutReplacing(const QString &from, const QString &to);

// The failure a system error number stands for.
Outcome failureFor(int error);

// Whether a file of any kind (a dangling link too) is at `path`.
bool exists(const QString &path);

// Whether `name` can name a file: not empty, not "." or "..", no "/" or NUL.
bool isValidName(const QString &name);

} // namespace fileops
