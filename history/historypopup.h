#pragma once

// The history popup of the folder list: the real entries among the slots,
// a separator when there is one, and the save option.

#include "host/host.h"

namespace history {

// Opens the popup for the right button; any other button does nothing.
void Dir1_MouseDown(host::Host &host, int button);

// Moves the folder list to the entry's folder (and so to slot 1). A folder
// that is gone, or an empty entry, beeps and says so in the path box; the
// list and the history stay as they were.
void Rireki_Click(host::Host &host, int index);

void Save_Rireki_Click(host::Host &host);

} // namespace history
