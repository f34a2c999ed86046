#pragma once

// What a decoder helper may do once it has loaded its decoders: use its
// memory up to a limit and its CPU up to a limit, read and write the
// descriptors it holds, make memory to hand pixels back in. It cannot open a
// file or make a socket, run a program or look into another process.

#include <QtGlobal>

namespace picture {

// Applies the limits and the system-call filter to this process (every
// thread of it). `memory` bytes of data at most: heap, anonymous mappings
// and stacks (0: no limit, as under the address sanitizer, whose shadow
// memory is terabytes). False when the filter could not be put in place.
bool containThisProcess(quint64 memory, int cpuSeconds);

} // namespace picture
