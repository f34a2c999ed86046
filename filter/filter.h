#pragma once

// The file-type filter: the popup of the file list, the pattern built from
// its ticked items, and the free pattern.

#include "host/host.h"

namespace filter {

inline constexpr int FilterPatternCount = 5; // Filter(1..5); Filter(6) is the hidden "Dummy"
inline constexpr int DummyIndex = 6;

// Opens the filter popup for the right button; any other button does nothing.
void File1_MouseDown(host::Host &host, int button);

// Toggles Filter(index) and sets the file list's pattern to the ticked
// captions of items 1..5 joined by ";" in menu order, followed by the newer
// formats' patterns when their item is ticked. No ticked item gives an
// empty pattern, which lists no files.
void Filter_Click(host::Host &host, int index);

// Toggles the newer formats' item and sets the pattern from the ticks, as
// Filter_Click does.
void OtherFormats_Click(host::Host &host);

// Asks for a free pattern and sets it as entered; cancelled or empty,
// re-applies the ticks through the hidden item.
void EtcFilter_Click(host::Host &host);

} // namespace filter
