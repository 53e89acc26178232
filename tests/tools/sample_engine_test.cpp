// The sample engine's core: the scenario text, the replies it builds, the
// files it serves and keeps, and the one-line log of every call.
#include "SampleEngine.h"
#include "Scenario.h"

#include "support/TempDir.h"
#include "u3/Base64.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace sampleengine;

namespace {

const SampleEngine::Caller kSoap {"soap", "SE1", "4"};

std::string Crlf(const std::string& barSeparated)
{
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = barSeparated.find(" | ", start);
        out += barSeparated.substr(start, bar == std::string::npos ? bar : bar - start) + "\r\n";
        if (bar == std::string::npos)
            return out;
        start = bar + 3;
    }
}

const char* const kWorkflow = R"(# two steps and a way back
start applicant
fault delay:1@Main.Slow

on Client.OnClientInit
  Client._CreateFormModal = FormApplicant
  FormApplicant._ShowModal = Main.Closed
end
on Main.Next from btnNext when applicant goto summary
  lblSummary.Caption = Applicant: ${edtName.Text}||Town: ${edtTown.Text}
  Notebook.PageIndex = 1
end
on Main.Next when summary goto done
  Result =
end
on main.back goto applicant
  Notebook.PageIndex = 0
  fault fault200:Back is broken
end
)";

} // namespace

TEST(ScenarioTest, RulesAreFoundByEventSenderAndState)
{
    const Scenario scenario = Scenario::Parse(kWorkflow);
    EXPECT_EQ(scenario.startState, "applicant");
    ASSERT_EQ(scenario.faults.size(), 1u);
    EXPECT_EQ(scenario.faults[0].kind, FaultKind::kDelay);
    EXPECT_EQ(scenario.faults[0].target, "Main.Slow");
    struct Case {
        std::string event, sender, state;
        int rule; // index, -1: none
    } const cases[] = {
        {"Client.OnClientInit", "Client", "", 0},
        {"client.onclientinit", "anyone", "summary", 0},
        {"Main.Next", "btnNext", "applicant", 1},
        {"Main.Next", "BTNNEXT", "applicant", 1},
        {"Main.Next", "btnOther", "applicant", -1},
        {"Main.Next", "btnOther", "summary", 2},
        {"Main.Next", "btnNext", "Summary", -1}, // states are exact
        {"Main.Back", "x", "done", 3},
        {"Main.Unknown", "x", "applicant", -1},
    };
    for (const Case& c : cases) {
        const Rule* rule = scenario.Find(c.event, c.sender, c.state);
        const int index = rule ? static_cast<int>(rule - scenario.rules.data()) : -1;
        EXPECT_EQ(index, c.rule) << c.event << " " << c.sender << " " << c.state;
    }
    EXPECT_EQ(scenario.rules[2].entries, (std::vector<std::pair<std::string, std::string>> {{"Result", "snil"}}));
    ASSERT_EQ(scenario.rules[3].faults.size(), 1u);
    EXPECT_EQ(scenario.rules[3].faults[0].kind, FaultKind::kFault200);
    EXPECT_EQ(scenario.rules[3].faults[0].arg, "Back is broken");
}

