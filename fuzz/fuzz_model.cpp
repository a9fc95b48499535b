// Feeds the language model reader arbitrary files, and patched copies of a
// valid model, and checks what it accepts.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkModelInput, data, size);
}
