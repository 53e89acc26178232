#include "u3/XMLParser.h"

#include "ProgramOutput.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>

namespace {

using u3::EXMLSimpleException;
using u3::TXMLParser;
using u3::TXMLSimpleDocument;
using u3::TXMLTag;

std::unique_ptr<TXMLSimpleDocument> Parse(const std::string& text)
{
    return TXMLParser(text).Parse();
}

std::string ParseError(const std::string& text)
{
    try {
        Parse(text);
    } catch (const EXMLSimpleException& e) {
        return e.what();
    }
    return "(no error)";
}

TXMLTag& Element(TXMLTag& parent, int index)
{
    return static_cast<TXMLTag&>(parent.Child(index));
}

// ---- reading ------------------------------------------------------------------

TEST(XMLReader, ReadsAttributesInEitherQuoteAndTheText)
{
    auto doc = Parse("<a x='1' y=\"2\">word</a>");
    TXMLTag& a = *doc->Root();
    EXPECT_EQ(a.AttributeCount(), 2);
    EXPECT_EQ(a.GetAttribute("x", "-"), "1");
    EXPECT_EQ(a.GetAttribute("Y", "-"), "2");
    EXPECT_EQ(a.GetValue(), "word");
    EXPECT_EQ(doc->SaveToString(), "<a x=\"1\" y=\"2\">word</a>");
}

TEST(XMLReader, TheFirstNonEmptyTextRunIsTheValue)
{
    struct Case {
        const char* input;
        const char* value;
        int children;
    };
    const Case cases[] = {
        {"<a>  </a>", "  ", 0},
        {"<a><b/>word</a>", "word", 1},
        {"<a>x<b/> \r\n <c/></a>", "x", 2},
        {"<a>\n<b/></a>", "\r\n", 1},
        {"<a/>", "", 0},
        // Raw line ends of every kind are read as CR LF.
        {"<a>x\ny\r\nz\rw</a>", "x\r\ny\r\nz\r\nw", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto doc = Parse(c.input);
        EXPECT_EQ(doc->Root()->RawValue(), c.value);
        EXPECT_EQ(doc->Root()->ChildCount(), c.children);
    }
}

TEST(XMLReader, RefusesWithTheLineColumnAndWordWhereReadingStopped)
{
    struct Case {
        const char* input;
        const char* message;
    };
    const Case cases[] = {
        // The second text run: its word is taken for an attribute name, so the
        // "<" after it is the word named.
        {"<a>one<b/>two</a>", "Parser error! Line 0 column 15 word <"},
        {"<a></b>", "Parser error! Line 0 column 7 word b"},
        {"<a>\n<b>\n</c>\n</a>", "Parser error! Line 2 column 4 word c"},
        {"hello<a/>", "Parser error! Line 0 column 6 word hello"},
        {"<a><?pi x?>text</a>", "Parser error! Line 0 column 16 word text"},
        {"<a><!DOCTYPE x></a>", "Parser error! Line 0 column 13 word DOCTYPE"},
        {"<!DOCTYPE a [ ]><a/>", "Parser error! Line 0 column 14 word ["},
        {"<!DOCTYPE a SYSTEM b><a/>", "Parser error! Line 0 column 21 word b"},
        {"<a x=1/>", "Parser error! Line 0 column 7 word 1"},
        {"<?xml version='1.0' 'x'?><a/>", "Parser error! Line 0 column 24 word x"},
        {"<?pi a = 'b'?><a/>", "Parser error! Line 0 column 9 word ="},
        // A lone colon names nothing that could be written back.
        {"<a :='1'/>", "Parser error! Line 0 column 5 word :"},
        {"<:/>", "Parser error! Line 0 column 3 word :"},
        {"<a><: x='1'/></a>", "Parser error! Line 0 column 6 word :"},
        {"<a x='1' X='2'/>", "The attribute with name X already exists!"},
        {"<a p:x='1' q:x='2'/>", "The attribute with name q:x already exists!"},
        {"<a><!-- open</a>", "There is't end of the comment!"},
        {"", "XML - Parser error!"},
        {"<?xml version='1.0'?>", "XML - Parser error!"},
        {"<a><b>text</b>", "XML - Parser error!"},
        {"<a x='open/>", "XML - Parser error!"},
        {"<a><?never closed</a>", "XML - Parser error!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(ParseError(c.input), c.message);
    }
}

TEST(XMLReader, EndTagNameIsComparedWithoutRegardToCase)
{
    auto doc = Parse("<p:Body><p:item>1</P:ITEM></p:body>");
    EXPECT_EQ(doc->Root()->Prefix(), "p");
    EXPECT_EQ(doc->Root()->Name(), "Body");
    EXPECT_EQ(doc->Root()->ChildValue("ITEM", "-"), "1");
}

TEST(XMLReader, ReadsOnlyTheFirstRootAndNothingAfterIt)
{
    auto doc = Parse("<a/><b/><!-- after -->");
    EXPECT_EQ(doc->Root()->Name(), "a");
    EXPECT_EQ(doc->Root()->ChildCount(), 0);
    EXPECT_EQ(doc->EpilogCount(), 0);
}

TEST(XMLReader, ReadsThePrologAndSwitchesToUtf8OnlyForTheExactName)
{
    auto doc = Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- made by us -->\n"
                     "<!DOCTYPE r PUBLIC \"-//X//Y\" \"r.dtd\">\n<?ignored at all?>\n<r/>");
    EXPECT_TRUE(doc->IsUTF8());
    ASSERT_EQ(doc->PrologCount(), 3);
    EXPECT_EQ(doc->PrologItem(0).GetTagType(), u3::TXMLBaseTag::kDescription);
    EXPECT_EQ(static_cast<u3::TXMLCommentTag&>(doc->PrologItem(1)).Text(), " made by us ");
    auto& doctype = static_cast<u3::TXMLDoctypeTag&>(doc->PrologItem(2));
    EXPECT_EQ(doctype.Name(), "r");
    EXPECT_EQ(doctype.Form(), u3::TXMLDoctypeTag::kPublic);
    EXPECT_EQ(doctype.PublicId(), "-//X//Y");
    EXPECT_EQ(doctype.SystemId(), "r.dtd");

    EXPECT_FALSE(Parse("<?xml version='1.0' encoding='utf-8'?><a/>")->IsUTF8());
    EXPECT_FALSE(Parse("<a/>")->IsUTF8());
    // An instruction before any declaration is dropped, and so is a second declaration.
    auto dropped = Parse("<?pi a 'b'?><?xml version='1.0'?><?xml version='2'?><a/>");
    ASSERT_EQ(dropped->PrologCount(), 1);
    EXPECT_EQ(static_cast<u3::TXMLDescriptionTag&>(dropped->PrologItem(0)).AttributeValue("version"), "1.0");
}

TEST(XMLReader, CommentsKeepExactlyTheirInnerText)
{
    struct Case {
        const char* input;
        const char* text;
    };
    const Case cases[] = {
        {"<a><!--x--></a>", "x"},
        {"<a><!-- x --></a>", " x "},
        // The word that opens the comment must not be glued to the rest with a second blank.
        {"<a><!--two words--></a>", "two words"},
        {"<a><!--line\nbreak--></a>", "line\r\nbreak"},
        {"<a><!----></a>", ""},
        {"<a><!--x>y--></a>", "x>y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto doc = Parse(c.input);
        ASSERT_EQ(doc->Root()->ChildCount(), 1);
        EXPECT_EQ(static_cast<u3::TXMLCommentTag&>(doc->Root()->Child(0)).Text(), c.text);
    }
}

TEST(XMLReader, KeepsInstructionsInsideElements)
{
    auto doc = Parse("<a>v<?target data?><b/></a>");
    ASSERT_EQ(doc->Root()->ChildCount(), 2);
    EXPECT_EQ(static_cast<u3::TXMLInstructionTag&>(doc->Root()->Child(0)).Text(), "target data");
    EXPECT_EQ(doc->Root()->GetValue(), "v");
}

TEST(XMLReader, QuotedValuesKeepDoubledQuotesAndContinueOnTheNextLine)
{
    auto doc = Parse("<a x='it''s' y=\"one\n    two\"/>");
    EXPECT_EQ(doc->Root()->AttributeValue("x"), "it''s");
    EXPECT_EQ(doc->Root()->AttributeValue("y"), "one two");
}

TEST(XMLReader, ADoubleQuoteInsideApostrophesIsStoredEscapedSoTheWriterStaysWellFormed)
{
    auto doc = Parse("<a x='say \"hi\"'/>");
    EXPECT_EQ(doc->Root()->AttributeValue("x"), "say \"hi\"");
    EXPECT_EQ(doc->SaveToString(), "<a x=\"say &quot;hi&quot;\"></a>");
}

TEST(XMLReader, HundredThousandNestedElementsNeedNoStack)
{
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i)
        text += "<e>";
    text += "deep";
    for (int i = 0; i < kDepth; ++i)
        text += "</e>";
    auto doc = Parse(text);
    TXMLTag* tag = doc->Root();
    int depth = 1;
    while (tag->ChildCount() == 1) {
        tag = &Element(*tag, 0);
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(tag->GetValue(), "deep");

    // Copying and freeing walk the same depth.
    TXMLSimpleDocument copy;
    doc->Root()->AssignTo(copy.CreateRoot("e"));
    doc.reset();
    EXPECT_EQ(copy.Root()->ChildCount(), 1);
}

// ---- values ---------------------------------------------------------------------

TEST(XMLValues, SetValueStoresTheEscapedFormAndGetValueReadsItBack)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r");
    root.SetValue("a<b & \"c\"");
    EXPECT_EQ(root.RawValue(), "a&lt;b &amp; &quot;c&quot;");
    EXPECT_EQ(root.GetValue(), "a<b & \"c\"");
    root.SetValue("'>\r\n");
    EXPECT_EQ(root.RawValue(), "&apos;&gt;&#xD;&#xA;");
    EXPECT_EQ(root.GetValue(), "'>\r\n");
}

TEST(XMLValues, DecodesEscapesAndCharacterReferencesInOnePass)
{
    struct Case {
        const char* stored;
        const char* decoded;
    };
    const Case cases[] = {
        {"&#65;", "A"},
        {"&#x41;&#X42;", "AB"},
        {"&#1046;", "\xD0\x96"},
        {"&#x1F600;", "\xF0\x9F\x98\x80"},
        // What "&amp;" yields is text, never the start of another reference.
        {"&amp;#65;", "&#65;"},
        {"&amp;amp;", "&amp;"},
        {"&amp;lt;", "&lt;"},
        // Escaped line ends are not turned into CR LF.
        {"a&#xA;b", "a\nb"},
        {"a&#xD;b", "a\rb"},
        {"a&#10;b", "a\nb"},
        {"&lt;&gt;&apos;&quot;", "<>'\""},
        // Other entities and references that name no character stay as written.
        {"&nbsp;", "&nbsp;"},
        {"&#0;", "&#0;"},
        {"&#xD800;", "&#xD800;"},
        {"&#x110000;", "&#x110000;"},
        {"&#;&#x;&#65", "&#;&#x;&#65"},
        {"&#6a;", "&#6a;"},
        {"a & b&", "a & b&"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(u3::UnescapeXMLText(c.stored), c.decoded);
    }
    auto doc = Parse("<a b='&amp;#65;'>&amp;#65;&#65;</a>");
    EXPECT_EQ(doc->Root()->GetValue(), "&#65;A");
    EXPECT_EQ(doc->Root()->AttributeValue("b"), "&#65;");
}

// Every reserved character at the start, inside and at the end of plain runs
// of many lengths (the scanner takes sixteen bytes a step, so the lengths
// straddle its blocks), against the table of escapes applied one character at
// a time; and the decoding, also done in the text's own storage, brings the
// text back.
TEST(XMLValues, EscapesEveryReservedCharacterWhereverItStandsInALongRun)
{
    auto expectedEscape = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            const auto* row = std::find_if(std::begin(u3::XMLReservedSymbols), std::end(u3::XMLReservedSymbols),
                                           [c](const auto& r) { return r.Character == c; });
            if (row == std::end(u3::XMLReservedSymbols))
                out += c;
            else
                out += row->Escape;
        }
        return out;
    };
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\x80\xFF";
    for (const auto& row : u3::XMLReservedSymbols) {
        for (const std::size_t length : {0, 1, 15, 16, 17, 31, 32, 33, 47, 1000}) {
            std::string run(length, ' ');
            for (std::size_t i = 0; i < length; ++i)
                run[i] = alphabet[(i * 7) % alphabet.size()];
            const char c = row.Character;
            const std::string texts[] = {
                std::string(1, c) + run,
                run + std::string(1, c),
                run.substr(0, length / 2) + c + run.substr(length / 2),
                std::string(1, c) + run + c + c + run + c,
            };
            for (const std::string& text : texts) {
                SCOPED_TRACE(testing::Message() << "character " << int(c) << ", run " << length);
                const std::string escaped = u3::EscapeXMLText(text);
                EXPECT_EQ(escaped, expectedEscape(text));
                EXPECT_EQ(u3::EscapedXMLTextSize(text), escaped.size());
                std::string appended = "kept<";
                u3::AppendEscapedXMLText(appended, text);
                EXPECT_EQ(appended, "kept<" + escaped);
                EXPECT_EQ(u3::UnescapeXMLText(escaped), text);
                std::string inPlace = escaped;
                u3::UnescapeXMLTextInPlace(inPlace);
                EXPECT_EQ(inPlace, text);
            }
        }
    }
    const std::string plain = std::string(100000, 'Q') + "==";
    EXPECT_EQ(u3::EscapeXMLText(plain), plain);
    EXPECT_EQ(u3::EscapedXMLTextSize(plain), plain.size());
}

TEST(XMLValues, DecodingInPlaceMatchesDecodingIntoACopy)
{
    // Runs between references of every length decode alike whether the text
    // shrinks in its own storage or is written anew.
    const char* const references[] = {"&amp;", "&#65;", "&#x1F600;", "&#1046;", "&nbsp;", "&#0;", "&", "&#x41"};
    for (const char* reference : references) {
        for (const std::size_t gap : {0, 1, 5, 40}) {
            std::string text;
            for (int i = 0; i < 4; ++i)
                text += std::string(gap, char('a' + i)) + reference;
            SCOPED_TRACE(text);
            std::string inPlace = text;
            u3::UnescapeXMLTextInPlace(inPlace);
            EXPECT_EQ(inPlace, u3::UnescapeXMLText(text));
        }
    }
}

TEST(XMLValues, TakeValueDecodesAndLeavesTheNodeEmpty)
{
    auto doc = Parse("<r a='x&amp;y'><v>1 &lt; 2&#xA;</v><w>" + std::string(5000, 'B') + "</w></r>");
    TXMLTag& v = Element(*doc->Root(), 0);
    EXPECT_EQ(v.TakeValue(), "1 < 2\n");
    EXPECT_EQ(v.RawValue(), "");
    EXPECT_EQ(v.GetValue(), "");
    EXPECT_EQ(Element(*doc->Root(), 1).TakeValue(), std::string(5000, 'B'));
    EXPECT_EQ(doc->Root()->FindAttribute("a")->TakeValue(), "x&y");
    EXPECT_EQ(doc->Root()->AttributeValue("a"), "");
}

// ---- writing --------------------------------------------------------------------

TEST(XMLWriter, IndentsChildrenFourBlanksPerLevel)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r");
    root.AddChild("a", "1");
    TXMLTag& b = root.AddChild("b");
    b.AddChild("c", "2");
    b.AddComment("note");
    EXPECT_EQ(doc.SaveToString(), "<r>\r\n"
                                  "    <a>1</a>\r\n"
                                  "    <b>\r\n"
                                  "        <c>2</c>\r\n"
                                  "        <!--note-->\r\n"
                                  "    </b>\r\n"
                                  "</r>");
}

