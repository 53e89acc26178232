#include "ClientFixture.h"
#include "client/ClientLink.h"
#include "client/ClientMain.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "support/ScriptedEngine.h"
#include "support/TempDir.h"
#include "u3/Base64.h"
#include "u3/Files.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using e3test::Lines;

// A link that records what the client asks of it.
class RecordingLink final : public platform::IGUICOMClient {
public:
    struct Log {
        std::vector<std::string> calls;
        std::shared_ptr<platform::IGUIClientAdvise> sink;
        bool failBroadcast = false;
        bool failRegister = false;
    };
    explicit RecordingLink(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    int32_t RegisterClient(const std::string& engineName, const std::string& uid,
                           std::shared_ptr<platform::IGUIClientAdvise> sink) override
    {
        log_->calls.push_back("register " + engineName + "|" + uid);
        if (log_->failRegister)
            throw platform::EClientLinkError("refused");
        log_->sink = std::move(sink);
        return 17;
    }
    void BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                          const std::string& mid, const std::string& mString, const std::string& mType) override
    {
        log_->calls.push_back("broadcast " + nameEngine + "|" + uid + "|" + std::to_string(localID) + "|" + mid +
                              "|" + mString + "|" + mType);
        if (log_->failBroadcast)
            throw platform::EClientLinkError("bus gone");
    }
    void UnregisterClient(int32_t cookie) override { log_->calls.push_back("unregister " + std::to_string(cookie)); }

private:
    std::shared_ptr<Log> log_;
};

class ClientLinkTest : public e3test::ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
        theClient->SetCOMClient(std::make_unique<RecordingLink>(log));
        client::SetDocumentViewerCloser([this] { ++viewerClosed; });
    }
    void TearDown() override
    {
        client::SetDocumentViewerCloser({});
        client::SetEventListObject(nullptr);
        list.reset();
        ClientFixture::TearDown();
    }
    void RunMessage(const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty("_Message");
        ASSERT_NE(p, nullptr);
        p->set(*theClient, value);
    }
    std::vector<std::string> Events() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent"))
            out.push_back(call.args[3]);
        return out;
    }

    std::shared_ptr<RecordingLink::Log> log = std::make_shared<RecordingLink::Log>();
    std::unique_ptr<client::TEventList> list;
    int viewerClosed = 0;
};

TEST_F(ClientLinkTest, MessageCommandBroadcastsItsSixFields)
{
    struct Case {
        const char* value;
        const char* broadcast;
    };
    const Case cases[] = {
        {"Eng<|>U1<|>12<|>M1<|>Hello<|>1", "broadcast Eng|U1|12|M1|Hello|1"},
        {"Eng<|>U1<|>twelve<|>M1<|>Hello<|>1", "broadcast Eng|U1|0|M1|Hello|1"},
        {"Eng<|>U1<|>99999999999<|>M1<|>Hello<|>1", "broadcast Eng|U1|0|M1|Hello|1"},
        {"Eng", "broadcast Eng||0|||"},
    };
    for (const Case& c : cases) {
        log->calls.clear();
        RunMessage(c.value);
        EXPECT_EQ(log->calls, std::vector<std::string> {c.broadcast}) << c.value;
    }
    // A link that fails, or no link at all, leaves the command without effect.
    log->failBroadcast = true;
    EXPECT_NO_THROW(RunMessage("Eng<|>U1<|>1<|>M<|>S<|>T"));
    theClient->SetCOMClient(nullptr);
    EXPECT_NO_THROW(RunMessage("Eng<|>U1<|>1<|>M<|>S<|>T"));
}

TEST_F(ClientLinkTest, SinkClosesTheViewerOnlyForAnotherClientsClosePreview)
{
    theClient->SetCookie(17);
    auto sink = std::make_shared<client::TGUIClientAdvise>();
    struct Case {
        const char* mString;
        const char* mType;
        int32_t localID;
        bool closes;
    };
    const Case cases[] = {
        {"Close_PDF_Preview", "0", 5, true},
        {"Close_PDF_Preview", "1", 5, false},  // another type goes to the engine
        {"Close_PDF_Preview", "0", 17, false}, // our own, come back
        {"close_pdf_preview", "0", 5, false},  // exact text only
        {"Hello", "0", 5, false},
    };
    for (const Case& c : cases) {
        engine->calls.clear();
        viewerClosed = 0;
        sink->OnClientMessage("Eng", "U", c.localID, "M", c.mString, c.mType);
        EXPECT_EQ(viewerClosed, c.closes ? 1 : 0) << c.mString << " " << c.mType << " " << c.localID;
        if (c.closes) {
            EXPECT_TRUE(engine->calls.empty());
        } else {
            ASSERT_EQ(Events(), std::vector<std::string> {"Client.OnMessage"});
            const std::string request = engine->calls.back().args[4];
            EXPECT_NE(request.find(Lines("NameEngine | Eng | ; | UID | U | ; | LocalID | " +
                                         std::to_string(c.localID) + " | ; | MID | M | ; | MString | " + c.mString +
                                         " | ; | MType | " + c.mType + " | ;")),
                      std::string::npos)
                << request;
        }
    }
}

