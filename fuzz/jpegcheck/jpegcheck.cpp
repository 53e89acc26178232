// Runs arbitrary bytes through the JPEG decoding check: a damaged file must
// come back as false, never end the program or take unbounded memory.
#include "submission/attach/AnnexF.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    attach::CheckJPEGData(data, size);
    return 0;
}
