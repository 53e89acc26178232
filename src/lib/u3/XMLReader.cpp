// The XML reader: tokens over a list of lines, and a grammar read with an
// explicit stack of open elements, so that nesting costs heap, not stack.
#include "u3/XMLParser.h"
#include "u3/StrLib.h"

#include "XMLCodePage.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace u3 {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

bool IsSpecial(char c)
{
    return c == '<' || c == '>' || c == '!' || c == '?' || c == '/' || c == '=';
}

// Characters that end a name: blanks and the specials, looked up at once.
struct NameEnds {
    bool table[256] = {};
    constexpr NameEnds()
    {
        for (const char c : {' ', '\t', '\r', '\n', '\0', '<', '>', '!', '?', '/', '='})
            table[static_cast<unsigned char>(c)] = true;
    }
    bool operator()(char c) const { return table[static_cast<unsigned char>(c)]; }
};
constexpr NameEnds kEndsName;


bool IsSpecialWord(const TWord& word, char c)
{
    return word.kind == TWord::kSpecial && word.text.size() == 1 && word.text[0] == c;
}

// A lone colon has neither prefix nor local name: nothing could write it back.
bool NamesNothing(std::string_view name)
{
    return name == ":";
}

std::string_view LocalPart(std::string_view qualifiedName)
{
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

// An attribute value as read, with any double quote in it escaped: the writer
// puts every value between double quotes, and the decoded value is the same.
std::string AttributeText(std::string value)
{
    if (value.find('"') == std::string::npos)
        return value;
    std::string out;
    out.reserve(value.size() + 8);
    for (const char c : value) {
        if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

// The first CR or LF at or after p, or end; one scan where a text of one
// long line (a file's Base64 text) would otherwise be read once for each.
const char* FindLineEnd(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    while (p != end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

} // namespace

TXMLParser::TXMLParser(std::string_view text) : text_(text)
{
    SplitLines();
}

void TXMLParser::SplitLines()
{
    // Lines end at CR LF, CR or LF; a line break at the very end opens no line.
    lines_.clear();
    line_ = 0;
    column_ = 1;
    const char* const data = text_.data();
    const char* const end = data + text_.size();
    const char* start = data;
    while (start < end) {
        const char* brk = FindLineEnd(start, end);
        lines_.push_back({static_cast<std::size_t>(start - data), static_cast<std::size_t>(brk - start)});
        if (brk == end)
            break;
        start = brk + 1;
        if (*brk == '\r' && start < end && *start == '\n')
            ++start;
    }
}

std::string_view TXMLParser::LineText(std::size_t index) const
{
    return text_.substr(lines_[index].start, lines_[index].length);
}

[[noreturn]] void TXMLParser::PositionedError(const TWord& word) const
{
    throw EXMLSimpleException("Parser error! Line " + std::to_string(line_) + " column " + std::to_string(column_) +
                              " word " + word.text);
}

bool TXMLParser::NextWord(TWord& word, bool mustFind)
{
    word.kind = TWord::kNone;
    word.text.clear();
    std::string_view line;
    for (;;) {
        if (line_ >= lines_.size()) {
            if (mustFind)
                throw EXMLSimpleException("XML - Parser error!");
            return false;
        }
        line = LineText(line_);
        while (column_ <= line.size() && IsBlank(line[column_ - 1]))
            ++column_;
        if (column_ <= line.size())
            break;
        ++line_;
        column_ = 1;
    }
    const std::size_t start = column_ - 1;
    wordStart_ = column_;
    const char c = line[start];
    if (IsSpecial(c)) {
        word.kind = TWord::kSpecial;
        word.text.assign(1, c);
        ++column_;
        return true;
    }
    if (c == '\'' || c == '"') {
        // A quoted value ends at the same quote character unless another one
        // follows it; a value left open continues on the next lines, joined by
        // one blank in place of each line break and its leading whitespace.
        word.kind = TWord::kQuoted;
        std::size_t pos = start + 1;
        for (;;) {
            const std::size_t quote = line.find(c, pos);
            if (quote == std::string_view::npos) {
                word.text.append(line.substr(pos));
                if (++line_ >= lines_.size())
                    throw EXMLSimpleException("XML - Parser error!");
                line = LineText(line_);
                pos = 0;
                while (pos < line.size() && IsBlank(line[pos]))
                    ++pos;
                word.text += ' ';
                continue;
            }
            if (quote + 1 < line.size() && line[quote + 1] == c) {
                word.text.append(line.substr(pos, quote + 2 - pos));
                pos = quote + 2;
                continue;
            }
            word.text.append(line.substr(pos, quote - pos));
            column_ = quote + 2;
            return true;
        }
    }
    std::size_t end = start;
    while (end < line.size() && !kEndsName(line[end]))
        ++end;
    word.kind = TWord::kName;
    word.text.assign(line.substr(start, end - start));
    column_ = end + 1;
    return true;
}

bool TXMLParser::ReadUntil(std::string_view stop, bool skipStop, std::string& text)
{
    text.clear();
    for (std::size_t index = line_; index < lines_.size(); ++index) {
        const std::string_view line = LineText(index);
        const std::size_t from = index == line_ ? std::min(column_ - 1, line.size()) : 0;
        if (index != line_)
            text += "\r\n";
        const std::size_t hit = line.find(stop, from);
        if (hit != std::string_view::npos) {
            text.append(line.substr(from, hit - from));
            line_ = index;
            column_ = hit + 1 + (skipStop ? stop.size() : 0);
            return true;
        }
        text.append(line.substr(from));
    }
    line_ = lines_.size();
    column_ = 1;
    return false;
}

void TXMLParser::Expect(TWord& word, TWord::Kind kind, std::string_view text)
{
    NextWord(word, true);
    if (word.kind != kind || (!text.empty() && word.text != text))
        PositionedError(word);
}

std::string TXMLParser::ReadComment()
{
    // The comment runs from just after "<!--" to the next "-->"; the word that
    // began it was read as a name, which started with the two dashes.
    column_ = wordStart_ + 2;
    std::string text;
    if (!ReadUntil("-->", true, text))
        throw EXMLSimpleException("There is't end of the comment!");
    return text;
}

void TXMLParser::ReadAttributes(TXMLBaseAttrTag& node, bool declaration, bool& empty)
{
    TWord word;
    for (;;) {
        NextWord(word, true);
        if (word.kind == TWord::kName) {
            if (NamesNothing(word.text))
                PositionedError(word);
            const std::string name = std::move(word.text);
            Expect(word, TWord::kSpecial, "=");
            Expect(word, TWord::kQuoted, {});
            if (node.HasLocalName(LocalPart(name)))
                throw EXMLSimpleException("The attribute with name " + name + " already exists!");
            node.AppendAttribute(name, AttributeText(std::move(word.text)));
            continue;
        }
        if (declaration && IsSpecialWord(word, '?')) {
            Expect(word, TWord::kSpecial, ">");
            empty = true;
            return;
        }
        if (!declaration && IsSpecialWord(word, '/')) {
            Expect(word, TWord::kSpecial, ">");
            empty = true;
            return;
        }
        if (!declaration && IsSpecialWord(word, '>')) {
            empty = false;
            return;
        }
        PositionedError(word);
    }
}

void TXMLParser::ReadDeclarationOrInstruction(TXMLSimpleDocument& document)
{
    std::string skipped;
    if (document.FirstDescription()) {
        ReadUntil(">", true, skipped);
        return;
    }
    TWord word;
    NextWord(word, true);
    if (word.kind != TWord::kName)
        PositionedError(word);
    if (SameText(word.text, "xml")) {
        bool empty = true;
        ReadAttributes(document.AddDescription(), true, empty);
        return;
    }
    // Other instructions before the root are not kept.
    for (;;) {
        NextWord(word, true);
        if (word.kind == TWord::kName || word.kind == TWord::kQuoted)
            continue;
        if (!IsSpecialWord(word, '?'))
            PositionedError(word);
        Expect(word, TWord::kSpecial, ">");
        return;
    }
}

void TXMLParser::ReadDoctype(TXMLSimpleDocument& document)
{
    TWord word;
    Expect(word, TWord::kName, {});
    TXMLDoctypeTag& doctype = document.AddDoctype(word.text);
    NextWord(word, true);
    if (word.kind == TWord::kName && SameText(word.text, "SYSTEM")) {
        Expect(word, TWord::kQuoted, {});
        doctype.SetSystemId(std::move(word.text));
    } else if (word.kind == TWord::kName && SameText(word.text, "PUBLIC")) {
        doctype.SetForm(TXMLDoctypeTag::kPublic);
        Expect(word, TWord::kQuoted, {});
        doctype.SetPublicId(std::move(word.text));
        Expect(word, TWord::kQuoted, {});
        doctype.SetSystemId(std::move(word.text));
    } else {
        PositionedError(word);
    }
    Expect(word, TWord::kSpecial, ">");
}

void TXMLParser::ReadElement(TXMLSimpleDocument& document, TXMLTag* parent, const TWord& name)
{
    if (NamesNothing(name.text))
        PositionedError(name);
    TXMLTag* first;
    if (parent) {
        first = &parent->AppendChild(name.text);
    } else {
        document.root_ = std::make_unique<TXMLTag>(document, nullptr, name.text);
        first = document.root_.get();
    }
    bool empty = false;
    ReadAttributes(*first, false, empty);
    if (empty)
        return;

    std::vector<TXMLTag*> open{first};
    bool textMayFollow = true;
    TWord word;
    std::string text;
    while (!open.empty()) {
        TXMLTag& current = *open.back();
        if (textMayFollow && current.RawValue().empty()) {
            ReadText(text);
            if (!text.empty())
                current.SetRawValue(std::move(text));
        }
        NextWord(word, true);
        if (!IsSpecialWord(word, '<')) {
            // Once the element has its value, a stray word is read the way an
            // attribute name would be, and the word after it is the one named.
            if (word.kind == TWord::kName && !current.RawValue().empty())
                NextWord(word, true);
            PositionedError(word);
        }
        NextWord(word, true);
        textMayFollow = true;
        if (IsSpecialWord(word, '/')) {
            NextWord(word, true);
            if (word.kind != TWord::kName || !SameText(word.text, current.GetQualifiedName()))
                PositionedError(word);
            Expect(word, TWord::kSpecial, ">");
            open.pop_back();
        } else if (IsSpecialWord(word, '!')) {
            NextWord(word, true);
            if (word.kind != TWord::kName || !word.text.starts_with("--"))
                PositionedError(word);
            current.children_.push_back(std::make_unique<TXMLCommentTag>(document, &current, ReadComment()));
        } else if (IsSpecialWord(word, '?')) {
            if (!ReadUntil("?>", true, text))
                throw EXMLSimpleException("XML - Parser error!");
            current.children_.push_back(std::make_unique<TXMLInstructionTag>(document, &current, std::move(text)));
            textMayFollow = false;
        } else if (word.kind == TWord::kName) {
            if (NamesNothing(word.text))
                PositionedError(word);
            TXMLTag& child = current.AppendChild(word.text);
            ReadAttributes(child, false, empty);
            if (!empty)
                open.push_back(&child);
        } else {
            PositionedError(word);
        }
    }
}

void TXMLParser::ParseDocument(TXMLSimpleDocument& document)
{
    TWord word;
    for (;;) {
        NextWord(word, true);
        if (!IsSpecialWord(word, '<'))
            PositionedError(word);
        NextWord(word, true);
        if (IsSpecialWord(word, '?')) {
            ReadDeclarationOrInstruction(document);
        } else if (IsSpecialWord(word, '!')) {
            NextWord(word, true);
            if (word.kind == TWord::kName && word.text.starts_with("--"))
                document.AddComment(ReadComment(), true);
            else if (word.kind == TWord::kName && SameText(word.text, "DOCTYPE"))
                ReadDoctype(document);
            else
                PositionedError(word);
        } else if (word.kind == TWord::kName) {
            ReadElement(document, nullptr, word);
            return;
        } else {
            PositionedError(word);
        }
    }
}

std::unique_ptr<TXMLSimpleDocument> TXMLParser::Parse()
{
    auto document = std::make_unique<TXMLSimpleDocument>();
    ParseDocument(*document);
    const TXMLDescriptionTag* description = document->FirstDescription();
    const XMLCodePage page = XMLCodePageOf(description ? description->GetAttribute("encoding", {}) : std::string());
    if (page != XMLCodePage::kUtf8) {
        // Both supported code pages keep ASCII where it is, so the markup reads
        // the same once the text is UTF-8.
        converted_ = XMLCodePageToUtf8(text_, page);
        text_ = converted_;
        SplitLines();
        document = std::make_unique<TXMLSimpleDocument>();
        ParseDocument(*document);
        description = document->FirstDescription();
    }
    if (description) {
        const TXMLAttribute* encoding = description->FindAttribute("encoding");
        document->utf8_ = encoding && encoding->RawValue() == "UTF-8";
    }
    return document;
}

void TXMLParser::ParseTags(TXMLBaseTag& node)
{
    if (node.GetTagType() != TXMLBaseTag::kTag)
        throw EXMLSimpleException("Incorrect class of XMLObject!");
    auto& tag = static_cast<TXMLTag&>(node);
    // Content: a text run becomes the value when there is none yet, then the
    // first child construct is read and whatever follows it is left unread.
    if (tag.RawValue().empty()) {
        std::string text;
        const bool found = ReadText(text);
        if (!text.empty())
            tag.SetRawValue(std::move(text));
        if (!found)
            return;
    }
    TWord word;
    if (!NextWord(word, false))
        return;
    if (!IsSpecialWord(word, '<'))
        PositionedError(word);
    NextWord(word, true);
    if (IsSpecialWord(word, '!')) {
        NextWord(word, true);
        if (word.kind != TWord::kName || !word.text.starts_with("--"))
            PositionedError(word);
        tag.children_.push_back(std::make_unique<TXMLCommentTag>(tag.Document(), &tag, ReadComment()));
    } else if (IsSpecialWord(word, '?')) {
        std::string text;
        if (!ReadUntil("?>", true, text))
            throw EXMLSimpleException("XML - Parser error!");
        tag.children_.push_back(std::make_unique<TXMLInstructionTag>(tag.Document(), &tag, std::move(text)));
    } else if (word.kind == TWord::kName) {
        ReadElement(tag.Document(), &tag, word);
    } else {
        PositionedError(word);
    }
}

} // namespace u3
