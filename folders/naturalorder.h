#pragma once

// Sorting file names as people read them: "img2" before "img10", letter case
// ignored, letters and signs in the order of the user's locale.

#include <QCollator>
#include <QStringList>

namespace folders {

// Sorts stably. The locale's collator decides the order; a folder of plain
// ASCII names (the usual camera folder) is compared with a table taken from
// that same collator, which gives the same order several times faster.
void sortNaturally(QStringList &names);

// The collator the order comes from (a real locale: the C locale's collator
// ignores numbers).
QCollator naturalCollator();

} // namespace folders
