// The XML node classes, value escaping and the indenting writer.
#include "u3/XMLParser.h"

#include "XMLCodePage.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace u3 {

const TXMLReservedSymbolsRec XMLReservedSymbols[7] = {
    {'&', "&amp;"}, {'\'', "&apos;"}, {'>', "&gt;"}, {'<', "&lt;"}, {'"', "&quot;"}, {'\n', "&#xA;"}, {'\r', "&#xD;"},
};

namespace {

constexpr std::string_view kCRLF = "\r\n";

// True when nothing but blanks and control characters is left after trimming.
bool TrimmedEmpty(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The UTF-8 bytes of cp into out (room for four); returns how many.
std::size_t EncodeUtf8(char* out, char32_t cp)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

// Decodes a character reference at the start of text ("&#65;", "&#x41;"):
// the character, and the length of the reference; 0 when there is none there.
// Only the reference itself is looked at, so a long text with many "&#" and no
// ";" stays linear.
char32_t DecodeCharReference(std::string_view text, std::size_t& length)
{
    std::size_t i = 2;
    unsigned base = 10;
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    }
    const std::size_t firstDigit = i;
    char32_t cp = 0;
    for (; i < text.size() && text[i] != ';'; ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return 0;
        cp = cp * base + digit;
        if (cp > 0x10FFFF)
            return 0;
    }
    if (i == firstDigit || i >= text.size() || cp == 0 || (cp >= 0xD800 && cp < 0xE000))
        return 0;
    length = i + 1;
    return cp;
}

} // namespace

namespace {

// The escape of c when it is one of the reserved characters, else empty.
std::string_view EscapeOf(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '\'': return "&apos;";
    case '>': return "&gt;";
    case '<': return "&lt;";
    case '"': return "&quot;";
    case '\n': return "&#xA;";
    case '\r': return "&#xD;";
    default: return {};
    }
}

bool IsReserved(char c)
{
    return c == '&' || c == '\'' || c == '>' || c == '<' || c == '"' || c == '\n' || c == '\r';
}

// The first reserved character at or after p (with outsideAscii, also the
// first byte outside ASCII), or end. Long values such as Base64 text hold
// none, so the scan is what their escaping costs: sixteen bytes a step where
// the processor allows it.
template <bool outsideAscii>
const char* FindMarked(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i apos = _mm_set1_epi8('\'');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i quot = _mm_set1_epi8('"');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(block, amp), _mm_cmpeq_epi8(block, apos));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, gt));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, lt));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, quot));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, lf));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, cr));
        if constexpr (outsideAscii)
            hit = _mm_or_si128(hit, block); // the high bit marks the byte
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    while (p != end && !IsReserved(*p) && !(outsideAscii && static_cast<unsigned char>(*p) >= 0x80))
        ++p;
    return p;
}

const char* FindReserved(const char* p, const char* end)
{
    return FindMarked<false>(p, end);
}

// Decodes text into out, which may be text's own first byte: no escape or
// reference is shorter than what it decodes to, so the writing never
// overtakes the reading. Returns the decoded length.
std::size_t UnescapeInto(char* out, std::string_view text)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    char* w = out;
    const char* done = begin;
    for (;;) {
        const char* amp = static_cast<const char*>(std::memchr(done, '&', static_cast<std::size_t>(end - done)));
        if (!amp)
            break;
        const std::size_t run = static_cast<std::size_t>(amp - done);
        if (w != done && run != 0)
            std::memmove(w, done, run);
        w += run;
        const std::string_view rest(amp, static_cast<std::size_t>(end - amp));
        std::size_t used = 0;
        for (const auto& row : XMLReservedSymbols) {
            if (rest.starts_with(row.Escape)) {
                *w++ = row.Character;
                used = row.Escape.size();
                break;
            }
        }
        if (used == 0 && rest.size() > 1 && rest[1] == '#') {
            std::size_t length = 0;
            if (const char32_t cp = DecodeCharReference(rest, length)) {
                char encoded[4];
                const std::size_t n = EncodeUtf8(encoded, cp);
                std::memcpy(w, encoded, n);
                w += n;
                used = length;
            }
        }
        if (used == 0) {
            *w++ = '&';
            used = 1;
        }
        done = amp + used;
    }
    const std::size_t tail = static_cast<std::size_t>(end - done);
    if (w != done && tail != 0)
        std::memmove(w, done, tail);
    w += tail;
    return static_cast<std::size_t>(w - out);
}

} // namespace