TEST(XMLWriter, WritesTheValueOfAChildlessElementExactlyAsStored)
{
    struct Case {
        const char* value;
        const char* written;
    };
    const Case cases[] = {
        {"  x", "<v>  x</v>"},
        {"   ", "<v>   </v>"},
        {"", "<v></v>"},
        {"x  ", "<v>x  </v>"},
        {"\r\n", "<v>&#xD;&#xA;</v>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TXMLSimpleDocument doc;
        doc.CreateRoot("v", c.value);
        const std::string text = doc.SaveToString();
        EXPECT_EQ(text, c.written);
        EXPECT_EQ(Parse(text)->Root()->GetValue(), c.value);
    }
}

TEST(XMLWriter, PutsTheValueOfAnElementWithChildrenOnItsOwnLine)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r", "text");
    root.AddChild("a");
    EXPECT_EQ(doc.SaveToString(), "<r>\r\n    text\r\n    <a></a>\r\n</r>");
    root.SetValue("   ");
    EXPECT_EQ(doc.SaveToString(), "<r>\r\n    <a></a>\r\n</r>");
}

TEST(XMLWriter, WritesPrologRootAndEpilog)
{
    TXMLSimpleDocument doc;
    doc.SetUTF8(true);
    auto& doctype = doc.AddDoctype("p:req");
    doctype.SetSystemId("req.dtd");
    doc.AddComment("first", true);
    TXMLTag& root = doc.CreateRoot("p:req");
    root.AddAttribute("xmlns:p", "urn:x");
    root.AddAttribute("id", "7");
    root.AddChild("p:item", "\xC3\xA9").AddInstruction("pi here");
    doc.AddComment("last", false);
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                  "<!DOCTYPE p:req SYSTEM \"req.dtd\">\r\n"
                                  "<!--first-->\r\n"
                                  "<p:req xmlns:p=\"urn:x\" id=\"7\">\r\n"
                                  "    <p:item>\r\n"
                                  "        \xC3\xA9\r\n"
                                  "        <?pi here?>\r\n"
                                  "    </p:item>\r\n"
                                  "</p:req>\r\n"
                                  "<!--last-->\r\n");
    doctype.SetForm(u3::TXMLDoctypeTag::kPublic);
    doctype.SetPublicId("-//P//Q");
    EXPECT_NE(doc.SaveToString().find("<!DOCTYPE p:req PUBLIC \"-//P//Q\" \"req.dtd\">\r\n"), std::string::npos);
    // An identifier holding a double quote goes between apostrophes.
    doctype.SetPublicId("say \"x\"");
    EXPECT_NE(doc.SaveToString().find("<!DOCTYPE p:req PUBLIC 'say \"x\"' \"req.dtd\">\r\n"), std::string::npos);
}

