#pragma once
// A small XML document model with its own reader and an indenting writer, for
// the SOAP envelopes and the PMS request and response documents. It knows only
// what those documents need: one declaration, a DOCTYPE with an external
// identifier, comments, instructions inside elements, prefixed names with
// attributes and one text run per element. No CDATA, no internal subset, no
// entity declarations, no mixed content.
//
// Texts are UTF-8 in memory whatever the document declares. A document read
// from 8-bit text declared in another encoding is converted while it is read
// (KOI8-R as KOI8-R, everything else as Windows-1252), and written back in that
// encoding unless it was switched to UTF-8.
//
// Values are stored in escaped form; GetValue decodes, SetValue escapes.
// Nothing here recurses on the depth of the tree: reading, writing, copying and
// freeing walk with explicit stacks, so deep documents cannot exhaust the stack.
#include "u3/Exceptions.h"
#include "u3/Filer.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace u3 {

// Every error of the XML model and reader.
class EXMLSimpleException : public Exception {
public:
    using Exception::Exception;
};

struct TXMLReservedSymbolsRec {
    char Character;
    std::string_view Escape;
};

// The escapes SetValue applies, in the order it applies them ("&" first).
extern const TXMLReservedSymbolsRec XMLReservedSymbols[7];

// Text with the seven characters of XMLReservedSymbols escaped.
std::string EscapeXMLText(std::string_view text);
// The length EscapeXMLText's result has.
std::size_t EscapedXMLTextSize(std::string_view text);
// True when text is plain ASCII with nothing to escape: valid UTF-8 that goes
// into a document as it is (Base64, for one). One pass, sixteen bytes a step.
bool IsPlainXMLText(std::string_view text);
// EscapeXMLText's result appended to out.
void AppendEscapedXMLText(std::string& out, std::string_view text);
// The escapes of XMLReservedSymbols and decimal or hexadecimal character
// references decoded in one pass from left to right, so that a decoded "&"
// never starts another reference. Other entity references and references that
// name no character stay as they are.
std::string UnescapeXMLText(std::string_view text);
// The same decoding, done in the text's own storage.
void UnescapeXMLTextInPlace(std::string& text);

class TXMLSimpleDocument;
class TXMLTag;
class TXMLParser;

class TXMLBaseTag {
public:
    // The node kinds, as GetTagType returns them.
    enum Kind { kAttribute = 0, kComment = 1, kDescription = 2, kDoctype = 3, kTag = 4, kInstruction = 5 };

    virtual ~TXMLBaseTag() = default;
    TXMLBaseTag(const TXMLBaseTag&) = delete;
    TXMLBaseTag& operator=(const TXMLBaseTag&) = delete;

    virtual int GetTagType() const = 0;
    // Appends the node's text, at the document's current indentation.
    virtual void SaveToString(std::string& out) const = 0;
    // Copies what the node holds besides its name (and, for elements, besides
    // its children) into a node of the same kind.
    virtual void CopyValueTo(TXMLBaseTag& target) const;

    TXMLBaseTag* Parent() const { return parent_; }
    TXMLSimpleDocument& Document() const { return *document_; }
    const std::string& Name() const { return name_; }
    const std::string& Prefix() const { return prefix_; }
    std::string GetQualifiedName() const;

    // The value in the escaped form in which it is stored.
    const std::string& RawValue() const { return value_; }
    // Stores text that is already in escaped form.
    void SetRawValue(std::string escaped) { value_ = std::move(escaped); }
    std::string GetValue() const;
    // GetValue's result, taken out of the node, which is left without a value.
    std::string TakeValue();
    void SetValue(std::string_view text);

    // The node and everything below it in the component-streaming format:
    // its kind, local name and decoded value; an attribute-bearing node then
    // a list of its attributes, an element a list of its children, a comment
    // or instruction its text, a DOCTYPE its form and identifiers.
    void WriteToFiler(TFilerWriter& writer);
    // Reads what WriteToFiler wrote after the kind into this node, which
    // takes the children and attributes read. Bytes that would make a
    // document the writer cannot give back raise EReadError; an attribute
    // name the node has already raises EXMLSimpleException.
    void ReadFromFiler(TFilerReader& reader);

protected:
    TXMLBaseTag(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string_view qualifiedName);
    // What the kind writes and reads after the value.
    virtual void WriteOwnParts(TFilerWriter&) const {}
    virtual void ReadOwnParts(TFilerReader&) {}

private:
    friend class TXMLParser;
    TXMLBaseTag* parent_;
    TXMLSimpleDocument* document_;
    std::string value_;
    std::string name_;
    std::string prefix_;
};

class TXMLAttribute final : public TXMLBaseTag {
public:
    TXMLAttribute(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string_view qualifiedName)
        : TXMLBaseTag(document, parent, qualifiedName)
    {
    }
    int GetTagType() const override { return kAttribute; }
    void SaveToString(std::string& out) const override;
};

