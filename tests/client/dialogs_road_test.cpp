// The engine's file and folder dialogs and the gauge form, made by "_Create":
// their answers reach the engine as callbacks of the current form, the
// attachment check repeats the open dialog, and the gauge's loop follows the
// engine's replies (a form that is no engine form sends its events as
// "Name_Event" when the client's plain event map has no entry).
#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/MessageDialog.h"
#include "e3/dialogs/ProgressForms.h"
#include "support/DialogScript.h"

#include <QComboBox>
#include <QLabel>

#include <deque>
#include <map>

#include <fcntl.h>
#include <unistd.h>

using namespace e3test;

namespace {

class Verdicts final : public client::MessageDialogSeam {
public:
    Verdicts() { client::SetMessageDialogSeam(this); }
    ~Verdicts() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        shown.push_back(form.GetCaption() + ": " + form.MessageLabel()->text().toStdString());
        form.ButtonClick(0);
    }
    void Beep() override {}
    std::vector<std::string> shown;
};

class DialogsRoadTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
        form = new client::Te3_ClientForm(nullptr);
        form->SetName("Main");
        theClient->AddForm("Main", form);
        theClient->SetCurrentForm(form);
    }
    void TearDown() override
    {
        // What "_Create" made without an owner is the test's to free.
        for (const fw::Guard<fw::TComponent>& made : created)
            delete made.get();
        delete form;
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }
    void Run(const std::string& command, const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty(command);
        ASSERT_NE(p, nullptr) << command;
        p->set(*theClient, value);
    }
    fw::TComponent* Create(const std::string& className, const std::string& name)
    {
        Run("_Create", className + "<|>NIL<|>" + name);
        fw::TComponent* made = theClient->CreatedComponents().Find(name);
        created.emplace_back(made);
        return made;
    }
    // Each event sent as "engine event / request" on one line (not the
    // client's own questions for translated texts).
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            if (call.args.at(3).rfind("Client.", 0) == 0)
                continue;
            std::string body = call.args.at(4);
            for (size_t at; (at = body.find("\r\n")) != std::string::npos;)
                body.replace(at, 2, " ");
            out.push_back(call.args.at(3) + " / " + body);
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
    client::Te3_ClientForm* form = nullptr;
    std::vector<fw::Guard<fw::TComponent>> created;
};

TEST_F(DialogsRoadTest, OpenDialogAnswersUnderItsCallbackWithTheWholeFileSize)
{
    const std::string small = dir.write("files/small.pdf", std::string(1000, 'x'));
    const std::string big = (dir.path() / "files" / "big.bin").string();
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (int64_t(4) << 30) + 1000), 0);
    ::close(fd);

    fw::TComponent* open = Create("Te3_OpenDialog", "Open1");
    ASSERT_NE(open, nullptr);
    ApplyLines("{ | ; | Open1.Filter | PDF|*.pdf|All|*.* | ; | Open1.InitialDir | " + (dir.path() / "files").string() +
               " | ; | }");
    DialogScript script({[](QFileDialog& d) { Choose(d, {"small.pdf"}); },
                         [](QFileDialog& d) {
                             d.selectNameFilter(d.nameFilters().at(1));
                             Choose(d, {"big.bin"});
                         }});
    ApplyLines("{ | ; | Open1._Execute | Main.Picked | ; | }");
    ApplyLines("{ | ; | Open1._Execute | Main.Picked | ; | }");
    EXPECT_EQ(form->EventMap.Value("Main.Picked"), "Main.Picked");
    const std::vector<std::string> expected = {
        "Main.Picked / { ; Sender Main ; ModalResult 1 ; Files " + small + " ; FilterIndex 1 ; FileSize 1000 ; } ",
        "Main.Picked / { ; Sender Main ; ModalResult 1 ; Files " + big +
            " ; FilterIndex 2 ; FileSize 4294968296 ; } ",
    };
    EXPECT_EQ(Sent(), expected);
}

// The dialog's own events, bound by the engine, reach it while the dialog
// runs; its answer to OnCanClose keeps the dialog open.
TEST_F(DialogsRoadTest, TheEngineHearsTheDialogsOwnEventsAndMayKeepItOpen)
{
    dir.write("files/a.pdf", "a");
    fw::TComponent* open = Create("Te3_OpenDialog", "Open1");
    ASSERT_NE(open, nullptr);
    ApplyLines("{ | ; | Open1.Filter | PDF|*.pdf|All|*.* | ; | Open1.InitialDir | " + (dir.path() / "files").string() +
               " | ; | Open1.OnCanClose | Main.CanClose | ; | Open1.OnTypeChange | Main.TypeChanged | ; | }");
    EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
    engine->QueueReply("Main.CanClose", Lines("{ | ; | CanClose | 0 | ; | }"));
    bool stayedOpen = false;
    DialogScript script({[&](QFileDialog& d) {
        // The user picks the second file type.
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        QTest::keyClick(types, Qt::Key_Down);
        Choose(d, {"a.pdf"});
        stayedOpen = d.isVisible();
        Choose(d, {"a.pdf"});
    }});
    ApplyLines("{ | ; | Open1._Execute | Main.Picked | ; | }");
    EXPECT_TRUE(stayedOpen) << "the first choice was refused";
    const std::string a = (dir.path() / "files" / "a.pdf").string();
    const std::vector<std::string> expected = {
        "Main.TypeChanged / { ; Sender Open1 ; } ",
        "Main.CanClose / { ; Sender Open1 ; CanClose 1 ; } ",
        "Main.CanClose / { ; Sender Open1 ; CanClose 1 ; } ",
        "Main.Picked / { ; Sender Main ; ModalResult 1 ; Files " + a + " ; FilterIndex 2 ; FileSize 1 ; } ",
    };
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
}