TEST(XMLWriter, OutputIsWellFormedForAnOutsideParser)
{
    TXMLSimpleDocument doc;
    doc.SetUTF8(true);
    doc.AddComment(" envelope ", true);
    TXMLTag& root = doc.CreateRoot("SOAP-ENV:Envelope");
    root.AddAttribute("xmlns:SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/");
    root.AddAttribute("note", "a<b & \"c\" 'd'\r\n");
    TXMLTag& body = root.AddChild("SOAP-ENV:Body");
    body.AddChild("text", "  <lead> & \"blanks\"\r\n\xD0\x96");
    body.AddChild("blank", "   ");
    body.AddChild("empty");
    body.AddComment("c");
    body.AddInstruction("pi x");
    const std::string text = doc.SaveToString();
    e3test::RunProgram({"xmllint", "--noout", "-"}, text);
    // Read back by our own reader, every value is what was stored.
    auto back = Parse(text);
    TXMLTag* readBody = back->Root()->FindChild("body");
    ASSERT_NE(readBody, nullptr);
    EXPECT_EQ(readBody->ChildValue("text", "-"), "  <lead> & \"blanks\"\r\n\xD0\x96");
    EXPECT_EQ(readBody->ChildValue("blank", "-"), "   ");
    EXPECT_EQ(back->Root()->AttributeValue("note"), "a<b & \"c\" 'd'\r\n");
}

