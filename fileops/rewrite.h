#pragma once

// Replacing a file's bytes, as a photo's marks or its turn are written, and
// never in place: the new bytes go to a hidden file beside it with its
// permissions, owner, group and extended attributes, flushed to the disk;
// only once the caller has checked that file is it renamed over the old
// one, and only while the old one is still the file it was. A failure at any
// step leaves the old file as it was. What was replaced is remembered so
// that it can come back, byte for byte.

#include "fileops/filesystem.h"
#include "fileops/identity.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace fileops {

// A file's access and modification times, in nanoseconds.
struct FileTimes
{
    qint64 accessedNs = 0;
    qint64 modifiedNs = 0;
};

// The new bytes, beside the file they are to replace (or to be, for a file
// that is not there yet).
struct Staged
{
    QString target;     // the file itself, links followed
    QString temporary;  // the new bytes, hidden beside it
    std::optional<FileIdentity> replaces; // the file there now; nullopt: none
    std::optional<FileTimes> timesBefore; // its times
};

struct Staging
{
    Outcome outcome;
    std::optional<Staged> staged; // when the outcome is ok
};

// What the new file's times are: the old file's (a photo whose marks were
// written is the same picture), or `times`, or now.
enum class KeepTimes { Old, Now };

// Writes `bytes` beside `path` (a link is followed to the file it names),
// taking the file's place later. ReadOnlyFile for a file this user may not
// write; NotAFile for anything but a regular file; AttributesNotKept when
// the new file cannot have the old one's owner, group or extended
// attributes; DiskFull, NotWritable ... as the system says.
Staging stageReplacement(const QString &path, const QByteArray &bytes, KeepTimes keep,
                         const std::optional<FileTimes> &times = std::nullopt);
// Writes `bytes` beside `path`, where no file is yet (a new sidecar).
Staging stageNewFile(const QString &path, const QByteArray &bytes);

// Puts the staged file in its place: over the old file while it is the one
// it was (NotTheSameFile, and nothing replaced, when another or a changed
// one is there), or where nothing is (NameTaken when something came).
// The staged file is removed whatever happens.
Outcome commitStaged(const Staged &staged);
// Removes the staged file, nothing replaced.
void abandonStaged(const Staged &staged);

// What a rewrite replaced, to bring it back byte for byte: the old bytes
// kept as the part that differs from the new (marks change a few kilobytes
// of a photo's head), or nothing for a file that was not there before.
struct Rewrite
{
    QString path;
    FileIdentity after;    // the file the rewrite left there
    std::optional<FileIdentity> before; // the file it replaced (none: it made the file)
    bool created = false;  // there was no file: undoing removes it
    qint64 prefix = 0;     // bytes the old and the new share at their start
    qint64 suffix = 0;     // and at their end
    QByteArray middle;     // the old bytes between them
    QByteArray oldDigest;  // SHA-256 of the old bytes, whole
    FileTimes oldTimes;

    qint64 heldBytes() const { return middle.size(); }
};

// The record of the staged file put in its place: `oldBytes` (nullopt: it
// made the file) rewritten to `newBytes`, which are there now; nullopt
// when nothing is there.
std::optional<Rewrite> recordRewrite(const Staged &staged, const std::optional<QByteArray> &oldBytes,
                                     const QByteArray &newBytes);

// Puts back what `rewrite` replaced, while the file there is still the one
// it left (NotTheSameFile otherwise, nothing changed), with its old times.
Outcome undoRewrite(const Rewrite &rewrite);
// Whether it could be undone now: the file it left is there.
bool canUndoRewrite(const Rewrite &rewrite);

} // namespace fileops