bool IsPlainXMLText(std::string_view text)
{
    const char* const end = text.data() + text.size();
    return FindMarked<true>(text.data(), end) == end;
}

std::size_t EscapedXMLTextSize(std::string_view text)
{
    std::size_t size = text.size();
    const char* const end = text.data() + text.size();
    for (const char* p = FindReserved(text.data(), end); p != end; p = FindReserved(p + 1, end))
        size += EscapeOf(*p).size() - 1;
    return size;
}

void AppendEscapedXMLText(std::string& out, std::string_view text)
{
    const char* const end = text.data() + text.size();
    const char* done = text.data();
    for (const char* p = FindReserved(done, end); p != end; p = FindReserved(done, end)) {
        out.append(done, static_cast<std::size_t>(p - done));
        out += EscapeOf(*p);
        done = p + 1;
    }
    out.append(done, static_cast<std::size_t>(end - done));
}

std::string EscapeXMLText(std::string_view text)
{
    std::string out;
    out.reserve(EscapedXMLTextSize(text));
    AppendEscapedXMLText(out, text);
    return out;
}

std::string UnescapeXMLText(std::string_view text)
{
    std::string out(text);
    UnescapeXMLTextInPlace(out);
    return out;
}

void UnescapeXMLTextInPlace(std::string& text)
{
    if (text.find('&') == std::string::npos)
        return;
    text.resize(UnescapeInto(text.data(), text));
}

// ---- TXMLBaseTag ----------------------------------------------------------------

TXMLBaseTag::TXMLBaseTag(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string_view qualifiedName)
    : parent_(parent), document_(&document)
{
    const std::size_t colon = qualifiedName.find(':');
    if (colon == std::string_view::npos) {
        name_ = qualifiedName;
    } else {
        prefix_ = qualifiedName.substr(0, colon);
        name_ = qualifiedName.substr(colon + 1);
    }
}

std::string TXMLBaseTag::GetQualifiedName() const
{
    if (prefix_.empty())
        return name_;
    std::string result;
    result.reserve(prefix_.size() + 1 + name_.size());
    result += prefix_;
    result += ':';
    result += name_;
    return result;
}

std::string TXMLBaseTag::GetValue() const
{
    return UnescapeXMLText(value_);
}

std::string TXMLBaseTag::TakeValue()
{
    std::string text = std::move(value_);
    value_.clear();
    UnescapeXMLTextInPlace(text);
    return text;
}

void TXMLBaseTag::SetValue(std::string_view text)
{
    value_ = EscapeXMLText(text);
}

void TXMLBaseTag::CopyValueTo(TXMLBaseTag& target) const
{
    target.value_ = value_;
}

// ---- leaves ---------------------------------------------------------------------

void TXMLAttribute::SaveToString(std::string& out) const
{
    out += ' ';
    if (!Prefix().empty()) {
        out += Prefix();
        out += ':';
    }
    out += Name();
    out += "=\"";
    out += RawValue();
    out += '"';
}

void TXMLCommentTag::SaveToString(std::string& out) const
{
    out += Document().Indentation();
    out += "<!--";
    out += text_;
    out += "-->";
}

void TXMLCommentTag::CopyValueTo(TXMLBaseTag& target) const
{
    TXMLBaseTag::CopyValueTo(target);
    static_cast<TXMLCommentTag&>(target).text_ = text_;
}

void TXMLInstructionTag::SaveToString(std::string& out) const
{
    out += Document().Indentation();
    out += "<?";
    out += text_;
    out += "?>";
}

void TXMLInstructionTag::CopyValueTo(TXMLBaseTag& target) const
{
    TXMLBaseTag::CopyValueTo(target);
    static_cast<TXMLInstructionTag&>(target).text_ = text_;
}

namespace {
// Identifiers cannot be escaped; one read from apostrophes may hold a double
// quote, and then only apostrophes keep it well-formed.
void AppendIdentifier(std::string& out, const std::string& id)
{
    const char quote = id.find('"') == std::string::npos ? '"' : '\'';
    out += ' ';
    out += quote;
    out += id;
    out += quote;
}
} // namespace