TEST(XMLWriter, SaveToFileAddsOneLineBreak)
{
    e3test::TempDir dir;
    TXMLSimpleDocument doc;
    doc.CreateRoot("r", "x");
    const std::string path = dir.str() + "/out.xml";
    doc.SaveToFile(path);
    EXPECT_EQ(e3test::ReadWholeFile(path), "<r>x</r>\r\n");
    EXPECT_THROW(doc.SaveToFile(dir.str() + "/missing/out.xml"), EXMLSimpleException);
}

// ---- 8-bit documents ------------------------------------------------------------

TEST(XMLEncoding, ReadsDeclared8BitTextAndWritesItBackInTheSameEncoding)
{
    // 0x80 is the euro sign; 0x81 has no character in Windows-1252 and must survive.
    const std::string cp1252 = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<a b=\"\xE9\">\x80\x81</a>";
    auto doc = Parse(cp1252);
    EXPECT_FALSE(doc->IsUTF8());
    EXPECT_EQ(doc->Root()->AttributeValue("b"), "\xC3\xA9");
    EXPECT_EQ(doc->Root()->GetValue(), "\xE2\x82\xAC\xC2\x81");
    EXPECT_EQ(doc->SaveToString(), cp1252);
    // A character the code page lacks is written as a reference.
    doc->Root()->SetValue("\xD0\x96");
    EXPECT_EQ(Parse(doc->SaveToString())->Root()->GetValue(), "\xD0\x96");

    auto koi8 = Parse("<?xml version='1.0' encoding='KOI8-R'?><a>\xF6</a>");
    EXPECT_EQ(koi8->Root()->GetValue(), "\xD0\x96");
    EXPECT_EQ(koi8->SaveToString(), "<?xml version=\"1.0\" encoding=\"KOI8-R\"?>\r\n<a>\xF6</a>");

    // Without a declaration, and once switched to UTF-8, bytes are UTF-8.
    EXPECT_EQ(Parse("<a>\xC3\xA9</a>")->Root()->GetValue(), "\xC3\xA9");
    doc->SetUTF8(true);
    EXPECT_EQ(doc->SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a b=\"\xC3\xA9\">\xD0\x96</a>");
}

