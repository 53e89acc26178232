#include "enginelink/SOAPParser.h"

#include "enginelink/SOAPMimeDecoder.h"
#include "lib/u3/ProgramOutput.h"
#include "support/TempDir.h"
#include "u3/Base64.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/StrLib.h"
#include "u3/XMLParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using enginelink::Te3SOAPParser;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
                          " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                          " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                          " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\"";

std::string Envelope(Te3SOAPParser& parser)
{
    std::string text;
    parser.WriteEnvelope(text);
    return text;
}

void PrepareExecuteEvent(Te3SOAPParser& parser)
{
    parser.SetURN(enginelink::kGUIEngineURN);
    parser.SetServerUserID("U1");
    parser.SetRequestID("R7");
    parser.SetOperation("'ExecuteEvent'");
    parser.SetParam("SenderClass", "TButton");
    parser.SetParam("SenderName", "btnOK");
    parser.SetParam("SenderType", "");
    parser.SetParam("EventName", "OnClick");
    parser.SetParam("EventValues", "a<b & \"c\"\r\nline2");
}

std::string ReadFile(const std::string& path)
{
    return e3test::ReadWholeFile(path);
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Te3SOAPParserTest, ExecuteEventRequestIsWrittenByteForByte)
{
    Te3SOAPParser parser;
    PrepareExecuteEvent(parser);
    const std::string expected =
        kHead + ">\r\n"
                "    <SOAP-ENV:Body>\r\n"
                "        <m:ExecuteEvent xmlns:m=\"urn:SOAPServer_Intf-IIZerk3Service\">\r\n"
                "            <ServerUserID xsi:type=\"xsd:string\">U1</ServerUserID>\r\n"
                "            <RequestID xsi:type=\"xsd:string\">R7</RequestID>\r\n"
                "            <SenderClass xsi:type=\"xsd:string\">TButton</SenderClass>\r\n"
                "            <SenderName xsi:type=\"xsd:string\">btnOK</SenderName>\r\n"
                "            <SenderType xsi:type=\"xsd:string\"></SenderType>\r\n"
                "            <EventName xsi:type=\"xsd:string\">OnClick</EventName>\r\n"
                "            <EventValues xsi:type=\"xsd:string\">a&lt;b &amp; &quot;c&quot;&#xD;&#xA;line2</EventValues>\r\n"
                "        </m:ExecuteEvent>\r\n"
                "    </SOAP-ENV:Body>\r\n"
                "</SOAP-ENV:Envelope>";
    EXPECT_EQ(Envelope(parser), expected);
}

// The same envelope built as a tree of the XML model and written by its
// indenting writer.
std::string ModelEnvelope(const Te3SOAPParser& parser)
{
    const bool pms = u3::SameText(parser.URN(), enginelink::kPMSGatewayURN);
    auto typed = [](u3::TXMLTag& parent, const std::string& name, const std::string& value) -> u3::TXMLTag& {
        u3::TXMLTag& tag = parent.AddChild(name, value);
        tag.AddAttribute("xsi:type", "xsd:string");
        return tag;
    };
    u3::TXMLSimpleDocument document;
    document.SetUTF8(true);
    u3::TXMLTag& root = document.CreateRoot("SOAP-ENV:Envelope");
    root.AddAttribute("xmlns:SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/");
    root.AddAttribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
    root.AddAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    root.AddAttribute("xmlns:SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/");
    if (pms)
        root.AddAttribute("xmlns:p", enginelink::PMSTypesNamespace);
    u3::TXMLTag& body = root.AddChild("SOAP-ENV:Body");
    if (!parser.FaultString().empty()) {
        u3::TXMLTag& fault = body.AddChild("SOAP-ENV:Fault");
        fault.AddChild("faultcode", "SOAP-ENV:Server." + parser.Operation());
        fault.AddChild("faultstring", parser.FaultString());
        fault.AddChild("faultactor", parser.ServerUserID());
    } else if (parser.ResponseMode()) {
        u3::TXMLTag& response = body.AddChild("m:" + parser.Operation() + "Response");
        response.AddAttribute("xmlns:m", parser.URN());
        if (pms) {
            response.AddChild("p:ServerUserID", parser.ServerUserID());
            response.AddChild("p:RequestID", parser.RequestID());
        } else {
            typed(response, "ServerUserID", parser.ServerUserID());
            typed(response, "RequestID", parser.RequestID());
        }
        typed(response, "return", parser.ReturnValue());
    } else {
        u3::TXMLTag& call = body.AddChild("m:" + parser.Operation());
        call.AddAttribute("xmlns:m", parser.URN());
        if (!pms) {
            typed(call, "ServerUserID", parser.ServerUserID());
            typed(call, "RequestID", parser.RequestID());
        }
        for (int i = 0; i < parser.ParamCount(); ++i) {
            const auto& entry = parser.Params().At(i);
            u3::TXMLTag& element =
                pms ? call.AddChild("p:" + entry.name, entry.value) : typed(call, entry.name, entry.value);
            for (const auto& [name, value] : entry.attributes)
                element.AddAttribute(name, value);
        }
    }
    return document.SaveToString();
}

