#include "ClientFixture.h"
#include "client/Client.h"
#include "client/ClientMain.h"
#include "client/ClientSender.h"
#include "client/FrmIP.h"
#include "client/StartUp.h"
#include "e3/edits/Edit.h"
#include "e3/buttons/RadioButton.h"
#include "e3/buttons/SpeedButton.h"
#include "framework/ApplicationException.h"
#include "framework/Form.h"
#include "support/LogCapture.h"
#include "support/RecordingUserMessages.h"
#include "support/ScriptedEngine.h"
#include "support/TempDir.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/ProgramEnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

using e3test::Lines;

using e3test::ScriptedEngine;

// A transport whose Connect fails with an exception instead of an answer.
class ThrowingEngine final : public client::IClientGUIEngine {
public:
    bool Connect() override { throw std::runtime_error("ORB could not be initialised"); }
    std::string ExecuteEvent(const std::string&, const std::string&, const std::string&, const std::string&,
                             const std::string&) override
    {
        throw std::logic_error("not connected");
    }
    std::string GetFile(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::string SetFile(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::string OnMessage(const std::string&, const std::string&) override { return {}; }
    std::string GetGUIEngine(const std::string&, const std::string&, std::string&,
                             std::shared_ptr<client::IGUIEngine>&) override
    {
        return {};
    }
    std::string SetGUIEngine(const std::string&, const std::string&, const std::string&,
                             std::shared_ptr<client::IGUIEngine>) override
    {
        return {};
    }
    std::string CommandGUIEngine(const std::string&, const std::string&, const std::string&,
                                 const std::string&) override
    {
        return {};
    }
};


// Answers each server address dialog as it opens (true: Connect, false: Cancel).
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::function<bool(client::TFormIP&)> answer) : answer_(std::move(answer))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (fw::TCustomForm* form : fw::TCustomForm::AllForms()) {
                auto* dialog = dynamic_cast<client::TFormIP*>(form);
                if (!dialog || !dialog->IsModal() || dialog->GetModalResult() != fw::mrNone)
                    continue;
                ++shown;
                if (answer_(*dialog))
                    dialog->spbConnectClick(dialog->spbConnect);
                else
                    dialog->SetModalResult(fw::mrCancel);
            }
        });
        timer_.start(5);
    }
    int shown = 0;

private:
    std::function<bool(client::TFormIP&)> answer_;
    QTimer timer_;
};

class ClientMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride(dir.str() + "/front");
        client::Silent = false;
        services.makeCorbaTransport = [this](const std::string& engineName, const std::string& address, bool silent,
                                             int retries) {
            made.push_back("CORBA " + engineName + " " + address + (silent ? " silent " : " ") + std::to_string(retries));
            return NextEngine();
        };
        services.makeSoapTransport = [this](const std::string& host, const std::string& port, bool silent, int retries) {
            made.push_back("SOAP " + host + " " + port + (silent ? " silent " : " ") + std::to_string(retries));
            return NextEngine();
        };
        services.startSmartCardChecker = [this](const std::string& folder) { checker.push_back("start " + folder); };
        services.closeSmartCardChecker = [this] { checker.push_back("close"); };
    }
    void TearDown() override { u3::SetExeNameOverride(""); }

    std::shared_ptr<client::IClientGUIEngine> NextEngine()
    {
        if (engines.empty()) {
            auto failing = std::make_shared<ScriptedEngine>();
            failing->connectResult = false;
            return failing;
        }
        auto next = engines.front();
        engines.pop_front();
        return next;
    }
    std::shared_ptr<ScriptedEngine> AddEngine(bool connects)
    {
        auto engine = std::make_shared<ScriptedEngine>();
        engine->connectResult = connects;
        engines.push_back(engine);
        return engine;
    }
    void Ini(const char* section, const char* key, const char* value)
    {
        u3::IniFile(dir.str() + "/front.ini").WriteString(section, key, value);
    }
    std::vector<std::string> Operations(const ScriptedEngine& engine) const
    {
        std::vector<std::string> out;
        for (const auto& call : engine.calls)
            out.push_back(call.operation == "ExecuteEvent" ? call.args[3] : call.operation);
        return out;
    }

    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
    client::ClientMainServices services;
    std::deque<std::shared_ptr<client::IClientGUIEngine>> engines;
    std::vector<std::string> made;
    std::vector<std::string> checker;
};

