// Feeds arbitrary bytes through the stream with a symbol family's cipher.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkSymbolLinesInput, data, size);
}
