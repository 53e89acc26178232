// XML nodes streamed to and from the component filer: kind, name, value and
// each kind's own parts, without recursion on depth.
#include "u3/XMLParser.h"

#include "u3/Filer.h"

#include <string>
#include <string_view>

namespace u3 {
namespace {

// A name the writer can give back as it was read.
bool StreamableName(std::string_view name)
{
    if (name.empty())
        return false;
    for (const char c : name)
        switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '\0':
        case '<':
        case '>':
        case '!':
        case '?':
        case '/':
        case '=':
        case ':':
        case '"':
        case '\'':
        case '&': return false;
        default: break;
        }
    return true;
}

void Require(bool condition)
{
    if (!condition)
        throw EReadError();
}

} // namespace

std::unique_ptr<TXMLBaseTag> CreateXMLNodeByKind(int kind, TXMLSimpleDocument& document, TXMLBaseTag* parent)
{
    switch (kind) {
    case TXMLBaseTag::kAttribute: return std::make_unique<TXMLAttribute>(document, parent, "");
    case TXMLBaseTag::kComment: return std::make_unique<TXMLCommentTag>(document, parent, "");
    case TXMLBaseTag::kDescription: return std::make_unique<TXMLDescriptionTag>(document);
    case TXMLBaseTag::kDoctype: return std::make_unique<TXMLDoctypeTag>(document, "");
    case TXMLBaseTag::kTag: return std::make_unique<TXMLTag>(document, parent, "");
    case TXMLBaseTag::kInstruction: return std::make_unique<TXMLInstructionTag>(document, parent, "");
    default: throw EReadError();
    }
}

void TXMLBaseTag::WriteToFiler(TFilerWriter& writer)
{
    // Elements are walked with a stack of their own, however deep they nest.
    struct Frame {
        TXMLTag* tag;
        std::size_t next;
    };
    std::vector<Frame> stack;
    const auto head = [&writer](TXMLBaseTag& node) -> TXMLTag* {
        writer.WriteInteger(node.GetTagType());
        writer.WriteString(node.name_);
        writer.WriteString(node.GetValue());
        node.WriteOwnParts(writer);
        if (node.GetTagType() != kTag)
            return nullptr;
        auto& tag = static_cast<TXMLTag&>(node);
        tag.ParsePendingInnerXML();
        writer.WriteListBegin();
        return &tag;
    };
    if (TXMLTag* tag = head(*this))
        stack.push_back({tag, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.tag->children_.size()) {
            TXMLBaseTag& child = *frame.tag->children_[frame.next++];
            if (TXMLTag* tag = head(child))
                stack.push_back({tag, 0});
            continue;
        }
        writer.WriteListEnd();
        stack.pop_back();
    }
}

void TXMLBaseTag::ReadFromFiler(TFilerReader& reader)
{
    std::vector<TXMLTag*> stack;
    const auto body = [&reader](TXMLBaseTag& node) -> TXMLTag* {
        node.name_ = reader.ReadString();
        node.prefix_.clear();
        Require(node.GetTagType() == kComment || node.GetTagType() == kInstruction || StreamableName(node.name_));
        node.SetValue(reader.ReadString());
        node.ReadOwnParts(reader);
        if (node.GetTagType() != kTag)
            return nullptr;
        reader.ReadListBegin();
        auto& tag = static_cast<TXMLTag&>(node);
        tag.ParsePendingInnerXML();
        return &tag;
    };
    if (TXMLTag* tag = body(*this))
        stack.push_back(tag);
    while (!stack.empty()) {
        TXMLTag* parent = stack.back();
        if (reader.EndOfList()) {
            reader.ReadListEnd();
            stack.pop_back();
            continue;
        }
        const int kind = reader.ReadInteger();
        std::unique_ptr<TXMLBaseTag> node = CreateXMLNodeByKind(kind, Document(), parent);
        // An element holds elements, comments and instructions only.
        Require(kind == kTag || kind == kComment || kind == kInstruction);
        TXMLBaseTag& child = *node;
        parent->children_.push_back(std::move(node));
        if (TXMLTag* tag = body(child))
            stack.push_back(tag);
    }
}

void TXMLCommentTag::WriteOwnParts(TFilerWriter& writer) const
{
    writer.WriteString(text_);
}

void TXMLCommentTag::ReadOwnParts(TFilerReader& reader)
{
    text_ = reader.ReadString();
    Require(text_.find("-->") == std::string::npos);
}

void TXMLInstructionTag::WriteOwnParts(TFilerWriter& writer) const
{
    writer.WriteString(text_);
}

void TXMLInstructionTag::ReadOwnParts(TFilerReader& reader)
{
    text_ = reader.ReadString();
    Require(text_.find("?>") == std::string::npos);
}

void TXMLBaseAttrTag::WriteOwnParts(TFilerWriter& writer) const
{
    writer.WriteListBegin();
    for (const auto& attribute : attributes_) {
        writer.WriteInteger(attribute->GetTagType());
        writer.WriteString(attribute->Name());
        writer.WriteString(attribute->GetValue());
    }
    writer.WriteListEnd();
}

void TXMLBaseAttrTag::ReadOwnParts(TFilerReader& reader)
{
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        Require(reader.ReadInteger() == kAttribute);
        std::string name = reader.ReadString();
        Require(StreamableName(name));
        const std::string value = reader.ReadString();
        AddAttribute(name, value);
    }
    reader.ReadListEnd();
}

void TXMLDoctypeTag::WriteOwnParts(TFilerWriter& writer) const
{
    writer.WriteInteger(form_);
    writer.WriteString(systemId_);
    writer.WriteString(publicId_);
}

void TXMLDoctypeTag::ReadOwnParts(TFilerReader& reader)
{
    const int form = reader.ReadInteger();
    Require(form == kSystem || form == kPublic);
    form_ = static_cast<ExternalForm>(form);
    systemId_ = reader.ReadString();
    publicId_ = reader.ReadString();
    // An identifier is written between quotes of one kind or the other.
    for (const std::string* id : {&systemId_, &publicId_})
        Require(id->find('"') == std::string::npos || id->find('\'') == std::string::npos);
}

} // namespace u3
