// Parses an arbitrary dialog filter as the engine writes it. No mask may be
// empty or hold the separators, and every mask spelled for Qt must stay one
// name-filter word of the characters Qt reads there (no blank, no parenthesis,
// nothing beyond ASCII).
#include "e3/dialogs/DialogFilter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string filter(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    for (const e3::TFilterEntry& entry : e3::ParseFilter(filter)) {
        Check(entry.description.find('|') == std::string::npos);
        total += entry.description.size();
        for (const std::string& mask : entry.masks) {
            Check(!mask.empty());
            Check(mask.find_first_of("|;") == std::string::npos);
            Check(mask.front() != ' ' && mask.back() != ' ');
            total += mask.size();
            const std::string qt = e3::QtMask(mask);
            for (const char c : qt)
                Check(c != ' ' && c != '(' && c != ')' && static_cast<unsigned char>(c) < 0x80);
            Check(qt.size() <= mask.size() * 4);
        }
        const std::string nameFilter = e3::QtNameFilter(entry);
        Check(nameFilter.back() == ')');
    }
    Check(total <= filter.size());
    e3::ExtensionDiffers(filter, filter);
    return 0;
}
