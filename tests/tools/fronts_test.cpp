// The sample engine on the wire: the SOAP front answers the envelope our
// client posts, the CORBA front answers after a real bind, and the program
// runs in the foreground, as the local server ("/a", "/s"), and ends when a
// fault asks it to.
#include "CorbaFront.h"
#include "SampleEngine.h"
#include "ServerProcess.h"
#include "SoapFront.h"

#include "enginelink/OrbBind.h"
#include "idl/GUIServer.hh"
#include "support/ChildProcess.h"
#include "support/LoopbackSocket.h"
#include "support/TempDir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/wait.h>

using namespace sampleengine;

namespace {

const std::string kProgram = std::string(E3_BUILD_DIR) + "/tools/sample-engine/sample-engine";
const std::string kEnvelope = e3test::ReadWholeFile(std::string(E3_TEST_DATA_DIR) + "/execute_event.xml");

struct HttpReply {
    CURLcode code = CURLE_OK;
    long status = 0;
    long newConnections = 0;
    std::string body;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// Posts the way our client does: HTTP/1.0 with keep-alive and the form
// content type, no SOAPAction.
class HttpPoster {
public:
    HttpPoster() : curl_(curl_easy_init())
    {
        headers_ = curl_slist_append(headers_, "Connection: Keep-Alive");
        headers_ = curl_slist_append(headers_, "Content-Type: application/x-www-form-urlencoded");
        headers_ = curl_slist_append(headers_, "Expect:");
    }
    ~HttpPoster()
    {
        curl_slist_free_all(headers_);
        curl_easy_cleanup(curl_);
    }
    HttpReply Post(int port, const std::string& body, const std::string& path = "/soap/IIZerk3Service")
    {
        HttpReply reply;
        const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
        curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &reply.body);
        curl_easy_setopt(curl_, CURLOPT_TIMEOUT, 60L);
        reply.code = curl_easy_perform(curl_);
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &reply.status);
        curl_easy_getinfo(curl_, CURLINFO_NUM_CONNECTS, &reply.newConnections);
        return reply;
    }

private:
    CURL* curl_;
    curl_slist* headers_ = nullptr;
};

// xmllint's verdict on a document and the text of its first element with
// the local name (entities decoded).
struct Lint {
    bool wellFormed = false;
    std::string value;
};
Lint XmlLint(const e3test::TempDir& dir, const std::string& document, const std::string& localName)
{
    const std::string file = dir.write("reply.xml", document);
    Lint lint;
    lint.wellFormed = e3test::RunProgram({"xmllint", "--noout", file}).first == 0;
    if (lint.wellFormed) {
        lint.value = e3test::RunProgram({"xmllint", "--xpath", "string(//*[local-name()='" + localName + "'])", file})
                         .second;
        if (!lint.value.empty() && lint.value.back() == '\n') // xmllint ends its answer with one
            lint.value.pop_back();
    }
    return lint;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

const char* const kScenario = "on Main.Save from btnSave\n"
                              "  Label1.Caption = Saved ${Edit1.Text}\n"
                              "  CanClose = 1\n"
                              "end\n"
                              "on Main.Quit\n"
                              "  fault exit\n"
                              "end\n";

class SoapFrontTest : public ::testing::Test {
protected:
    void Start(std::vector<Fault> faults = {})
    {
        EngineOptions options;
        options.serverUserID = "SE-fixed";
        options.logFile = dir.str() + "/engine.log";
        options.scenario = Scenario::Parse(kScenario);
        options.faults = std::move(faults);
        engine = std::make_unique<SampleEngine>(options);
        front = std::make_unique<SoapFront>(*engine, "127.0.0.1", 0);
    }

    e3test::TempDir dir;
    std::unique_ptr<SampleEngine> engine;
    std::unique_ptr<SoapFront> front;
    HttpPoster http;
};

} // namespace

