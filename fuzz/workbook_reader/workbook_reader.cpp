#include "e3/dictionary/ItemSession.h"
#include "e3/dictionary/WorkbookReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const e3::WorkbookSheet sheet =
            e3::ReadFirstWorksheet(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)sheet.Cell(1, 1);
    } catch (const e3::ELangException&) {
    }
    return 0;
}
