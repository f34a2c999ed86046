#pragma once

// What every part of the program does when a folder cannot be read: the
// beep, 「読み込みに失敗しました。」 in the path box, and the same said to
// screen readers as an alert. Browsing owns it; the window's procedures
// call it for the history popup, and the host for its own lists.

#include "host/host.h"

namespace browse {

void reportReadFailure(host::Host &host);

} // namespace browse
