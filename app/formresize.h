#pragma once

#include "host/host.h"

// The viewer and the path box take the width right of the left column, the
// viewer the height down to the status bar, and the folder and file lists
// share the left column's height one to two. A window too small for that
// (the guard) leaves every control as it is.
void layoutOnResize(host::Host &host);
