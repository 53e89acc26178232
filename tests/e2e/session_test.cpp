// Whole sessions against the in-process engine: the engine opens a form, a
// person types, clicks and closes it, the engine answers and changes the form;
// messages and large files go back and forth the same way.
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "e3/buttons/CheckBox.h"
#include "e3/edits/Edit.h"
#include "e3/edits/Memo.h"
#include "e3/buttons/SpeedButton.h"
#include "support/ScriptedEngine.h"
#include "support/TempDir.h"
#include "u3/Base64.h"
#include "u3/Files.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>

using e3test::EngineCall;

namespace {

// Lines joined with " | ", as CR LF text.
std::string Lines(const std::string& barSeparated)
{
    std::string out;
    size_t start = 0;
    while (true) {
        const size_t bar = barSeparated.find(" | ", start);
        out += barSeparated.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        out += "\r\n";
        if (bar == std::string::npos)
            return out;
        start = bar + 3;
    }
}

// CR LF text as lines joined with " | ".
std::string Joined(const std::string& text)
{
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        out += (out.empty() ? "" : " | ") + text.substr(start, end - start);
        start = end + 2;
    }
    return out;
}

const char* const OrderForm =
    "desc | "
    "[ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | CAPTION | Orders | WIDTH | 400 | HEIGHT | 300 | ] | "
    "[ | 1 | Te3_Edit | Parent | FormMain | NAME | Edit1 | TEXT | snil | ] | "
    "[ | 1 | Te3_SpeedButton | Parent | FormMain | NAME | btnSave | CAPTION | Save | TOP | 40 | ] | "
    "[ | 1 | Te3_CheckBox | Parent | FormMain | NAME | chkUrgent | CAPTION | Urgent | TOP | 80 | ] | "
    "[ | 1 | Te3_Memo | Parent | FormMain | NAME | Memo1 | TOP | 120 | ] | "
    "} | x | { | "
    "Edit1.OnKeyPress | Main.Key | x | Edit1.OnChange | Main.Changed | x | "
    "chkUrgent.OnClick | Main.Urgent | x | btnSave.OnClick | Main.Save | x | "
    "FormMain.OnCloseQuery | Main.CanClose | x | FormMain.OnClose | Main.Closing | x | "
    "} | x | { | "
    "Main.Changed | [ | Edit1.Text | ] | "
    "Main.Save | [ | Edit1.Text | chkUrgent.Checked | ] | "
    "}";

// Answers the message dialog: records what it shows and presses a button by
// index (-1: closes it through the window system instead).
class DialogAnswerer : public client::MessageDialogSeam {
public:
    DialogAnswerer() { client::SetMessageDialogSeam(this); }
    ~DialogAnswerer() override { client::SetMessageDialogSeam(nullptr); }

    void Run(client::TMessageForm& form) override
    {
        form.Show();
        std::string buttons;
        for (QToolButton* b : form.Buttons())
            buttons += (buttons.empty() ? "" : ",") + b->text().toStdString();
        shown.push_back({form.GetCaption(), form.MessageLabel()->text().toStdString(), buttons});
        if (press >= 0 && press < static_cast<int>(form.Buttons().size())) {
            QTest::mouseClick(form.Buttons()[static_cast<size_t>(press)], Qt::LeftButton);
        } else {
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
                form.Widget()->windowHandle());
        }
        QCoreApplication::processEvents();
    }
    void Beep() override {}

    int press = 0;
    std::vector<std::vector<std::string>> shown; // caption, text, buttons
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride(dir.str() + "/front");
        theClient = std::make_unique<client::TClient>("Test");
        theClient->SetEngine(&engine);
        client::SetClient(theClient.get());
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
        engine.ServeFile("Form", "FormMain", Lines(OrderForm));
    }
    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        fw::TCustomForm::SetMainForm(nullptr);
        theClient.reset();
        client::SetClient(nullptr);
        list.reset();
        fw::TComponent::DeleteReleased();
        u3::SetExeNameOverride("");
    }

    // The client raises an event of its own; the engine's reply runs in it.
    void ClientEvent(const std::string& eventName)
    {
        client::TClientSender sender = client::TClientSender::CreateForClient(eventName);
        sender.WriteRequest();
        sender.Execute();
    }

    // Every ExecuteEvent as "sender type event: body lines joined by |".
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine.CallsOf("ExecuteEvent"))
            out.push_back(call.args.at(1) + " " + call.args.at(2) + " " + call.args.at(3) + ": " +
                          Joined(call.args.at(4)));
        return out;
    }

    std::vector<std::string> ClientErrors() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine.CallsOf("OnMessage"))
            if (call.args.at(0) == "ClientError")
                out.push_back(call.args.at(1));
        return out;
    }

    e3test::TempDir dir;
    e3test::ScriptedEngine engine;
    std::unique_ptr<client::TClient> theClient;
    std::unique_ptr<client::TEventList> list;
};

