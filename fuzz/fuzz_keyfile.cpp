// Feeds arbitrary bytes to the key file reader and checks what it accepts.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkKeyFileInput, data, size);
}
