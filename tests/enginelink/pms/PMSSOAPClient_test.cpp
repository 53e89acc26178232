#include "enginelink/pms/PMSSOAPClient.h"

#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include "u3/XMLParser.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace enginelink;

const std::string kZips = E3_TEST_DATA_DIR "/zip/";

std::string EnvelopeWith(const std::string& children)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body><m:validateResult xmlns:m=\"urn:SOAPServer_Intf-IIPMSGateway\">" +
        children + "</m:validateResult></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

const std::string kGatewayResponse =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KVT_2_PMS_response mode=\"demo\" language=\"en\" "
    "result=\"success\"><note>gr\xc3\xbc\xc3\x9f &amp; more</note></KVT_2_PMS_response>\n";

std::string Escaped(const std::string& text)
{
    return u3::EscapeXMLText(text);
}

// A reply that returns an archive named by href as its binary part cid.
e3test::LoopbackHttpServer::Reply ArchiveReply(const std::string& href, const std::string& cid,
                                               const std::string& archive)
{
    const std::string envelope = EnvelopeWith("<PMSResponse>" + Escaped(kGatewayResponse) +
                                              "</PMSResponse><rattachment href=\"" + href + "\"/>");
    e3test::LoopbackHttpServer::Reply reply;
    reply.contentType = "multipart/related; boundary=\"BB\"";
    reply.body = "--BB\r\nContent-Type: text/xml\r\nContent-ID: <env>\r\n\r\n" + envelope +
        "\r\n--BB\r\nContent-Type: application/binary\r\nContent-ID: <" + cid + ">\r\n\r\n" + archive +
        "\r\n--BB--\r\n";
    return reply;
}

class PMSClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        out = (dir.path() / "out").string();
        file = dir.write("app.xml", "<application/>");
    }

    // One run: the exit code RunPMSBatch would give.
    int Run(std::vector<std::string> args, int retries = 1)
    {
        TPMSSOAPClient client("127.0.0.1", std::to_string(server.port()), true);
        client.SetRetries(retries);
        args.insert(args.begin(), "filingclient");
        client.SetCommandLine(args);
        std::string result;
        try {
            client.Call(result);
            EXPECT_TRUE(result.empty());
            return client.ResponseWritten() ? kPMSExitResponseWritten : kPMSExitNothingWritten;
        } catch (const EPMSFatal& fatal) {
            return fatal.ResponseWritten() ? kPMSExitErrorWritten : kPMSExitNothingWritten;
        }
    }

    std::string Response() const { return e3test::ReadWholeFile(out + "/PMSResponse.xml"); }
    // The text of the error response's one return value, and its id.
    std::string ErrorText(std::string* id = nullptr) const
    {
        auto document = u3::TXMLParser(Response()).Parse();
        u3::TXMLTag* value = document->Root()->FindChild("return_values")->FindChild("return_value");
        if (id)
            *id = value->AttributeValue("error_ID");
        return value->GetValue();
    }

    e3test::TempDir dir;
    e3test::LoopbackHttpServer server;
    std::string out;
    std::string file;
};

