#include "u3/StrLib.h"

#include "u3/Files.h"
#include "u3/FormatSettings.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <unistd.h>

namespace u3 {
namespace {

// Calls onField(begin, end) for each field in order until it returns false.
// Every position is looked at a bounded number of times, so the scan is linear.
template <class OnField>
void ScanFields(std::string_view s, std::string_view separator, OnField onField)
{
    if (s.empty())
        return;
    const std::size_t n = s.size();
    const std::size_t m = separator.size();
    if (m == 0) {
        onField(std::size_t {0}, n);
        return;
    }
    std::size_t fieldStart = 0;
    std::size_t p = 0;
    while (p < n) {
        p = s.find(separator[0], p);
        if (p == std::string_view::npos)
            break;
        std::size_t k = 1;
        while (k < m && p + k < n && s[p + k] == separator[k])
            ++k;
        if (k == m) {
            if (!onField(fieldStart, p))
                return;
            p += m;
            fieldStart = p;
        } else {
            // The mismatching character stays in the field and is not tried as
            // the start of a separator; running off the end ends the scan.
            p += k + 1;
        }
    }
    onField(fieldStart, n);
}

} // namespace

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

namespace {

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

// An integer as a field of a dotted date may hold it: leading blanks, a sign
// and digits, nothing after them. 0 for anything else.
int FieldToIntOrZero(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return 0;
    return value;
}

std::mutex argumentsLock;
std::vector<std::string>& ProgramArguments()
{
    static std::vector<std::string> arguments;
    return arguments;
}

std::mutex soapLogLock;

} // namespace

// ---- fields and lists -------------------------------------------------------

int TokenCount(std::string_view s, std::string_view separator)
{
    int count = 0;
    ScanFields(s, separator, [&count](std::size_t, std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::string TokenAt(std::string_view s, int index, std::string_view separator)
{
    if (index < 0)
        return {};
    std::string result;
    int current = 0;
    ScanFields(s, separator, [&](std::size_t begin, std::size_t end) {
        if (current++ != index)
            return true;
        result.assign(s.substr(begin, end - begin));
        return false;
    });
    return result;
}

std::vector<std::string> SplitTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> SplitTokens(std::string_view s, std::string_view separator)
{
    std::vector<std::string> fields;
    ScanFields(s, separator, [&](std::size_t begin, std::size_t end) {
        fields.emplace_back(s.substr(begin, end - begin));
        return true;
    });
    return fields;
}

std::string ValueFieldDef(std::string_view s, int index, std::string_view defaultValue)
{
    if (index < 0)
        return s.empty() ? std::string(defaultValue) : std::string();
    bool found = false;
    std::string result;
    int current = 0;
    ScanFields(s, "<|>", [&](std::size_t begin, std::size_t end) {
        if (current++ != index)
            return true;
        found = true;
        result.assign(s.substr(begin, end - begin));
        return false;
    });
    return found ? result : std::string(defaultValue);
}

std::string TextBetween(std::string_view startMark, std::string_view endMark, std::string_view s)
{
    if (startMark.empty())
        return {};
    const auto start = s.find(startMark);
    if (start == std::string_view::npos)
        return {};
    const std::string_view rest = s.substr(start + startMark.size());
    const auto end = endMark.empty() ? std::string_view::npos : rest.find(endMark);
    return std::string(rest.substr(0, end));
}

std::string TextBetweenDef(std::string_view startMark, std::string_view endMark, std::string_view s,
                           std::string_view defaultValue)
{
    std::string result = TextBetween(startMark, endMark, s);
    return result.empty() ? std::string(defaultValue) : result;
}

int IndexInArray(std::string_view s, const std::vector<std::string>& values, bool caseSensitive)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (caseSensitive ? values[i] == s : SameText(values[i], s))
            return static_cast<int>(i);
    }
    return -1;
}

int IndexOfChar(char c, std::string_view chars)
{
    const auto pos = chars.find(c);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

void SetProgramArguments(std::vector<std::string> arguments)
{
    std::lock_guard<std::mutex> guard(argumentsLock);
    ProgramArguments() = std::move(arguments);
}

std::vector<std::string> ProgramParameters()
{
    std::lock_guard<std::mutex> guard(argumentsLock);
    return ProgramArguments();
}

bool ParamPresent(std::string_view name)
{
    std::lock_guard<std::mutex> guard(argumentsLock);
    for (const auto& argument : ProgramArguments()) {
        if (SameText(argument, name))
            return true;
    }
    return false;
}

// ---- search and replacement ---------------------------------------------------

std::size_t LastPos(std::string_view subStr, std::string_view s)
{
    if (subStr.empty())
        return 0;
    const auto pos = s.rfind(subStr);
    return pos == std::string_view::npos ? 0 : pos + 1;
}

std::size_t LastPosEx(std::string_view subStr, std::string_view s, std::size_t offset)
{
    if (subStr.empty() || offset == 0)
        return 0;
    const auto pos = s.rfind(subStr, offset - 1);
    return pos == std::string_view::npos ? 0 : pos + 1;
}

std::string ReplaceEvery(std::string_view s, std::string_view oldText, std::string_view newText)
{
    if (oldText.empty())
        return std::string(s);
    auto pos = s.find(oldText);
    if (pos == std::string_view::npos)
        return std::string(s);
    std::string result;
    result.reserve(s.size());
    std::size_t from = 0;
    while (pos != std::string_view::npos) {
        result.append(s.substr(from, pos - from));
        result.append(newText);
        from = pos + oldText.size();
        pos = s.find(oldText, from);
    }
    result.append(s.substr(from));
    return result;
}

std::string FastReplace(std::string_view s, std::string_view oldText, std::string_view newText)
{
    return ReplaceEvery(s, oldText, newText);
}

std::string ReplacePair(std::string_view s, std::string_view oldText, std::string_view newText)
{
    if (oldText.size() != 2 || newText.size() != 2)
        return ReplaceEvery(s, oldText, newText);
    std::string result(s);
    for (std::size_t i = 0; i + 1 < result.size();) {
        if (result[i] == oldText[0] && result[i + 1] == oldText[1]) {
            result[i] = newText[0];
            result[i + 1] = newText[1];
            i += 2;
        } else {
            ++i;
        }
    }
    return result;
}

std::string TrimCollapseBlanks(std::string_view s)
{
    s = TrimBlanks(s);
    std::string result;
    result.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' && !result.empty() && result.back() == ' ')
            continue;
        result.push_back(s[i]);
    }
    return result;
}

void FixLineBreaks(std::string& s)
{
    std::size_t lone = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            ++lone;
    }
    if (lone == 0)
        return;
    std::string result;
    result.reserve(s.size() + lone);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            result.push_back('\r');
        result.push_back(s[i]);
    }
    s.swap(result);
}