TEST_F(ClientMainTest, AConnectedPassSendsTheThreeClientEvents)
{
    Ini("Common", "Default language", "de");
    auto engine = AddEngine(true);
    bool splashReachable = false;
    engine->onExecuteEvent = [&](const e3test::EngineCall& call) -> std::string {
        const std::string& event = call.args[3];
        if (event == "Client.OnClientInit") {
            splashReachable = client::FindComponentByName(nullptr, "FormSplash", false) != nullptr;
            return Lines("{ | ; | Client._Title | init | ; | }");
        }
        if (event == "Client.OnClientDone")
            return Lines("{ | ; | Client._Title | done | ; | }");
        return Lines("{ | ; | Client._Title | destroyed | ; | }");
    };
    const std::string first = "GUIEngine=GUIEngine||ORBBINDADDR=inet:remote.example:11000";
    EXPECT_EQ(client::ClientMain({first, "user=x y"}, services), 0);

    EXPECT_EQ(made, std::vector<std::string> {"CORBA GUIEngine inet:remote.example:11000 5"});
    EXPECT_EQ(Operations(*engine), (std::vector<std::string> {"Connect", "CommandGUIEngine", "Client.OnClientInit",
                                                               "Client.OnClientDone", "Client.OnDestroy"}));
    EXPECT_EQ(engine->calls[1].args, (std::vector<std::string> {"GUIEngine", "user=x y", "", "InitStr"}));
    const auto events = engine->CallsOf("ExecuteEvent");
    ASSERT_EQ(events.size(), 3u);
    for (const auto& call : events) {
        EXPECT_EQ(call.args[0], "");
        EXPECT_EQ(call.args[1], "Client");
        EXPECT_EQ(call.args[2], "TClient");
    }
    const std::string init = events[0].args[4];
    EXPECT_EQ(init.rfind(Lines("{ | ; | Sender | Client | ; | IPAddress"), 0), 0u) << init;
    const std::string tail = Lines("ClientDirectory | " + dir.str() + " | ; | CommandLine | " + dir.str() + "/front " + first
                                   + " \"user=x y\" | ; | Language | de | ; | }");
    ASSERT_GE(init.size(), tail.size());
    EXPECT_EQ(init.substr(init.size() - tail.size()), tail) << init;
    EXPECT_EQ(events[1].args[4], "");
    EXPECT_EQ(events[2].args[4], "");
    // The replies to the first two events are applied, the last one's is not.
    EXPECT_EQ(client::TClient::ApplicationTitle(), "done");
    EXPECT_TRUE(splashReachable);
    EXPECT_EQ(checker, (std::vector<std::string> {"start " + dir.str(), "close"}));
    EXPECT_TRUE(messages.plain.empty());
}

TEST_F(ClientMainTest, AFailedConnectWithoutParametersOpensTheDialogAndItsAddressIsUsedNext)
{
    AddEngine(false);
    auto second = AddEngine(true);
    DialogAnswerer answerer([](client::TFormIP& dialog) {
        dialog.rbtnSoap->SetChecked(true);
        dialog.edtIPAddress->SetText("10.1.2.3");
        dialog.edtIPPort->SetText("12345");
        return true;
    });
    EXPECT_EQ(client::ClientMain({}, services), 0);
    EXPECT_EQ(answerer.shown, 1);
    // The transport chosen in the dialog waits for the next start.
    EXPECT_EQ(made, (std::vector<std::string> {"CORBA GUIEngine inet:localhost:11000 5",
                                               "CORBA GUIEngine inet:10.1.2.3:12345 5"}));
    EXPECT_EQ(u3::IniFile(dir.str() + "/front.ini").ReadString("Common", "CORBA", ""), "0");
    EXPECT_EQ(Operations(*second).front(), "Connect");
    EXPECT_EQ(Operations(*second).size(), 4u);
    EXPECT_TRUE(messages.plain.empty());
}

