#include "u3/IniFile.h"

#include "u3/StrLib.h"

#include "u3/AtomicFile.h"
#include "u3/Files.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>
#include <unistd.h>

namespace u3 {
namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// What one line of the file means. Lines are kept as read; this is their reading.
struct LineInfo {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;  // section name or key name, trimmed
    std::string_view value; // key lines: the text after "=", trimmed
};

LineInfo Interpret(std::string_view line, bool first)
{
    if (first && line.substr(0, utf8Bom.size()) == utf8Bom)
        line.remove_prefix(utf8Bom.size());
    const std::string_view t = TrimBlanks(line);
    LineInfo info;
    if (t.empty() || t.front() == ';')
        return info;
    if (t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            info.kind = LineInfo::Section;
            info.name = TrimBlanks(t.substr(1, close - 1));
        }
        return info;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return info; // keys without "=" are ignored, as the profile API does
    info.kind = LineInfo::Key;
    info.name = TrimBlanks(t.substr(0, eq));
    info.value = TrimBlanks(t.substr(eq + 1));
    return info;
}

std::string_view Unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The range of lines [begin, end) of the first section named `section`: begin
// is its header. nullopt when there is none.
struct SectionRange {
    std::size_t begin;
    std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, std::string_view section)
{
    const std::string_view wanted = TrimBlanks(section);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = Interpret(lines[i], i == 0);
        if (info.kind != LineInfo::Section || !SameText(info.name, wanted))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && Interpret(lines[end], end == 0).kind != LineInfo::Section)
            ++end;
        return SectionRange {i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, const SectionRange& range,
                                   std::string_view ident)
{
    const std::string_view wanted = TrimBlanks(ident);
    for (std::size_t i = range.begin + 1; i < range.end; ++i) {
        const LineInfo info = Interpret(lines[i], i == 0);
        if (info.kind == LineInfo::Key && SameText(info.name, wanted))
            return i;
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// A value that reading would change (surrounding blanks, enclosing quotes) is
// written in double quotes, so that it reads back as it was written.
std::string ValueAsWritten(const std::string& value)
{
    if (value.empty())
        return value;
    const bool needsQuotes = TrimBlanks(value).size() != value.size() || Unquote(value).size() != value.size();
    return needsQuotes ? "\"" + value + "\"" : value;
}


// Writes through a symbolic link to its target, so that the link stays.
std::string ResolvedTarget(const std::string& fileName)
{
    char resolved[PATH_MAX];
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(fileName.c_str(), resolved))
        return resolved;
    return fileName;
}

// The whole file; empty when it is missing, unreadable or not a regular file.
std::string ReadRegularFile(const std::string& fileName)
{
    std::string text;
    // O_NONBLOCK: a FIFO in place of the file must not hang the reader.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return text;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof(buffer));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return text;
}

} // namespace

IniFile::IniFile(std::string fileName)
    : fileName_(std::move(fileName))
{
    const std::string text = ReadRegularFile(fileName_);
    std::size_t start = 0;
    while (start < text.size()) {
        auto lf = text.find('\n', start);
        const std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::size_t cut = end;
        if (cut > start && text[cut - 1] == '\r')
            --cut;
        lines_.emplace_back(text, start, cut - start);
        start = end + 1;
    }
}

std::string IniFile::ReadString(const std::string& section, const std::string& ident,
                                const std::string& defaultValue) const
{
    const auto range = FindSection(lines_, section);
    if (!range)
        return defaultValue;
    const auto key = FindKey(lines_, *range, ident);
    if (!key)
        return defaultValue;
    return std::string(Unquote(Interpret(lines_[*key], *key == 0).value));
}

int IniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const
{
    const std::string text = ReadString(section, ident, std::string());
    std::string_view t = text;
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        return defaultValue;
    return value;
}

bool IniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    const auto range = FindSection(lines_, section);
    return range && FindKey(lines_, *range, ident).has_value();
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    const auto range = FindSection(lines_, section);
    if (!range)
        return keys;
    std::unordered_set<std::string> seen;
    for (std::size_t i = range->begin + 1; i < range->end; ++i) {
        const LineInfo info = Interpret(lines_[i], i == 0);
        if (info.kind != LineInfo::Key)
            continue;
        if (seen.insert(LowerCase(info.name)).second)
            keys.emplace_back(info.name);
    }
    return keys;
}

std::vector<std::string> IniFile::ReadSections() const
{
    std::vector<std::string> sections;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = Interpret(lines_[i], i == 0);
        if (info.kind != LineInfo::Section)
            continue;
        if (seen.insert(LowerCase(info.name)).second)
            sections.emplace_back(info.name);
    }
    return sections;
}

bool IniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    // A line break, a "]" in a section name or a "=" in a key would make the
    // file say something else than what was written.
    const std::string_view sectionName = TrimBlanks(section);
    const std::string_view key = TrimBlanks(ident);
    if (sectionName.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value)
        || sectionName.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos
        || key.front() == ';' || key.front() == '[')
        return false;

    std::vector<std::string> lines = lines_;
    const std::string keyLine = std::string(key) + "=" + ValueAsWritten(value);
    const auto range = FindSection(lines, section);
    if (!range) {
        lines.push_back("[" + std::string(sectionName) + "]");
        lines.push_back(keyLine);
    } else if (const auto existing = FindKey(lines, *range, ident)) {
        // Keep the spelling of the key as the file has it.
        lines[*existing] = std::string(Interpret(lines[*existing], *existing == 0).name) + "="
            + ValueAsWritten(value);
    } else {
        // After the section's last non-blank line, so that blank lines before
        // the next section stay where they are.
        std::size_t at = range->end;
        while (at > range->begin + 1 && TrimBlanks(lines[at - 1]).empty())
            --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), keyLine);
    }
    return Commit(std::move(lines));
}

bool IniFile::EraseSection(const std::string& section)
{
    // Every section of that name goes, or a later one would show through.
    const std::string_view wanted = TrimBlanks(section);
    std::vector<std::string> lines;
    lines.reserve(lines_.size());
    bool inErased = false;
    bool erased = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = Interpret(lines_[i], i == 0);
        if (info.kind == LineInfo::Section)
            inErased = SameText(info.name, wanted);
        if (inErased)
            erased = true;
        else
            lines.push_back(lines_[i]);
    }
    return erased ? Commit(std::move(lines)) : true;
}

bool IniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    const auto range = FindSection(lines_, section);
    if (!range)
        return true;
    // Every line of that key in the section, or a later one would show through.
    const std::string_view wanted = TrimBlanks(ident);
    std::vector<std::string> lines;
    lines.reserve(lines_.size());
    bool erased = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > range->begin && i < range->end) {
            const LineInfo info = Interpret(lines_[i], i == 0);
            if (info.kind == LineInfo::Key && SameText(info.name, wanted)) {
                erased = true;
                continue;
            }
        }
        lines.push_back(lines_[i]);
    }
    return erased ? Commit(std::move(lines)) : true;
}

bool IniFile::Commit(std::vector<std::string> lines)
{
    std::string text;
    for (const auto& line : lines)
        text.append(line).append("\r\n");
    if (!Save(text))
        return false;
    lines_ = std::move(lines);
    return true;
}

bool IniFile::Save(const std::string& text) const
{
    return WriteFileAtomically(ResolvedTarget(fileName_), text, 0644);
}

std::string ReadIniString(const std::string& fileName, const std::string& section, const std::string& ident,
                          const std::string& defaultValue)
{
    const IniFile ini(fileName);
    return ini.ReadString(section, ident, defaultValue);
}

} // namespace u3
