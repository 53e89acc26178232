#include "enginelink/SOAPParser.h"

#include "enginelink/SOAPMimeDecoder.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/LocalServer.h"
#include "u3/PrivateFolder.h"
#include "u3/StrLib.h"
#include "u3/XMLCodePage.h"
#include "u3/XMLParser.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace enginelink {

const char* const PMSTypesNamespace = "http://pms.e3filing.local/pms/types";
const char* const PMSEnvelopeContentID = "<http://pms.e3filing.local/pms/response.xml>";

namespace {

constexpr const char* kEnvelopeNS = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kSchemaNS = "http://www.w3.org/2001/XMLSchema";
constexpr const char* kSchemaInstanceNS = "http://www.w3.org/2001/XMLSchema-instance";
constexpr const char* kEncodingNS = "http://schemas.xmlsoap.org/soap/encoding/";
constexpr std::size_t npos = static_cast<std::size_t>(-1);


// The file's name without folder ("/" or "\") and without extension.
std::string BareFileName(const std::string& fileName)
{
    const std::size_t cut = fileName.find_last_of("/\\");
    std::string name = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}


// A name as the XML model writes it back: split at the first colon into
// prefix and local name, and an empty prefix goes with its colon.
std::string_view WrittenName(std::string_view name)
{
    return name.starts_with(':') ? name.substr(1) : name;
}

std::string_view LocalPart(std::string_view name)
{
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Refuses, as the XML model does, an attribute whose name is the local name of
// one before it on the same element ("type" when the element is typed).
void CheckAttributeNames(const Attributes& attributes, bool typed)
{
    if (attributes.empty())
        return;
    // Below this many a scan is cheaper than an index.
    constexpr std::size_t kIndexed = 16;
    std::vector<std::string_view> locals;
    std::unordered_map<std::string, int> index;
    const bool indexed = attributes.size() > kIndexed;
    auto add = [&](std::string_view local) {
        if (indexed)
            index.emplace(u3::LowerCase(local), 1);
        else
            locals.push_back(local);
    };
    if (typed)
        add("type");
    for (const auto& attribute : attributes) {
        const std::string& name = attribute.first;
        const bool known = indexed ? index.count(u3::LowerCase(name)) != 0
                                   : std::any_of(locals.begin(), locals.end(),
                                                 [&](std::string_view local) { return u3::SameText(local, name); });
        if (known)
            throw u3::EXMLSimpleException("The attribute with name " + name + " already exists!");
        add(LocalPart(name));
    }
}

// Counts what the envelope writer puts out, so that the text is then written
// into storage of exactly that size.
struct SizeSink {
    std::size_t size = 0;
    void Put(std::string_view text) { size += text.size(); }
    void PutEscaped(std::string_view text) { size += u3::EscapedXMLTextSize(text); }
    void PutPlain(std::string_view text) { size += text.size(); }
};

struct TextSink {
    std::string& out;
    void Put(std::string_view text) { out.append(text); }
    void PutEscaped(std::string_view text) { u3::AppendEscapedXMLText(out, text); }
    void PutPlain(std::string_view text) { out.append(text); }
};

// Values at least this long that need no escaping are not copied: they are
// the caller's text, and go out from where they are.
constexpr std::size_t kReferredValueSize = 64 * 1024;

// Collects the envelope as pieces: spans of the written text, kept as offsets
// while it grows, and long values referred to in place.
struct PieceSink {
    std::string& written;
    std::vector<std::pair<std::size_t, std::size_t>> spans; // offset and length in written, or npos and index
    std::vector<std::string_view> referred;

    void Put(std::string_view text)
    {
        const std::size_t before = written.size();
        written.append(text);
        Count(before);
    }
    void PutEscaped(std::string_view text)
    {
        const std::size_t before = written.size();
        u3::AppendEscapedXMLText(written, text);
        Count(before);
    }
    // Text known to need no escaping: a long one is referred to where it is.
    void PutPlain(std::string_view text)
    {
        if (text.size() < kReferredValueSize) {
            Put(text);
            return;
        }
        spans.emplace_back(std::string::npos, referred.size());
        referred.push_back(text);
    }
    // What was appended from before on joins the last span when that one ends there.
    void Count(std::size_t before)
    {
        const std::size_t length = written.size() - before;
        if (!spans.empty() && spans.back().first != std::string::npos &&
            spans.back().first + spans.back().second == before)
            spans.back().second += length;
        else
            spans.emplace_back(before, length);
    }
};

// The pieces of the envelope, laid out exactly as the XML model's indenting
// writer lays out the same tree: CR LF and four blanks a level before each
// element, a childless element on one line.
template <class Sink>
class EnvelopeEmitter {
public:
    explicit EnvelopeEmitter(Sink& sink) : sink_(sink) {}

    void Put(std::string_view text) { sink_.Put(text); }
    void Indent(int depth)
    {
        static constexpr std::string_view kIndent = "\r\n            ";
        sink_.Put(kIndent.substr(0, 2 + static_cast<std::size_t>(depth) * 4));
    }
    void Attribute(std::string_view name, std::string_view value)
    {
        sink_.Put(" ");
        sink_.Put(WrittenName(name));
        sink_.Put("=\"");
        sink_.PutEscaped(value);
        sink_.Put("\"");
    }
    // "<name" at the start of its line; attributes and ">" follow.
    void OpenStart(int depth, std::string_view prefix, std::string_view name, std::string_view suffix = {})
    {
        Indent(depth);
        sink_.Put("<");
        Name(prefix, name, suffix);
    }
    void EndTag(std::string_view prefix, std::string_view name, std::string_view suffix = {})
    {
        sink_.Put("</");
        Name(prefix, name, suffix);
        sink_.Put(">");
    }
    void Close(int depth, std::string_view prefix, std::string_view name, std::string_view suffix = {})
    {
        Indent(depth);
        EndTag(prefix, name, suffix);
    }
    // A childless element: its attributes, then the value on the same line.
    void Leaf(int depth, std::string_view prefix, std::string_view name, std::string_view value, bool typed,
              const Attributes* attributes = nullptr, bool plain = false)
    {
        OpenStart(depth, prefix, name);
        if (typed)
            Attribute("xsi:type", "xsd:string");
        if (attributes) {
            for (const auto& [attribute, text] : *attributes)
                Attribute(attribute, text);
        }
        sink_.Put(">");
        if (plain)
            sink_.PutPlain(value);
        else
            sink_.PutEscaped(value);
        EndTag(prefix, name);
    }

private:
    // A prefixed name as given, or an unprefixed one as written back.
    void Name(std::string_view prefix, std::string_view name, std::string_view suffix)
    {
        if (prefix.empty()) {
            sink_.Put(WrittenName(name));
        } else {
            sink_.Put(prefix);
            sink_.Put(name);
        }
        sink_.Put(suffix);
    }

    Sink& sink_;
};

// What an envelope is written from.
struct EnvelopeParts {
    bool pms;
    const std::string& operation;
    const std::string& urn;
    const std::string& serverUserID;
    const std::string& requestID;
    const std::string& faultString;
    bool responseMode;
    const std::string& returnValue;
    const Te3SOAPParamList& params;
};

template <class Sink>
void EmitEnvelope(Sink& sink, const EnvelopeParts& parts)
{
    EnvelopeEmitter<Sink> e(sink);
    e.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SOAP-ENV:Envelope");
    e.Attribute("xmlns:SOAP-ENV", kEnvelopeNS);
    e.Attribute("xmlns:xsd", kSchemaNS);
    e.Attribute("xmlns:xsi", kSchemaInstanceNS);
    e.Attribute("xmlns:SOAP-ENC", kEncodingNS);
    if (parts.pms)
        e.Attribute("xmlns:p", PMSTypesNamespace);
    e.Put(">");
    e.OpenStart(1, {}, "SOAP-ENV:Body");
    e.Put(">");
    if (!parts.faultString.empty()) {
        e.OpenStart(2, {}, "SOAP-ENV:Fault");
        e.Put(">");
        e.Leaf(3, {}, "faultcode", "SOAP-ENV:Server." + parts.operation, false);
        e.Leaf(3, {}, "faultstring", parts.faultString, false);
        e.Leaf(3, {}, "faultactor", parts.serverUserID, false);
        e.Close(2, {}, "SOAP-ENV:Fault");
    } else if (parts.responseMode) {
        e.OpenStart(2, "m:", parts.operation, "Response");
        e.Attribute("xmlns:m", parts.urn);
        e.Put(">");
        const std::string_view prefix = parts.pms ? "p:" : "";
        e.Leaf(3, prefix, "ServerUserID", parts.serverUserID, !parts.pms);
        e.Leaf(3, prefix, "RequestID", parts.requestID, !parts.pms);
        e.Leaf(3, {}, "return", parts.returnValue, true);
        e.Close(2, "m:", parts.operation, "Response");
    } else {
        e.OpenStart(2, "m:", parts.operation);
        e.Attribute("xmlns:m", parts.urn);
        e.Put(">");
        if (!parts.pms) {
            e.Leaf(3, {}, "ServerUserID", parts.serverUserID, true);
            e.Leaf(3, {}, "RequestID", parts.requestID, true);
        }
        for (int i = 0; i < parts.params.Count(); ++i) {
            const Te3SOAPParamList::Entry& entry = parts.params.At(i);
            e.Leaf(3, parts.pms ? "p:" : "", entry.name, entry.Value(), !parts.pms, &entry.attributes,
                   entry.borrowed != nullptr);
        }
        // A call without child elements is written on one line.
        if (parts.pms && parts.params.Count() == 0)
            e.EndTag("m:", parts.operation);
        else
            e.Close(2, "m:", parts.operation);
    }
    e.Close(1, {}, "SOAP-ENV:Body");
    e.Close(0, {}, "SOAP-ENV:Envelope");
}

// Names in the order first set, without regard to case; setting an existing
// name to an empty value removes it. Removal leaves a hole instead of moving
// the later entries, so that a reply is read in linear time.
template <class V>
class OrderedNames {
public:
    struct Slot {
        std::string name;
        V value;
        bool live = true;
    };

    // The value of name, made (empty) when missing.
    V& Get(std::string_view name)
    {
        const auto [it, added] = index_.try_emplace(u3::LowerCase(name), slots_.size());
        if (added)
            slots_.push_back(Slot{std::string(name), V{}, true});
        return slots_[it->second].value;
    }
    // Removes name when present; true when it was.
    bool Remove(std::string_view name)
    {
        const auto it = index_.find(u3::LowerCase(name));
        if (it == index_.end())
            return false;
        slots_[it->second].live = false;
        index_.erase(it);
        return true;
    }
    bool Contains(std::string_view name) const { return index_.count(u3::LowerCase(name)) != 0; }
    const std::vector<Slot>& Slots() const { return slots_; }

private:
    std::vector<Slot> slots_;
    std::unordered_map<std::string, std::size_t> index_;
};

struct ReadParam {
    std::string value;
    OrderedNames<std::string> attributes;
};

// Set with the parameter list's rules: an existing entry set to empty goes.
template <class V>
void SetOrRemove(OrderedNames<V>& names, std::string_view name, std::string value, std::string V::*field)
{
    if (value.empty() && names.Remove(name))
        return;
    names.Get(name).*field = std::move(value);
}

void SetOrRemoveText(OrderedNames<std::string>& names, std::string_view name, const std::string& value)
{
    if (value.empty() && names.Remove(name))
        return;
    names.Get(name) = value;
}

} // namespace

// ---- Te3SOAPParamList ------------------------------------------------------------

std::size_t Te3SOAPParamList::Find(std::string_view name) const
{
    const auto it = index_.find(u3::LowerCase(name));
    return it == index_.end() ? npos : it->second;
}

void Te3SOAPParamList::Reindex()
{
    index_.clear();
    attrIndex_.assign(entries_.size(), {});
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        index_.emplace(u3::LowerCase(entries_[i].name), i);
        const auto& attributes = entries_[i].attributes;
        for (std::size_t j = 0; j < attributes.size(); ++j)
            attrIndex_[i].emplace(u3::LowerCase(attributes[j].first), j);
    }
}