void TXMLDoctypeTag::SaveToString(std::string& out) const
{
    out += Document().Indentation();
    out += "<!DOCTYPE ";
    out += GetQualifiedName();
    out += form_ == kPublic ? " PUBLIC" : " SYSTEM";
    if (form_ == kPublic)
        AppendIdentifier(out, publicId_);
    AppendIdentifier(out, systemId_);
    out += '>';
}

void TXMLDoctypeTag::CopyValueTo(TXMLBaseTag& target) const
{
    TXMLBaseTag::CopyValueTo(target);
    auto& doctype = static_cast<TXMLDoctypeTag&>(target);
    doctype.form_ = form_;
    doctype.publicId_ = publicId_;
    doctype.systemId_ = systemId_;
}

void TXMLDescriptionTag::SaveToString(std::string& out) const
{
    out += Document().Indentation();
    out += "<?xml";
    SaveAttributes(out);
    out += "?>";
}

// ---- TXMLBaseAttrTag ------------------------------------------------------------

namespace {
// Below this many attributes a scan is cheaper than keeping an index.
constexpr std::size_t kIndexedAttributes = 16;
} // namespace

TXMLBaseAttrTag::~TXMLBaseAttrTag() = default;

bool TXMLBaseAttrTag::HasLocalName(std::string_view name) const
{
    if (nameCounts_)
        return nameCounts_->count(LowerCase(name)) != 0;
    return FindAttribute(name) != nullptr;
}

TXMLAttribute& TXMLBaseAttrTag::AppendAttribute(std::string_view qualifiedName, std::string escapedValue)
{
    auto attribute = std::make_unique<TXMLAttribute>(Document(), this, qualifiedName);
    attribute->SetRawValue(std::move(escapedValue));
    TXMLAttribute& result = *attribute;
    attributes_.push_back(std::move(attribute));
    if (nameCounts_) {
        ++(*nameCounts_)[LowerCase(result.Name())];
    } else if (attributes_.size() > kIndexedAttributes) {
        nameCounts_ = std::make_unique<std::unordered_map<std::string, int>>();
        for (const auto& a : attributes_)
            ++(*nameCounts_)[LowerCase(a->Name())];
    }
    return result;
}

TXMLAttribute& TXMLBaseAttrTag::AddAttributeRaw(std::string_view qualifiedName, std::string escapedValue)
{
    if (HasLocalName(qualifiedName))
        throw EXMLSimpleException("The attribute with name " + std::string(qualifiedName) + " already exists!");
    return AppendAttribute(qualifiedName, std::move(escapedValue));
}

TXMLAttribute& TXMLBaseAttrTag::AddAttribute(std::string_view name, std::string_view value)
{
    return AddAttributeRaw(name, EscapeXMLText(value));
}

void TXMLBaseAttrTag::CopyAttributesTo(TXMLBaseAttrTag& target) const
{
    for (const auto& a : attributes_) {
        if (TXMLAttribute* existing = target.FindAttribute(a->Name()))
            existing->SetRawValue(a->RawValue());
        else
            target.AppendAttribute(a->GetQualifiedName(), a->RawValue());
    }
}

TXMLAttribute* TXMLBaseAttrTag::FindAttribute(std::string_view name, bool mustExist) const
{
    for (const auto& a : attributes_) {
        if (SameText(a->Name(), name))
            return a.get();
    }
    if (mustExist)
        throw EXMLSimpleException("Attribute with name " + std::string(name) + " not found");
    return nullptr;
}

std::string TXMLBaseAttrTag::GetAttribute(std::string_view name, std::string_view defaultValue) const
{
    const TXMLAttribute* a = FindAttribute(name);
    return a ? a->GetValue() : std::string(defaultValue);
}

void TXMLBaseAttrTag::SetAttribute(std::string_view name, std::string_view value)
{
    if (TXMLAttribute* a = FindAttribute(name))
        a->SetValue(value);
    else
        AppendAttribute(name, EscapeXMLText(value));
}