// ---- the model ------------------------------------------------------------------

TEST(XMLModel, ChildLookupIgnoresCaseAndPrefix)
{
    auto doc = Parse("<r><x:Item>1</x:Item><item>2</item><!--c--></r>");
    TXMLTag& r = *doc->Root();
    ASSERT_NE(r.FindChild("ITEM"), nullptr);
    EXPECT_EQ(r.FindChild("ITEM")->GetValue(), "1");
    EXPECT_EQ(r.FindChild("x:Item"), nullptr);
    EXPECT_EQ(r.ChildValue("missing", "def"), "def");
    EXPECT_EQ(r.ChildCount(), 3);
    EXPECT_THROW(r.Child(3), u3::EListError);
}

TEST(XMLModel, PendingInnerXMLIsReadOnFirstChildAccess)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r");
    root.AddChild("old");
    root.SetInnerXML("<a x='1'><b>2</b></a><c/>", true);
    EXPECT_TRUE(root.HasContent());
    EXPECT_EQ(root.GetInnerXML(), "<a x='1'><b>2</b></a><c/>");
    // Pending text is written as it stands.
    EXPECT_EQ(doc.SaveToString(), "<r><a x='1'><b>2</b></a><c/>\r\n</r>");
    // Only the first element is read; what follows it is not.
    ASSERT_EQ(root.ChildCount(), 1);
    EXPECT_EQ(Element(root, 0).ChildValue("b", "-"), "2");
    EXPECT_EQ(root.GetInnerXML(), "<a x=\"1\">\r\n    <b>2</b>\r\n</a>");

    root.SetInnerXML("<!--lead--><d/>", false);
    ASSERT_EQ(root.ChildCount(), 2);
    EXPECT_EQ(root.Child(1).GetTagType(), u3::TXMLBaseTag::kComment);

    // Text that cannot be read leaves the element as it was and fails again.
    root.SetInnerXML("text<e><f/>", true);
    EXPECT_THROW(root.ChildCount(), EXMLSimpleException);
    EXPECT_THROW(root.ChildCount(), EXMLSimpleException);
    EXPECT_EQ(root.RawValue(), "");
    EXPECT_EQ(root.GetInnerXML(), "text<e><f/>");
    root.SetInnerXML("<g/>", true);
    EXPECT_EQ(root.ChildCount(), 1);

    u3::TXMLCommentTag& comment = root.AddComment("x");
    EXPECT_THROW(TXMLParser("<a/>").ParseTags(comment), EXMLSimpleException);
}

