#pragma once

#include "fileops/filesystem.h"

#include <QString>

namespace qthost {

// Why an action on a file did nothing, in the user's words.
QString failureText(const fileops::Outcome &outcome);

} // namespace qthost