// Every form of envelope, with names the model splits at a colon, attributes
// and values full of reserved characters, comes out as the XML model would
// write the same tree; and names the model refuses are refused alike, leaving
// the caller's text as it was.
TEST(Te3SOAPParserTest, EnvelopesAreWrittenAsTheXMLModelWritesThem)
{
    const std::string special = "<&>'\"\r\n\t \xC3\xA4";
    auto request = [&](Te3SOAPParser& p, const std::string& urn) {
        p.SetURN(urn);
        p.SetServerUserID("U" + special);
        p.SetRequestID("R&1");
        p.SetOperation("Op:Name");
        p.SetParam("plain", std::string(40, 'x') + special + std::string(40, 'y'));
        p.SetParam(":leading", "v");
        p.SetParam("a:b:c", "");
        p.SetParamAttribute(":leading", "href", "cid:" + special);
        p.SetParamAttribute(":leading", ":x", "1");
        p.SetParamAttribute("plain", "q:r", "2");
        p.SetParamAttribute("plain", "q", "3");
    };
    using Setup = std::function<void(Te3SOAPParser&)>;
    const std::vector<std::pair<const char*, Setup>> forms = {
        {"call", [&](Te3SOAPParser& p) { request(p, enginelink::kGUIEngineURN); }},
        {"gateway call", [&](Te3SOAPParser& p) { request(p, enginelink::kPMSGatewayURN); }},
        {"gateway call without parameters", [](Te3SOAPParser& p) {
             p.SetURN(enginelink::kPMSGatewayURN);
             p.SetOperation("Ping");
         }},
        {"call without anything", [](Te3SOAPParser&) {}},
        {"response", [&](Te3SOAPParser& p) {
             p.SetURN("urn:" + special);
             p.SetOperation("GetFile");
             p.SetServerUserID("U1");
             p.SetResult(special + std::string(100, 'Z') + special);
         }},
        {"gateway response", [&](Te3SOAPParser& p) {
             p.SetURN(enginelink::kPMSGatewayURN);
             p.SetOperation("Submit");
             p.SetRequestID(special);
             p.SetResult("1");
         }},
        {"fault", [&](Te3SOAPParser& p) {
             p.SetOperation(special);
             p.SetServerUserID("U9");
             p.SetFaultString("no " + special);
             p.SetResult("not written");
         }},
    };
    for (const auto& [label, setup] : forms) {
        SCOPED_TRACE(label);
        Te3SOAPParser parser;
        setup(parser);
        std::string text = "previous text";
        parser.WriteEnvelope(text);
        EXPECT_EQ(text, ModelEnvelope(parser));
        // Written again into storage already large enough: the same text.
        parser.WriteEnvelope(text);
        EXPECT_EQ(text, ModelEnvelope(parser));
    }

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"TYPE", enginelink::kGUIEngineURN}, // the local name of xsi:type
        {"x", enginelink::kPMSGatewayURN},   // after "a:x"
    };
    for (const auto& [attribute, urn] : refused) {
        SCOPED_TRACE(attribute);
        Te3SOAPParser parser;
        parser.SetURN(urn);
        parser.SetOperation("Op");
        parser.SetParamAttribute("p", "a:x", "1");
        parser.SetParamAttribute("p", attribute, "2");
        std::string text = "previous text";
        EXPECT_THROW(ModelEnvelope(parser), u3::EXMLSimpleException);
        EXPECT_THROW(parser.WriteEnvelope(text), u3::EXMLSimpleException);
        EXPECT_EQ(text, "previous text");
    }
    // Many attributes on one parameter are checked the same way.
    Te3SOAPParser many;
    many.SetOperation("Op");
    for (int i = 0; i < 40; ++i)
        many.SetParamAttribute("p", "n:a" + std::to_string(i), "v");
    std::string text;
    many.WriteEnvelope(text);
    EXPECT_EQ(text, ModelEnvelope(many));
    many.SetParamAttribute("p", "A39", "v");
    EXPECT_THROW(many.WriteEnvelope(text), u3::EXMLSimpleException);
}

TEST(Te3SOAPParserTest, ALongReturnValueIsReadWholeAndTakenOut)
{
    // Long enough to leave the string's own small buffer, with escapes at both
    // ends and a line break kept inside the value.
    const std::string value = std::string(70000, 'A') + "\r\n" + std::string(70000, '/');
    Te3SOAPParser parser;
    parser.ReadEnvelope("<Envelope><Body><GetFileResponse><return>&amp;" + value +
                        "&lt;</return></GetFileResponse></Body></Envelope>");
    EXPECT_EQ(parser.ReturnValue(), "&" + value + "<");
    EXPECT_EQ(parser.TakeReturnValue(), "&" + value + "<");
    EXPECT_EQ(parser.ReturnValue(), "");
    EXPECT_TRUE(parser.ResponseMode());
}

