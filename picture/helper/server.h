#pragma once

// The decoder helper's own side: a process of the program's that decodes
// what it is sent and nothing else. It never opens a file: each picture
// comes as a descriptor, and the system refuses it any other (containment.h).

#include "picture/helper/startup.h"

namespace picture {

// Serves requests on the helper's socket until the program closes it. Its
// cancel word lies in memory shared with the program, which sets it to stop
// the request that runs (at its next read) and clears it before it sends a
// request. A helper without fonts sends a picture that may draw text back,
// for a helper with them. Returns the process's exit status.
int serveDecodes(const ReadyHelper &helper);

} // namespace picture