template <class T>
T* Control(client::Te3_ClientForm* form, const std::string& name)
{
    return dynamic_cast<T*>(form->FindComponent(name));
}

TEST_F(SessionTest, AModalFormTypedIntoClickedAndClosedByTheWindowSystem)
{
    engine.QueueReply("Main.Start", Lines("{ | ; | Client._CreateFormModal | FormMain | ; | "
                                          "FormMain._ShowModal | Main.Closed | ; | }"));
    // The engine capitalises "b"; the save changes the form; the first close is refused.
    engine.QueueReply("Main.Key", "");
    engine.QueueReply("Main.Key", Lines("{ | ; | Key | B | ; | }"));
    engine.QueueReply("Main.Save", Lines("{ | ; | Memo1.Text | Saved||twice | ; | btnSave.Caption | Again | ; | "
                                         "FormMain.Caption | Order 17 | ; | Edit1.Text | done | ; | }"));
    engine.QueueReply("Main.CanClose", Lines("{ | ; | CanClose | 0 | ; | }"));

    client::Te3_ClientForm* seenForm = nullptr;
    std::vector<std::string> states;
    QTimer::singleShot(0, [&] {
        auto* form = dynamic_cast<client::Te3_ClientForm*>(theClient->Forms().Find("FormMain"));
        ASSERT_NE(form, nullptr);
        seenForm = form;
        ASSERT_TRUE(form->IsModal());
        QApplication::setActiveWindow(form->Widget());
        auto* edit = Control<e3::Te3_Edit>(form, "Edit1");
        auto* save = Control<e3::Te3_SpeedButton>(form, "btnSave");
        auto* urgent = Control<e3::Te3_CheckBox>(form, "chkUrgent");
        auto* memo = Control<e3::Te3_Memo>(form, "Memo1");
        ASSERT_TRUE(edit && save && urgent && memo);

        edit->SetFocus();
        QTest::keyClicks(edit->LineEdit(), "ab");
        QTest::keyClick(edit->LineEdit(), Qt::Key_Return);
        states.push_back("edit " + edit->GetText());
        QTest::mouseClick(urgent->Widget(), Qt::LeftButton);
        QTest::mouseClick(save->Widget(), Qt::LeftButton);
        states.push_back("memo " + memo->GetText() + ", button " + save->GetText() + ", form " +
                         form->GetCaption() + ", edit " + edit->GetText());

        QWindow* window = form->Widget()->windowHandle();
        ASSERT_NE(window, nullptr);
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window);
        states.push_back(form->Widget()->isVisible() ? "still open" : "closed");
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window);
    });
    ClientEvent("Main.Start");

    ASSERT_NE(seenForm, nullptr);
    EXPECT_EQ(states, (std::vector<std::string> {"edit aB", "memo Saved\r\ntwice, button Again, form Order 17, edit done",
                                                 "still open"}));
    EXPECT_FALSE(seenForm->Widget()->isVisible());
    const std::vector<std::string> expected = {
        "Client TClient Main.Start: { | ; | Sender | Client | ; | }",
        "Edit1 TForm Main.Key: { | ; | Sender | Edit1 | ; | Key | a | ; | }",
        "Edit1 TForm Main.Changed: { | ; | Sender | Edit1 | ; | Edit1.Text | a | ; | }",
        "Edit1 TForm Main.Key: { | ; | Sender | Edit1 | ; | Key | b | ; | }",
        "Edit1 TForm Main.Changed: { | ; | Sender | Edit1 | ; | Edit1.Text | aB | ; | }",
        // Enter is no character for an edit: no key press goes out for it.
        "chkUrgent TForm Main.Urgent: { | ; | Sender | chkUrgent | ; | }",
        "btnSave TForm Main.Save: { | ; | Sender | btnSave | ; | Edit1.Text | aB | ; | chkUrgent.Checked | true | ; | }",
        // The reply's own change of the text is an ordinary change.
        "Edit1 TForm Main.Changed: { | ; | Sender | Edit1 | ; | Edit1.Text | done | ; | }",
        "FormMain TForm Main.CanClose: { | ; | Sender | FormMain | ; | CanClose | 1 | ; | }",
        "FormMain TForm Main.CanClose: { | ; | Sender | FormMain | ; | CanClose | 1 | ; | }",
        "FormMain TForm Main.Closing: { | ; | Sender | FormMain | ; | Action | 1 | ; | }",
        "Main  Main.Closed: { | ; | Sender | Main | ; | ModalResult | 2 | ; | }",
    };
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(ClientErrors().empty()) << ClientErrors().front();
}

