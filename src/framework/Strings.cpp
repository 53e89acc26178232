#include "framework/Strings.h"

namespace fw {
namespace {

bool IsBlank(unsigned char c)
{
    return c >= 1 && c <= ' ';
}

bool NeedsQuotes(const std::string& line)
{
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= ' ' || c == '"' || c == ',')
            return true;
    }
    return false;
}

std::string Quoted(const std::string& line)
{
    std::string out = "\"";
    for (const char c : line) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

} // namespace

const TClassInfo& TStrings::StaticClass()
{
    using C = TStrings;
    static const TClassInfo info {
        "TStrings",
        &TPersistent::StaticClass(),
        fw::TRows<TStrings> {
            prop::String("CommaText", &C::GetCommaText, &C::SetCommaText),
            prop::Integer("Count", &C::GetCount, nullptr),
            prop::String("Text", &C::GetText, &C::SetText),
        },
    };
    return info;
}

TStrings::TStrings() = default;

namespace {

// Sets a flag for a scope; an exception clears it as well.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void TStrings::Refresh() const
{
    if (!OnRefresh || holdRefresh_)
        return;
    FlagScope hold(const_cast<TStrings*>(this)->holdRefresh_);
    OnRefresh();
}

const std::vector<std::string>& TStrings::Lines() const
{
    Refresh();
    return lines_;
}

int32_t TStrings::GetCount() const
{
    return static_cast<int32_t>(Lines().size());
}

std::string TStrings::GetText() const
{
    // As a string list gives its text: every line ends with CR LF, the last
    // one included (the engine reads Lines.Text that way).
    std::string text;
    for (const std::string& line : Lines()) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& value)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t end = value.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(value.substr(start));
            break;
        }
        lines.push_back(value.substr(start, end - start));
        start = end + (value[end] == '\r' && end + 1 < value.size() && value[end + 1] == '\n' ? 2 : 1);
    }
    SetLines(std::move(lines));
}

std::string TStrings::GetCommaText() const
{
    const std::vector<std::string>& lines = Lines();
    // A single empty line would otherwise read as no line at all.
    if (lines.size() == 1 && lines[0].empty())
        return "\"\"";
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += ',';
        text += NeedsQuotes(lines[i]) ? Quoted(lines[i]) : lines[i];
    }
    return text;
}

void TStrings::SetCommaText(const std::string& value)
{
    std::vector<std::string> lines;
    const std::size_t n = value.size();
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(value[i]); };
    std::size_t p = 0;
    while (p < n && IsBlank(at(p)))
        ++p;
    while (p < n && at(p) != 0) {
        std::string line;
        if (at(p) == '"') {
            // A doubled quote inside stands for one; an unclosed quote runs to the end.
            ++p;
            while (p < n) {
                if (at(p) == '"') {
                    if (p + 1 < n && at(p + 1) == '"') {
                        line += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                line += value[p++];
            }
        } else {
            const std::size_t first = p;
            while (p < n && at(p) > ' ' && at(p) != ',')
                ++p;
            line = value.substr(first, p - first);
        }
        lines.push_back(std::move(line));
        while (p < n && IsBlank(at(p)))
            ++p;
        if (p < n && at(p) == ',') {
            if (p + 1 == n)
                lines.emplace_back(); // a trailing comma ends in an empty line
            do
                ++p;
            while (p < n && IsBlank(at(p)));
        }
    }
    SetLines(std::move(lines));
}

void TStrings::SetLines(std::vector<std::string> lines)
{
    lines_ = std::move(lines);
    if (!OnChange)
        return;
    // The owner is not in step yet: it reads the new lines, not its own. Its
    // handlers may free it, and this list with it.
    const std::shared_ptr<bool> alive = LivenessToken();
    holdRefresh_ = true;
    try {
        OnChange();
    } catch (...) {
        if (*alive)
            holdRefresh_ = false;
        throw;
    }
    if (*alive)
        holdRefresh_ = false;
}

void TStrings::Load(std::vector<std::string> lines)
{
    lines_ = std::move(lines);
}

} // namespace fw