void Te3SOAPParamList::ReleaseBorrowed()
{
    const auto borrowed = [](const Entry& entry) { return entry.borrowed != nullptr; };
    if (std::none_of(entries_.begin(), entries_.end(), borrowed))
        return;
    std::erase_if(entries_, borrowed);
    Reindex();
}

void Te3SOAPParamList::Clear()
{
    entries_.clear();
    index_.clear();
    attrIndex_.clear();
}

void Te3SOAPParamList::SetParam(const std::string& name, const std::string& value)
{
    const std::size_t at = Find(name);
    if (at == npos) {
        index_.emplace(u3::LowerCase(name), entries_.size());
        entries_.push_back(Entry{name, value, {}});
        attrIndex_.emplace_back();
    } else if (value.empty()) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
        Reindex();
    } else {
        entries_[at].value = value;
        entries_[at].borrowed = nullptr;
    }
}

bool Te3SOAPParamList::SetParamBorrowed(const std::string& name, const std::string& value)
{
    if (value.size() < kReferredValueSize || !u3::IsPlainXMLText(value))
        return false;
    std::size_t at = Find(name);
    if (at == npos) {
        at = entries_.size();
        index_.emplace(u3::LowerCase(name), at);
        entries_.push_back(Entry{name, {}, {}});
        attrIndex_.emplace_back();
    }
    entries_[at].value.clear();
    entries_[at].borrowed = &value;
    return true;
}

