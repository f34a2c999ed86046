#include "fileops/names.h"

#include "platform/platform.h"

#include <QRegularExpression>

#include <sys/vfs.h>

namespace fileops {
namespace {

// statfs(2)'s f_type of the file systems that keep Windows' rules. The NTFS
// of ntfs-3g is a FUSE file system, which says only that it is one.
constexpr long MsdosMagic = 0x4d44;
constexpr long ExfatMagic = 0x2011BAB0;
constexpr long NtfsMagic = 0x5346544e;   // the kernel's ntfs and ntfs3
constexpr long Ntfs3Magic = 0x7366746e;

// The longest name in bytes (POSIX file systems) and in UTF-16 code units
// (Windows').
constexpr int PosixNameBytes = 255;
constexpr int WindowsNameUnits = 255;

} // namespace

NameRules nameRulesOf(const QString &folder)
{
    struct statfs status {};
    if (::statfs(platform::encodePath(folder).constData(), &status) != 0)
        return NameRules::Posix;
    const long type = long(status.f_type);
    return type == MsdosMagic || type == ExfatMagic || type == NtfsMagic || type == Ntfs3Magic ? NameRules::Windows
                                                                                               : NameRules::Posix;
}

NameProblem nameProblem(const QString &name, NameRules rules)
{
    NameProblem problem;
    if (rules == NameRules::Posix) {
        if (platform::encodePath(name).size() > PosixNameBytes) {
            problem.kind = NameProblem::Kind::TooLong;
            problem.limit = PosixNameBytes;
        }
        return problem;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\"*/:<>?\\|").contains(c)) {
            problem.kind = NameProblem::Kind::ForbiddenCharacter;
            if (c.unicode() >= 0x20)
                problem.detail = QString(c);
            return problem;
        }
    }
    if (platform::keepsRawBytes(name)) {
        problem.kind = NameProblem::Kind::NotUtf8;
        return problem;
    }
    // The names of Windows' devices, with any extension.
    static const QRegularExpression reserved(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (reserved.match(name).hasMatch()) {
        problem.kind = NameProblem::Kind::ReservedName;
        problem.detail = name.section(QLatin1Char('.'), 0, 0);
        return problem;
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))) {
        problem.kind = NameProblem::Kind::TrailingDotOrSpace;
        return problem;
    }
    if (name.size() > WindowsNameUnits) {
        problem.kind = NameProblem::Kind::TooLong;
        problem.limit = WindowsNameUnits;
        problem.inCharacters = true;
    }
    return problem;
}

NameProblem nameProblemIn(const QString &name, const QString &folder)
{
    return nameProblem(name, nameRulesOf(folder));
}

} // namespace fileops