TEST_F(DialogsRoadTest, VerifiedOpenRepeatsUntilTheFilePasses)
{
    const std::string folder = (dir.path() / "files").string();
    dir.write("files/bad.zip", "not a zip");
    const std::string good = dir.write("files/good.zip", std::string("PK\x03\x04", 4) + "rest");
    fw::TComponent* open = Create("Te3_OpenDialog", "Open1");
    ASSERT_NE(open, nullptr);
    ApplyLines("{ | ; | Open1.Filter | Archives|*.zip | ; | Open1.InitialDir | " + folder + " | ; | }");
    Verdicts verdicts;
    DialogScript script({[](QFileDialog& d) { Choose(d, {"bad.zip"}); },
                         [](QFileDialog& d) { Choose(d, {"good.zip"}); },
                         [](QFileDialog& d) { d.reject(); }});
    ApplyLines("{ | ; | Open1._ExecuteVerify | Main.Attach | ; | }");
    EXPECT_EQ(script.Runs(), 2);
    EXPECT_EQ(verdicts.shown, std::vector<std::string> {"Error: Chosen " + folder +
                                                        "/bad.zip file is not ZIP file. Please choose another file."});
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0], "Main.Attach / { ; Sender Main ; ModalResult 1 ; Files " + good +
                             " ; FilterIndex 1 ; FileSize 8 ; } ");

    // Cancelled: no check, and the answer says so.
    ApplyLines("{ | ; | Open1._ExecuteVerify | Main.Attach | ; | }");
    EXPECT_EQ(script.Runs(), 3);
    EXPECT_EQ(verdicts.shown.size(), 1u);
    EXPECT_EQ(Sent().back(), "Main.Attach / { ; Sender Main ; ModalResult 0 ; Files " + good +
                                 " ; FilterIndex 1 ; FileSize 8 ; } ");
}

TEST_F(DialogsRoadTest, FolderBrowserAnswersWithTheFolder)
{
    std::filesystem::create_directories(dir.path() / "out" / "sub");
    fw::TComponent* browse = Create("Te3_BrowseDirectory", "Browse1");
    ASSERT_NE(browse, nullptr);
    ApplyLines("{ | ; | Browse1.Directory | " + (dir.path() / "out").string() + " | ; | }");
    DialogScript script({[](QFileDialog& d) { Choose(d, {"sub"}); }});
    ApplyLines("{ | ; | Browse1._Execute | Main.Folder | ; | }");
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0], "Main.Folder / { ; Sender Main ; ModalResult 1 ; Directory " +
                             (dir.path() / "out" / "sub").string() + " ; } ");
}

TEST_F(DialogsRoadTest, GaugeLoopFollowsTheEngineAndStopsWhenTheEngineFreesIt)
{
    fw::TComponent* created = Create("TFormGauge", "Gauge1");
    auto* gauge = dynamic_cast<e3::TFormGauge*>(created);
    ASSERT_NE(gauge, nullptr);
    fw::Guard<e3::TFormGauge> guard(gauge);
    // Replies by engine event, in order; a loop that runs away is cancelled
    // so that the test ends.
    std::map<std::string, std::deque<std::string>> replies;
    int calls = 0;
    engine->onExecuteEvent = [&](const EngineCall& call) -> std::string {
        if (++calls > 20 && guard)
            guard->SetCancel(true);
        auto& queue = replies[call.args.at(3)];
        if (queue.empty())
            return {};
        std::string reply = queue.front();
        queue.pop_front();
        return reply;
    };
    replies["Gauge1_OnProgress"] = {Lines("{ | ; | Gauge1.Progress | 60 | ; | }"),
                                    Lines("{ | ; | Gauge1.Progress | 100 | ; | }")};
    ApplyLines("{ | ; | Gauge1._Execute | 1 | ; | }");
    const std::vector<std::string> expected = {
        "Gauge1_OnMinValue / { ; Sender Gauge1 ; } ",
        "Gauge1_OnProgress / { ; Sender Gauge1 ; } ",
        "Gauge1_OnProgress / { ; Sender Gauge1 ; } ",
        "Gauge1_OnMaxValue / { ; Sender Gauge1 ; Cancel 0 ; } ",
    };
    EXPECT_EQ(Sent(), expected);

    // A reply that frees the form ends the loop there.
    engine->calls.clear();
    calls = 0;
    ApplyLines("{ | ; | Gauge1.Progress | 0 | ; | }");
    replies["Gauge1_OnProgress"] = {Lines("{ | ; | Gauge1._FREE | 1 | ; | }")};
    ApplyLines("{ | ; | Gauge1._Execute | 1 | ; | }");
    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Sent()[1], "Gauge1_OnProgress / { ; Sender Gauge1 ; } ");
    EXPECT_FALSE(guard);
    EXPECT_EQ(theClient->CreatedComponents().Find("Gauge1"), nullptr);
}

} // namespace