void TXMLBaseAttrTag::DeleteAttribute(std::string_view name)
{
    for (auto it = attributes_.begin(); it != attributes_.end(); ++it) {
        if (SameText((*it)->Name(), name)) {
            if (nameCounts_) {
                auto count = nameCounts_->find(LowerCase((*it)->Name()));
                if (--count->second == 0)
                    nameCounts_->erase(count);
            }
            attributes_.erase(it);
            return;
        }
    }
}

TXMLAttribute& TXMLBaseAttrTag::Attribute(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= attributes_.size())
        throw EListError(index);
    return *attributes_[static_cast<std::size_t>(index)];
}

void TXMLBaseAttrTag::SaveAttributes(std::string& out) const
{
    for (const auto& a : attributes_)
        a->SaveToString(out);
}

// ---- TXMLTag ---------------------------------------------------------------------

TXMLTag::~TXMLTag()
{
    FreeNodes(children_);
}

void TXMLTag::FreeNodes(std::vector<std::unique_ptr<TXMLBaseTag>>& nodes)
{
    // Each element is emptied before it dies, so freeing never recurses on depth.
    std::vector<std::unique_ptr<TXMLBaseTag>> work = std::move(nodes);
    nodes.clear();
    while (!work.empty()) {
        std::unique_ptr<TXMLBaseTag> node = std::move(work.back());
        work.pop_back();
        if (node->GetTagType() == kTag) {
            auto& children = static_cast<TXMLTag&>(*node).children_;
            for (auto& child : children)
                work.push_back(std::move(child));
            children.clear();
        }
    }
}

TXMLTag& TXMLTag::AppendChild(std::string_view qualifiedName)
{
    auto child = std::make_unique<TXMLTag>(Document(), this, qualifiedName);
    TXMLTag& result = *child;
    children_.push_back(std::move(child));
    return result;
}

TXMLTag& TXMLTag::AddChild(std::string_view name, std::string_view text)
{
    ParsePendingInnerXML();
    TXMLTag& child = AppendChild(name);
    child.SetValue(text);
    return child;
}

TXMLCommentTag& TXMLTag::AddComment(std::string text)
{
    ParsePendingInnerXML();
    auto comment = std::make_unique<TXMLCommentTag>(Document(), this, std::move(text));
    TXMLCommentTag& result = *comment;
    children_.push_back(std::move(comment));
    return result;
}

TXMLInstructionTag& TXMLTag::AddInstruction(std::string text)
{
    ParsePendingInnerXML();
    auto instruction = std::make_unique<TXMLInstructionTag>(Document(), this, std::move(text));
    TXMLInstructionTag& result = *instruction;
    children_.push_back(std::move(instruction));
    return result;
}

void TXMLTag::SetInnerXML(std::string text, bool clearFirst)
{
    if (clearFirst) {
        FreeNodes(children_);
        pendingInnerXML_ = std::move(text);
        return;
    }
    ParsePendingInnerXML();
    pendingInnerXML_ = std::move(text);
    ParsePendingInnerXML();
}

void TXMLTag::ParsePendingInnerXML()
{
    if (pendingInnerXML_.empty())
        return;
    // A text that cannot be read leaves the element as it was, text included,
    // so that every later access reports the same error.
    const std::size_t childCount = children_.size();
    const std::string value = RawValue();
    std::string pending = std::move(pendingInnerXML_);
    pendingInnerXML_.clear();
    TXMLParser parser(pending);
    try {
        parser.ParseTags(*this);
    } catch (...) {
        std::vector<std::unique_ptr<TXMLBaseTag>> added;
        for (std::size_t i = childCount; i < children_.size(); ++i)
            added.push_back(std::move(children_[i]));
        children_.resize(childCount);
        FreeNodes(added);
        SetRawValue(value);
        pendingInnerXML_ = std::move(pending);
        throw;
    }
}

std::string TXMLTag::GetInnerXML()
{
    if (!pendingInnerXML_.empty())
        return pendingInnerXML_;
    TXMLSimpleDocument& document = Document();
    const std::string savedIndentation = std::move(document.indentation_);
    const int savedDepth = document.depth_;
    document.indentation_.clear();
    document.depth_ = 0;
    std::string out;
    for (const auto& child : children_)
        child->SaveToString(out);
    document.indentation_ = savedIndentation;
    document.depth_ = savedDepth;
    return out;
}

