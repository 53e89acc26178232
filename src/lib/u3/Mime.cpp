#include "u3/Mime.h"
#include "u3/Base64.h"

#include "u3/StrLib.h"

#include <cstring>

namespace u3 {

namespace {

// Nested multipart bodies deeper than this are read as plain parts, which
// keeps the boundary check of every line constant in cost.
constexpr std::size_t kMaxLevels = 8;


std::string_view TrimView(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

std::string_view StripPair(std::string_view s, char open, char close)
{
    if (s.size() >= 2 && s.front() == open && s.back() == close)
        return s.substr(1, s.size() - 2);
    return s;
}

int64_t ParseLength(std::string_view s)
{
    s = TrimView(s);
    if (s.empty() || s.size() > 18)
        return 0;
    int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}



// Content-Type parameters split at ";" outside quotes.
void ParseContentType(std::string_view value, std::string& type, std::string& charset, std::string& typeParam,
                      std::string& boundary)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || (value[i] == ';' && !quoted)) {
            fields.push_back(value.substr(start, i - start));
            start = i + 1;
        } else if (value[i] == '"') {
            quoted = !quoted;
        }
    }
    type = LowerCase(TrimView(fields.front()));
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string_view field = fields[i];
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string name = LowerCase(TrimView(field.substr(0, eq)));
        const std::string_view v = StripPair(TrimView(field.substr(eq + 1)), '"', '"');
        if (name == "charset")
            charset = LowerCase(v);
        else if (name == "type")
            typeParam = LowerCase(v);
        else if (name == "boundary")
            boundary = std::string(v);
    }
}

} // namespace

TMimeDecode::TMimeDecode() = default;
TMimeDecode::~TMimeDecode() = default;

const TMimeDecode::PartInfo& TMimeDecode::part() const
{
    static const PartInfo empty;
    return current_ ? *current_ : empty;
}

void TMimeDecode::ReadHeaderLine(std::vector<std::string>& header, std::string_view line) const
{
    // A line that begins with a blank continues the field before it.
    if (!header.empty() && !line.empty() && (line.front() == ' ' || line.front() == '\t'))
        header.back().append(line);
    else
        header.emplace_back(line);
}

void TMimeDecode::ParseHeader(const std::vector<std::string>& header, PartInfo& info) const
{
    info = PartInfo{};
    std::string& boundary = info.boundary;
    for (const std::string& line : header) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string_view name = TrimView(std::string_view(line).substr(0, colon));
        const std::string_view value = TrimView(std::string_view(line).substr(colon + 1));
        if (SameText(name, "Content-Type")) {
            info.charset.clear();
            info.typeParam.clear();
            boundary.clear();
            ParseContentType(value, info.contentType, info.charset, info.typeParam, boundary);
        } else if (SameText(name, "Content-Transfer-Encoding")) {
            info.transferEncoding = LowerCase(value);
        } else if (SameText(name, "Content-ID")) {
            std::string_view id = StripPair(StripPair(value, '"', '"'), '<', '>');
            info.contentID = std::string(StripPair(id, '"', '"'));
        } else if (SameText(name, "Content-Length")) {
            info.contentLength = ParseLength(value);
        }
    }
    if (info.contentType.starts_with("multipart/") && !boundary.empty())
        info.boundaryLine = "--" + boundary;
}

bool TMimeDecode::DecodeStream(std::string_view message)
{
    message_ = message;
    current_ = nullptr;
    levels_.clear();
    levels_.reserve(kMaxLevels);
    lineOffset_ = 0;
    dataEnd_ = 0;

    const char* const base = message.data();
    const std::size_t size = message.size();
    std::size_t pos = 0;
    // Splits the line at pos; next is where the following line begins.
    auto lineAt = [&](std::size_t at, std::size_t& next) {
        const void* nl = size > at ? std::memchr(base + at, '\n', size - at) : nullptr;
        std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : size;
        next = nl ? end + 1 : size;
        if (nl && end > at && base[end - 1] == '\r')
            --end;
        return message.substr(at, end - at);
    };

    // The message header. A message that starts with a boundary line of the
    // default boundary has none.
    std::vector<std::string> header;
    const std::string defaultLine = "--" + defaultBoundary_;
    while (pos < size) {
        std::size_t next = 0;
        const std::string_view line = lineAt(pos, next);
        if (line.empty()) {
            pos = next;
            break;
        }
        if (!defaultBoundary_.empty() && line.starts_with(defaultLine))
            break;
        ReadHeaderLine(header, line);
        pos = next;
    }
    PartInfo messageInfo;
    ParseHeader(header, messageInfo);
    header.clear();
    messageBoundary_ = messageInfo.boundary.empty() ? defaultBoundary_ : messageInfo.boundary;
    // An empty boundary would make every line beginning with "--" a boundary
    // line; such a message has no parts.
    if (messageBoundary_.empty())
        return false;

    levels_.emplace_back();
    levels_.back().boundaryLine = "--" + messageBoundary_;
    while (pos < size) {
        std::size_t next = 0;
        const std::string_view line = lineAt(pos, next);
        // The innermost body first, so that a boundary that begins with an
        // enclosing one still ends the inner part.
        std::size_t hit = levels_.size();
        bool close = false;
        for (std::size_t i = levels_.size(); i-- > 0;) {
            const std::string& b = levels_[i].boundaryLine;
            if (line.starts_with(b)) {
                hit = i;
                close = line.substr(b.size()).starts_with("--");
                break;
            }
        }
        if (hit < levels_.size()) {
            if (!BoundaryLine(hit, close, pos))
                return true;
        } else {
            Level& top = levels_.back();
            if (top.state == State::kHeader) {
                if (line.empty())
                    BeginPart(levels_.size() - 1, next);
                else
                    ReadHeaderLine(top.header, line);
            } else if (top.state == State::kData) {
                lineOffset_ = pos;
                DataLine(top, line);
            }
        }
        pos = next;
    }
    return false;
}

