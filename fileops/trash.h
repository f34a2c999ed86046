#pragma once

// The desktop's trash, laid out as freedesktop.org describes it and as the
// file managers use it: a file from the home file system goes to
// $XDG_DATA_HOME/Trash (which may be a link to a folder of the user's on the
// same file system), one from another file system to $topdir/.Trash/$uid
// (when an administrator made $topdir/.Trash, sticky and not a link) or
// $topdir/.Trash-$uid, each with a .trashinfo file that says where it was.

#include "fileops/filesystem.h"
#include "fileops/identity.h"

#include <QByteArray>

namespace fileops {

// A file in the trash: where it came from, where it is, and its information file.
struct TrashedFile
{
    QString original;
    QString file;
    QString info;
    QByteArray infoBytes;  // what the information file said when it was written
    FileIdentity identity; // of the file in the trash
};

struct TrashOutcome
{
    Outcome outcome; // on success `path` is the file in the trash
    TrashedFile trashed;
};

// The user's data folder ($XDG_DATA_HOME, else ~/.local/share), which holds
// the home trash.
QString userDataHome();

// Moves the file (a link itself, never what it points to; a FIFO or device
// without reading it) into the trash for where it really lies (the folders
// above it followed through links). NoTrash when no trash can be used there
// (nothing moved); DiskFull when its trash has no room for the information;
// NotWritable when its folder takes no changes (so deleting it would fail too).
TrashOutcome moveToTrash(const QString &path, const QString &dataHome = userDataHome());

// Puts a trashed file back at its own path and removes its information
// file. NameTaken when that path is taken now (nothing moved); Vanished when
// the trash no longer holds it; NotTheSameFile when what the trash holds
// under its name, or its information file, is not what was trashed (the
// trash was emptied and another trashed since); NoFolder when its folder
// has gone.
Outcome restoreFromTrash(const TrashedFile &trashed);

} // namespace fileops