class TXMLCommentTag final : public TXMLBaseTag {
public:
    TXMLCommentTag(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string text)
        : TXMLBaseTag(document, parent, {}), text_(std::move(text))
    {
    }
    int GetTagType() const override { return kComment; }
    void SaveToString(std::string& out) const override;
    void CopyValueTo(TXMLBaseTag& target) const override;
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

protected:
    void WriteOwnParts(TFilerWriter& writer) const override;
    void ReadOwnParts(TFilerReader& reader) override;

private:
    std::string text_;
};

class TXMLInstructionTag final : public TXMLBaseTag {
public:
    TXMLInstructionTag(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string text)
        : TXMLBaseTag(document, parent, {}), text_(std::move(text))
    {
    }
    int GetTagType() const override { return kInstruction; }
    void SaveToString(std::string& out) const override;
    void CopyValueTo(TXMLBaseTag& target) const override;
    // Everything between "<?" and "?>".
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

protected:
    void WriteOwnParts(TFilerWriter& writer) const override;
    void ReadOwnParts(TFilerReader& reader) override;

private:
    std::string text_;
};

class TXMLBaseAttrTag : public TXMLBaseTag {
public:
    ~TXMLBaseAttrTag() override;

    // Raises when an attribute has Name as its local name (without regard to case).
    TXMLAttribute& AddAttribute(std::string_view name, std::string_view value);
    // Sets or adds every attribute of this node on target.
    void CopyAttributesTo(TXMLBaseAttrTag& target) const;

    // Lookups compare Name with each attribute's local name without regard to
    // case, so a prefixed name finds nothing.
    TXMLAttribute* FindAttribute(std::string_view name, bool mustExist = false) const;
    std::string GetAttribute(std::string_view name, std::string_view defaultValue) const;
    std::string AttributeValue(std::string_view name) const { return GetAttribute(name, {}); }
    void SetAttribute(std::string_view name, std::string_view value);
    void DeleteAttribute(std::string_view name);
    int AttributeCount() const { return static_cast<int>(attributes_.size()); }
    TXMLAttribute& Attribute(int index) const;

protected:
    using TXMLBaseTag::TXMLBaseTag;
    void SaveAttributes(std::string& out) const;
    void WriteOwnParts(TFilerWriter& writer) const override;
    void ReadOwnParts(TFilerReader& reader) override;

private:
    friend class TXMLParser;
    TXMLAttribute& AppendAttribute(std::string_view qualifiedName, std::string escapedValue);
    TXMLAttribute& AddAttributeRaw(std::string_view qualifiedName, std::string escapedValue);
    bool HasLocalName(std::string_view name) const;

    std::vector<std::unique_ptr<TXMLAttribute>> attributes_;
    // Lower-case local names with their counts, kept once a node has many
    // attributes so that adding each one stays constant time.
    std::unique_ptr<std::unordered_map<std::string, int>> nameCounts_;
};

// The XML declaration; its attributes are the pseudo-attributes.
class TXMLDescriptionTag final : public TXMLBaseAttrTag {
public:
    explicit TXMLDescriptionTag(TXMLSimpleDocument& document) : TXMLBaseAttrTag(document, nullptr, "XML") {}
    int GetTagType() const override { return kDescription; }
    void SaveToString(std::string& out) const override;
};

class TXMLDoctypeTag final : public TXMLBaseTag {
public:
    enum ExternalForm { kSystem = 0, kPublic = 1 };

    TXMLDoctypeTag(TXMLSimpleDocument& document, std::string_view rootName)
        : TXMLBaseTag(document, nullptr, rootName)
    {
    }
    int GetTagType() const override { return kDoctype; }
    void SaveToString(std::string& out) const override;
    void CopyValueTo(TXMLBaseTag& target) const override;

    ExternalForm Form() const { return form_; }
    void SetForm(ExternalForm form) { form_ = form; }
    const std::string& PublicId() const { return publicId_; }
    void SetPublicId(std::string id) { publicId_ = std::move(id); }
    const std::string& SystemId() const { return systemId_; }
    void SetSystemId(std::string id) { systemId_ = std::move(id); }

protected:
    void WriteOwnParts(TFilerWriter& writer) const override;
    void ReadOwnParts(TFilerReader& reader) override;

private:
    ExternalForm form_ = kSystem;
    std::string publicId_;
    std::string systemId_;
};

class TXMLTag final : public TXMLBaseAttrTag {
public:
    TXMLTag(TXMLSimpleDocument& document, TXMLBaseTag* parent, std::string_view qualifiedName)
        : TXMLBaseAttrTag(document, parent, qualifiedName)
    {
    }
    ~TXMLTag() override;
    int GetTagType() const override { return kTag; }
    void SaveToString(std::string& out) const override;

    // Text is stored escaped, as SetValue stores it.
    TXMLTag& AddChild(std::string_view name, std::string_view text = {});
    TXMLCommentTag& AddComment(std::string text);
    TXMLInstructionTag& AddInstruction(std::string text);

    // With clearFirst the children are freed and text is kept unread until the
    // children are next used; without it, text is read at once and its first
    // element appended.
    void SetInnerXML(std::string text, bool clearFirst);
    std::string GetInnerXML();

