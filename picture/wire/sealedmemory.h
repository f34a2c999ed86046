#pragma once

// Memory handed from one process to the other: a memfd sealed against
// every change before it is passed, so that the side that maps it can
// trust its size and content not to move under its feet (a memfd shrunk
// under a mapping would crash the reader; one written after the check
// would change what was checked).

#include <QByteArray>

#include <cstddef>

namespace picture::protocol {

// A new memfd holding a copy of `size` bytes at `data`, sealed against
// shrinking, growing, writing and further seals. -1 on failure.
int sealedCopy(const void *data, size_t size);
int sealedCopy(const QByteArray &bytes);

// Whether `fd` is sealed so that nobody can shrink it or write to it (which
// also means no writable mapping of it is left anywhere) and holds at least
// `size` bytes.
bool isSealedWithAtLeast(int fd, qint64 size);

// The bytes of a sealed memfd of at most `maxBytes`; empty when it is not
// sealed or is larger. The descriptor stays the caller's.
QByteArray readSealed(int fd, qint64 maxBytes);

} // namespace picture::protocol
