// Texts and names that a token hands over: labels, buffers and DER names must
// come out as UTF-8 whatever the bytes, and never crash.
#include "submission/pkcs11/Pkcs11.h"
#include "u3/StrLib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    for (const size_t n : {size, size / 2}) {
        if (!u3::IsValidUtf8(submission::DecodeTokenText(text, n)))
            std::abort();
        if (submission::TokenBufToStr(text, n).size() > n)
            std::abort();
    }
    if (!u3::IsValidUtf8(submission::X509NameToDisplay(data, size)))
        std::abort();
    return 0;
}
