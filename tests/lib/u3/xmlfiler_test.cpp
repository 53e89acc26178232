#include "u3/XMLParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using u3::TFilerReader;
using u3::TFilerWriter;
using u3::TXMLBaseTag;
using u3::TXMLSimpleDocument;

std::string Streamed(TXMLBaseTag& node)
{
    std::string bytes;
    TFilerWriter writer(bytes);
    node.WriteToFiler(writer);
    return bytes;
}

// Reads one streamed node, kind first, into a document of its own.
std::unique_ptr<TXMLBaseTag> ReadNode(const std::string& bytes, TXMLSimpleDocument& document)
{
    TFilerReader reader(bytes);
    auto node = u3::CreateXMLNodeByKind(reader.ReadInteger(), document, nullptr);
    node->ReadFromFiler(reader);
    EXPECT_TRUE(reader.AtEnd());
    return node;
}

TEST(XMLFiler, AnElementIsWrittenInTheStreamingValueFormat)
{
    TXMLSimpleDocument document;
    u3::TXMLTag& root = document.CreateRoot("a", "v");
    root.AddAttribute("x", "1");
    root.AddComment("c");
    const std::string expected = std::string("\x02\x04", 2) + "\x06\x01" "a" "\x06\x01" "v" // kind, name, value
                                 + "\x01" + std::string("\x02\x00", 2) + "\x06\x01x\x06\x01" "1" + std::string(1, '\0')
                                 + "\x01" // children
                                 + "\x02\x01" + std::string("\x06\x00", 2) + std::string("\x06\x00", 2) + "\x06\x01" "c"
                                 + std::string(1, '\0');
    EXPECT_EQ(Streamed(root), expected);
}

TEST(XMLFiler, DocumentsReadBackAsTheyWereWritten)
{
    TXMLSimpleDocument document;
    u3::TXMLTag& root = document.CreateRoot("order", "a < b & \"c\" \xC3\xA9");
    root.AddAttribute("id", "7 & 8");
    root.AddAttribute("lang", "de");
    u3::TXMLTag& item = root.AddChild("item", "first");
    item.AddChild("deep").AddChild("deeper", "x");
    root.AddComment(" a note - with a dash ");
    root.AddInstruction("page break");
    root.AddChild("empty");

    TXMLSimpleDocument copy;
    auto node = ReadNode(Streamed(root), copy);
    ASSERT_EQ(node->GetTagType(), TXMLBaseTag::kTag);
    std::string original, readBack;
    root.SaveToString(original);
    node->SaveToString(readBack);
    EXPECT_EQ(readBack, original);
    EXPECT_EQ(node->GetValue(), "a < b & \"c\" \xC3\xA9");
    EXPECT_EQ(static_cast<u3::TXMLTag&>(*node).AttributeValue("ID"), "7 & 8");

    // The prolog's kinds carry their own parts.
    u3::TXMLDoctypeTag& doctype = document.AddDoctype("order");
    doctype.SetForm(u3::TXMLDoctypeTag::kPublic);
    doctype.SetPublicId("-//Office//Order 1.0//EN");
    doctype.SetSystemId("order.dtd");
    auto doctypeCopy = ReadNode(Streamed(doctype), copy);
    std::string a, b;
    doctype.SaveToString(a);
    doctypeCopy->SaveToString(b);
    EXPECT_EQ(b, a);
    u3::TXMLDescriptionTag& declaration = document.AddDescription();
    declaration.AddAttribute("version", "1.0");
    auto declarationCopy = ReadNode(Streamed(declaration), copy);
    EXPECT_EQ(declarationCopy->GetTagType(), TXMLBaseTag::kDescription);
    EXPECT_EQ(static_cast<u3::TXMLDescriptionTag&>(*declarationCopy).AttributeValue("version"), "1.0");
}

