// Feeds arbitrary ciphertexts and locks to the symbol families' attacks.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkFamilyAttackInput, data, size);
}