    TXMLTag* FindChild(std::string_view name);
    std::string ChildValue(std::string_view name, std::string_view defaultValue);
    TXMLBaseTag& Child(int index);
    int ChildCount();
    bool HasContent() const { return !pendingInnerXML_.empty() || !children_.empty(); }
    // Reads pending raw inner XML into the children.
    void ParsePendingInnerXML();

    // Copies the value, the attributes and copies of the comments and child
    // elements into target.
    void AssignTo(TXMLTag& target);

private:
    friend class TXMLParser;
    friend class TXMLSimpleDocument;
    friend class TXMLBaseTag;
    TXMLTag& AppendChild(std::string_view qualifiedName);
    static void FreeNodes(std::vector<std::unique_ptr<TXMLBaseTag>>& nodes);

    std::vector<std::unique_ptr<TXMLBaseTag>> children_;
    std::string pendingInnerXML_;
};

// A new node of a streamed kind (0 to 5, as GetTagType numbers them) under
// parent; EReadError for any other kind.
std::unique_ptr<TXMLBaseTag> CreateXMLNodeByKind(int kind, TXMLSimpleDocument& document, TXMLBaseTag* parent);

class TXMLSimpleDocument {
public:
    TXMLSimpleDocument();
    ~TXMLSimpleDocument();
    TXMLSimpleDocument(const TXMLSimpleDocument&) = delete;
    TXMLSimpleDocument& operator=(const TXMLSimpleDocument&) = delete;

    TXMLTag& CreateRoot(std::string_view name, std::string_view text = {});
    TXMLTag* Root() const { return root_.get(); }
    TXMLDescriptionTag& AddDescription();
    TXMLDoctypeTag& AddDoctype(std::string_view name);
    TXMLCommentTag& AddComment(std::string text, bool inProlog);

    bool IsUTF8() const { return utf8_; }
    void SetUTF8(bool on);

    // The document as text: in UTF-8, or in the 8-bit encoding its
    // declaration names when it is not in UTF-8 mode.
    std::string SaveToString() const;
    // That text and one CR LF, in a new file.
    void SaveToFile(const std::string& fileName) const;

    int PrologCount() const { return static_cast<int>(prolog_.size()); }
    TXMLBaseTag& PrologItem(int index) const;
    int EpilogCount() const { return static_cast<int>(epilog_.size()); }
    TXMLBaseTag& EpilogItem(int index) const;

    // The writer's indentation: one step deeper (+1), back (-1) or unchanged (0).
    void IndentStep(int step) const;
    const std::string& Indentation() const { return indentation_; }

private:
    friend class TXMLParser;
    friend class TXMLTag;
    TXMLDescriptionTag* FirstDescription() const;

    std::unique_ptr<TXMLTag> root_;
    std::vector<std::unique_ptr<TXMLBaseTag>> prolog_;
    std::vector<std::unique_ptr<TXMLBaseTag>> epilog_;
    // Writing state only.
    mutable std::string indentation_;
    mutable int depth_ = 0;
    bool utf8_ = false;
};

// One token of the reader.
struct TWord {
    enum Kind { kSpecial = 0, kName = 1, kQuoted = 2, kNone = 3 };
    Kind kind = kNone;
    std::string text;
};

class TXMLParser {
public:
    // Reads text in place: it must outlive the parser.
    explicit TXMLParser(std::string_view text);

    // A new document; every error is raised and no document survives it.
    std::unique_ptr<TXMLSimpleDocument> Parse();
    // Reads pending inner XML of tag; any other node raises.
    void ParseTags(TXMLBaseTag& node);

    // Tokens; see the implementation for the rules.
    bool NextWord(TWord& word, bool mustFind);
    // Input up to stop, across lines (joined by CR LF); the position is left on
    // stop, or after it with skipStop. False when stop does not occur; text
    // then holds the rest of the input.
    bool ReadUntil(std::string_view stop, bool skipStop, std::string& text);
    // The text up to the next "<".
    bool ReadText(std::string& text) { return ReadUntil("<", false, text); }

    int Line() const { return static_cast<int>(line_); }
    int Column() const { return static_cast<int>(column_); }

private:
    struct LineSpan {
        std::size_t start;
        std::size_t length;
    };

    void SplitLines();
    [[noreturn]] void PositionedError(const TWord& word) const;
    void Expect(TWord& word, TWord::Kind kind, std::string_view text);
    void ParseDocument(TXMLSimpleDocument& document);
    void ReadDeclarationOrInstruction(TXMLSimpleDocument& document);
    void ReadDoctype(TXMLSimpleDocument& document);
    std::string ReadComment();
    void ReadAttributes(TXMLBaseAttrTag& node, bool declaration, bool& empty);
    void ReadElement(TXMLSimpleDocument& document, TXMLTag* parent, const TWord& name);
    std::string_view LineText(std::size_t index) const;

    std::string_view text_;
    // The text converted to UTF-8, when the document declared another encoding.
    std::string converted_;
    std::vector<LineSpan> lines_;
    std::size_t line_ = 0;
    std::size_t column_ = 1;
    // Where the last token started, for the comment reader.
    std::size_t wordStart_ = 1;
};

} // namespace u3