TEST(XMLFiler, ElementsNestedDeeplyAreWrittenAndReadWithoutRecursion)
{
    TXMLSimpleDocument document;
    u3::TXMLTag* tag = &document.CreateRoot("r");
    for (int i = 0; i < 100000; ++i)
        tag = &tag->AddChild("n");
    tag->SetValue("bottom");
    const std::string bytes = Streamed(*document.Root());
    TXMLSimpleDocument copy;
    auto node = ReadNode(bytes, copy);
    auto* walk = static_cast<u3::TXMLTag*>(node.get());
    int depth = 0;
    while (walk->ChildCount() > 0) {
        walk = static_cast<u3::TXMLTag*>(&walk->Child(0));
        ++depth;
    }
    EXPECT_EQ(depth, 100000);
    EXPECT_EQ(walk->GetValue(), "bottom");
}

TEST(XMLFiler, WideAndUtf8StringsAreRead)
{
    // A comment node whose name and value are empty wide strings and whose
    // text is "é€" once as UTF-16 and once as a UTF-8 string.
    const std::string wide = std::string("\x02\x01\x12", 3) + std::string(4, '\0') + "\x12" + std::string(4, '\0')
                             + "\x12\x02" + std::string(3, '\0') + "\xE9" + std::string(1, '\0') + "\xAC\x20";
    TXMLSimpleDocument document;
    auto node = ReadNode(wide, document);
    EXPECT_EQ(static_cast<u3::TXMLCommentTag&>(*node).Text(), "\xC3\xA9\xE2\x82\xAC");
    const std::string utf8 = std::string("\x02\x01\x06\x00\x06\x00\x14\x05", 8) + std::string(3, '\0')
                             + "\xC3\xA9\xE2\x82\xAC";
    node = ReadNode(utf8, document);
    EXPECT_EQ(static_cast<u3::TXMLCommentTag&>(*node).Text(), "\xC3\xA9\xE2\x82\xAC");
}

TEST(XMLFiler, FaultyBytesRaiseAndNeverCrash)
{
    TXMLSimpleDocument document;
    u3::TXMLTag& root = document.CreateRoot("a", "v");
    root.AddAttribute("x", "1");
    root.AddChild("b").AddComment("c");
    const std::string good = Streamed(root);
    const std::string header = std::string("\x02\x04\x06\x01" "a\x06\x00", 7);
    const struct {
        const char* what;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"a kind outside 0 to 5", std::string("\x02\x06\x06\x01" "a\x06\x00", 7), "Stream read error!"},
        {"a comment in an attribute list", header + "\x01\x02\x01" + std::string("\x06\x00\x06\x00\x06\x00", 6),
         "Stream read error!"},
        {"an attribute among children", header + "\x01" + std::string(1, '\0') + "\x01\x02" + std::string(1, '\0')
                                            + "\x06\x01x\x06\x01" "1",
         "Stream read error!"},
        {"a name the writer cannot give back", std::string("\x02\x04\x06\x03" "a b\x06\x00\x01", 9) + std::string(1, '\0')
                                                   + "\x01" + std::string(1, '\0'),
         "Stream read error!"},
        {"a comment that would end early", std::string("\x02\x01\x06\x00\x06\x00\x06\x03", 8) + "-->",
         "Stream read error!"},
        {"a length past the end", std::string("\x02\x04\x0C\xFF\xFF\xFF\x7F" "a", 8), "Stream read error!"},
        {"a second attribute of the same name", header + "\x01" + std::string("\x02\x00", 2) + "\x06\x01x\x06\x01" "1"
                                                    + std::string("\x02\x00", 2) + "\x06\x01X\x06\x01" "2"
                                                    + std::string(1, '\0') + "\x01" + std::string(1, '\0'),
         "The attribute with name X already exists!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TXMLSimpleDocument target;
        try {
            ReadNode(c.bytes, target);
            ADD_FAILURE() << "no error";
        } catch (const u3::Exception& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    // Every cut of a good stream is refused.
    for (std::size_t length = 0; length < good.size(); ++length) {
        TXMLSimpleDocument target;
        EXPECT_THROW(ReadNode(good.substr(0, length), target), u3::EReadError) << length;
    }
}

} // namespace
