#pragma once

// The history popup of the folder list: the real entries among the slots,
// a separator when there is one, and the save option.

#include "host/host.h"

namespace history {

// Opens the popup for the right button; any other button does nothing.
void Dir1_MouseDown(host::Host &host, int button);

// Moves the folder list to the entry's folder (and so to slot 1). False
// when the folder list could not go there (a folder that is gone, an empty
// entry): the list and the history stay as they were, and the caller
// reports it.
[[nodiscard]] bool Rireki_Click(host::Host &host, int index);

void Save_Rireki_Click(host::Host &host);

} // namespace history
