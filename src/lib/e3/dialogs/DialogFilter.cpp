#include "e3/dialogs/DialogFilter.h"

#include "u3/StrLib.h"

#include <string_view>

namespace e3 {
namespace {

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> SplitMasks(std::string_view list)
{
    std::vector<std::string> masks;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view mask = Trimmed(list.substr(start, end - start));
        if (!mask.empty())
            masks.emplace_back(mask);
        start = end + 1;
    }
    return masks;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The characters Qt accepts inside the parentheses of a name filter, less the
// blank, which separates its masks.
bool QtFilterCharacter(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("_.,*?+;#-[]@{}/!<>$%&=^~:|").find(c) != std::string_view::npos;
}

} // namespace

std::vector<TFilterEntry> ParseFilter(const std::string& filter)
{
    std::vector<TFilterEntry> entries;
    size_t start = 0;
    const std::string_view text(filter);
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        TFilterEntry entry;
        if (bar == std::string_view::npos) {
            entry.description = std::string(text.substr(start));
            entries.push_back(std::move(entry));
            break;
        }
        entry.description = std::string(text.substr(start, bar - start));
        const size_t masksStart = bar + 1;
        size_t masksEnd = text.find('|', masksStart);
        if (masksEnd == std::string_view::npos)
            masksEnd = text.size();
        entry.masks = SplitMasks(text.substr(masksStart, masksEnd - masksStart));
        entries.push_back(std::move(entry));
        start = masksEnd + 1;
    }
    return entries;
}

std::string QtMask(const std::string& mask)
{
    if (mask == "*.*" || mask == "*")
        return "*";
    std::string out;
    out.reserve(mask.size() * 4);
    for (size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        const auto byte = static_cast<unsigned char>(c);
        const char lower = Lower(c), upper = Upper(c);
        if (byte >= 0x80) {
            // Qt reads a name filter's masks only when every character is one
            // of a small ASCII set: any other character is matched by "?"
            // (two for a character beyond the basic plane, which Qt holds as
            // two units).
            if ((byte & 0xC0) != 0x80)
                out += byte >= 0xF0 ? "??" : "?";
        } else if (!QtFilterCharacter(c)) {
            out += '?';
        } else if (lower != upper) {
            out += '[';
            out += lower;
            out += upper;
            out += ']';
        } else if (c == '[') {
            out += "[[]";
        } else if (c == ']') {
            out += "[]]";
        } else {
            out += c;
        }
    }
    return out;
}

std::string QtNameFilter(const TFilterEntry& entry)
{
    std::string out = entry.description + " (";
    for (size_t i = 0; i < entry.masks.size(); ++i) {
        if (i)
            out += ' ';
        out += QtMask(entry.masks[i]);
    }
    out += ')';
    return out;
}

TDialogSetup MapOptions(TOpenOptions options, bool save)
{
    TDialogSetup setup;
    setup.save = save;
    if (save) {
        setup.mode = TChooseMode::AnyFile;
        setup.confirmOverwrite = HasOption(options, ofOverwritePrompt);
    } else if (HasOption(options, ofAllowMultiSelect)) {
        setup.mode = TChooseMode::ExistingFiles;
    } else if (HasOption(options, ofFileMustExist)) {
        setup.mode = TChooseMode::ExistingFile;
    }
    setup.resolveSymlinks = !HasOption(options, ofNoDereferenceLinks);
    setup.showHidden = HasOption(options, ofForceShowHidden);
    return setup;
}

bool ExtensionDiffers(const std::string& fileName, const std::string& defaultExt)
{
    std::string_view want(defaultExt);
    if (!want.empty() && want.front() == '.')
        want.remove_prefix(1);
    const size_t slash = fileName.rfind('/');
    const size_t dot = fileName.rfind('.');
    std::string_view have;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        have = std::string_view(fileName).substr(dot + 1);
    return !u3::SameText(have, want);
}

} // namespace e3