bool TMimeDecode::BoundaryLine(std::size_t levelIndex, bool close, std::size_t offset)
{
    while (levels_.size() > levelIndex + 1) {
        const std::size_t inner = levels_.size() - 1;
        if (levels_[inner].state == State::kHeader || levels_[inner].state == State::kData)
            EndPart(inner, offset);
        current_ = nullptr;
        levels_.pop_back();
    }
    Level& level = levels_[levelIndex];
    if (level.state == State::kHeader || level.state == State::kData)
        EndPart(levelIndex, offset);
    current_ = nullptr;
    if (close) {
        if (levelIndex == 0)
            return false;
        level.state = State::kEpilogue;
        return true;
    }
    level.state = State::kHeader;
    level.header.clear();
    level.part = PartInfo{};
    return true;
}

void TMimeDecode::BeginPart(std::size_t levelIndex, std::size_t dataStart)
{
    Level& level = levels_[levelIndex];
    ParseHeader(level.header, level.part);
    level.header.clear();
    level.part.dataStart = dataStart;
    level.bits = 0;
    level.bitCount = 0;
    level.state = State::kData;
    current_ = &level.part;
    lineOffset_ = dataStart;
    if (OnPartBegin)
        OnPartBegin();
    if (level.part.boundaryLine.empty() || levels_.size() >= kMaxLevels)
        return;
    // A body that reuses an enclosing boundary could never be told apart from it.
    for (const Level& outer : levels_) {
        if (outer.boundaryLine == level.part.boundaryLine)
            return;
    }
    Level nested;
    nested.boundaryLine = level.part.boundaryLine;
    levels_.push_back(std::move(nested)); // capacity reserved: current_ stays valid
}

void TMimeDecode::EndPart(std::size_t levelIndex, std::size_t boundaryOffset)
{
    Level& level = levels_[levelIndex];
    if (level.state == State::kHeader) {
        // A header cut short by the boundary: the part has no data.
        ParseHeader(level.header, level.part);
        level.header.clear();
        level.part.dataStart = boundaryOffset;
        current_ = &level.part;
        lineOffset_ = boundaryOffset;
        if (OnPartBegin)
            OnPartBegin();
    }
    // The line break before a boundary line belongs to the boundary.
    const std::size_t start = level.part.dataStart;
    dataEnd_ = boundaryOffset;
    if (dataEnd_ > start && message_[dataEnd_ - 1] == '\n') {
        --dataEnd_;
        if (dataEnd_ > start && message_[dataEnd_ - 1] == '\r')
            --dataEnd_;
    }
    current_ = &level.part;
    lineOffset_ = boundaryOffset;
    level.state = State::kPreamble;
    if (OnPartEnd)
        OnPartEnd();
}

void TMimeDecode::DataLine(Level& level, std::string_view line)
{
    current_ = &level.part;
    const std::string& encoding = level.part.transferEncoding;
    if (encoding == "base64") {
        decoded_.clear();
        for (char c : line) {
            if (c == '=') {
                // Fill: the bits left over belong to no byte.
                level.bits = 0;
                level.bitCount = 0;
                continue;
            }
            const int digit = Base64DigitValue(c);
            if (digit < 0)
                continue;
            level.bits = (level.bits << 6) | static_cast<uint32_t>(digit);
            level.bitCount += 6;
            if (level.bitCount >= 8) {
                level.bitCount -= 8;
                decoded_.push_back(static_cast<char>((level.bits >> level.bitCount) & 0xFFu));
                level.bits &= (1u << level.bitCount) - 1u;
            }
        }
    } else if (encoding == "quoted-printable") {
        decoded_.clear();
        // Blanks at the end of a line were added in transport.
        std::size_t end = line.size();
        while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t'))
            --end;
        const bool soft = end > 0 && line[end - 1] == '=';
        if (soft)
            --end;
        for (std::size_t i = 0; i < end; ++i) {
            if (line[i] == '=' && i + 2 < end) {
                const int hi = HexDigitValue(line[i + 1]);
                const int lo = HexDigitValue(line[i + 2]);
                if (hi >= 0 && lo >= 0) {
                    decoded_.push_back(static_cast<char>(hi * 16 + lo));
                    i += 2;
                    continue;
                }
            }
            decoded_.push_back(line[i]);
        }
        if (!soft)
            decoded_ += "\r\n";
    } else if (encoding == "7bit") {
        decoded_.assign(line);
        decoded_ += "\r\n";
    } else {
        if (OnPartLine)
            OnPartLine(line.data(), line.size());
        return;
    }
    if (OnPartLine)
        OnPartLine(decoded_.data(), decoded_.size());
}

} // namespace u3