// What each command line puts into the request, and the errors it raises
// before anything is sent.
TEST_F(PMSClientTest, CommandLineFillsTheRequest)
{
    const std::string fax = dir.write("sig/fax.tif", "II*");
    TPMSSOAPClient client("127.0.0.1", "1", true);
    auto parse = [&](std::vector<std::string> args) -> TPMSInput& {
        args.insert(args.begin(), "filingclient");
        args.push_back("-Outputdir=" + out);
        client.SetCommandLine(args);
        client.ParseCommandLine();
        return client.Input();
    };

    TPMSInput& input = parse({"-VALIDATE", "-filename=\"" + file + "\"", "-PdfPreview= 1 ", "-UserName=u"});
    EXPECT_EQ(input.GetAction().GetActionType(), 0);
    EXPECT_EQ(client.AttachmentFileName(), file);
    EXPECT_TRUE(input.GetAction().PdfPreview);
    EXPECT_EQ(input.UserName, "u");
    EXPECT_EQ(input.Language, 0); // absent: no code
    EXPECT_EQ(client.OutputDir(), out + "/");
    EXPECT_TRUE(fs::is_directory(out));

    parse({"-send", "-FileName=" + file, "-ApplID=12", "-Mode=Production", "-Language=de"});
    EXPECT_EQ(client.AttachmentFileName(), "");
    EXPECT_EQ(input.GetAction().ApplicationID, 12);
    EXPECT_EQ(input.Mode, 1);
    EXPECT_EQ(input.Language, 3);

    parse({"-exportzip", "-ApplID=abc", "-Mode=test", "-Language=xx", "-ApplState=Ready_To_Send", "-Folder=F"});
    EXPECT_EQ(input.GetAction().ApplicationID, -1);
    EXPECT_EQ(input.Mode, 0);
    EXPECT_EQ(input.Language, 1);
    EXPECT_EQ(input.GetAction().ApplicationState, 3);
    EXPECT_EQ(input.GetAction().Folder, "F");

    // Type N reads no signatories and no final flag.
    parse({"-sign", "-SignatureType=N", "-isfinal=1", "-signfile=" + fax});
    EXPECT_FALSE(input.GetAction().FinalSignature);
    EXPECT_EQ(input.GetAction().SignatoriesXML, "");
    EXPECT_EQ(client.AttachmentFileName(), "");

    parse({"-sign", "-SignatureType=f", "-signfile=" + fax, "-isfinal=1", "-applicantname=Ana", "-applnametype=o"});
    EXPECT_TRUE(input.GetAction().FinalSignature);
    EXPECT_EQ(client.AttachmentFileName(), fax);
    const std::string& xml = input.GetAction().SignatoriesXML;
    EXPECT_NE(xml.find("<fax-image file=\"fax.tif\">"), std::string::npos) << xml;
    EXPECT_EQ(xml.find(dir.str()), std::string::npos) << "only the file's name goes into the record";
    EXPECT_NE(xml.find("name-type=\"organisational\""), std::string::npos);

    parse({"-sign", "-SignatureType=A", "-signature=Ana R."});
    EXPECT_NE(input.GetAction().SignatoriesXML.find("<text-string>Ana R.</text-string>"), std::string::npos);

    struct Failure {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Failure> failures = {
        {{"-validate"}, "Required file name is missing"},
        {{"-import", "-FileName=\"" + out + "/none.xml\""}, "File " + out + "/none.xml was not found"},
        {{"-sign", "-SignatureType=F"}, "Required file name is missing"},
        {{"-frobnicate"}, "Command -frobnicate is not supported"},
        {{"-Outputdir=" + out}, "Command -Outputdir=" + out + " is not supported"},
    };
    for (const Failure& failure : failures) {
        try {
            parse(failure.args);
            ADD_FAILURE() << failure.message;
        } catch (const EPMSException& e) {
            EXPECT_EQ(e.what(), failure.message);
        }
    }
    // The program alone: no command at all.
    client.SetCommandLine({"filingclient"});
    try {
        client.ParseCommandLine();
        ADD_FAILURE();
    } catch (const EPMSException& e) {
        EXPECT_STREQ(e.what(), "Command  is not supported");
    }
}

TEST_F(PMSClientTest, TheGatewaysResponseIsWrittenByteForByteAndItsArchiveUnpacked)
{
    server.queueReply(ArchiveReply("cid:result.dat", "result", e3test::ReadWholeFile(kZips + "py_tree.zip")));
    EXPECT_EQ(Run({"-validate", "-FileName=" + file, "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_EQ(Response(), kGatewayResponse);
    EXPECT_EQ(e3test::ReadWholeFile(out + "/a.txt"), "alpha\n");
    EXPECT_EQ(e3test::ReadWholeFile(out + "/b.txt"), "bravo\n");
    EXPECT_FALSE(fs::exists(out + "/result.zip")) << "unpacked archives are deleted";

    // The request: the meta parameter first, then the attachment, as multipart.
    const std::string request = server.requests().back();
    EXPECT_NE(request.find("POST /soap/IIPMSGateway"), std::string::npos);
    EXPECT_NE(request.find("multipart/related"), std::string::npos);
    const auto meta = request.find("<p:meta>");
    const auto attachment = request.find("<p:attachment href=\"cid:app\"");
    EXPECT_NE(meta, std::string::npos);
    EXPECT_NE(attachment, std::string::npos);
    EXPECT_LT(meta, attachment);
    EXPECT_NE(request.find("&lt;validate pdf_preview=&quot;no&quot;"), std::string::npos);
    EXPECT_NE(request.find("<application/>"), std::string::npos);

    // The run's temporary folder went with the client; nothing else is left.
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
}

TEST_F(PMSClientTest, ArchivesAreOnlyTakenWhereTheyAreExpectedAndSafelyNamed)
{
    const std::string zip = e3test::ReadWholeFile(kZips + "py_tree.zip");
    // A name that climbs is reduced to its file name.
    server.queueReply(ArchiveReply("cid:../../evil.dat", "evil", zip));
    EXPECT_EQ(Run({"-information", "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_TRUE(fs::exists(out + "/a.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "evil.zip"));
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "evil.zip"));

    // Commands that return nothing leave a returned part alone.
    fs::remove_all(out);
    server.queueReply(ArchiveReply("cid:r", "r", zip));
    EXPECT_EQ(Run({"-send", "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_FALSE(fs::exists(out + "/a.txt"));

    // A damaged archive is kept, the response still stands.
    fs::remove_all(out);
    server.queueReply(ArchiveReply("cid:r", "r", e3test::ReadWholeFile(kZips + "py_badcrc.zip")));
    EXPECT_EQ(Run({"-exportzip", "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_TRUE(fs::exists(out + "/r.zip"));
    EXPECT_FALSE(fs::exists(out + "/bad.txt"));

    // No rattachment: only the response.
    fs::remove_all(out);
    e3test::LoopbackHttpServer::Reply plain;
    plain.body = EnvelopeWith("<PMSResponse>" + Escaped(kGatewayResponse) + "</PMSResponse>");
    server.queueReply(plain);
    EXPECT_EQ(Run({"-exportzip", "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

// Every failure becomes an error response with id 36 and the client's exit
// code says so.
TEST_F(PMSClientTest, FailuresAreWrittenAsErrorResponses)
{
    struct Case {
        const char* what;
        e3test::LoopbackHttpServer::Reply reply;
        std::string message;
    };
    e3test::LoopbackHttpServer::Reply fault;
    fault.status = 500;
    const std::string faultEnvelope =
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>Server</faultcode><faultstring>Gateway says %s "
        "no</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    const auto withWord = [&](const std::string& declaration, const std::string& word) {
        std::string body = faultEnvelope;
        body.replace(body.find("%s"), 2, word);
        return declaration + body;
    };
    fault.body = withWord("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xc3\xa9");
    // A reply that names no encoding is in the engine's code page.
    e3test::LoopbackHttpServer::Reply fault1252 = fault;
    fault1252.body = withWord("<?xml version=\"1.0\"?>", "\xe9");
    e3test::LoopbackHttpServer::Reply faultBare = fault;
    faultBare.body = withWord("", "\xe9");
    e3test::LoopbackHttpServer::Reply garbage;
    garbage.body = "<html>not an envelope</html>";
    e3test::LoopbackHttpServer::Reply empty;
    empty.body = "";
    const std::vector<Case> cases = {
        {"fault", fault, "Gateway says \u00e9 no"},
        {"fault without an encoding", fault1252, "Gateway says \u00e9 no"},
        {"fault without a declaration", faultBare, "Gateway says \u00e9 no"},
        {"garbage", garbage, "SOAP error: Wrong XML format in the SOAP response (\"<html>not an envelope</html>\")"},
        {"empty", empty, "Connection to server lost. Please close and retry."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.queueReply(c.reply);
        EXPECT_EQ(Run({"-remove", "-ApplID=3", "-Outputdir=" + out, "-Language=fr", "-Mode=production"}),
                  kPMSExitErrorWritten);
        std::string id;
        EXPECT_EQ(ErrorText(&id), c.message);
        EXPECT_EQ(id, "36");
        EXPECT_NE(Response().find("mode=\"production\" language=\"fr\" result=\"failure\""), std::string::npos);
    }

    // Before -Language and -Mode were read: demo and English; nothing is sent.
    const std::size_t sent = server.requests().size();
    EXPECT_EQ(Run({"-validate", "-Outputdir=" + out, "-Language=fr", "-Mode=production"}), kPMSExitErrorWritten);
    EXPECT_EQ(ErrorText(), "Required file name is missing");
    EXPECT_NE(Response().find("mode=\"demo\" language=\"en\" result=\"failure\""), std::string::npos);
    EXPECT_EQ(server.requests().size(), sent);
}

TEST_F(PMSClientTest, NoGatewayMeansTheConnectionLostTextAfterTheTries)
{
    TPMSSOAPClient client("127.0.0.1", std::to_string(e3test::LoopbackHttpServer::UnusedPort()), true);
    client.SetRetries(2);
    client.SetCommandLine({"filingclient", "-send", "-Outputdir=" + out});
    std::string result;
    EXPECT_THROW(client.Call(result), EPMSFatal);
    EXPECT_EQ(ErrorText(), "Connection to server lost. Please close and retry.");
}

// A "Temp" folder the user keeps in the output folder is neither used nor
// removed; the run's own folder goes, after success and after failure.
TEST_F(PMSClientTest, AnExistingTempFolderIsLeftAlone)
{
    const std::string kept = dir.write("out/Temp/mine.txt", "keep me");
    dir.write("out/Temp/r", "not the archive");
    server.queueReply(ArchiveReply("cid:r", "r", e3test::ReadWholeFile(kZips + "py_tree.zip")));
    EXPECT_EQ(Run({"-validate", "-FileName=" + file, "-Outputdir=" + out}), kPMSExitResponseWritten);
    EXPECT_TRUE(fs::exists(out + "/a.txt"));
    EXPECT_EQ(Run({"-validate", "-Outputdir=" + out}), kPMSExitErrorWritten);
    EXPECT_EQ(e3test::ReadWholeFile(kept), "keep me");
    EXPECT_EQ(e3test::ReadWholeFile(out + "/Temp/r"), "not the archive");
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_TRUE(entry.is_regular_file() || entry.path().filename() == "Temp") << entry.path();
}

TEST_F(PMSClientTest, AResponseThatCannotBeWrittenIsReportedAsNothingWritten)
{
    // The response's name is taken by a folder: neither the gateway's
    // response nor the error response can be written.
    fs::create_directories(out + "/PMSResponse.xml");
    e3test::LoopbackHttpServer::Reply plain;
    plain.body = EnvelopeWith("<PMSResponse>" + Escaped(kGatewayResponse) + "</PMSResponse>");
    server.queueReply(plain);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run({"-send", "-Outputdir=" + out}), kPMSExitNothingWritten);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("PMSResponse.xml"), std::string::npos) << err;

    // A reply without a response document writes nothing either.
    fs::remove(out + "/PMSResponse.xml");
    server.queueReply(plain = {200, "text/xml", EnvelopeWith("<other>x</other>"), false});
    EXPECT_EQ(Run({"-send", "-Outputdir=" + out}), kPMSExitNothingWritten);
    EXPECT_FALSE(fs::exists(out + "/PMSResponse.xml"));
}

} // namespace