// What one reading left in the parser, or what it threw.
std::string ReadingOf(const std::function<void(Te3SOAPParser&)>& read)
{
    Te3SOAPParser parser;
    try {
        read(parser);
    } catch (const std::exception& error) {
        return std::string("threw: ") + error.what();
    }
    std::string out = "op=" + parser.Operation() + "|fault=" + parser.FaultString() + "|user=" +
                      parser.ServerUserID() + "|request=" + parser.RequestID() +
                      "|response=" + (parser.ResponseMode() ? "1" : "0") + "|return=" + parser.ReturnValue();
    for (int i = 0; i < parser.ParamCount(); ++i)
        out += "|" + parser.Params().At(i).name + "=" + parser.Params().At(i).Value();
    return out;
}

TEST(Te3SOAPParserTest, AReplyGivenUpReadsAsTheSameReplyKept)
{
    // A reply the caller gives up has its long return value taken where it
    // lies; every reply must read exactly as it does when kept.
    const std::string run = std::string(70000, 'Q') + "+/09";
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    const auto reply = [&](const std::string& inner, const std::string& head = "") {
        return (head.empty() ? decl : head) + "<SOAP-ENV:Envelope><SOAP-ENV:Body>" + inner +
               "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    };
    const std::string ids = "<ServerUserID>u-1</ServerUserID><RequestID>9</RequestID>";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"plain", reply("<NS1:GetFileResponse>" + ids + "<return xsi:type=\"xsd:string\">" + run +
                        "</return></NS1:GetFileResponse>")},
        {"escapes", reply("<GetFileResponse><return>&amp;" + run + "&#x41;&lt;</return></GetFileResponse>")},
        {"line breaks", reply("<GetFileResponse><return>" + run + "\r\n" + run + "\n" + run +
                              "</return></GetFileResponse>")},
        {"long comment", reply("<!-- " + run + " --><GetFileResponse><return>ok</return></GetFileResponse>")},
        {"comment ends in the run",
         reply("<!-- a>" + run + " --><GetFileResponse><return>ok</return></GetFileResponse>")},
        {"'>' in an attribute", reply("<GetFileResponse><return a=\"x>y\">" + run + "</return></GetFileResponse>")},
        {"second response", reply("<AResponse><return>" + run + "</return></AResponse>"
                                  "<BResponse><return>last</return></BResponse>")},
        {"call parameter", reply("<DoIt><FileName>" + run + "</FileName><Path>/x</Path></DoIt>")},
        {"fault", reply("<Fault><faultstring>" + run + "</faultstring></Fault>")},
        {"stand-in elsewhere", reply("<GetFileResponse><ServerUserID>e3LongTextRunStandIn7q2Zx9</ServerUserID>"
                                     "<return>" + run + "</return></GetFileResponse>")},
        {"not well-formed", reply("<GetFileResponse><return>" + run + "</retur></GetFileResponse>")},
        {"no envelope", decl + "<Other><Body><GetFileResponse><return>" + run +
                            "</return></GetFileResponse></Body></Other>"},
        {"code page", reply("<GetFileResponse><return>\xE9" + run + "</return></GetFileResponse>",
                            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>")},
        {"no encoding", reply("<GetFileResponse><return>\xE9" + run + "</return></GetFileResponse>",
                              "<?xml version=\"1.0\"?>")},
        {"short", reply("<GetFileResponse><return>short &amp; plain</return></GetFileResponse>")},
        {"broken UTF-8", reply("<GetFileResponse><return>" + run + "\xFF\xFE" + run + "</return></GetFileResponse>")},
        {"control character", reply("<GetFileResponse><return>" + run + "\x01" + run + "</return></GetFileResponse>")},
        {"blanks", reply("<GetFileResponse><return>  " + run + " " + run + "  </return></GetFileResponse>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string kept = ReadingOf([&](Te3SOAPParser& p) { p.ReadEnvelope(c.text); });
        const std::string givenUp = ReadingOf([&](Te3SOAPParser& p) { p.ReadEnvelope(std::string(c.text)); });
        EXPECT_EQ(givenUp, kept);
    }
    // The whole value comes back, escapes decoded, either way.
    Te3SOAPParser parser;
    parser.ReadEnvelope(std::string(cases[1].text));
    EXPECT_EQ(parser.TakeReturnValue(), "&" + run + "A<");
    parser.ReadEnvelope(std::string(cases[0].text));
    EXPECT_EQ(parser.TakeReturnValue(), run);
}

TEST(Te3SOAPParserTest, EveryEnvelopeFormIsWellFormedXML)
{
    Te3SOAPParser request;
    PrepareExecuteEvent(request);
    request.SetAttachment("/tmp/in/Form 1.tif", false);

    Te3SOAPParser pms;
    pms.SetURN("URN:SOAPSERVER_INTF-IIPMSGATEWAY"); // compared without case
    pms.SetOperation("\"Submit\"");
    pms.SetServerUserID("never written");
    pms.SetParam("meta", "<?xml version=\"1.0\"?>\r\n<req id='1'>x &amp; y</req>");

    Te3SOAPParser response;
    response.SetURN(enginelink::kGUIEngineURN);
    response.SetOperation("GetFile");
    response.SetServerUserID("U1");
    response.SetResult("ok <done>");

    Te3SOAPParser pmsResponse;
    pmsResponse.SetURN(enginelink::kPMSGatewayURN);
    pmsResponse.SetOperation("Submit");
    pmsResponse.SetResult("1");

    Te3SOAPParser fault;
    fault.SetOperation("Connect");
    fault.SetServerUserID("U9");
    fault.SetFaultString("no \"engine\"");

    const std::string pmsText = Envelope(pms);
    EXPECT_THAT(pmsText, testing::HasSubstr(" xmlns:p=\"http://pms.e3filing.local/pms/types\">\r\n"));
    EXPECT_THAT(pmsText, testing::HasSubstr(
                             "<m:Submit xmlns:m=\"URN:SOAPSERVER_INTF-IIPMSGATEWAY\">\r\n"
                             "            <p:meta>&lt;?xml version=&quot;1.0&quot;?&gt;&#xD;&#xA;&lt;req "
                             "id=&apos;1&apos;&gt;x &amp;amp; y&lt;/req&gt;</p:meta>\r\n"
                             "        </m:Submit>"));
    EXPECT_THAT(pmsText, testing::Not(testing::HasSubstr("ServerUserID")));

    const std::string requestText = Envelope(request);
    EXPECT_THAT(requestText,
                testing::HasSubstr("<attachment xsi:type=\"xsd:string\" href=\"cid:Form 1\"></attachment>"));

    const std::string pmsResponseText = Envelope(pmsResponse);
    EXPECT_THAT(pmsResponseText, testing::HasSubstr("<p:ServerUserID></p:ServerUserID>\r\n"
                                                    "            <p:RequestID></p:RequestID>\r\n"
                                                    "            <return xsi:type=\"xsd:string\">1</return>"));
    EXPECT_THAT(Envelope(fault), testing::HasSubstr("<SOAP-ENV:Fault>\r\n"
                                                    "            <faultcode>SOAP-ENV:Server.Connect</faultcode>\r\n"
                                                    "            <faultstring>no &quot;engine&quot;</faultstring>\r\n"
                                                    "            <faultactor>U9</faultactor>\r\n"));

    for (Te3SOAPParser* parser : {&request, &pms, &response, &pmsResponse, &fault}) {
        const std::string text = Envelope(*parser);
        SCOPED_TRACE(text);
        EXPECT_TRUE(text.starts_with(kHead));
        e3test::RunProgram({"xmllint", "--noout", "-"}, text);
    }
}

// What one parser writes, another reads back: names, values with markup and
// line breaks, and attributes.
TEST(Te3SOAPParserTest, WrittenRequestReadsBack)
{
    Te3SOAPParser writer;
    PrepareExecuteEvent(writer);
    writer.SetParam("Text", "\xD0\x9F\xD1\x80\xD0\xB8 & <\xE2\x82\xAC>");
    writer.SetParamAttribute("Text", "note", "x\"y");

    Te3SOAPParser reader;
    reader.ReadEnvelope(Envelope(writer));
    EXPECT_EQ(reader.Operation(), "ExecuteEvent");
    EXPECT_EQ(reader.ServerUserID(), "U1");
    EXPECT_EQ(reader.RequestID(), "R7");
    EXPECT_EQ(reader.GetParam("eventvalues"), "a<b & \"c\"\r\nline2");
    EXPECT_EQ(reader.GetParam("Text"), "\xD0\x9F\xD1\x80\xD0\xB8 & <\xE2\x82\xAC>");
    EXPECT_EQ(reader.GetParamAttribute("Text", "note"), "x\"y");
    EXPECT_EQ(reader.GetParamAttribute("Text", "type"), "xsd:string");
    // RequestID is read as a parameter as well; ServerUserID is not.
    ASSERT_EQ(reader.ParamCount(), 7);
    EXPECT_EQ(reader.Params().At(0).name, "RequestID");
    EXPECT_EQ(reader.Params().At(3).name, "SenderType");
    EXPECT_EQ(reader.Params().At(3).value, "");
}

TEST(Te3SOAPParserTest, ReadsRepliesOfEveryForm)
{
    struct Case {
        const char* name;
        std::string body;
        std::string operation, returnValue, fault, serverUserID;
        bool response;
    };
    auto envelope = [](const std::string& body, const std::string& root = "SOAP-ENV:Envelope") {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + root +
               " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">" + body + "</" + root + ">";
    };
    const Case cases[] = {
        {"prefixed response", "<SOAP-ENV:Body><ns1:GetFileResponse><return>f.tif</return>"
                              "<ServerUserID>S</ServerUserID></ns1:GetFileResponse></SOAP-ENV:Body>",
         "", "f.tif", "", "S", true},
        {"response in other letter case", "<body><getfileRESPONSE><return>r</return></getfileRESPONSE></body>",
         "", "r", "", "", true},
        {"fault", "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>x</faultcode><faultstring>boom &amp; more"
                  "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body>",
         "", "", "boom & more", "", false},
        {"comments inside the body are skipped", "<SOAP-ENV:Body><!-- first --><m:OnMessage><a>1</a>"
                                                 "</m:OnMessage><!--last--></SOAP-ENV:Body>",
         "OnMessage", "", "", "", false},
        {"no body", "<Header/>", "", "", "", "", false},
        {"UTF-8 values", "<Body><R>\xC3\xA9t\xC3\xA9</R><XResponse><return>\xE2\x82\xAC</return></XResponse></Body>",
         "R", "\xE2\x82\xAC", "", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Te3SOAPParser parser;
        parser.SetServerUserID("before");
        parser.ReadEnvelope(envelope(c.body));
        EXPECT_EQ(parser.Operation(), c.operation);
        EXPECT_EQ(parser.ReturnValue(), c.returnValue);
        EXPECT_EQ(parser.FaultString(), c.fault);
        EXPECT_EQ(parser.ResponseMode(), c.response);
        if (c.body != "<Header/>")
            EXPECT_EQ(parser.ServerUserID(), c.serverUserID);
        else
            EXPECT_EQ(parser.ServerUserID(), "before");
    }

    Te3SOAPParser plain;
    plain.ReadEnvelope(envelope("<Body><GoResponse><return>ok</return></GoResponse></Body>", "Envelope"));
    EXPECT_EQ(plain.ReturnValue(), "ok");

    const std::string lower = envelope("<Body/>", "envelope");
    Te3SOAPParser parser;
    try {
        parser.ReadEnvelope(lower);
        FAIL() << "a lower-case root was accepted";
    } catch (const u3::EXMLSimpleException&) {
        FAIL() << "wrong exception";
    } catch (const u3::Exception& e) {
        EXPECT_EQ(std::string(e.what()), "SOAP error: Wrong XML format in the SOAP response (\"" + lower + "\")");
    }
    EXPECT_THROW(parser.ReadEnvelope("<Envelope><Body></Envelope>"), u3::EXMLSimpleException);
    EXPECT_THROW(parser.ReadEnvelope(""), u3::Exception);
}

TEST(Te3SOAPParserTest, ParametersFollowTheListRules)
{
    Te3SOAPParser parser;
    parser.SetParam("A", "1");
    parser.SetParam("b", "2");
    parser.SetParam("a", "3"); // replaces, keeps its place and first spelling
    parser.SetParamAttribute("C", "href", "cid:x");
    parser.SetParamAttribute("c", "HREF", "cid:y");
    parser.SetParamAttribute("c", "z", "1");
    ASSERT_EQ(parser.ParamCount(), 3);
    EXPECT_EQ(parser.Params().At(0).name, "A");
    EXPECT_EQ(parser.GetParam("A"), "3");
    EXPECT_EQ(parser.GetParamAttribute("C", "Href"), "cid:y");
    parser.SetParamAttribute("c", "href", "");
    EXPECT_EQ(parser.Params().At(2).attributes.size(), 1u);
    EXPECT_EQ(parser.GetParamAttribute("c", "z"), "1");
    parser.SetParam("A", ""); // removes
    EXPECT_EQ(parser.ParamCount(), 2);
    EXPECT_EQ(parser.GetParam("b"), "2");
    EXPECT_EQ(parser.GetParamAttribute("C", "z"), "1");

    // A reply naming a parameter twice: the second replaces the first, an
    // empty second removes it.
    parser.Clear(true);
    EXPECT_EQ(parser.GetParam("b"), "");
    parser.ReadEnvelope("<Envelope><Body><Op><x k=\"1\">one</x><y>keep</y><x>two</x><y/><y>again</y>"
                        "<ServerUserID>s</ServerUserID></Op></Body></Envelope>");
    ASSERT_EQ(parser.ParamCount(), 2);
    EXPECT_EQ(parser.Params().At(0).name, "x");
    EXPECT_EQ(parser.GetParam("x"), "two");
    EXPECT_EQ(parser.GetParamAttribute("x", "k"), "1");
    EXPECT_EQ(parser.Params().At(1).name, "y");
    EXPECT_EQ(parser.GetParam("y"), "again");
    EXPECT_EQ(parser.ServerUserID(), "s");
}

TEST(Te3SOAPParserTest, ClearKeepsWhatLastsBetweenCalls)
{
    e3test::TempDir temp;
    Te3SOAPParser parser;
    parser.SetURN(enginelink::kGUIEngineURN);
    parser.SetAttachmentDir(temp.str() + "/att");
    parser.SetRequestID("R1");
    parser.SetServerUserID("U");
    parser.SetOperation("Op");
    parser.SetParam("p", "v");
    parser.SetFaultString("f");
    parser.SetResult("r");
    parser.SetAttachment(temp.str() + "/x.bin", true);
    EXPECT_EQ(parser.Boundary(), "Mime_boundary__");
    EXPECT_EQ(parser.GetParamAttribute("rattachment", "href"), "cid:x");

    parser.Clear(false);
    EXPECT_EQ(parser.ServerUserID(), "U");
    parser.Clear(true);
    EXPECT_EQ(parser.ServerUserID(), "");
    EXPECT_EQ(parser.Operation(), "");
    EXPECT_EQ(parser.ParamCount(), 0);
    EXPECT_EQ(parser.FaultString(), "");
    EXPECT_EQ(parser.ReturnValue(), "");
    EXPECT_FALSE(parser.ResponseMode());
    EXPECT_FALSE(parser.Multipart());
    EXPECT_EQ(parser.Boundary(), "");
    EXPECT_EQ(parser.AttachmentFileName(), "");
    EXPECT_EQ(parser.URN(), enginelink::kGUIEngineURN);
    EXPECT_EQ(parser.RequestID(), "R1");
    EXPECT_EQ(parser.GetAttachmentDir(), temp.str() + "/att/");
    EXPECT_TRUE(fs::is_directory(temp.str() + "/att"));
}

TEST(Te3SOAPParserTest, NamesAndOperationQuotes)
{
    const std::pair<std::string, std::string> operations[] = {
        {"'Connect'", "Connect"}, {"\"Connect\"", "Connect"}, {"'Connect\"", "'Connect\""},
        {"'", "'"},               {"''", ""},                 {"Con'nect", "Con'nect"},
    };
    for (const auto& [given, stored] : operations) {
        Te3SOAPParser parser;
        parser.SetOperation(given);
        EXPECT_EQ(parser.Operation(), stored) << given;
    }
    EXPECT_EQ(Te3SOAPParser::LocalName("a:b:c"), "b:c");
    EXPECT_EQ(Te3SOAPParser::LocalName("abc"), "abc");
}

TEST(Te3SOAPParserTest, MultipartRequestCarriesTheFileBytes)
{
    e3test::TempDir temp;
    const std::string bytes("\r\n\0\xff--Mime_boundary__ x\r\n", 25);
    const std::string file = temp.write("scan.page.tif", bytes);

    Te3SOAPParser parser;
    parser.SetURN(enginelink::kGUIEngineURN);
    parser.SetOperation("SetFile");
    parser.SetAttachment(file, false);
    std::string envelope;
    parser.WriteEnvelope(envelope);
    const std::string tail = "--Mime_boundary__\r\n"
                             "Content-Type: application/binary\r\n"
                             "Content-transfer-encoding: binary\r\n"
                             "Content-ID: <scan.page>\r\n";
    const std::string expected = "--Mime_boundary__\r\n"
                                 "Content-Type: text/xml\r\n"
                                 "Content-ID: <http://pms.e3filing.local/pms/response.xml>\r\n"
                                 "Content-Length: " +
                                 std::to_string(envelope.size()) + "\r\n\r\n" + envelope + "\r\n\r\n" + tail;
    EXPECT_EQ(parser.BuildMultipartBody(), expected + "Content-Length: 25\r\n\r\n" + bytes + "\r\n--Mime_boundary__--\r\n");

    fs::remove(file);
    EXPECT_EQ(parser.BuildMultipartBody(), expected + "Content-Length: 0\r\n\r\n\r\n--Mime_boundary__--\r\n");

    parser.SetAttachment("", false);
    EXPECT_EQ(parser.BuildMultipartBody(), envelope);
}

TEST(Te3SOAPParserTest, MultipartBodyReadsBackIntoEnvelopeAndFile)
{
    e3test::TempDir temp;
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    bytes = "\r\n" + bytes + "\r\n--Mime_boundary_"; // data that looks like its frame
    const std::string file = temp.write("out/Image-7.jpg", bytes);

    Te3SOAPParser sender;
    sender.SetURN(enginelink::kGUIEngineURN);
    sender.SetOperation("SetFile");
    sender.SetParam("FileName", "Image-7.jpg");
    sender.SetAttachment(file, false);
    const std::string body = sender.BuildMultipartBody();

    Te3SOAPParser receiver;
    receiver.SetAttachmentDir(temp.str() + "/in");
    receiver.SetMultipart(true);
    receiver.ReadMultipartBody(body.data(), body.size());
    EXPECT_EQ(receiver.Operation(), "SetFile");
    EXPECT_EQ(receiver.GetParam("FileName"), "Image-7.jpg");
    EXPECT_EQ(receiver.GetParamAttribute("attachment", "href"), "cid:Image-7");
    ASSERT_EQ(receiver.ReceivedFiles(), std::vector<std::string>{temp.str() + "/in/Image-7"});
    EXPECT_EQ(ReadFile(temp.str() + "/in/Image-7"), bytes);
}

std::string BinaryPart(const std::string& header, const std::string& data)
{
    return "--b1\r\nContent-Type: application/octet-stream\r\n" + header + "\r\n" + data + "\r\n";
}

TEST(Te3SOAPParserTest, BinaryPartsAreCutByteForByte)
{
    const std::string envelopePart = "--b1\r\nContent-Type: text/xml; charset=utf-8\r\n\r\n"
                                     "<Envelope><Body><GetFileResponse><return>done</return></GetFileResponse>"
                                     "</Body></Envelope>\r\n";
    struct Case {
        const char* name;
        std::string parts;
        std::vector<std::pair<std::string, std::string>> files;
    };
    const Case cases[] = {
        {"last part without Content-Length", BinaryPart("Content-ID: <cid:x/y/abc>\r\n", "\x01\r\n\x02"),
         {{"abc", "\x01\r\n\x02"}}},
        {"a part that begins with line breaks and is not the last",
         BinaryPart("Content-ID: first\r\n", "\r\n\r\nPK") + BinaryPart("Content-ID: second\r\n", "\n"),
         {{"first", "\r\n\r\nPK"}, {"second", "\n"}}},
        {"Content-Length shorter than the part is kept",
         BinaryPart("Content-ID: <short>\r\nContent-Length: 2\r\n", "abcd"), {{"short", "ab"}}},
        {"Content-Length beyond the part stops at its boundary",
         BinaryPart("Content-ID: <long>\r\nContent-Length: 999999\r\n", "abcd") +
             BinaryPart("Content-ID: <next>\r\n", "x"),
         {{"long", "abcd"}, {"next", "x"}}},
        {"Content-ID cut at either slash", BinaryPart("Content-ID: <..\\..\\evil.txt>\r\n", "e"), {{"evil.txt", "e"}}},
        {"Content-IDs that name no file are skipped",
         BinaryPart("Content-ID: <..>\r\n", "1") + BinaryPart("Content-ID: <a/.>\r\n", "2") +
             BinaryPart("Content-ID: <a/>\r\n", "3") + BinaryPart("", "4"),
         {}},
        {"other types are not saved", "--b1\r\nContent-Type: text/plain\r\nContent-ID: <t>\r\n\r\nx\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e3test::TempDir temp;
        const std::string folder = temp.str() + "/att";
        {
            Te3SOAPParser parser;
            parser.SetAttachmentDir(folder);
            parser.SetMultipart(true);
            parser.SetBoundary("b1");
            const std::string body = envelopePart + c.parts + "--b1--\r\n";
            parser.ReadMultipartBody(body.data(), body.size());
            EXPECT_EQ(parser.ReturnValue(), "done");
            std::vector<std::string> names;
            for (const auto& [name, data] : c.files) {
                names.push_back(name);
                EXPECT_EQ(ReadFile(folder + "/" + name), data) << name;
            }
            std::vector<std::string> sorted = names;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(FolderEntries(folder), sorted);
            std::vector<std::string> received;
            for (const auto& name : names)
                received.push_back(folder + "/" + name);
            EXPECT_EQ(parser.ReceivedFiles(), received);
        }
        EXPECT_FALSE(fs::exists(folder)) << "the parser removes its attachment folder";
        EXPECT_TRUE(fs::is_directory(temp.path()));
    }
}

TEST(Te3SOAPParserTest, MissingClosingBoundaryFailsAndLeavesNoFile)
{
    const std::string bodies[] = {
        BinaryPart("Content-ID: <part>\r\n", "half of the data"),
        BinaryPart("Content-ID: <part>\r\n", "all") + "--b1\r\n",
        "--b1\r\nContent-Type: text/xml\r\n\r\n<Envelope><Body><XResponse><return>1</return>",
    };
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body);
        e3test::TempDir temp;
        Te3SOAPParser parser;
        parser.SetAttachmentDir(temp.str() + "/att");
        parser.SetMultipart(true);
        parser.SetBoundary("b1");
        EXPECT_THROW(parser.ReadMultipartBody(body.data(), body.size()), u3::Exception);
        EXPECT_EQ(FolderEntries(temp.str() + "/att"), std::vector<std::string>{});
        EXPECT_EQ(parser.ReceivedFiles(), std::vector<std::string>{});
        EXPECT_EQ(parser.ReturnValue(), "");
    }
}

TEST(Te3SOAPParserTest, EnvelopePartEncodingsAndCharsets)
{
    // "Привет" in KOI8-R and UTF-8.
    const std::string koi8 = "\xF0\xD2\xC9\xD7\xC5\xD4";
    const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const std::string reply = "<Envelope><Body><XResponse><return>%s</return></XResponse></Body></Envelope>";
    auto with = [&](const std::string& declaration, const std::string& value) {
        std::string text = declaration + reply;
        return text.replace(text.find("%s"), 2, value);
    };
    struct Case {
        const char* name;
        std::string header;
        std::string data;
    };
    const Case cases[] = {
        {"koi8-r part without declaration", "Content-Type: text/xml; charset=\"KOI8-R\"\r\n", with("", koi8)},
        {"koi8-r part declared as such", "Content-Type: text/xml; charset=koi8-r\r\n",
         with("<?xml version=\"1.0\" encoding=\"KOI8-R\"?>", koi8)},
        {"utf-8 part declared as UTF-8", "Content-Type: text/xml; charset=utf-8\r\n",
         with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", utf8)},
        {"utf-8 part declared as KOI8-R", "Content-Type: text/xml; charset=utf-8\r\n",
         with("<?xml version=\"1.0\" encoding='KOI8-R'?>", utf8)},
        {"xop part of type text/xml, base64 over lines", "Content-Type: application/xop+xml; type=\"text/xml\"\r\n"
                                                         "Content-Transfer-Encoding: base64\r\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data = c.data;
        if (data.empty()) {
            // Lines cut inside a name and inside a UTF-8 sequence.
            const std::string encoded = u3::StringToBase64(with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", utf8));
            for (std::size_t i = 0; i < encoded.size(); i += 20)
                data += encoded.substr(i, 20) + "\r\n";
            data.resize(data.size() - 2);
        }
        const std::string body = "--b1\r\n" + c.header + "\r\n" + data + "\r\n--b1--";
        e3test::TempDir temp;
        Te3SOAPParser parser;
        parser.SetAttachmentDir(temp.str() + "/att");
        parser.SetBoundary("b1");
        parser.SetMultipart(true);
        parser.ReadMultipartBody(body.data(), body.size());
        EXPECT_EQ(parser.ReturnValue(), utf8);
    }
}

TEST(Te3SOAPParserTest, AttachmentFolderIsMadeAndRemoved)
{
    e3test::TempDir temp;
    const std::string tmpdir = temp.str() + "/tmp";
    fs::create_directories(tmpdir);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    u3::SetExeNameOverride(temp.str() + "/inst/bin/client");

    std::string made;
    {
        Te3SOAPParser parser;
        made = parser.GetAttachmentDir();
        EXPECT_EQ(made.rfind(temp.str() + "/inst/data/temp/", 0), 0u) << made;
        EXPECT_EQ(made.back(), '/');
        EXPECT_EQ(parser.GetAttachmentDir(), made);
        std::ofstream(made + "kept-until-the-end") << "x";
    }
    EXPECT_FALSE(fs::exists(made));
    EXPECT_TRUE(fs::is_directory(temp.str() + "/inst/data/temp"));

    // The installation's data folder cannot hold a temp folder: a private one
    // of the user takes its place.
    u3::SetExeNameOverride(temp.str() + "/blocked/bin/client");
    temp.write("blocked/data", "a file where the folder should be");
    {
        Te3SOAPParser parser;
        made = parser.GetAttachmentDir();
        EXPECT_EQ(made.rfind(tmpdir + "/e3-attachments-", 0), 0u) << made;
        EXPECT_EQ(fs::status(fs::path(made).parent_path().parent_path()).permissions() & fs::perms::all,
                  fs::perms::owner_all);
    }
    EXPECT_FALSE(fs::exists(made));

    u3::SetExeNameOverride("");
    if (oldTmp)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST(Te3SOAPParserTest, ContentIDFileNames)
{
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "abc"}, {"cid:a/b/abc", "abc"}, {"..\\x", "x"}, {"a\\b/c", "c"},
        {"", ""},       {".", ""},              {"..", ""},     {"x/..", ""},
        {"x/", ""},     {std::string("a\0b", 3), ""},
    };
    for (const auto& [id, name] : cases)
        EXPECT_EQ(enginelink::Te3SOAPMimeDecoder::ContentIDFileName(id), name) << id;
}

} // namespace
