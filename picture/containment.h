#pragma once

// What a decoder helper may do once it has loaded its decoders: use its
// memory up to a limit and its CPU up to a limit, read and write the
// descriptors it holds, make memory to hand pixels back in. It cannot open a
// file or make a socket, run a program or look into another process.

#include <QtGlobal>

namespace picture {

// Applies the limits and the system-call filter to this process (every
// thread of it). `addressSpace` bytes of address space at most (0: no
// limit, as under the address sanitizer, which reserves terabytes). False
// when the filter could not be put in place.
bool containThisProcess(quint64 addressSpace, int cpuSeconds);

} // namespace picture
