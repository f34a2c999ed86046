#include "host/qt/actions/failuretext.h"

#include "common/texts.h"

namespace qthost {

using fileops::Failure;
using fileops::Outcome;

namespace {

// What the target's file system refuses in a name.
QString whyName(const Outcome &outcome)
{
    using Kind = fileops::NameProblem::Kind;
    const fileops::NameProblem &problem = outcome.nameProblem;
    switch (problem.kind) {
    case Kind::ForbiddenCharacter:
        return problem.detail.isEmpty() ? texts::WhyControlCharacter : texts::WhyForbiddenCharacter.arg(problem.detail);
    case Kind::NotUtf8: return texts::WhyNotUtf8Name;
    case Kind::ReservedName: return texts::WhyReservedName.arg(problem.detail);
    case Kind::TrailingDotOrSpace: return texts::WhyTrailingDotOrSpace;
    case Kind::TooLong:
        return (problem.inCharacters ? texts::WhyNameTooLongCharacters : texts::WhyNameTooLongBytes).arg(problem.limit);
    case Kind::None: break;
    }
    // Refused by the file system itself, or too long by its own measure.
    return outcome.failure == Failure::NameTooLong ? texts::WhyNameTooLongBytes.arg(255) : texts::WhyNameNotAllowed;
}

} // namespace

QString failureText(const Outcome &outcome)
{
    switch (outcome.failure) {
    case Failure::None: return {};
    case Failure::Vanished: return texts::WhyVanished;
    case Failure::NotAFile: return texts::WhyNotAFile;
    case Failure::NotWritable: return texts::WhyNotWritable;
    case Failure::NoTrash: return texts::WhyNoTrash;
    case Failure::NameTaken: return texts::WhyNameTaken;
    case Failure::BadName: return texts::WhyBadName;
    case Failure::Changed: return texts::WhyChanged;
    case Failure::DiskFull: return texts::WhyDiskFull;
    case Failure::NoFolder: return texts::WhyNoFolder;
    case Failure::SameFolder: return texts::WhySameFolder;
    case Failure::Cancelled: return texts::WhyCancelled;
    case Failure::NotTheSameFile: return texts::WhyNotTheSameFile;
    case Failure::NameNotAllowed:
    case Failure::NameTooLong: return whyName(outcome);
    case Failure::IoError: return texts::WhyIoError;
    case Failure::FileTooLarge: return texts::WhyFileTooLarge;
    case Failure::Busy: return texts::WhyBusy;
    case Failure::Stale: return texts::WhyStale;
    case Failure::LinkLoop: return texts::WhyLinkLoop;
    case Failure::ReadOnlyFile: return texts::WhyReadOnlyFile;
    case Failure::AttributesNotKept: return texts::WhyAttributesNotKept;
    case Failure::Other: break;
    }
    return texts::WhyOther.arg(outcome.error);
}

} // namespace qthost
