#pragma once

#include <QString>

namespace listing {

// What a plain program does to show a folder's pictures: read the names,
// keep those matching the five picture patterns (letter case ignored), sort
// them naturally. Returns how many it kept.
int plainReadFilterSort(const QString &folder);

} // namespace listing