TEST_F(SoapFrontTest, TheClientsEnvelopeGetsAWellFormedReplyOnOneKeptConnection)
{
    Start();
    const HttpReply first = http.Post(front->Port(), kEnvelope);
    ASSERT_EQ(first.code, CURLE_OK);
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.newConnections, 1);
    const Lint lint = XmlLint(dir, first.body, "return");
    ASSERT_TRUE(lint.wellFormed) << first.body;
    // Line ends travel as raw line feeds, which the client reads as CR LF.
    EXPECT_EQ(lint.value, "{\n;\nLabel1.Caption\nSaved Sm<ith & Söhne\n;\nCanClose\n1\n;\n}\n");
    EXPECT_EQ(first.body.find("&#xD;"), std::string::npos);
    EXPECT_EQ(XmlLint(dir, first.body, "ExecuteEventResponse").wellFormed, true);
    EXPECT_NE(first.body.find("<m:ExecuteEventResponse"), std::string::npos);
    EXPECT_NE(first.body.find("xmlns:m=\"urn:SOAPServer_Intf-IIZerk3Service\""), std::string::npos);
    EXPECT_EQ(XmlLint(dir, first.body, "ServerUserID").value, "SE-fixed");
    EXPECT_EQ(XmlLint(dir, first.body, "RequestID").value, "1");

    // The same connection serves the next call; the counter moves on.
    const HttpReply second = http.Post(front->Port(), Replace(kEnvelope, ">7<", ">1<"));
    ASSERT_EQ(second.code, CURLE_OK);
    EXPECT_EQ(second.newConnections, 0);
    EXPECT_EQ(XmlLint(dir, second.body, "RequestID").value, "2");
    EXPECT_EQ(XmlLint(dir, second.body, "ServerUserID").value, "SE-fixed");

    const std::string escapedValues =
        "{\\r\\n;\\r\\nSender\\r\\nbtnSave\\r\\n;\\r\\nEdit1.Text\\r\\nSm<ith & Söhne\\r\\n;\\r\\n}\\r\\n";
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/engine.log"),
              "soap\tSE1\t7\tExecuteEvent\t\tbtnSave\tTForm\tMain.Save\t" + escapedValues + "\n" +
                  "soap\tSE1\t1\tExecuteEvent\t\tbtnSave\tTForm\tMain.Save\t" + escapedValues + "\n");
}

TEST_F(SoapFrontTest, OtherOperationsAndPaths)
{
    Start();
    const std::string connect = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                                "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                                "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">\r\n"
                                "    <SOAP-ENV:Body>\r\n"
                                "        <m:Connect xmlns:m=\"urn:SOAPServer_Intf-IIZerk3Service\">\r\n"
                                "            <ServerUserID xsi:type=\"xsd:string\"></ServerUserID>\r\n"
                                "            <RequestID xsi:type=\"xsd:string\"></RequestID>\r\n"
                                "        </m:Connect>\r\n"
                                "    </SOAP-ENV:Body>\r\n"
                                "</SOAP-ENV:Envelope>";
    const HttpReply reply = http.Post(front->Port(), connect);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(XmlLint(dir, reply.body, "ServerUserID").value, "SE-fixed");
    EXPECT_EQ(XmlLint(dir, reply.body, "return").value, "");

    std::string getFile = Replace(connect, "m:Connect xmlns", "m:GetFile xmlns");
    getFile = Replace(getFile, "</m:Connect>",
                      "    <FileName xsi:type=\"xsd:string\">FormNone</FileName>\r\n"
                      "            <FileType xsi:type=\"xsd:string\">Form</FileType>\r\n"
                      "            <Path xsi:type=\"xsd:string\"></Path>\r\n        </m:GetFile>");
    EXPECT_EQ(XmlLint(dir, http.Post(front->Port(), getFile).body, "return").value, "snil");
    EXPECT_EQ(http.Post(front->Port(), connect, "/soap/Other").status, 404);
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/engine.log"),
              "soap\t\t\tConnect\nsoap\t\t\tGetFile\tFormNone\tForm\t\n");
}

