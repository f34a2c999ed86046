#pragma once

// A RAW and the JPEG (or HEIF) a camera made beside it, files of one stem
// in one folder, listed as one photo when the user asks: the JPEG stands
// for the pair, or the RAW when that is asked for instead.

#include <QStringList>

namespace folders {

enum class PairShows { Processed, Raw };

// Leaves out of `names` the other half of each pair whose shown half is
// listed too; a half listed alone stays (the pattern left the other out).
void joinPairs(QStringList &names, PairShows shows);

} // namespace folders