TEST_F(SessionTest, MessagesOfOneToSevenFieldsAreShownAndAnswered)
{
    struct Case {
        std::string value;
        int press;
        std::vector<std::string> shown; // caption, text, buttons
        std::string answer;             // the callback event sent, or empty
    };
    const Case cases[] = {
        {"Note", 0, {"Note", "", "Note"}, ""},
        {"Note<|>Hello", 0, {"Note", "Hello", "Hello"}, ""},
        {"Note<|>Hello<|>Yes,No", 1, {"Note", "Hello", "Yes,No"}, ""},
        {"Note<|>Hello<|>unread<|>Yes,No", 0, {"Note", "Hello", "Yes,No"}, ""},
        {"Note<|>Hello<|>unread<|>Yes,No<|>Main.Answer", 1, {"Note", "Hello", "Yes,No"},
         "Main  Main.Answer: { | ; | Sender | Main | ; | ModalResult | 1 | ; | }"},
        {"Note<|>One<|>Two<|>unread<|>Yes,No,Cancel<|>Main.Answer", -1, {"Note", "One\r\nTwo", "Yes,No,Cancel"},
         "Main  Main.Answer: { | ; | Sender | Main | ; | ModalResult | -1 | ; | }"},
        {"Note<|>One<|>Two||and a half<|>Three<|>unread<|>OK<|>Main.Answer", 0,
         {"Note", "One\r\nTwo\r\nand a half\r\nThree", "OK"},
         "Main  Main.Answer: { | ; | Sender | Main | ; | ModalResult | 0 | ; | }"},
    };
    DialogAnswerer answerer;
    for (const Case& c : cases) {
        engine.calls.clear();
        answerer.shown.clear();
        answerer.press = c.press;
        engine.QueueReply("Main.Ask", Lines("{ | ; | Client._ShowMessage | " + c.value + " | ; | }"));
        ClientEvent("Main.Ask");
        ASSERT_EQ(answerer.shown.size(), 1u) << c.value;
        EXPECT_EQ(answerer.shown[0], c.shown) << c.value;
        std::vector<std::string> expected {"Client TClient Main.Ask: { | ; | Sender | Client | ; | }"};
        if (!c.answer.empty())
            expected.push_back(c.answer);
        EXPECT_EQ(Sent(), expected) << c.value;
    }
    EXPECT_TRUE(ClientErrors().empty());
}

TEST_F(SessionTest, TwentyMebibytesGoToTheEngineAndComeBackUnchanged)
{
    std::string original(20u << 20, '\0');
    std::mt19937 gen(11);
    for (char& ch : original)
        ch = static_cast<char>(gen() & 0xFF);
    const std::string up = dir.str() + "/order.bin";
    const std::string down = dir.str() + "/back/order.bin";
    std::ofstream(up, std::ios::binary) << original;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.str() + "/back")));

    // The engine keeps what arrives and hands it out again in parts of 3 MiB.
    std::string stored;
    std::vector<std::string> uploadSteps;
    engine.onSetFile = [&](const EngineCall& call) {
        uploadSteps.push_back(call.args[1]);
        stored += u3::Base64ToString(call.args[0]);
        return std::string("OK");
    };
    size_t handedOut = 0;
    engine.onGetFile = [&](const EngineCall&) {
        if (handedOut >= stored.size())
            return std::string("snil");
        const std::string part = stored.substr(handedOut, 3u << 20);
        handedOut += part.size();
        return u3::StringToBase64(part);
    };
    engine.QueueReply("Main.Upload", Lines("{ | ; | Client._SendFile | " + up + "<|>srv/order.bin<|>Main.Sent | ; | "
                                           "Client._ReceiveFile | " + down + "<|>srv/order.bin<|>Main.Got | ; | }"));
    ClientEvent("Main.Upload");

    EXPECT_EQ(Sent(), (std::vector<std::string> {
                          "Client TClient Main.Upload: { | ; | Sender | Client | ; | }",
                          "Main  Main.Sent: { | ; | Sender | Main | ; | ModalResult | 1 | ; | }",
                          "Main  Main.Got: { | ; | Sender | Main | ; | ModalResult | 1 | ; | }",
                      }));
    ASSERT_GT(uploadSteps.size(), 1u);
    EXPECT_EQ(uploadSteps.front(), "PartStart");
    EXPECT_EQ(uploadSteps.back(), "PartEnd");
    EXPECT_TRUE(stored == original);
    EXPECT_GT(engine.CallsOf("GetFile").size(), 2u);
    const std::string back = e3test::ReadWholeFile(down);
    EXPECT_EQ(back.size(), original.size());
    EXPECT_TRUE(back == original);
}

} // namespace
