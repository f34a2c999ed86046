#pragma once

// What a decoder helper gives up once it has loaded its decoders, so that
// code a picture manages to run in it reaches nothing of the user's:
//   - its root becomes an empty folder of its own, where it can make a mount
//     namespace of its own (always, when it was started in namespaces of its
//     own; as root too), so that no path names a file of the user's;
//   - every capability, and the right to gain any (no new privileges);
//   - limits on the memory it holds and maps, its processor time, its
//     descriptors, and no core dumps;
//   - a system-call filter that allows only what decoding needs
//     (syscallfilter.h).

#include <QtGlobal>

namespace picture {

struct ContainmentLimits
{
    // Bytes of data at most: heap, anonymous mappings and stacks (0: no
    // limit, as under the address sanitizer, whose shadow memory is
    // terabytes).
    quint64 data = 0;
    // Bytes of memory it may write a reply's pixels into (lent by the window).
    quint64 reply = 0;
    int cpuSeconds = 600;
};

// Applies all of the above to this process (every thread of it). Returns
// what now holds it in (protocol::Contained); the filter's flag is missing
// when it could not be put in place, and the helper must not serve then.
quint32 containThisProcess(const ContainmentLimits &limits, bool audit = false);

} // namespace picture
