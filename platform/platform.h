#pragma once

// What Qt does not offer, or not faithfully or fast enough for us, a file
// for each job: code page 932 (cp932.cpp), names whose bytes are not UTF-8
// (rawbytepaths.cpp), reading a folder (folderlisting.cpp), a file's stamp
// and opening it (files.cpp), replacing a file whole (replacefile.cpp),
// memory (memory.cpp). Each is written for POSIX; a Windows build would add
// its own (code page 932 is the system code page of Japanese Windows, and
// FindFirstFile gives each entry's type).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

// Code page 932 exactly as Windows defines it (ICU's table, which Qt would
// use, differs in control characters). Nullopt when a character has no code.
std::optional<QByteArray> toCp932(const QString &text);

// Bytes that are not code page 932 become U+FFFD, one per byte.
QString fromCp932(const QByteArray &bytes);

// A path as the file system holds it. Qt turns bytes that are not UTF-8
// into U+FFFD, so that such a name cannot be reached again; here each such
// byte is kept as one character U+DC80..U+DCFF (a lone surrogate, which no
// UTF-8 name decodes to), and goes back to the same byte.
QString decodePath(const QByteArray &bytes);
QByteArray encodePath(const QString &path);
// Whether the path keeps such bytes: Qt's file classes cannot reach it.
bool keepsRawBytes(const QString &path);

enum class EntryKind { File, Folder, Other };

struct FolderEntry
{
    QString name;
    EntryKind kind; // after following links; a dangling link is Other
};

// Every entry of the folder but "." and "..", in the order the file system
// gives them, or nullopt when the folder cannot be read. The kind comes from
// the directory itself where the file system records it, so that a large
// folder costs no file-status call per name.
std::optional<std::vector<FolderEntry>> listFolder(const QString &folder);

// What tells one version of a file from another: which file it is (device
// and inode) and its length and times in nanoseconds. The status-change time
// moves on every write, even one that puts the old modification time back.
struct FileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool regular = false; // a regular file (after links)
    bool folder = false;

    bool operator==(const FileStamp &) const = default;
};

// Follows links; nullopt when nothing is there.
std::optional<FileStamp> fileStamp(const QString &path);
// The file a descriptor is open on, as it is now.
std::optional<FileStamp> fileStamp(int fd);

// Whether this user may read the file, or read and enter the folder (the
// caller knows which from its stamp).
bool mayRead(const QString &path, bool folder);

// Opens `file` on the path's own bytes for reading; false when it cannot.
bool openForReading(QFile &file, const QString &path);

// A regular file (after links) is there.
bool isRegularFile(const QString &path);

// Opens the file for reading without waiting, refusing anything but a
// regular file (after links), so that a FIFO or a device is never read:
// a descriptor (close-on-exec, blocking again once open), or -1 with
// `errno` set (EINVAL for what is not a regular file).
int openRegularFile(const QString &path);

// Replaces `target` whole or not at all: writes a new file named
// `temporaryPrefix` plus six letters or digits, flushes it to the disk and
// renames it onto `target` in one step. The new file gets the old one's
// permissions, or the usual ones for a new file. Returns 0, or the system's
// error number of the step that failed (the new file is then removed and
// `target` is untouched).
int replaceFile(const QString &target, const QString &temporaryPrefix, const QByteArray &bytes);

// Gives memory freed by the process back to the system. The C library keeps
// what each thread freed for that thread, so a decoder's large buffers would
// otherwise stay with the program long after the pictures are gone.
void releaseFreeMemory();

} // namespace platform
