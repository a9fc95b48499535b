// Feeds the attack ciphertexts with locks and cribs, searched a short prefix
// at a time, and checks the refusals and the completed key.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkCrackInput, data, size);
}
