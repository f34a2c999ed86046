#pragma once

// Whether a name can be given to a file in a folder, by the rules of the
// file system that holds the folder, checked before anything is tried: FAT
// and exFAT drivers refuse some names only part way (a rename to such a name
// has lost files on some of them), and others have been read back altered.

#include <QString>

namespace fileops {

struct NameProblem
{
    enum class Kind {
        None,
        ForbiddenCharacter, // `detail`: the character (empty for a control character)
        NotUtf8,            // bytes that are not UTF-8, which these file systems refuse
        ReservedName,       // `detail`: the name the system keeps for itself (CON, NUL ...)
        TrailingDotOrSpace, // dropped by the file system, so the file would get another name
        TooLong,            // `limit` bytes, or (`inCharacters`) UTF-16 characters, at most
    };
    Kind kind = Kind::None;
    QString detail;
    int limit = 0;
    bool inCharacters = false;
    bool ok() const { return kind == Kind::None; }
};

// The file systems whose names follow Windows' rules.
enum class NameRules { Posix, Windows };

// The rules of the file system that holds `folder` (Posix when it cannot tell).
NameRules nameRulesOf(const QString &folder);

// What is wrong with `name` under `rules` (its bytes as the file system gets them).
NameProblem nameProblem(const QString &name, NameRules rules);

// The same for a name given in `folder`.
NameProblem nameProblemIn(const QString &name, const QString &folder);

} // namespace fileops
