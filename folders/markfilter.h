#pragma once

// Which photos the file list shows by their marks, below the file-type
// filter: a least number of stars (or only the unrated), rejected photos
// hidden, only some colour labels. Each part left unset lets every photo
// through; the parts set must all let a photo through.

#include "common/marks.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace folders {

struct MarkFilter
{
    int atLeast = 0;          // 1 to 5: only photos with at least so many stars
    bool unrated = false;     // only photos without stars, not rejected
    bool hideRejected = false;
    quint8 labels = 0;        // labelBit()s: only photos with one of these labels

    bool isEmpty() const { return atLeast == 0 && !unrated && !hideRejected && labels == 0; }
    bool operator==(const MarkFilter &) const = default;
};

inline quint8 labelBit(marks::Label label)
{
    return quint8(1u << unsigned(label));
}

// Whether a photo of `marks` shows. A photo whose marks are not known yet
// (nullopt) shows unless the filter asks for something a photo must have.
bool passes(const MarkFilter &filter, const std::optional<marks::Marks> &marks);

// The marks of the file at a path; nullopt while they are not known.
using MarksOf = std::function<std::optional<marks::Marks>(const QString &path)>;

// Leaves in `names` (files of `folder`) those whose marks pass; `keep` is
// listed whatever its marks (a file asked for by name).
void filterByMarks(QStringList &names, const QString &folder, const MarkFilter &filter, const MarksOf &marksOf,
                   const QString &keep = {});

} // namespace folders