TXMLTag* TXMLTag::FindChild(std::string_view name)
{
    ParsePendingInnerXML();
    for (const auto& child : children_) {
        if (child->GetTagType() == kTag && SameText(child->Name(), name))
            return static_cast<TXMLTag*>(child.get());
    }
    return nullptr;
}

std::string TXMLTag::ChildValue(std::string_view name, std::string_view defaultValue)
{
    const TXMLTag* child = FindChild(name);
    return child ? child->GetValue() : std::string(defaultValue);
}

TXMLBaseTag& TXMLTag::Child(int index)
{
    ParsePendingInnerXML();
    if (index < 0 || static_cast<std::size_t>(index) >= children_.size())
        throw EListError(index);
    return *children_[static_cast<std::size_t>(index)];
}

int TXMLTag::ChildCount()
{
    ParsePendingInnerXML();
    return static_cast<int>(children_.size());
}

void TXMLTag::AssignTo(TXMLTag& target)
{
    ParsePendingInnerXML();
    // The subtree is listed before anything is added, so that a target inside
    // this element's own subtree does not see its own copies.
    struct Item {
        TXMLBaseTag* source;
        std::size_t parentItem; // index into items; the target for the top level
    };
    constexpr std::size_t kTop = static_cast<std::size_t>(-1);
    std::vector<Item> items;
    std::vector<std::pair<TXMLTag*, std::size_t>> walk{{this, kTop}};
    while (!walk.empty()) {
        auto [tag, itemIndex] = walk.back();
        walk.pop_back();
        tag->ParsePendingInnerXML();
        // Reversed onto the walk stack so that children are listed in order.
        const std::size_t first = items.size();
        for (const auto& child : tag->children_) {
            const int kind = child->GetTagType();
            if (kind == kTag || kind == kComment)
                items.push_back({child.get(), itemIndex});
        }
        for (std::size_t i = items.size(); i-- > first;) {
            if (items[i].source->GetTagType() == kTag)
                walk.emplace_back(static_cast<TXMLTag*>(items[i].source), i);
        }
    }

    CopyValueTo(target);
    CopyAttributesTo(target);
    std::vector<TXMLTag*> copies(items.size(), nullptr);
    for (std::size_t i = 0; i < items.size(); ++i) {
        TXMLTag& parent = items[i].parentItem == kTop ? target : *copies[items[i].parentItem];
        if (items[i].source->GetTagType() == kComment) {
            parent.AddComment(static_cast<TXMLCommentTag*>(items[i].source)->Text());
            continue;
        }
        auto* source = static_cast<TXMLTag*>(items[i].source);
        TXMLTag& copy = parent.AppendChild(source->GetQualifiedName());
        source->CopyValueTo(copy);
        source->CopyAttributesTo(copy);
        copies[i] = &copy;
    }
}

void TXMLTag::SaveToString(std::string& out) const
{
    const TXMLSimpleDocument& document = Document();
    struct Frame {
        const TXMLTag* tag;
        std::size_t next;
    };
    std::vector<Frame> stack;

    // Writes the start of an element; true when its end tag has to wait for children.
    auto open = [&](const TXMLTag& tag) {
        out += document.Indentation();
        out += '<';
        out += tag.GetQualifiedName();
        tag.SaveAttributes(out);
        out += '>';
        document.IndentStep(1);
        if (tag.children_.empty() && tag.pendingInnerXML_.empty()) {
            // Written exactly as stored: leading blanks and an all-blank value
            // are part of the value.
            out += tag.RawValue();
            out += "</";
            out += tag.GetQualifiedName();
            out += '>';
            document.IndentStep(-1);
            return false;
        }
        if (!TrimmedEmpty(tag.RawValue())) {
            out += document.Indentation();
            out += tag.RawValue();
        }
        out += tag.pendingInnerXML_;
        return true;
    };

    if (open(*this))
        stack.push_back({this, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.tag->children_.size()) {
            const TXMLBaseTag& child = *frame.tag->children_[frame.next++];
            if (child.GetTagType() == kTag) {
                const auto& element = static_cast<const TXMLTag&>(child);
                if (open(element))
                    stack.push_back({&element, 0});
            } else {
                child.SaveToString(out);
            }
            continue;
        }
        document.IndentStep(-1);
        out += document.Indentation();
        out += "</";
        out += frame.tag->GetQualifiedName();
        out += '>';
        stack.pop_back();
    }
}

