// Feeds arbitrary bytes to the command-line tool's streaming path, read and
// written a few bytes at a time, and checks the output line by line.
#include "fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString failure = checkCipherLinesInput(data, size);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
