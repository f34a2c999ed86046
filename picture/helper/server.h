#pragma once

// The decoder helper's own side: a process of the program's that decodes
// what it is sent and nothing else. It never opens a file: each picture
// comes as a descriptor, and the system refuses it any other (containment.h).

#include <atomic>

namespace picture {

// Serves requests on `socket` until the program closes it. `cancelled` lies
// in memory shared with the program, which sets it to stop the request that
// runs (at its next read); the program clears it before it sends a request.
// Returns the process's exit status.
int serveDecodes(int socket, std::atomic_bool *cancelled);

} // namespace picture