// ---- conversions --------------------------------------------------------------

std::string BoolToText(bool b)
{
    return b ? "true" : "false";
}

std::string VariantToText(const Variant& v)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool b) const { return BoolToText(b); }
        std::string operator()(int64_t i) const { return std::to_string(i); }
        std::string operator()(double d) const { return FloatToDotText(d); }
        std::string operator()(const std::string& s) const { return s; }
    };
    return std::visit(Visitor {}, v);
}

std::string DateToDottedText(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    char text[32];
    std::snprintf(text, sizeof(text), "%.2d.%.2d.%.2d", day, month, year);
    return text;
}

TDateTime DottedTextToDate(std::string_view s)
{
    if (TrimBlanks(s).empty())
        return 0;
    // The fields come from the untrimmed text: a trailing blank spoils the year.
    const int day = FieldToIntOrZero(TokenAt(s, 0, "."));
    const int month = FieldToIntOrZero(TokenAt(s, 1, "."));
    const int year = FieldToIntOrZero(TokenAt(s, 2, "."));
    TDateTime result = 0;
    return TryEncodeDate(year, month, day, result) ? result : 0;
}

std::string NormalizeDecimalText(std::string_view s)
{
    const FormatSettings settings = GetFormatSettings();
    const std::string& decimal = settings.DecimalSeparator;
    const std::string& thousand = settings.ThousandSeparator;
    // A "," or "." first becomes the decimal separator and only then is
    // compared with the thousands separator, so "," or "." as thousands
    // separator is never dropped. Each character is handled on its own, so the
    // order of the walk does not matter.
    const bool decimalIsThousand = !thousand.empty() && decimal == thousand;
    std::string result;
    result.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ',' || s[i] == '.') {
            if (!decimalIsThousand)
                result.append(decimal);
            ++i;
        } else if (!thousand.empty() && s.compare(i, thousand.size(), thousand) == 0) {
            i += thousand.size();
        } else {
            result.push_back(s[i]);
            ++i;
        }
    }
    return result;
}

double TextToFloat(std::string_view s)
{
    if (s.empty())
        return 0;
    const std::string normalized = NormalizeDecimalText(s);
    const FormatSettings settings = GetFormatSettings();
    std::string text = settings.DecimalSeparator == "." || settings.DecimalSeparator.empty()
        ? normalized : ReplaceEvery(normalized, settings.DecimalSeparator, ".");
    std::string_view t = text;
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    // Only digits or a point may start the number: no "inf", "nan" or a second sign.
    const bool startsWell = !t.empty() && ((t.front() >= '0' && t.front() <= '9') || t.front() == '.');
    double value = 0;
    if (startsWell) {
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
        if (ec == std::errc() && end == t.data() + t.size())
            return negative ? -value : value;
    }
    throw ConvertError("'" + std::string(s) + "' is not a valid floating point value");
}

std::string FloatToDotText(double x)
{
    char text[64];
    if (!std::isfinite(x)) {
        const auto [end, ec] = std::to_chars(text, text + sizeof(text), x, std::chars_format::general);
        return ec == std::errc() ? std::string(text, end) : std::string();
    }
    if (x == 0)
        return "0";
    // Round to 15 significant digits first: the rounded exponent decides the notation,
    // so 999999999999999.9 becomes "1E15", not a 16-digit integer.
    const auto [end, ec] = std::to_chars(text, text + sizeof(text), x, std::chars_format::scientific, 14);
    if (ec != std::errc())
        return {};
    std::string_view s(text, std::size_t(end - text));
    const bool negative = s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    const auto e = s.find('e');
    int exponent = 0;
    std::string_view expText = s.substr(e + 1);
    if (!expText.empty() && expText.front() == '+')
        expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    std::string digits(1, s.front());
    digits.append(s.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(std::size_t(-exponent - 1), '0');
            out += digits;
        } else {
            const std::size_t intDigits = std::size_t(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out.append(digits, 0, intDigits);
                out += '.';
                out.append(digits, intDigits);
            }
        }
    } else {
        out += digits.front();
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
}

