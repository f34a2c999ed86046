#pragma once

// Keeps the drive list, the folder list and the file list in step, and
// enters every folder reached into the history.

#include "host/host.h"

namespace browse {

// Moves the folder list to the chosen drive; an unreadable drive beeps and
// says so in the path box, and nothing else changes.
void Drive1_Change(host::Host &host);

// Points the file list at the folder list's folder and puts that folder at
// history slot 1.
void Dir1_Change(host::Host &host);

} // namespace browse