TEST_F(SoapFrontTest, InjectedFaults)
{
    struct Case {
        std::string fault;
        CURLcode code;
        long status;
        bool wellFormed;
        std::string faultString;
    } const cases[] = {
        {"fault500:Engine broke@Main.Save", CURLE_OK, 500, true, "Engine broke"},
        {"fault200:Session over@*", CURLE_OK, 200, true, "Session over"},
        {"garbage@Main.Save", CURLE_OK, 200, false, ""},
        {"drop@Main.Save", CURLE_GOT_NOTHING, 0, false, ""},
    };
    for (const Case& c : cases) {
        front.reset();
        Start({ParseFault(c.fault)});
        const HttpReply reply = http.Post(front->Port(), kEnvelope);
        EXPECT_EQ(reply.code, c.code) << c.fault;
        EXPECT_EQ(reply.status, c.status) << c.fault;
        const Lint lint = XmlLint(dir, reply.body, "faultstring");
        EXPECT_EQ(lint.wellFormed, c.wellFormed) << c.fault << ": " << reply.body;
        EXPECT_EQ(lint.value, c.faultString) << c.fault;
        if (c.wellFormed) {
            EXPECT_NE(reply.body.find("Fault>"), std::string::npos) << reply.body;
        }
    }
}

TEST(CorbaFrontTest, EveryEngineFactoryIsBoundAndServesTheEngine)
{
    e3test::TempDir dir;
    dir.write("forms/FormMain.txt", "desc\r\n");
    dir.write("scenario.txt", "on Main.Save\n  Label1.Caption = Saved ${Edit1.Text}\nend\n");
    e3test::ChildProcess engine({kProgram, "--corba", "0", "--forms", dir.str() + "/forms", "--scenario",
                                 dir.str() + "/scenario.txt", "--log", dir.str() + "/engine.log"});
    ASSERT_NE(engine.ReadUntilReady(), "");
    const int port = engine.PrintedPort("corba");
    ASSERT_GT(port, 0);
    EXPECT_EQ(engine.PrintedPort("soap"), -1);

    int argc = 0;
    char* argv[] = {nullptr};
    const char* options[][2] = {{"giopMaxMsgSize", "268435456"}, {nullptr, nullptr}};
    CORBA::ORB_var orb = CORBA::ORB_init(argc, argv, "omniORB4", options);
    std::vector<std::string> replies;
    for (const char* factoryId : CorbaFront::kFactoryIds) {
        std::string why;
        const auto ior = enginelink::BindObject("inet:127.0.0.1:" + std::to_string(port), factoryId,
                                                std::chrono::seconds(20), &why);
        ASSERT_TRUE(ior) << factoryId << ": " << why;
        CORBA::Object_var object = orb->string_to_object(ior->c_str());
        EXPECT_TRUE(object->_is_a("IDL:FFMGUIEngineFactory:3.0"));
        GUIServer::FGUIEngineFactory_var factory = GUIServer::FGUIEngineFactory::_narrow(object);
        ASSERT_FALSE(CORBA::is_nil(factory));
        GUIServer::GUIEngine_var instance = factory->CreateInstance("IDL:GUIEngine:1.0");
        ASSERT_FALSE(CORBA::is_nil(instance));
        CORBA::String_var reply = instance->ExecuteEvent("", "btnSave", "TForm", "Main.Save",
                                                         "{\r\n;\r\nEdit1.Text\r\nS\xF6hne\r\n;\r\n}\r\n");
        replies.push_back(reply.in());
    }
    GUIServer::GUIEngine_var instance =
        GUIServer::FGUIEngineFactory::_narrow(
            orb->string_to_object(
                enginelink::BindObject("inet:127.0.0.1:" + std::to_string(port), CorbaFront::kFactoryIds[0],
                                       std::chrono::seconds(20))
                    ->c_str()))
            ->CreateInstance("IDL:GUIEngine:1.0");
    CORBA::String_var form = instance->GetFile("FormMain", "Form", "");
    CORBA::String_var none = instance->GetFile("FormNone", "Form", "");
    // A 50 MB upload in Base64 fits one message.
    const std::string big((50u << 20) / 3 * 4, 'A');
    CORBA::String_var stored = instance->SetFile(big.c_str(), "File", "big.bin");
    orb->destroy();

    const std::string saved = "{\r\n;\r\nLabel1.Caption\r\nSaved S\xF6hne\r\n;\r\n}\r\n";
    EXPECT_EQ(replies, std::vector<std::string>(3, saved));
    EXPECT_EQ(std::string(form.in()), "desc\r\n");
    EXPECT_EQ(std::string(none.in()), "snil");
    EXPECT_EQ(std::string(stored.in()), "ERROR"); // no received folder was given
    const std::string log = e3test::ReadWholeFile(dir.str() + "/engine.log");
    EXPECT_NE(log.find("corba\t\t\tCreateInstance\tIDL:FPCTGUIEngineFactory:1.0\tIDL:GUIEngine:1.0\n"),
              std::string::npos);
    EXPECT_NE(log.find("corba\t\t\tExecuteEvent\t\tbtnSave\tTForm\tMain.Save\t"
                       "{\\r\\n;\\r\\nEdit1.Text\\r\\nSöhne\\r\\n;\\r\\n}\\r\\n\n"),
              std::string::npos);
}

