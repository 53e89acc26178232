// Decodes arbitrary text. Valid text must decode to bytes that encode back to
// its groups (with the unused low bits cleared); anything else must raise our
// own error, never crash or decode into garbage.
#include "u3/Base64.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int IndexOf(char c)
{
    const char* p = c ? std::strchr(kAlphabet, c) : nullptr;
    return p ? int(p - kAlphabet) : -1;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The plain reading of the rules, one character at a time.
    std::string kept;
    bool valid = true;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) <= 32)
            continue;
        if (c != '=' && IndexOf(c) < 0)
            valid = false;
        kept += c;
    }
    if (kept.size() % 4 != 0)
        valid = false;
    for (std::size_t g = 0; valid && g < kept.size(); g += 4) {
        if (kept[g] == '=' || kept[g + 1] == '=' || (kept[g + 2] == '=' && kept[g + 3] != '='))
            valid = false;
    }

    std::string decoded;
    bool raised = false;
    try {
        decoded = u3::Base64ToString(text);
    } catch (const u3::EBase64Error&) {
        raised = true;
    }
    Check(raised == !valid);

    std::ostringstream stream("untouched");
    stream.seekp(0, std::ios::end);
    try {
        u3::Base64ToStream(text, stream);
        Check(!raised && stream.str() == "untouched" + decoded);
    } catch (const u3::EBase64Error&) {
        Check(raised && stream.str() == "untouched");
    }
    if (raised)
        return 0;

    std::size_t pos = 0;
    for (std::size_t g = 0; g < kept.size(); g += 4) {
        std::string group = kept.substr(g, 4);
        const std::size_t bytes = group[2] == '=' ? 1 : group[3] == '=' ? 2 : 3;
        if (bytes == 1)
            group[1] = kAlphabet[IndexOf(group[1]) & 0x30];
        else if (bytes == 2)
            group[2] = kAlphabet[IndexOf(group[2]) & 0x3C];
        Check(pos + bytes <= decoded.size());
        Check(u3::StringToBase64(std::string_view(decoded).substr(pos, bytes)) == group);
        pos += bytes;
    }
    Check(pos == decoded.size());
    return 0;
}
