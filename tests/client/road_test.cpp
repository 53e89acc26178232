// The whole road of a user's change: the engine's description builds the form,
// typing in the edit sends the engine event with the requested values, and the
// reply sets properties, uses and sets client variables and binds a further
// event that then reaches the engine too.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "e3/dates/Calendar.h"
#include "e3/dates/DateEdit.h"
#include "e3/edits/Edit.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace e3test;

namespace {

const char* const FormMainDescription =
    "desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | CAPTION | Orders | ] | "
    "[ | 1 | Te3_Edit | Parent | FormMain | NAME | Edit1 | TEXT | snil | ] | "
    "} | x | { | Edit1.OnChange | Main.EditChanged | x | } | "
    "x | { | Main.EditChanged | [ | Edit1.Text | ] | }";

class RoadTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
        engine->ServeFile("Form", "FormMain", Lines(FormMainDescription));
    }
    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    // Every ExecuteEvent as (sender, type, event, request lines joined by " | ").
    std::vector<std::vector<std::string>> Sent() const
    {
        std::vector<std::vector<std::string>> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            EXPECT_EQ(call.args.at(0), "");
            std::string body = call.args.at(4);
            EXPECT_TRUE(body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0) << body;
            std::string joined;
            size_t start = 0;
            while (start < body.size()) {
                size_t end = body.find("\r\n", start);
                if (end == std::string::npos)
                    end = body.size();
                joined += (joined.empty() ? "" : " | ") + body.substr(start, end - start);
                start = end + 2;
            }
            out.push_back({call.args.at(1), call.args.at(2), call.args.at(3), joined});
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
};

TEST_F(RoadTest, AChangeReachesTheEngineAndItsReplyBindsAnEventThatFiresToo)
{
    client::Te3_ClientForm* form = theClient->CreateEngineForm("FormMain", "");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(engine->CallsOf("GetFile").at(0).args, (std::vector<std::string> {"FormMain", "Form", ""}));
    auto* edit = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    ASSERT_NE(edit, nullptr);
    list->ActivateClientForm(form);
    ASSERT_EQ(theClient->CurrentForm(), form);
    EXPECT_TRUE(Sent().empty());

    engine->QueueReply("Main.EditChanged",
                       Lines("{ | ; | Client._SetVariable | NAME<|>first<|>Smith | ; | Edit1.Text | @name | ; | "
                             "Edit1.MaxLength | 20 | ; | FormMain.Caption | Saved||at noon | ; | "
                             "Edit1.OnKeyPress | Main.EditKey | ; | Status | done | ; | }"));
    QTest::keyClick(edit->LineEdit(), Qt::Key_A);

    // The reply took effect; its own change of the text was not sent back.
    EXPECT_EQ(theClient->Variables().GetVariable("Name"), "Smith");
    EXPECT_EQ(edit->GetText(), "Smith");
    EXPECT_EQ(edit->LineEdit()->text(), "Smith");
    EXPECT_EQ(edit->GetMaxLength(), 20);
    EXPECT_EQ(form->GetCaption(), "Saved\r\nat noon");
    EXPECT_EQ(form->EventMap.Value("FormMain.Edit1.OnKeyPress"), "Main.EditKey");
    EXPECT_TRUE(list->ChangeGuard);
    EXPECT_TRUE(ClientErrors().empty());

    // The event bound by the reply fires on the next key, before the change.
    QTest::keyClick(edit->LineEdit(), Qt::Key_Z);
    EXPECT_EQ(edit->GetText(), "Smithz");
    const std::vector<std::vector<std::string>> expected = {
        {"Edit1", "TForm", "Main.EditChanged", "{ | ; | Sender | Edit1 | ; | Edit1.Text | a | ; | }"},
        {"Edit1", "TForm", "Main.EditKey", "{ | ; | Sender | Edit1 | ; | Key | z | ; | }"},
        {"Edit1", "TForm", "Main.EditChanged", "{ | ; | Sender | Edit1 | ; | Edit1.Text | Smithz | ; | }"},
    };
    EXPECT_EQ(Sent(), expected);
}