TEST(SampleEngineProgramTest, StartedWithSlashAAndStoppedWithSlashS)
{
    e3test::TempDir dir;
    const std::string exe = dir.str() + "/sample-engine";
    std::filesystem::copy_file(kProgram, exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    const int port = e3test::FreeLoopbackPort();
    dir.write("sample-engine.ini", "[SampleEngine]\nSoapPort=" + std::to_string(port) +
                                       "\nCorbaPort=-1\nLog=engine.log\nUserID=SE-local\n");
    std::filesystem::create_directory(dir.str() + "/run");
    std::filesystem::permissions(dir.str() + "/run", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (dir.str() + "/run").c_str(), 1);
    const std::string pidFile = PidFileFor(exe);
    ASSERT_EQ(pidFile.rfind(dir.str() + "/run/sample-engine/", 0), 0u) << pidFile;

    ASSERT_EQ(e3test::RunProgram({exe, "/a"}).first, 0);
    const pid_t pid = std::stoi(e3test::ReadWholeFile(pidFile));
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0);
    // A second start finds it running and starts no other.
    EXPECT_EQ(e3test::RunProgram({exe, "/a"}).first, 0);
    EXPECT_EQ(std::stoi(e3test::ReadWholeFile(pidFile)), pid);

    HttpPoster http;
    const HttpReply reply = http.Post(port, kEnvelope);
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find("SE-local"), std::string::npos);
    EXPECT_NE(e3test::ReadWholeFile(dir.str() + "/engine.log").find("\tExecuteEvent\t"), std::string::npos);

    EXPECT_EQ(e3test::RunProgram({exe, "/s"}).first, 0);
    EXPECT_FALSE(std::filesystem::exists(pidFile));
    // Gone, not merely a zombie of someone else's.
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    const bool gone = ::kill(pid, 0) != 0 ||
                      e3test::ReadWholeFile(stat).find(") Z ") != std::string::npos;
    EXPECT_TRUE(gone);
    EXPECT_EQ(e3test::RunProgram({exe, "/s"}).first, 0);
}

TEST(SampleEngineProgramTest, AnExitFaultEndsTheProcessDuringTheEvent)
{
    e3test::TempDir dir;
    dir.write("scenario.txt", kScenario);
    e3test::ChildProcess engine({kProgram, "--soap", "0", "--scenario", dir.str() + "/scenario.txt", "--log",
                                 dir.str() + "/engine.log", "--fault", "delay:10@Main.Quit"});
    ASSERT_NE(engine.ReadUntilReady(), "");
    HttpPoster http;
    const HttpReply reply = http.Post(engine.PrintedPort("soap"), Replace(kEnvelope, "Main.Save", "Main.Quit"));
    EXPECT_NE(reply.code, CURLE_OK);
    const int status = engine.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_NE(e3test::ReadWholeFile(dir.str() + "/engine.log").find("\tMain.Quit\t"), std::string::npos);
}

TEST(SampleEngineProgramTest, BadOptionsAreRefused)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             {kProgram},
             {kProgram, "--soap"},
             {kProgram, "--soap", "70000"},
             {kProgram, "--soap", "0", "--fault", "drop"},
             {kProgram, "--soap", "0", "--scenario", "/nonexistent/scenario.txt"},
             {kProgram, "--soap", "0", "--colour", "red"},
         })
        EXPECT_EQ(e3test::RunProgram(args).first, 2) << args.back();
}