TEST_F(ClientLinkTest, SinkSwallowsAFailingEngineCall)
{
    auto sink = std::make_shared<client::TGUIClientAdvise>();
    engine->onExecuteEvent = [](const e3test::EngineCall&) -> std::string { throw std::runtime_error("engine down"); };
    EXPECT_NO_THROW(sink->OnClientMessage("Eng", "U", 1, "M", "Hello", "1"));
    EXPECT_EQ(Events().size(), 1u);
}

TEST_F(ClientLinkTest, BroadcastsWhileAnEngineCallWaitsAreForwardedAfterItReturns)
{
    auto sink = std::make_shared<client::TGUIClientAdvise>();
    int depth = 0, deepest = 0;
    engine->onExecuteEvent = [&](const e3test::EngineCall& call) -> std::string {
        deepest = std::max(deepest, ++depth);
        if (call.args[3] == "Main.OnClick") {
            // Two broadcasts come in while the engine works on the click.
            sink->OnClientMessage("Eng", "U", 1, "M", "First", "1");
            sink->OnClientMessage("Eng", "U", 1, "M", "Second", "1");
        }
        --depth;
        return {};
    };
    client::TClientSender s = client::TClientSender::CreateForClient("Main.OnClick");
    s.WriteRequest();
    s.Execute();
    EXPECT_EQ(Events(), std::vector<std::string> {"Main.OnClick"});
    EXPECT_EQ(sink->Queued(), 2u);
    for (int i = 0; i < 100 && sink->Queued() > 0; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(Events(), (std::vector<std::string> {"Main.OnClick", "Client.OnMessage", "Client.OnMessage"}));
    EXPECT_EQ(deepest, 1);
    const auto calls = engine->CallsOf("ExecuteEvent");
    EXPECT_NE(calls[1].args[4].find("First"), std::string::npos);
    EXPECT_NE(calls[2].args[4].find("Second"), std::string::npos);
}

TEST_F(ClientLinkTest, BroadcastsDuringAFileTransferWaitForItsLastPart)
{
    e3test::TempDir dir;
    auto sink = std::make_shared<client::TGUIClientAdvise>();
    // A broadcast comes in while each transfer waits for its first part; the
    // engine is asked nothing else until the transfer is over.
    std::vector<size_t> eventsSeen;
    int parts = 0;
    engine->onGetFile = [&](const e3test::EngineCall&) -> std::string {
        eventsSeen.push_back(Events().size());
        if (parts == 0)
            sink->OnClientMessage("Eng", "U", 1, "M", "During download", "1");
        return ++parts <= 2 ? u3::StringToBase64("part") : std::string("snil");
    };
    engine->onSetFile = [&](const e3test::EngineCall&) -> std::string {
        eventsSeen.push_back(Events().size());
        sink->OnClientMessage("Eng", "U", 1, "M", "During upload", "1");
        return "OK";
    };
    struct Step {
        const char* what;
        std::function<int32_t()> run;
    };
    const Step steps[] = {
        {"download in parts", [&] { parts = 0; return theClient->ReceiveFileFromServer(dir.str() + "/a", "srv/a"); }},
        {"whole download", [&] { parts = 0; return theClient->ReceiveWholeFile(dir.str() + "/b", "srv/b"); }},
        {"upload", [&] { return theClient->SendFileToServer(dir.write("c", "data"), "srv/c"); }},
    };
    for (const Step& step : steps) {
        const size_t before = Events().size();
        eventsSeen.clear();
        EXPECT_EQ(step.run(), 1) << step.what;
        for (size_t seen : eventsSeen)
            EXPECT_EQ(seen, before) << step.what;
        EXPECT_EQ(Events().size(), before) << step.what;
        EXPECT_GE(sink->Queued(), 1u) << step.what;
        for (int i = 0; i < 100 && sink->Queued() > 0; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(sink->Queued(), 0u) << step.what;
        EXPECT_GT(Events().size(), before) << step.what;
    }
    EXPECT_EQ(Events(), std::vector<std::string>(Events().size(), "Client.OnMessage"));
}

TEST_F(ClientLinkTest, FreeingTheClientUnregistersOnlyARegistration)
{
    theClient.reset();
    client::SetClient(nullptr);
    EXPECT_TRUE(log->calls.empty());

    theClient = std::make_unique<client::TClient>("GUIEngine");
    client::SetClient(theClient.get());
    theClient->SetCOMClient(std::make_unique<RecordingLink>(log));
    theClient->SetCookie(17);
    theClient.reset();
    client::SetClient(nullptr);
    EXPECT_EQ(log->calls, std::vector<std::string> {"unregister 17"});
}

} // namespace