TEST_F(RoadTest, AKeyTheEngineReplacesIsTypedAsTheEngineSays)
{
    client::Te3_ClientForm* form = theClient->CreateEngineForm("FormMain", "");
    ASSERT_NE(form, nullptr);
    auto* edit = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    ASSERT_NE(edit, nullptr);
    list->ActivateClientForm(form);
    engine->QueueReply("Main.EditChanged",
                       Lines("{ | ; | Edit1.OnKeyPress | Main.EditKey | ; | }"));
    QTest::keyClick(edit->LineEdit(), Qt::Key_A);
    // The engine turns "b" into "X" and swallows "c" (an empty key).
    engine->QueueReply("Main.EditKey", Lines("{ | ; | Key | X | ; | }"));
    engine->QueueReply("Main.EditKey", Lines("{ | ; | Key | snil | ; | }"));
    QTest::keyClick(edit->LineEdit(), Qt::Key_B);
    QTest::keyClick(edit->LineEdit(), Qt::Key_C);
    EXPECT_EQ(edit->GetText(), "aX");
    std::vector<std::string> events;
    for (const auto& call : Sent())
        events.push_back(call.at(2) + " " + call.at(3));
    EXPECT_EQ(events, (std::vector<std::string> {
                          "Main.EditChanged { | ; | Sender | Edit1 | ; | Edit1.Text | a | ; | }",
                          "Main.EditKey { | ; | Sender | Edit1 | ; | Key | b | ; | }",
                          "Main.EditChanged { | ; | Sender | Edit1 | ; | Edit1.Text | aX | ; | }",
                          "Main.EditKey { | ; | Sender | Edit1 | ; | Key | c | ; | }",
                      }));
}

// The date edit's calendar button and the date confirmed in its dialog reach
// the engine, whose answer to OnAcceptDate decides the date.
TEST_F(RoadTest, TheEngineDecidesTheDateConfirmedInTheDateDialog)
{
    engine->ServeFile("Form", "FormDates",
                      Lines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormDates | ] | "
                            "[ | 1 | Te3_DateEdit | Parent | FormDates | NAME | dtFiled | DEFAULTFORMAT | DD.MM.YYYY | "
                            "LANGUAGE | en | CALENDARSTYLE | csDialog | ] | "
                            "} | x | { | dtFiled.OnButtonClick | Main.Calendar | x | "
                            "dtFiled.OnAcceptDate | Main.AcceptDate | x | } | x | }"));
    client::Te3_ClientForm* form = theClient->CreateEngineForm("FormDates", "");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
    auto* edit = dynamic_cast<e3::Te3_DateEdit*>(form->FindComponent("dtFiled"));
    ASSERT_NE(edit, nullptr);
    list->ActivateClientForm(form);
    QAction* button = nullptr;
    for (QAction* action : edit->LineEdit()->actions())
        if (action->objectName() == QStringLiteral("calendarButton"))
            button = action;
    ASSERT_NE(button, nullptr);
    // The dialog opens on the edit's date and is confirmed one day later.
    const auto pickNextDay = [button] {
        QTimer::singleShot(0, [] {
            for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
                if (auto* dialog = dynamic_cast<e3::TSelectDateDlg*>(f)) {
                    QTest::keyClick(dialog->Calendar()->Widget(), Qt::Key_Right);
                    dialog->OkButton()->click();
                }
        });
        button->trigger();
    };

    edit->SetDateString("05.03.2024");
    engine->QueueReply("Main.AcceptDate", Lines("{ | ; | ADate | 01.01.2025 | ; | }"));
    pickNextDay();
    EXPECT_EQ(edit->GetDateString(), "01.01.2025");

    edit->SetDateString("05.03.2024");
    engine->QueueReply("Main.AcceptDate", Lines("{ | ; | Action | 0 | ; | }"));
    pickNextDay();
    EXPECT_EQ(edit->GetDateString(), "05.03.2024") << "refused";

    const std::vector<std::vector<std::string>> expected = {
        {"dtFiled", "TForm", "Main.Calendar", "{ | ; | Sender | dtFiled | ; | }"},
        {"dtFiled", "TForm", "Main.AcceptDate",
         "{ | ; | Sender | dtFiled | ; | ADate | 06.03.2024 | ; | Action | 1 | ; | }"},
        {"dtFiled", "TForm", "Main.Calendar", "{ | ; | Sender | dtFiled | ; | }"},
        {"dtFiled", "TForm", "Main.AcceptDate",
         "{ | ; | Sender | dtFiled | ; | ADate | 06.03.2024 | ; | Action | 1 | ; | }"},
    };
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
}

} // namespace