TEST(ScenarioTest, MalformedTextNamesTheLine)
{
    struct Case {
        std::string text;
        std::string message;
    } const cases[] = {
        {"on A\n  Name = 1\n", "scenario line 1: rule without 'end'"},
        {"on A\n  no equals sign\nend\n", "scenario line 2: expected 'Name = Value', 'fault ...' or 'end'"},
        {"\n\nfault drop\n", "scenario line 3: a fault outside a rule needs '@TARGET'"},
        {"on A\n fault drop@B\nend", "scenario line 2: a fault inside a rule has no target"},
        {"on A\n fault boom\nend", "scenario line 2: unknown fault kind:  boom"},
        {"fault delay:soon@A", "scenario line 1: delay needs milliseconds:  delay:soon@A"},
        {"on A from\nend", "scenario line 1: expected 'on EVENT [from SENDER] [when STATE] [goto STATE]'"},
        {"on A unless B\nend", "scenario line 1: unknown rule condition 'unless'"},
        {"reply A", "scenario line 1: expected 'on', 'start' or 'fault'"},
    };
    for (const Case& c : cases) {
        try {
            Scenario::Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ScenarioError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(ScenarioTest, RepliesCarryTheRequestsValues)
{
    const std::string request =
        Crlf("{ | ; | Sender | btnNext | ; | edtName.Text | Smith & Co | ; | EDTTOWN.TEXT | snil | ; | }");
    const auto entries = RequestEntries(request);
    EXPECT_EQ(entries.at("SENDER"), "btnNext");
    EXPECT_EQ(entries.at("EDTNAME.TEXT"), "Smith & Co");
    EXPECT_EQ(entries.at("EDTTOWN.TEXT"), "");

    EXPECT_EQ(BuildReply({}, entries), "");
    EXPECT_EQ(BuildReply({{"Label.Caption", "${edtName.text} in ${edtTown.Text}${missing} ${unclosed"},
                          {"Edit.Text", "${edtTown.Text}"},
                          {"CanClose", "1"}},
                         entries),
              Crlf("{ | ; | Label.Caption | Smith & Co in  ${unclosed | ; | Edit.Text | snil | ; | "
                   "CanClose | 1 | ; | }"));
}

TEST(ScenarioTest, RowsEntriesServeTheRequestedRowsOfATable)
{
    const Scenario scenario = Scenario::Parse("on Main.GetRows\n"
                                              "  Before = 1\n"
                                              "  rows List1.TempData 5 = A-%n>|<%i/%d %(x/y) 100%%>|<\n"
                                              "  After = 2\n"
                                              "end\n");
    ASSERT_EQ(scenario.rules.size(), 1u);
    const Rule& rule = scenario.rules[0];
    struct Case {
        const char* request;
        const char* rows;
    };
    const Case cases[] = {
        {"{ | ; | BeginRow | 0 | ; | Count | 2 | ; | }", "A-1>|<0/5 x 100%>|<A-2>|<1/4 y 100%>|<"},
        // Cut at the table's end; nothing past it.
        {"{ | ; | BeginRow | 4 | ; | Count | 3 | ; | }", "A-5>|<4/1 x 100%>|<"},
        {"{ | ; | BeginRow | 5 | ; | Count | 3 | ; | }", "snil"},
        {"{ | ; | Count | 1 | ; | }", "A-1>|<0/5 x 100%>|<"},
        {"{ | ; | BeginRow | x | ; | Count | -1 | ; | }", "snil"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildRuleReply(rule, RequestEntries(Crlf(c.request))),
                  Crlf(std::string("{ | ; | Before | 1 | ; | List1.TempData | ") + c.rows +
                       " | ; | After | 2 | ; | }"))
            << c.request;

    for (const char* bad : {"on E\n rows List1.TempData = x\nend\n", "on E\n rows A -3 = x\nend\n",
                            "on E\n rows A 3 x\nend\n"})
        EXPECT_THROW(Scenario::Parse(bad), ScenarioError) << bad;
    // A plain entry may still be called "rows".
    EXPECT_EQ(Scenario::Parse("on E\n rows = 3\nend\n").rules[0].entries.size(), 1u);
}

TEST(ScenarioTest, FaultSpecs)
{
    struct Case {
        std::string text;
        FaultKind kind;
        std::string arg, target;
    } const cases[] = {
        {"drop@Main.Save", FaultKind::kDrop, "", "Main.Save"},
        {"EXIT@*", FaultKind::kExit, "", "*"},
        {"delay:250@GetFile", FaultKind::kDelay, "250", "GetFile"},
        {"fault500@Connect", FaultKind::kFault500, "Server error", "Connect"},
        {"fault200:No: really@Main.Save", FaultKind::kFault200, "No: really", "Main.Save"},
        {"garbage", FaultKind::kGarbage, "", ""},
    };
    for (const Case& c : cases) {
        const Fault fault = ParseFault(c.text);
        EXPECT_EQ(fault.kind, c.kind) << c.text;
        EXPECT_EQ(fault.arg, c.arg) << c.text;
        EXPECT_EQ(fault.target, c.target) << c.text;
    }
    for (const char* bad : {"", "drop@", "delay@A", "delay:-5@A", "delay:5ms@A", "crash@A"})
        EXPECT_THROW(ParseFault(bad), std::invalid_argument) << bad;
}

class SampleEngineTest : public ::testing::Test {
protected:
    SampleEngine& Engine(const std::string& scenario = "", std::size_t partSize = 4)
    {
        EngineOptions options;
        options.formsDir = dir.str() + "/forms";
        options.filesDir = dir.str() + "/files";
        options.receivedDir = dir.str() + "/received";
        options.logFile = dir.str() + "/engine.log";
        options.partSize = partSize;
        options.serverUserID = "SE1";
        options.scenario = Scenario::Parse(scenario);
        engine = std::make_unique<SampleEngine>(options);
        return *engine;
    }
    std::string Get(const std::string& name, const std::string& type, const std::string& path)
    {
        return engine->Call(kSoap, "GetFile", {name, type, path}).text;
    }
    std::string Set(const std::string& data, const std::string& type, const std::string& path)
    {
        return engine->Call(kSoap, "SetFile", {data, type, path}).text;
    }

    e3test::TempDir dir;
    std::unique_ptr<SampleEngine> engine;
};

TEST_F(SampleEngineTest, FormsAndImagesByPlainNameOnly)
{
    dir.write("forms/FormMain.dfm", "dfm text\r\n");
    dir.write("forms/FormMain.txt", "txt text\r\n");
    dir.write("forms/FormOther.txt", "other\r\n");
    dir.write("forms/logo.png", "\x89PNG");
    dir.write("secret.dfm", "outside");
    Engine();
    struct Case {
        std::string name, type, answer;
    } const cases[] = {
        {"FormMain", "Form", "dfm text\r\n"},
        {"FormOther", "Form", "other\r\n"},
        {"FormNone", "Form", "snil"},
        {"../secret", "Form", "snil"},
        {"..\\secret", "Form", "snil"},
        {"", "Form", "snil"},
        {"logo", "Image", u3::StringToBase64("\x89PNG")},
        {"logo.png", "Image", u3::StringToBase64("\x89PNG")},
        {"nologo", "Image", "snil"},
        {"FormMain", "Picture", "snil"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Get(c.name, c.type, ""), c.answer) << c.name << " " << c.type;
}

TEST_F(SampleEngineTest, FilesAreHandedOutWholeOrInPartsAsAsked)
{
    dir.write("files/docs/letter.txt", "0123456789");
    dir.write("files/empty.bin", "");
    dir.write("outside.txt", "no");
    Engine("", 4);
    EXPECT_EQ(Get("", "File", "docs\\letter.txt"), u3::StringToBase64("0123456789"));
    EXPECT_EQ(Get("", "File", "/docs/letter.txt"), u3::StringToBase64("0123456789"));
    EXPECT_EQ(Get("", "File", "docs/../../outside.txt"), "snil");
    EXPECT_EQ(Get("", "File", "docs/none.txt"), "snil");
    EXPECT_EQ(Get("", "Part", "docs/letter.txt"), "snil"); // no download begun

    std::vector<std::string> parts;
    parts.push_back(Get("", "BPart", "docs/letter.txt"));
    while (parts.back() != "snil" && parts.size() < 10)
        parts.push_back(Get("", "Part", "docs/letter.txt"));
    EXPECT_EQ(parts, (std::vector<std::string> {u3::StringToBase64("0123"), u3::StringToBase64("4567"),
                                                u3::StringToBase64("89"), "snil"}));
    // A new first part starts over.
    EXPECT_EQ(Get("", "BPart", "docs/letter.txt"), u3::StringToBase64("0123"));
    EXPECT_EQ(Get("", "BPart", "empty.bin"), "sizezero");
    EXPECT_EQ(Get("", "BPart", "none.bin"), "snil");
}

TEST_F(SampleEngineTest, UploadsAreKeptUnderTheReceivedFolder)
{
    Engine();
    const std::string received = dir.str() + "/received/";
    EXPECT_EQ(Set(u3::StringToBase64("whole"), "File", "in\\a.txt"), "OK");
    EXPECT_EQ(e3test::ReadWholeFile(received + "in/a.txt"), "whole");

    EXPECT_EQ(Set(u3::StringToBase64("one,"), "PartStart", "big.bin"), "OK");
    EXPECT_EQ(Set(u3::StringToBase64("two,"), "Part", "big.bin"), "OK");
    EXPECT_EQ(Set(u3::StringToBase64("three"), "PartEnd", "big.bin"), "OK");
    EXPECT_EQ(e3test::ReadWholeFile(received + "big.bin"), "one,two,three");
    // A new start replaces what an earlier upload left.
    EXPECT_EQ(Set(u3::StringToBase64("new"), "PartStart", "big.bin"), "OK");
    EXPECT_EQ(e3test::ReadWholeFile(received + "big.bin"), "new");
    EXPECT_EQ(Set("", "File", "zero.bin"), "OK");
    EXPECT_TRUE(std::filesystem::is_regular_file(received + "zero.bin"));

    struct Case {
        std::string data, type, path, answer;
    } const cases[] = {
        {"snil", "File", "missing.txt", "snil"},    // the client had no such file
        {"!!!", "File", "bad.txt", "ERROR"},       // no Base64
        {"YQ==", "Part", "unstarted.bin", "ERROR"}, // a part before its start
        {"YQ==", "File", "../escape.txt", "ERROR"},
        {"YQ==", "File", "", "ERROR"},
        {"YQ==", "Append", "a.txt", "ERROR"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Set(c.data, c.type, c.path), c.answer) << c.path;
    EXPECT_FALSE(std::filesystem::exists(received + "missing.txt"));
    EXPECT_FALSE(std::filesystem::exists(received + "bad.txt"));
    EXPECT_FALSE(std::filesystem::exists(received + "unstarted.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/escape.txt"));
}

TEST_F(SampleEngineTest, AnUploadDoesNotFollowALinkOutOfTheFolder)
{
    Engine();
    std::filesystem::create_directories(dir.str() + "/received");
    std::filesystem::create_directories(dir.str() + "/elsewhere");
    std::filesystem::create_directory_symlink(dir.str() + "/elsewhere", dir.str() + "/received/link");
    EXPECT_EQ(Set("YQ==", "File", "link/a.txt"), "ERROR");
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/elsewhere/a.txt"));
}

TEST_F(SampleEngineTest, AWorkflowStepsThroughItsStatesAndLogsEveryCall)
{
    SampleEngine& engine = Engine(kWorkflow);
    const auto event = [&](const std::string& sender, const std::string& name, const std::string& values) {
        return engine.Call(kSoap, "ExecuteEvent", {"", sender, "TForm", name, Crlf(values)});
    };
    EXPECT_EQ(event("Client", "Client.OnClientInit", "{ | ; | Sender | Client | ; | }").text,
              Crlf("{ | ; | Client._CreateFormModal | FormApplicant | ; | FormApplicant._ShowModal | Main.Closed | ; | }"));
    EXPECT_EQ(event("btnNext", "Main.Next",
                    "{ | ; | Sender | btnNext | ; | edtName.Text | Smith | ; | edtTown.Text | Bern | ; | }")
                  .text,
              Crlf("{ | ; | lblSummary.Caption | Applicant: Smith||Town: Bern | ; | Notebook.PageIndex | 1 | ; | }"));
    EXPECT_EQ(engine.State(), "summary");
    const Answer back = event("btnBack", "Main.Back", "{ | ; | }");
    EXPECT_EQ(back.fault, FaultKind::kFault200);
    EXPECT_EQ(back.faultText, "Back is broken");
    EXPECT_EQ(engine.State(), "applicant");
    EXPECT_EQ(event("btnNext", "Main.Unknown", "{ | ; | }").text, "");
    EXPECT_EQ(engine.Call(kSoap, "OnMessage", {"ClientError", "Parent\tX not found."}).text, "");
    EXPECT_EQ(engine.Call({"corba", "", ""}, "CommandGUIEngine", {"GUIEngine", "p2", "", "InitStr"}).text, "");
    EXPECT_EQ(engine.Call(kSoap, "Main.Slow", {}).fault, FaultKind::kNone); // a delay is no reply fault
    EXPECT_EQ(engine.NextRequestID(), "1");
    EXPECT_EQ(engine.NextRequestID(), "2");

    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/engine.log"),
              "soap\tSE1\t4\tExecuteEvent\t\tClient\tTForm\tClient.OnClientInit\t{\\r\\n;\\r\\nSender\\r\\nClient\\r\\n;\\r\\n}\\r\\n\n"
              "soap\tSE1\t4\tExecuteEvent\t\tbtnNext\tTForm\tMain.Next\t{\\r\\n;\\r\\nSender\\r\\nbtnNext\\r\\n;\\r\\n"
              "edtName.Text\\r\\nSmith\\r\\n;\\r\\nedtTown.Text\\r\\nBern\\r\\n;\\r\\n}\\r\\n\n"
              "soap\tSE1\t4\tExecuteEvent\t\tbtnBack\tTForm\tMain.Back\t{\\r\\n;\\r\\n}\\r\\n\n"
              "soap\tSE1\t4\tExecuteEvent\t\tbtnNext\tTForm\tMain.Unknown\t{\\r\\n;\\r\\n}\\r\\n\n"
              "soap\tSE1\t4\tOnMessage\tClientError\tParent\\tX not found.\n"
              "corba\t\t\tCommandGUIEngine\tGUIEngine\tp2\t\tInitStr\n"
              "soap\tSE1\t4\tMain.Slow\n");
}

TEST(SampleEngineLogTest, EscapesEveryControlByte)
{
    EXPECT_EQ(SampleEngine::EscapeForLog(std::string("a\\b\tc\r\nd\x01\x7f\0e", 12)),
              "a\\\\b\\tc\\r\\nd\\x01\\x7F\\x00e");
    EXPECT_EQ(SampleEngine::EscapeForLog("Söhne"), "Söhne");
}
