// Runs arbitrary bytes through the TIFF rules: libtiff reads them from memory
// and every failure must be a plain false.
#include "submission/attach/AnnexF.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    attach::CheckTIFFData(data, size);
    return 0;
}