void Te3SOAPParamList::SetParamAttribute(const std::string& param, const std::string& attr, const std::string& value)
{
    std::size_t at = Find(param);
    if (at == npos) {
        at = entries_.size();
        index_.emplace(u3::LowerCase(param), at);
        entries_.push_back(Entry{param, {}, {}});
        attrIndex_.emplace_back();
    }
    auto& attributes = entries_[at].attributes;
    auto& index = attrIndex_[at];
    const auto it = index.find(u3::LowerCase(attr));
    if (it == index.end()) {
        index.emplace(u3::LowerCase(attr), attributes.size());
        attributes.emplace_back(attr, value);
    } else if (value.empty()) {
        attributes.erase(attributes.begin() + static_cast<std::ptrdiff_t>(it->second));
        index.clear();
        for (std::size_t j = 0; j < attributes.size(); ++j)
            index.emplace(u3::LowerCase(attributes[j].first), j);
    } else {
        attributes[it->second].second = value;
    }
}

std::string Te3SOAPParamList::GetParam(const std::string& name) const
{
    const std::size_t at = Find(name);
    return at == npos ? std::string() : entries_[at].Value();
}

std::string Te3SOAPParamList::GetParamAttribute(const std::string& param, const std::string& attr) const
{
    const std::size_t at = Find(param);
    if (at == npos)
        return {};
    const auto& index = attrIndex_[at];
    const auto it = index.find(u3::LowerCase(attr));
    return it == index.end() ? std::string() : entries_[at].attributes[it->second].second;
}