TEST_F(ClientMainTest, AFailedConnectWithParametersShowsTheLostTextUnlessSilent)
{
    struct Case {
        std::vector<std::string> params;
        bool throws;
        std::vector<std::string> made;
        std::vector<std::string> plain;
    };
    // Shown through the local translation, marked as untranslated without a dictionary.
    const std::string lost = "Connection_to_server_lost._Please_close_and_retry.";
    const Case cases[] = {
        {{"GUIEngine=Billing"}, false, {"CORBA Billing inet:localhost:11000 5"}, {lost}},
        {{"GUIEngine=Billing"}, true, {"CORBA Billing inet:localhost:11000 5"}, {lost}},
        {{"GUIEngine=Billing", "ACCESSRIGHTS=hi"}, false, {"CORBA Billing inet:localhost:11000 silent 5"}, {}},
        {{"-silent"}, true, {"CORBA GUIEngine inet:localhost:11000 silent 5"}, {}},
    };
    DialogAnswerer answerer([](client::TFormIP&) { return false; });
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.params) + (c.throws ? " throwing" : ""));
        made.clear();
        messages.plain.clear();
        if (c.throws)
            engines.push_back(std::make_shared<ThrowingEngine>());
        else
            AddEngine(false);
        EXPECT_EQ(client::ClientMain(c.params, services), 1);
        EXPECT_EQ(made, c.made);
        EXPECT_EQ(messages.plain, c.plain);
    }
    EXPECT_EQ(answerer.shown, 0);
}

TEST_F(ClientMainTest, SoapPassesTakeHostPortAndRetriesFromTheSettings)
{
    Ini("Common", "CORBA", "0");
    Ini("Common", "RetryConnect", "3");
    Ini("SOAP", "ORBBINDADDR", "inet:soap.example:21500");
    AddEngine(true);
    EXPECT_EQ(client::ClientMain({"GUIEngine=Billing||ORBBINDADDR=inet:gate.example:8080||APPL=C:\\srv.exe"}, services),
              0);
    EXPECT_EQ(made, std::vector<std::string> {"SOAP gate.example 8080 3"});
}

TEST_F(ClientMainTest, AMissingPkcs11ModuleEndsTheStart)
{
    Ini("Common", "PKCS11Module", "/nonexistent/libnone.so");
    EXPECT_EQ(client::ClientMain({}, services), 1);
    EXPECT_EQ(messages.plain,
              std::vector<std::string> {"PKCS11 library /nonexistent/libnone.so initialisation failed."});
    EXPECT_TRUE(made.empty());
    EXPECT_TRUE(checker.empty());
}

TEST_F(ClientMainTest, SettingsModeCancelEndsAndConnectStartsNormally)
{
    {
        DialogAnswerer answerer([](client::TFormIP&) { return false; });
        EXPECT_EQ(client::ClientMain({"-settings"}, services), 0);
        EXPECT_EQ(answerer.shown, 1);
        EXPECT_TRUE(made.empty());
        EXPECT_TRUE(checker.empty());
    }
    {
        AddEngine(true);
        DialogAnswerer answerer([](client::TFormIP& dialog) {
            dialog.edtIPAddress->SetText("engine.example");
            dialog.edtIPPort->SetText("11500");
            return true;
        });
        EXPECT_EQ(client::ClientMain({"-SETTINGS"}, services), 0);
        EXPECT_EQ(answerer.shown, 1);
        EXPECT_EQ(made, std::vector<std::string> {"CORBA GUIEngine inet:engine.example:11500 5"});
        EXPECT_EQ(checker, (std::vector<std::string> {"start " + dir.str(), "close"}));
    }
    {
        // A failed connect after "-settings" asks again; a cancel then ends with 1.
        made.clear();
        int answers = 0;
        DialogAnswerer answerer([&answers](client::TFormIP&) { return ++answers == 1; });
        EXPECT_EQ(client::ClientMain({"-settings"}, services), 1);
        EXPECT_EQ(answerer.shown, 2);
        EXPECT_EQ(made.size(), 1u);
        EXPECT_TRUE(messages.plain.empty());
    }
}

