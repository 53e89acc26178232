#include "client/CertificateList.h"

#include "client/Client.h"
#include "client/Globals.h"
#include "u3/StrLib.h"

#include <charconv>

namespace client {

namespace {

std::string Lang(const std::string& key, const std::string& defaultText)
{
    TClient* c = Client();
    return c ? c->GetLangText(key, defaultText) : defaultText;
}

bool ParseInt(const std::string& text, int& value)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

} // namespace

std::vector<TCertificateEntry> ParseCertificateList(const std::string& listText)
{
    std::vector<TCertificateEntry> entries;
    const std::string text = u3::Trim(listText);
    if (text.empty())
        return entries;
    for (const std::string& entry : u3::SplitTokens(text, "<|>"))
        entries.push_back(u3::SplitTokens(entry, "||"));
    return entries;
}

std::string CertificateField(const TCertificateEntry& entry, size_t i)
{
    return i < entry.size() ? entry[i] : std::string();
}

int CertificateIndex(const TCertificateEntry& entry)
{
    int value = -1;
    return ParseInt(u3::Trim(CertificateField(entry, 0)), value) ? value : -1;
}

std::string KeyUsageNames(const std::string& keyUsageField)
{
    int bits = 0;
    if (!ParseInt(u3::Trim(keyUsageField), bits))
        bits = 0;
    std::string names;
    const auto add = [&names](const std::string& name) {
        if (!names.empty())
            names += ", ";
        names += name;
    };
    if (bits & 0x80)
        add("Digital Signature");
    if (bits & 0x20)
        add(Lang("FrmCCert.pas.Message.4", "Key encipherment"));
    if (bits & 0x10)
        add(Lang("FrmCCert.pas.Message.5", "Data encipherment"));
    if (bits & 0x40)
        add(Lang("FrmCCert.pas.Message.6", "Non repudiation"));
    return names;
}

} // namespace client