// ---- Te3SOAPParser ------------------------------------------------------------------

Te3SOAPParser::Te3SOAPParser() = default;

Te3SOAPParser::~Te3SOAPParser()
{
    if (attachmentDir_.empty())
        return;
    std::string folder = attachmentDir_;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    u3::DeleteDirectoryTree(folder, true);
}

void Te3SOAPParser::SetOperation(const std::string& name)
{
    if (name.size() >= 2 && name.front() == name.back() && (name.front() == '\'' || name.front() == '"'))
        operation_ = name.substr(1, name.size() - 2);
    else
        operation_ = name;
}

void Te3SOAPParser::SetParam(const std::string& name, const std::string& value)
{
    params_.SetParam(name, value);
}

bool Te3SOAPParser::SetParamBorrowed(const std::string& name, const std::string& value)
{
    return params_.SetParamBorrowed(name, value);
}

void Te3SOAPParser::SetParamAttribute(const std::string& param, const std::string& attr, const std::string& value)
{
    params_.SetParamAttribute(param, attr, value);
}

std::string Te3SOAPParser::GetParam(const std::string& name) const
{
    return params_.GetParam(name);
}

std::string Te3SOAPParser::GetParamAttribute(const std::string& param, const std::string& attr) const
{
    return params_.GetParamAttribute(param, attr);
}

int Te3SOAPParser::ParamCount() const
{
    return params_.Count();
}

std::string Te3SOAPParser::TakeReturnValue()
{
    std::string value = std::move(returnValue_);
    returnValue_.clear();
    return value;
}

void Te3SOAPParser::SetResult(const std::string& value)
{
    returnValue_ = value;
    responseMode_ = true;
}

void Te3SOAPParser::SetAttachment(const std::string& fileName, bool isReturn)
{
    attachmentFileName_ = fileName;
    SetMultipart(!fileName.empty());
    if (!fileName.empty())
        SetParamAttribute(isReturn ? "rattachment" : "attachment", "href", "cid:" + BareFileName(fileName));
}

