// libFuzzer target for the history file: reading any bytes, and writing any
// eleven lines and reading them back. Built and run by `make fuzz`.

#include "rirekiinvariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &violation : {rirekiinvariants::readerViolation(bytes),
                                     rirekiinvariants::roundTripViolation(rirekiinvariants::linesOf(bytes))}) {
        if (!violation.isEmpty()) {
            std::fprintf(stderr, "history file invariant broken: %s\n", qUtf8Printable(violation));
            std::abort();
        }
    }
    return 0;
}
