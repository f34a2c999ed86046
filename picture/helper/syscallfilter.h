#pragma once

// The system calls a decoder helper may make once contained: what decoding
// needs (memory, the descriptors it holds, reading and seeking its input,
// futexes, threads of its own, time, ending) and nothing else. Calls that
// could reach beyond the helper are allowed only on the helper itself
// (signals, priorities, affinities, limits), threads only as threads, ioctl
// only the two requests the libraries make, fcntl only on descriptor flags
// and seals. Everything else fails as an ordinary error (EPERM; ENOSYS for
// clone3 and statx, so that the C library and Qt take their older way),
// never as a crash. A status asked of a path is refused; of a descriptor it
// is answered (the C library asks fstat as fstatat with an empty path,
// which only a signal handler can tell apart).

namespace picture {

// Puts the filter in place for every thread of this process; false when it
// could not be. `audit`: refused calls are also written to standard error
// with their arguments ("zelvo-decoder refused <number> ..."), for
// scripts/audit-sandbox.sh, which finds what the decoders need.
bool applySystemCallFilter(bool audit);

} // namespace picture