void Te3SOAPParser::SetMultipart(bool on)
{
    multipart_ = on;
    if (!on)
        boundary_.clear();
    else if (boundary_.empty())
        boundary_ = kDefaultBoundary;
}

void Te3SOAPParser::SetAttachmentDir(const std::string& folder)
{
    attachmentDirMade_ = false;
    if (folder.empty()) {
        attachmentDir_.clear();
        return;
    }
    attachmentDir_ = u3::AppendPathDelimiter(folder);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
}

std::string Te3SOAPParser::GetAttachmentDir()
{
    if (!attachmentDir_.empty())
        return attachmentDir_;
    std::string made = u3::CreateUniqueDirectory(u3::GetDataTempDir());
    if (made.empty()) {
        // The installation's temp folder is not ours to write: a private
        // folder of the user instead.
        const std::string base = u3::PrivateFolder::TempBase() + "/e3-attachments-" + std::to_string(::getuid());
        if (u3::PrivateFolder::EnsurePrivateDirectory(base))
            made = u3::CreateUniqueDirectory(base);
    }
    if (made.empty())
        return {};
    attachmentDir_ = u3::AppendPathDelimiter(made);
    attachmentDirMade_ = true;
    return attachmentDir_;
}

void Te3SOAPParser::WriteEnvelope(std::string& text)
{
    const bool pms = u3::SameText(urn_, kPMSGatewayURN);
    if (faultString_.empty() && !responseMode_) {
        for (int i = 0; i < params_.Count(); ++i)
            CheckAttributeNames(params_.At(i).attributes, !pms);
    }
    const EnvelopeParts parts{pms,          operation_,     urn_,         serverUserID_, requestID_,
                              faultString_, responseMode_, returnValue_, params_};
    SizeSink size;
    EmitEnvelope(size, parts);
    // Written in one piece of exactly its size; the caller's storage is
    // reused when it is large enough.
    std::string out;
    if (text.capacity() >= size.size)
        out.swap(text);
    out.clear();
    out.reserve(size.size);
    TextSink sink{out};
    EmitEnvelope(sink, parts);
    text.swap(out);
}

void Te3SOAPParser::WriteEnvelopePieces(EnvelopePieces& out)
{
    const bool pms = u3::SameText(urn_, kPMSGatewayURN);
    if (faultString_.empty() && !responseMode_) {
        for (int i = 0; i < params_.Count(); ++i)
            CheckAttributeNames(params_.At(i).attributes, !pms);
    }
    const EnvelopeParts parts{pms,          operation_,     urn_,         serverUserID_, requestID_,
                              faultString_, responseMode_, returnValue_, params_};
    out.written.clear();
    out.pieces.clear();
    PieceSink sink{out.written, {}, {}};
    EmitEnvelope(sink, parts);
    out.size = 0;
    for (const auto& [offset, length] : sink.spans) {
        out.pieces.push_back(offset == std::string::npos ? sink.referred[length]
                                                         : std::string_view(out.written).substr(offset, length));
        out.size += out.pieces.back().size();
    }
}

