// Certificate list texts as the smart-card checker hands them over: any text
// must split into entries and fields without a fault, one entry per "<|>"
// part, and name only the four key usages the chooser knows.
#include "client/CertificateList.h"
#include "u3/StrLib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool OnlyKnownUsages(const std::string& names)
{
    static const char* const known[] = {"Digital Signature", "Key encipherment", "Data encipherment",
                                        "Non repudiation"};
    std::string rest = names;
    while (!rest.empty()) {
        bool matched = false;
        for (const char* name : known) {
            const std::string n(name);
            if (rest.compare(0, n.size(), n) == 0) {
                rest.erase(0, n.size());
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
        if (rest.compare(0, 2, ", ") == 0)
            rest.erase(0, 2);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto entries = client::ParseCertificateList(text);
    const std::string trimmed = u3::Trim(text);
    if (trimmed.empty() != entries.empty())
        std::abort();
    if (!trimmed.empty() && entries.size() != static_cast<size_t>(u3::TokenCount(trimmed, "<|>")))
        std::abort();
    for (const auto& entry : entries) {
        if (u3::Trim(client::CertificateField(entry, 0)).empty() && client::CertificateIndex(entry) != -1)
            std::abort();
        if (!OnlyKnownUsages(client::KeyUsageNames(client::CertificateField(entry, 1))))
            std::abort();
    }
    return 0;
}