TEST_F(ClientMainTest, AnErrorWhileTheUserWorksEndsThePassWithItsMessage)
{
    struct Case {
        std::function<void()> fail;
        std::vector<std::string> plain;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {[] { throw u3::Exception("Form Main not found"); }, {"Form Main not found"},
         {"L1 The session ended with an error: Form Main not found"}},
        {[] { throw u3::EAbort(); }, {}, {}},
    };
    for (const Case& c : cases) {
        e3test::TempDir logFolder;
        e3test::LogCapture log(logFolder.path());
        messages.plain.clear();
        auto engine = AddEngine(true);
        bool splashReachable = true;
        engine->onExecuteEvent = [&](const e3test::EngineCall&) -> std::string {
            splashReachable = client::FindComponentByName(nullptr, "FormSplash", false) != nullptr;
            c.fail();
            return {};
        };
        EXPECT_EQ(client::ClientMain({"-silent"}, services), 0);
        EXPECT_EQ(Operations(*engine), (std::vector<std::string> {"Connect", "Client.OnClientInit"}));
        EXPECT_EQ(messages.plain, c.plain);
        std::vector<std::string> sessionLines;
        for (const std::string& entry : log.Entries())
            if (entry.find("session") != std::string::npos)
                sessionLines.push_back(entry);
        EXPECT_EQ(sessionLines, c.logged);
        EXPECT_FALSE(splashReachable) << "a silent client shows no splash";
    }
}

TEST_F(ClientMainTest, NoStepIsLeftForALostLinkAfterTheEnd)
{
    AddEngine(true);
    EXPECT_EQ(client::ClientMain({"GUIEngine=Billing"}, services), 0);
    ASSERT_EQ(checker.size(), 2u);
    struct Ended {};
    u3::SetProgramExitForTests([](int) { throw Ended {}; });
    EXPECT_THROW(u3::EndProgramAfterLostLink(""), Ended);
    u3::SetProgramExitForTests(nullptr);
    EXPECT_EQ(checker.size(), 2u) << "the checker was closed twice";
}

TEST_F(ClientMainTest, EngineCallsShowTheHourglassButTheSessionEventsDoNot)
{
    auto engine = AddEngine(true);
    std::vector<std::string> seen;
    engine->onExecuteEvent = [&](const e3test::EngineCall& call) -> std::string {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        const bool busy = cursor && cursor->shape() == Qt::WaitCursor;
        seen.push_back(call.args[3] + (busy ? " busy" : " idle"));
        if (call.args[3] == "Client.OnClientInit")
            return Lines("{ | ; | Client._Callback | Main.First<|>x | ; | Client._Callback | Main.Second<|>y | ; | }");
        if (call.args[3] == "Main.First")
            return Lines("{ | ; | Client._Callback | Main.Nested<|>z | ; | }");
        return {};
    };
    EXPECT_EQ(client::ClientMain({"-silent"}, services), 0);
    EXPECT_EQ(seen, (std::vector<std::string> {"Client.OnClientInit idle", "Main.First busy", "Main.Nested busy",
                                               "Main.Second busy", "Client.OnClientDone idle",
                                               "Client.OnDestroy idle"}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ClientMainTest, AFailingReplyInsideAFormIsShownAndLogged)
{
    e3test::TempDir logFolder;
    e3test::LogCapture log(logFolder.path());
    auto engine = AddEngine(true);
    engine->ServeFile("Form", "FormMain",
                      Lines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | ] | "
                            "[ | 1 | Te3_Edit | Parent | FormMain | NAME | Edit1 | ] | "
                            "} | x | { | Edit1.OnChange | Main.EditChanged | x | } | x | { | }"));
    engine->QueueReply("Client.OnClientInit",
                       Lines("{ | ; | Client._CreateForm | FormMain | ; | FormMain._ShowModal | snil | ; | }"));
    // The event list publishes no such event: binding it fails, and the rest
    // of that reply is not applied.
    engine->QueueReply("Main.EditChanged",
                       Lines("{ | ; | Edit1.OnNoSuchEvent | Main.Other | ; | Edit1.Text | after | ; | }"));
    std::string textAfterReply;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        for (fw::TCustomForm* form : fw::TCustomForm::AllForms()) {
            if (!form->IsModal() || form->GetName() != "FormMain" || form->GetModalResult() != fw::mrNone)
                continue;
            auto* edit = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
            ASSERT_NE(edit, nullptr);
            QTest::keyClick(edit->LineEdit(), Qt::Key_A);
            textAfterReply = edit->GetText();
            form->SetModalResult(fw::mrOk);
        }
    });
    typist.start(5);
    EXPECT_EQ(client::ClientMain({"-silent"}, services), 0);

    EXPECT_EQ(Operations(*engine), (std::vector<std::string> {"Connect", "Client.OnClientInit", "GetFile",
                                                               "Main.EditChanged", "Client.OnClientDone",
                                                               "Client.OnDestroy"}));
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_NE(messages.errors[0].find("ONNOSUCHEVENT"), std::string::npos) << messages.errors[0];
    EXPECT_EQ(messages.errors[0].back(), '.');
    EXPECT_TRUE(messages.plain.empty());
    EXPECT_EQ(textAfterReply, "a");
    bool logged = false;
    for (const std::string& entry : log.Entries())
        logged = logged || entry.find("ONNOSUCHEVENT") != std::string::npos;
    EXPECT_TRUE(logged);
    // Outside the client's run a failure goes back to standard error.
    EXPECT_NE(fw::ApplicationExceptionHandler, &client::ShowApplicationException);
}

