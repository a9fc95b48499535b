// Feeds arbitrary bytes to every symbol family's key file reader.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkFamilyKeyFileInput, data, size);
}
