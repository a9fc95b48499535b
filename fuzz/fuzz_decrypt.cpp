// Feeds arbitrary UTF-16 text to decryption, compared with the reference; its
// digit-free part must survive encryption and decryption.
#include "fuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return runFuzzCheck(checkDecryptInput, data, size);
}