TEST(XMLModel, AttributesByLocalNameWithoutRegardToCase)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r");
    root.AddAttribute("Id", "1");
    try {
        root.AddAttribute("ID", "2");
        ADD_FAILURE() << "duplicate accepted";
    } catch (const EXMLSimpleException& e) {
        EXPECT_STREQ(e.what(), "The attribute with name ID already exists!");
    }
    try {
        root.FindAttribute("none", true);
        ADD_FAILURE() << "missing attribute found";
    } catch (const EXMLSimpleException& e) {
        EXPECT_STREQ(e.what(), "Attribute with name none not found");
    }
    root.SetAttribute("id", "3");
    EXPECT_EQ(root.AttributeValue("iD"), "3");
    // A prefixed name never matches a local name, so it always appends.
    root.SetAttribute("xmlns:p", "u");
    root.SetAttribute("xmlns:p", "v");
    EXPECT_EQ(root.AttributeCount(), 3);
    EXPECT_EQ(root.GetAttribute("p", "-"), "u");
    root.DeleteAttribute("p");
    EXPECT_EQ(root.GetAttribute("p", "-"), "v");
    EXPECT_EQ(root.Attribute(1).GetQualifiedName(), "xmlns:p");
    EXPECT_THROW(doc.CreateRoot("again"), EXMLSimpleException);
}