// ---- TXMLSimpleDocument ------------------------------------------------------------

TXMLSimpleDocument::TXMLSimpleDocument() = default;
TXMLSimpleDocument::~TXMLSimpleDocument() = default;

TXMLTag& TXMLSimpleDocument::CreateRoot(std::string_view name, std::string_view text)
{
    if (root_)
        throw EXMLSimpleException("Root tag already exists");
    root_ = std::make_unique<TXMLTag>(*this, nullptr, name);
    root_->SetValue(text);
    return *root_;
}

TXMLDescriptionTag& TXMLSimpleDocument::AddDescription()
{
    auto description = std::make_unique<TXMLDescriptionTag>(*this);
    TXMLDescriptionTag& result = *description;
    prolog_.push_back(std::move(description));
    return result;
}

TXMLDoctypeTag& TXMLSimpleDocument::AddDoctype(std::string_view name)
{
    auto doctype = std::make_unique<TXMLDoctypeTag>(*this, name);
    TXMLDoctypeTag& result = *doctype;
    prolog_.push_back(std::move(doctype));
    return result;
}

TXMLCommentTag& TXMLSimpleDocument::AddComment(std::string text, bool inProlog)
{
    auto comment = std::make_unique<TXMLCommentTag>(*this, nullptr, std::move(text));
    TXMLCommentTag& result = *comment;
    (inProlog ? prolog_ : epilog_).push_back(std::move(comment));
    return result;
}

TXMLDescriptionTag* TXMLSimpleDocument::FirstDescription() const
{
    for (const auto& item : prolog_) {
        if (item->GetTagType() == TXMLBaseTag::kDescription)
            return static_cast<TXMLDescriptionTag*>(item.get());
    }
    return nullptr;
}

void TXMLSimpleDocument::SetUTF8(bool on)
{
    if (utf8_ == on)
        return;
    utf8_ = on;
    TXMLDescriptionTag* description = FirstDescription();
    if (!description) {
        if (!on)
            return;
        description = &AddDescription();
        description->AddAttribute("version", "1.0");
    }
    if (on)
        description->SetAttribute("encoding", "UTF-8");
    else
        description->DeleteAttribute("encoding");
}

TXMLBaseTag& TXMLSimpleDocument::PrologItem(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= prolog_.size())
        throw EListError(index);
    return *prolog_[static_cast<std::size_t>(index)];
}

TXMLBaseTag& TXMLSimpleDocument::EpilogItem(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= epilog_.size())
        throw EListError(index);
    return *epilog_[static_cast<std::size_t>(index)];
}

void TXMLSimpleDocument::IndentStep(int step) const
{
    if (step == 0)
        return;
    depth_ = std::max(0, depth_ + step);
    indentation_.assign(kCRLF);
    indentation_.append(static_cast<std::size_t>(depth_) * 4, ' ');
}

std::string TXMLSimpleDocument::SaveToString() const
{
    indentation_.clear();
    depth_ = 0;
    std::string out;
    for (const auto& item : prolog_) {
        item->SaveToString(out);
        out += kCRLF;
    }
    if (root_)
        root_->SaveToString(out);
    for (const auto& item : epilog_) {
        item->SaveToString(out);
        out += kCRLF;
    }
    indentation_.clear();
    depth_ = 0;
    if (!utf8_) {
        if (const TXMLDescriptionTag* description = FirstDescription()) {
            const XMLCodePage page = XMLCodePageOf(description->GetAttribute("encoding", {}));
            if (page != XMLCodePage::kUtf8)
                return Utf8ToXMLCodePage(out, page);
        }
    }
    return out;
}

void TXMLSimpleDocument::SaveToFile(const std::string& fileName) const
{
    std::string text = SaveToString();
    text += kCRLF;
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw EXMLSimpleException("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw EXMLSimpleException("Cannot write file \"" + fileName + "\". " + std::strerror(error));
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        throw EXMLSimpleException("Cannot write file \"" + fileName + "\". " + std::strerror(errno));
}

} // namespace u3