// A link that records the start-up's calls; it may refuse the registration.
class StartUpLink final : public platform::IGUICOMClient {
public:
    StartUpLink(std::vector<std::string>& calls, bool refuse) : calls_(calls), refuse_(refuse) {}
    int32_t RegisterClient(const std::string& engineName, const std::string& uid,
                           std::shared_ptr<platform::IGUIClientAdvise> sink) override
    {
        calls_.push_back("register " + engineName + "|" + uid + (sink ? "|sink" : ""));
        if (refuse_)
            throw platform::EClientLinkError("refused");
        return 8;
    }
    void BroadcastMessage(const std::string&, const std::string&, int32_t, const std::string&, const std::string&,
                          const std::string&) override
    {
    }
    void UnregisterClient(int32_t cookie) override { calls_.push_back("unregister " + std::to_string(cookie)); }

private:
    std::vector<std::string>& calls_;
    bool refuse_;
};

TEST_F(ClientMainTest, TheLinkBetweenClientsIsRegisteredForTheRunAndIsOptional)
{
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse);
        std::vector<std::string> calls;
        int32_t cookieDuringRun = -2;
        services.makeCOMClient = [&] { return std::make_unique<StartUpLink>(calls, refuse); };
        auto engine = AddEngine(true);
        engine->onExecuteEvent = [&](const e3test::EngineCall&) -> std::string {
            cookieDuringRun = client::Client()->Cookie();
            return {};
        };
        EXPECT_EQ(client::ClientMain({}, services), 0);
        EXPECT_EQ(cookieDuringRun, refuse ? -1 : 8);
        EXPECT_EQ(Operations(*engine).size(), 4u);
        if (refuse)
            EXPECT_EQ(calls, (std::vector<std::string> {"register GUIEngine||sink"}));
        else
            EXPECT_EQ(calls, (std::vector<std::string> {"register GUIEngine||sink", "unregister 8"}));
    }
    // A link that cannot be made leaves the client without one.
    services.makeCOMClient = []() -> std::unique_ptr<platform::IGUICOMClient> {
        throw platform::EClientLinkError("No session bus");
    };
    auto engine = AddEngine(true);
    EXPECT_EQ(client::ClientMain({}, services), 0);
    EXPECT_EQ(Operations(*engine).size(), 4u);
}

TEST(ApplicationExceptionText, AFullStopEndsTheMessageUnlessAMarkDoes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Cannot open file a.txt", "Cannot open file a.txt."},
        {"Done.", "Done."},
        {"Really?", "Really?."},
        {"Stop!", "Stop!"},
        {"(see above)", "(see above)"},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(client::ApplicationExceptionText(message), shown) << message;
}

} // namespace
