// Free text typed into a registration-number edit, checked as every kind. A
// number a kind accepts must also split as that kind, and no split may keep
// more than twenty characters.
#include "u3/RegNoCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int k = 0; k < u3::RegNoModeCount; ++k) {
        const auto kind = static_cast<u3::TRegNoMode>(k);
        const bool valid = u3::CheckRegNo(text, kind);
        u3::TRegNoParts parts;
        u3::SplitRegNo(text, kind, parts);
        if (parts.Length < 0 || parts.Length > 20 || parts.Whole.size() > 80)
            std::abort();
        const bool splits = kind != u3::rnmCDS && kind != u3::rnmEMAIL && kind != u3::rnmOther;
        if (valid && splits && !parts.Ok)
            std::abort();
    }
    (void)u3::IsValidEMail(text);
    (void)u3::Mod11CheckDigit(text, static_cast<int>(size % 40) - 5);
    (void)u3::Mod11CheckDigitCyclic(text, static_cast<int>(size % 40));
    return 0;
}
