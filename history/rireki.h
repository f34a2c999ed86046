#pragma once

// The folder history: ten slots, slot 1 the most recent. The slots are the
// captions of the menu items Rireki(1..10); nothing else holds them.

#include "host/host.h"

#include <QSet>

namespace history {

// True when the caption's first character is 履 (a placeholder, not a folder).
bool Is_Placeholder(const QString &caption);

// Puts `path` at slot 1. `index` is the slot where it already stands (slots
// 1..index-1 move down one), or 0 when it stands in none (all move down one
// and slot 10 is dropped).
void Add_Rireki(host::Host &host, const QString &path, int index);

// Moves `path` to slot 1: from the first slot whose caption equals it
// exactly, or as a new entry.
void Enter_Rireki(host::Host &host, const QString &path);

// Where the history file is read from and written to: beside the program
// when this user may create or replace it there. Otherwise it is written to
// the user's own data folder and read from there once it exists, until then
// from beside the program (a history installed with the program).
struct RirekiFiles
{
    QString read;
    QString write;
};
RirekiFiles rirekiFiles(const host::Services &services);

// Fills the slots and the save option from the file. Slots that the file
// does not supply (missing file, fewer lines) keep their captions; the option
// is unticked only by a line 11 that is exactly "False". Returns the bytes
// read, nullopt when there was no file to read.
std::optional<QByteArray> Read_Rireki(host::Host &host, const QString &file);

// When another window has saved the history since this one read it: the
// slots become the folders this window entered (`entered`, in slot order),
// then the real entries of `savedLines` (the file as it is now), then this
// window's other entries, each once, ten at most; placeholders fill the rest.
void Merge_Rireki(host::Host &host, const QSet<QString> &entered, const QStringList &savedLines);

// Writes the ten slots (ten "履歴なし" when the save option is off) and the
// option, replacing the file whole or leaving the old one untouched.
[[nodiscard]] host::WriteResult Write_Rireki(host::Host &host, const QString &file);

} // namespace history
