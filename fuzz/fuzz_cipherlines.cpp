// Feeds arbitrary bytes to the command-line tool's streaming path, read and
// written a few bytes at a time, and checks the output line by line.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkCipherLinesInput, data, size);
}