TEST(XMLModel, ManyAttributesStillRefuseDuplicatesAfterDeletion)
{
    TXMLSimpleDocument doc;
    TXMLTag& root = doc.CreateRoot("r");
    for (int i = 0; i < 200; ++i)
        root.AddAttribute("a" + std::to_string(i), "v");
    EXPECT_THROW(root.AddAttribute("A150", "x"), EXMLSimpleException);
    root.DeleteAttribute("a150");
    root.AddAttribute("A150", "x");
    EXPECT_EQ(root.AttributeValue("a150"), "x");
    EXPECT_THROW(root.AddAttribute("a150", "y"), EXMLSimpleException);

    std::string text = "<r";
    for (int i = 0; i < 100; ++i)
        text += " n" + std::to_string(i) + "='1'";
    EXPECT_EQ(ParseError(text + " p:N99='2'/>"), "The attribute with name p:N99 already exists!");
}

TEST(XMLModel, SwitchingUtf8MaintainsTheDeclaration)
{
    TXMLSimpleDocument doc;
    doc.CreateRoot("r");
    doc.SetUTF8(false);
    EXPECT_EQ(doc.PrologCount(), 0);
    doc.SetUTF8(true);
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r></r>");
    doc.SetUTF8(false);
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\"?>\r\n<r></r>");
    doc.SetUTF8(true);
    EXPECT_EQ(doc.PrologCount(), 1);
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r></r>");
}

TEST(XMLModel, AssignToCopiesValueAttributesCommentsAndElements)
{
    auto doc = Parse("<r a='1'>v<x b='2'>w<!--c--><y/></x><?pi?></r>");
    TXMLSimpleDocument target;
    TXMLTag& t = target.CreateRoot("t");
    t.AddAttribute("a", "old");
    t.AddAttribute("keep", "k");
    doc->Root()->AssignTo(t);
    EXPECT_EQ(target.SaveToString(), "<t a=\"1\" keep=\"k\">\r\n"
                                     "    v\r\n"
                                     "    <x b=\"2\">\r\n"
                                     "        w\r\n"
                                     "        <!--c-->\r\n"
                                     "        <y></y>\r\n"
                                     "    </x>\r\n"
                                     "</t>");
    // Into its own child: the copy holds what was there before.
    TXMLTag& x = Element(*doc->Root(), 0);
    doc->Root()->AssignTo(x);
    EXPECT_EQ(x.ChildCount(), 3);
    EXPECT_EQ(Element(x, 2).Name(), "x");
    EXPECT_EQ(Element(x, 2).ChildCount(), 2);
}

} // namespace
