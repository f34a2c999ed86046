#pragma once

// What every part of the program does when a folder cannot be read: the
// beep, 「読み込みに失敗しました。」 in the path box, and the same said to
// screen readers as an alert. Shared by browsing,
// the history popup and the host's own lists, so it lives below all of them.

#include "host/host.h"

void reportReadFailure(host::Host &host);
