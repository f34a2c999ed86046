#pragma once

// The decoder helper's own side: a process of the program's that decodes
// what it is sent and nothing else. It never opens a file: each picture
// comes as a descriptor, and the system refuses it any other (containment.h).

#include <atomic>

namespace picture {

// Loads every decoder and font the helper may need, before it is contained:
// afterwards it can open nothing.
void loadDecoders();

// Serves requests on `socket` until the program closes it. `cancelled` lies
// in memory shared with the program, which sets it to stop the request that
// runs (at its next read); it is cleared as each request starts. Returns the
// process's exit status.
int serveDecodes(int socket, std::atomic_bool *cancelled);

} // namespace picture