std::string Te3SOAPParser::BuildMultipartBody()
{
    std::string envelope;
    WriteEnvelope(envelope);
    if (!multipart_)
        return envelope;
    const std::string boundary = boundary_.empty() ? std::string(kDefaultBoundary) : boundary_;

    std::string attachment;
    if (!attachmentFileName_.empty()) {
        std::error_code error;
        if (std::filesystem::exists(attachmentFileName_, error)) {
            std::ifstream in(attachmentFileName_, std::ios::binary);
            if (in)
                attachment.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            // A file that is there but cannot be read must not go out as an
            // empty attachment.
            if (!in && !in.eof())
                throw u3::Exception("Cannot read the attachment file " + attachmentFileName_);
        }
    }

    std::string body;
    body.reserve(envelope.size() + attachment.size() + 512);
    body += "--" + boundary + "\r\n";
    body += "Content-Type: text/xml\r\n";
    body += std::string("Content-ID: ") + PMSEnvelopeContentID + "\r\n";
    body += "Content-Length: " + std::to_string(envelope.size()) + "\r\n\r\n";
    body += envelope;
    body += "\r\n\r\n--" + boundary + "\r\n";
    body += "Content-Type: application/binary\r\n";
    body += "Content-transfer-encoding: binary\r\n";
    body += "Content-ID: <" + BareFileName(attachmentFileName_) + ">\r\n";
    body += "Content-Length: " + std::to_string(attachment.size()) + "\r\n\r\n";
    body += attachment;
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

void Te3SOAPParser::ReadEnvelope(const std::string& text)
{
    // The reader takes text without a named encoding as it is; envelope bytes
    // that name none are in the engine's code page.
    std::unique_ptr<u3::TXMLSimpleDocument> document = DeclaredEncoding(text).empty()
        ? u3::TXMLParser(u3::XMLCodePageToUtf8(text, u3::XMLCodePage::kCp1252)).Parse()
        : u3::TXMLParser(text).Parse();
    u3::TXMLTag* root = document->Root();
    if (!root || root->Name() != "Envelope")
        throw u3::Exception("SOAP error: Wrong XML format in the SOAP response (\"" + text + "\")");
    u3::TXMLTag* body = root->FindChild("Body");
    if (!body)
        return;

    // Parameters are gathered first, so that however many the reply holds,
    // each is set once.
    OrderedNames<ReadParam> read;
    bool haveCall = false;
    const int count = body->ChildCount();
    for (int i = 0; i < count; ++i) {
        u3::TXMLBaseTag& node = body->Child(i);
        // Comments and instructions between the calls carry nothing.
        if (node.GetTagType() != u3::TXMLBaseTag::kTag)
            continue;
        auto& element = static_cast<u3::TXMLTag&>(node);
        serverUserID_ = element.ChildValue("ServerUserID", {});
        requestID_ = element.ChildValue("RequestID", {});
        const std::string& name = element.Name();
        if (name == "Fault") {
            faultString_ = element.ChildValue("faultstring", {});
        } else if (name.size() >= 8 && u3::SameText(std::string_view(name).substr(name.size() - 8), "Response")) {
            // The document is this reading's own: a value as long as a file
            // is moved out of it, not copied.
            u3::TXMLTag* value = element.FindChild("return");
            returnValue_ = value ? value->TakeValue() : std::string();
            responseMode_ = true;
        } else {
            operation_ = name;
            haveCall = true;
            const int children = element.ChildCount();
            for (int j = 0; j < children; ++j) {
                u3::TXMLBaseTag& childNode = element.Child(j);
                if (childNode.GetTagType() != u3::TXMLBaseTag::kTag)
                    continue;
                auto& child = static_cast<u3::TXMLTag&>(childNode);
                if (u3::SameText(child.Name(), "ServerUserID"))
                    continue;
                SetOrRemove(read, child.Name(), child.TakeValue(), &ReadParam::value);
                for (int k = 0; k < child.AttributeCount(); ++k) {
                    const u3::TXMLAttribute& attribute = child.Attribute(k);
                    SetOrRemoveText(read.Get(child.Name()).attributes, attribute.Name(), attribute.GetValue());
                }
            }
        }
    }
    if (!haveCall)
        return;
    for (const auto& slot : read.Slots()) {
        if (!slot.live)
            continue;
        params_.SetParam(slot.name, slot.value.value);
        for (const auto& attribute : slot.value.attributes.Slots()) {
            if (attribute.live)
                params_.SetParamAttribute(slot.name, attribute.name, attribute.value);
        }
    }
}

namespace {

// Printable ASCII without '&' and blanks, as Base64 is: such a text reads as it
// stands (nothing to unescape, no line ends joined, valid UTF-8 already).
bool IsBareToken(std::string_view run)
{
    const auto* p = reinterpret_cast<const unsigned char*>(run.data());
    const unsigned char* const end = p + run.size();
#if defined(__SSE2__)
    // Sixteen bytes at a time: each less '!' must be at most '~' - '!', and none '&'.
    const __m128i first = _mm_set1_epi8(0x21);
    const __m128i span = _mm_set1_epi8(0x5D);
    const __m128i amp = _mm_set1_epi8('&');
    __m128i bad = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i off = _mm_sub_epi8(v, first);
        const __m128i inRange = _mm_cmpeq_epi8(_mm_max_epu8(off, span), span);
        bad = _mm_or_si128(bad, _mm_or_si128(_mm_andnot_si128(inRange, _mm_set1_epi8(-1)), _mm_cmpeq_epi8(v, amp)));
    }
    if (_mm_movemask_epi8(bad) != 0)
        return false;
#endif
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p - 0x21) > 0x5D || *p == '&')
            return false;
    return true;
}

} // namespace