std::string PadZeros8(std::string_view s)
{
    if (s.size() >= 8)
        return std::string(s);
    return std::string(8 - s.size(), '0').append(s);
}

// ---- file-name texts ------------------------------------------------------------

std::string RemoveFileExt(std::string_view fileName)
{
    const auto pos = fileName.find_last_of(".\\/:");
    if (pos == std::string_view::npos || fileName[pos] != '.')
        return std::string(fileName);
    return std::string(fileName.substr(0, pos));
}

std::string ExtractFileNameAny(std::string_view path)
{
    const auto pos = path.find_last_of(":\\/");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtractFilePathAny(std::string_view path)
{
    const auto pos = path.find_last_of(":\\/");
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

// ---- logging and time -----------------------------------------------------------

void AppendSoapLog(std::string_view text, std::string_view tag)
{
    try {
        std::string entry;
        entry.reserve(text.size() + 4);
        entry.append("\r\n\r\n").append(text);

        std::lock_guard<std::mutex> guard(soapLogLock);
        const std::string program = RemoveFileExt(ExtractFileNameAny(GetExeName()));
        const std::string path = LogFilePath(program + "_SOAP" + std::string(tag) + ".log");
        // O_APPEND: the entry lands at the end even when another process
        // writes to the same log.
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        const char* data = entry.data();
        std::size_t left = entry.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                break; // a log entry that cannot be written is lost
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        ::close(fd);
    } catch (...) {
        // Logging must never fail its caller.
    }
}

int64_t SignedSecondsDiff(TDateTime a, TDateTime b)
{
    const double diff = b - a;
    if (std::isnan(diff))
        return 0;
    const double d = std::fabs(diff);
    // Beyond any date the protocol can carry; saturate instead of overflowing.
    constexpr double maxDays = 1e13;
    if (d >= maxDays)
        return diff < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    const double days = std::floor(d);
    // The time of day is rounded to the millisecond first, then the
    // milliseconds are dropped: 1.9996 s counts as 2, 1.5 s as 1.
    const int64_t millis = std::llround((d - days) * 86400000.0);
    const int64_t seconds = static_cast<int64_t>(days) * 86400 + millis / 1000;
    return diff < 0 ? -seconds : seconds;
}


std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

bool TryStrToInt64(std::string_view s, int64_t& value)
{
    const char* first = s.data();
    const char* last = first + s.size();
    bool negative = false;
    if (first != last && (*first == '-' || *first == '+')) {
        negative = *first == '-';
        ++first;
    }
    int base = 10;
    if (first != last && *first == '$') {
        base = 16;
        ++first;
    } else if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        base = 16;
        first += 2;
    }
    if (first == last)
        return false;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || end != last)
        return false;
    if (negative) {
        if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1)
            return false;
        value = static_cast<int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<uint64_t>(INT64_MAX))
            return false;
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return 1;
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (pos + k >= text.size())
            return 0;
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if (next < low || next > high)
            return 0;
        low = 0x80;
        high = 0xBF;
    }
    return need + 1;
}

namespace {

// The bytes of the broken sequence at text[pos] that one U+FFFD stands for:
// the lead byte and those continuation bytes that could still have followed it.
std::size_t BrokenSequenceLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    std::size_t length = 1;
    for (std::size_t k = 1; k <= need && pos + k < text.size(); ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if (next < low || next > high)
            break;
        ++length;
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

} // namespace

namespace {

// How many bytes from pos on are plain ASCII; file texts (Base64) are all
// ASCII, so they are looked at sixteen bytes at a time.
std::size_t AsciiRun(std::string_view text, std::size_t pos)
{
    const std::size_t start = pos;
#if defined(__SSE2__)
    while (text.size() - pos >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block));
        if (high != 0)
            return pos - start + static_cast<std::size_t>(std::countr_zero(high));
        pos += 16;
    }
#endif
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos - start;
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        pos += AsciiRun(text, pos);
        if (pos == text.size())
            break;
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

bool MakeValidUtf8(std::string& text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        pos += AsciiRun(text, pos);
        if (pos == text.size())
            break;
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length == 0)
            break;
        pos += length;
    }
    if (pos == text.size())
        return false;
    std::string out;
    out.reserve(text.size() + 16);
    out.append(text, 0, pos);
    while (pos < text.size()) {
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length != 0) {
            out.append(text, pos, length);
            pos += length;
        } else {
            out += "\xEF\xBF\xBD";
            pos += BrokenSequenceLength(text, pos);
        }
    }
    text.swap(out);
    return true;
}

} // namespace u3