void Te3SOAPParser::ReadEnvelope(std::string&& text)
{
    // Runs shorter than this are read the ordinary way.
    constexpr std::size_t kLongRun = std::size_t(1) << 16;
    // Stands for the long run in the envelope read without it.
    constexpr std::string_view kStandIn = "e3LongTextRunStandIn7q2Zx9";

    // Only text read as it is: one named UTF-8 needs no conversion.
    const std::string encoding = text.size() < kLongRun ? std::string() : DeclaredEncoding(text);
    if (encoding.empty() || u3::XMLCodePageOf(encoding) != u3::XMLCodePage::kUtf8) {
        ReadEnvelope(static_cast<const std::string&>(text));
        return;
    }
    // The longest run from just after a '>' up to the next '<'.
    const char* const data = text.data();
    const char* const end = data + text.size();
    std::size_t runBegin = 0, runEnd = 0;
    for (const char* lt = static_cast<const char*>(std::memchr(data, '<', text.size())); lt;) {
        const char* next = static_cast<const char*>(std::memchr(lt + 1, '<', std::size_t(end - lt - 1)));
        const char* stop = next ? next : end;
        const char* gt = static_cast<const char*>(std::memchr(lt + 1, '>', std::size_t(stop - lt - 1)));
        if (next && gt && std::size_t(next - gt - 1) > runEnd - runBegin) {
            runBegin = std::size_t(gt + 1 - data);
            runEnd = std::size_t(next - data);
        }
        lt = next;
    }
    const std::string_view run = std::string_view(text).substr(runBegin, runEnd - runBegin);
    // Anything the reader would change (line ends, escapes, bytes that are not
    // ASCII) is read the ordinary way.
    if (run.size() < kLongRun || !IsBareToken(run)) {
        ReadEnvelope(static_cast<const std::string&>(text));
        return;
    }
    std::string shortened;
    shortened.reserve(text.size() - run.size() + kStandIn.size());
    shortened.append(data, runBegin).append(kStandIn).append(data + runEnd, text.size() - runEnd);
    // The run is the return value when the envelope without it, read by a
    // scratch parser, has the stand-in (found nowhere else) as its return
    // value: then the rest of it reads the same with the run or the stand-in.
    bool runIsReturn = shortened.find(kStandIn) == runBegin &&
                       shortened.find(kStandIn, runBegin + 1) == std::string::npos;
    if (runIsReturn) {
        Te3SOAPParser probe;
        try {
            probe.ReadEnvelope(shortened);
            runIsReturn = probe.returnValue_ == kStandIn;
        } catch (const std::exception&) {
            runIsReturn = false;
        }
    }
    if (!runIsReturn) {
        ReadEnvelope(static_cast<const std::string&>(text));
        return;
    }
    ReadEnvelope(shortened);
    if (runBegin != 0)
        std::memmove(text.data(), text.data() + runBegin, run.size());
    text.resize(run.size());
    returnValue_ = std::move(text);
}

void Te3SOAPParser::ReadMultipartBody(const char* data, std::size_t length)
{
    receivedFiles_.clear();
    std::string raw;
    if (multipart_) {
        // The reply's own header went with the HTTP reply; this one makes the
        // body read as one MIME message.
        raw = "Content-Type: multipart/related; boundary=\"" + boundary_ + "\"\r\n\r\n";
    }
    raw.append(data, length);
    Te3SOAPMimeDecoder decoder(*this, raw);
    decoder.Decode();
}

void Te3SOAPParser::Clear(bool clearServerUserID)
{
    operation_.clear();
    params_.Clear();
    faultString_.clear();
    returnValue_.clear();
    responseMode_ = false;
    multipart_ = false;
    attachmentFileName_.clear();
    boundary_.clear();
    if (clearServerUserID)
        serverUserID_.clear();
}

std::string Te3SOAPParser::LocalName(const std::string& name)
{
    const std::size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

} // namespace enginelink
