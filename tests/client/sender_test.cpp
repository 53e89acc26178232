#include "ClientFixture.h"

#include "client/BusyCursor.h"
#include "client/FormReader.h"

using namespace e3test;
using client::TClientSender;
using client::Te3_ClientForm;

namespace {

// FormMain with Button1, Edit1, Check1 and Label1, as an engine form.
class SenderTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        form = new Te3_ClientForm(nullptr);
        form->SetName("FormMain");
        for (const char* name : {"Button1", "Edit1", "Check1", "Label1"}) {
            auto* c = new TTestEdit(form);
            c->SetName(name);
            c->SetParent(form);
        }
        theClient->AddForm("FormMain", form);
        theClient->SetCurrentForm(form);
    }
    void TearDown() override
    {
        delete form;
        ClientFixture::TearDown();
    }
    TTestEdit* Control(const char* name) { return dynamic_cast<TTestEdit*>(form->FindComponent(name)); }

    Te3_ClientForm* form = nullptr;
};

} // namespace

TEST_F(SenderTest, ClickSendsTheRequestAndTheReplyIsApplied)
{
    form->EventMap.Add("FormMain.Button1.OnClick", "Main.Save");
    form->EventParams.Add("Main.Save", "Edit1.Text\r\nCheck1.Checked");
    Control("Edit1")->SetText("Smith");
    Control("Check1")->SetChecked(true);
    theClient->SetVariable("NAME", "", "Jones");
    engine->QueueReply("Main.Save", Lines("{ | ; | Edit1.Text | @NAME | ; | Label1.Caption | Saved||at noon | ; | "
                                          "Client._Title | Orders | ; | CanClose | 1 | ; | }"));

    auto sender = TClientSender::CreateForControl(Control("Button1"), "Button1.OnClick");
    sender.WriteRequest();
    sender.Execute();

    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    const auto call = engine->CallsOf("ExecuteEvent")[0];
    EXPECT_EQ(call.args, (std::vector<std::string> {"", "Button1", "TForm", "Main.Save",
                                                     Lines("{ | ; | Sender | Button1 | ; | Edit1.Text | Smith | ; | "
                                                           "Check1.Checked | true | ; | }")}));
    EXPECT_EQ(Control("Edit1")->GetText(), "Jones");
    EXPECT_EQ(Control("Label1")->GetText(), "Saved\r\nat noon");
    EXPECT_EQ(client::TClient::ApplicationTitle(), "Orders");
    EXPECT_EQ(sender.Result("CanClose"), "1");
    EXPECT_EQ(sender.Result("CANCLOSE"), "1");
    EXPECT_EQ(client::BusyCount, 0);
}

TEST_F(SenderTest, RepliesApplyByPathWithoutRegardToCase)
{
    ApplyLines("{ | ; | edit1.text | @X | ; | LABEL1.CAPTION | a | extra line | ; | label1.count | $1F | ; | }");
    EXPECT_EQ(Control("Edit1")->GetText(), "@X"); // no variable X: the text itself
    EXPECT_EQ(Control("Label1")->GetText(), "a");
    EXPECT_EQ(Control("Label1")->GetCount(), 31);
    EXPECT_TRUE(ClientErrors().empty());
}

TEST_F(SenderTest, AnEmptyVariableIsDefinedAndGivesAnEmptyText)
{
    theClient->SetVariable("Total", "a", "b");
    theClient->SetVariable("TOTAL", "c", "");
    Control("Edit1")->SetText("before");
    ApplyLines("{ | ; | Edit1.Text | @total | ; | }");
    EXPECT_EQ(Control("Edit1")->GetText(), "");
    EXPECT_EQ(theClient->Variables().Count(), 1);
}

TEST_F(SenderTest, AMissingObjectIsReportedOnceForConsecutiveEntries)
{
    ApplyLines("{ | ; | Nobody.Text | x | ; | Nobody.Caption | y | ; | Edit1.Text | z | ; | }");
    EXPECT_EQ(ClientErrors(), std::vector<std::string> {"Parent NOBODY not found."});
    EXPECT_EQ(Control("Edit1")->GetText(), "z");
}

TEST_F(SenderTest, EmptyReplyAndNilEventChangeNothing)
{
    auto sender = ApplyLines("{ | ; | }");
    EXPECT_EQ(sender.Results.Count(), 0);
    form->EventMap.Add("FormMain.Button1.OnClick", "nil");
    auto nil = TClientSender::CreateForControl(Control("Button1"), "Button1.OnClick");
    nil.WriteRequest();
    nil.Execute();
    EXPECT_TRUE(engine->CallsOf("ExecuteEvent").empty());
}

TEST_F(SenderTest, AnEventWithoutEngineNameIsReportedAndNotSent)
{
    auto sender = TClientSender::CreateForControl(Control("Button1"), "Button1.OnClick");
    sender.WriteRequest();
    sender.Execute();
    EXPECT_TRUE(engine->CallsOf("ExecuteEvent").empty());
    EXPECT_EQ(ClientErrors(), std::vector<std::string> {"Event FormMain.Button1.OnClick not found"});
}

TEST_F(SenderTest, AMissingRequestedControlIsReportedAndSentAsZero)
{
    form->EventMap.Add("FormMain.Button1.OnClick", "Main.Save");
    form->EventParams.Add("Main.Save", "Ghost.Text\r\n\r\nEdit1.Text");
    auto sender = TClientSender::CreateForControl(Control("Button1"), "Button1.OnClick");
    sender.WriteRequest();
    sender.Execute();
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").at(0).args.at(4),
              Lines("{ | ; | Sender | Button1 | ; | Ghost.Text | 0 | ; | Edit1.Text | Edit1 | ; | }"));
    EXPECT_EQ(ClientErrors(),
              (std::vector<std::string> {"Parent Ghost not found.", "Store property: Ghost control not found"}));
}

TEST_F(SenderTest, BindsOnlyWhenTheLastStepIsAnEvent)
{
    auto* online = new TTestEdit(form);
    online->SetName("OnlineEdit");
    ApplyLines("{ | ; | FormMain.OnlineEdit.Text | typed | ; | Edit1.OnChange | Main.EditChanged | ; | }");
    EXPECT_EQ(online->GetText(), "typed");
    EXPECT_EQ(form->EventMap.Value("FormMain.EDIT1.ONCHANGE"), "Main.EditChanged");
    // The bound event now fires.
    Control("Edit1")->SetText("new");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args.at(3), "Main.EditChanged");
}

TEST_F(SenderTest, AFreedObjectIsLookedUpAgainNotReused)
{
    fw::Guard<TTestEdit> edit(Control("Edit1"));
    ApplyLines("{ | ; | Edit1._FREE | 1 | ; | Edit1.Text | x | ; | }");
    EXPECT_FALSE(edit);
    EXPECT_EQ(ClientErrors(), std::vector<std::string> {"Parent EDIT1 not found."});
}

TEST_F(SenderTest, TheClientObjectCannotBeFreed)
{
    ApplyLines("{ | ; | Client._FREE | 1 | ; | Client._SetVariable | A<|>1<|>2 | ; | }");
    EXPECT_TRUE(theClient->IsAlive());
    EXPECT_EQ(theClient->Variables().GetVariable("a"), "2");
    EXPECT_EQ(ClientErrors().size(), 1u);
}

TEST_F(SenderTest, TruncatedRepliesEndWithAnError)
{
    for (const char* text : {"{", "{ | ;", "{ | ; | Edit1.Text", "{ | ; | Edit1.Text | x", "{ | ; | Edit1.Text | x | ;"}) {
        auto sender = TClientSender::CreateForClient("Test");
        client::TMemoryTextStream reply(Lines(text));
        EXPECT_THROW(sender.ApplyReply(reply), u3::EListError) << text;
    }
}

TEST_F(SenderTest, ShowModalEntriesResetTheBusyCount)
{
    client::BusyCount = 3;
    ApplyLines("{ | ; | Nobody._ShowModal | 1 | ; | }");
    EXPECT_EQ(client::BusyCount, 0);
}

TEST_F(SenderTest, NamesResolveInTheOrderOfTheLookup)
{
    // A frame's control and a form's control of the same name: the current
    // form's tree comes first; forms by alias, then frames by alias.
    auto* frame = new client::Te3_ClientFrame(nullptr);
    frame->SetName("Frame1");
    auto* inner = new TTestEdit(frame);
    inner->SetName("Inner");
    theClient->AddFrame("FrameAlias", frame);
    EXPECT_EQ(client::FindComponentByName(form, "edit1", false), Control("Edit1"));
    EXPECT_EQ(client::FindComponentByName(form, "client", false), theClient.get());
    EXPECT_EQ(client::FindComponentByName(form, "FrameAlias", false), frame);
    EXPECT_EQ(client::FindComponentByName(form, "inner", false), inner);
    EXPECT_EQ(client::FindComponentByName(form, "nil", true), nullptr);
    EXPECT_TRUE(ClientErrors().empty());
    // The cache follows renames and frees.
    Control("Edit1")->SetName("Renamed");
    EXPECT_EQ(client::FindComponentByName(form, "Edit1", false), nullptr);
    EXPECT_NE(client::FindComponentByName(form, "renamed", false), nullptr);
    auto* again = new TTestEdit(form);
    again->SetName("Edit1");
    EXPECT_EQ(client::FindComponentByName(form, "Edit1", false), again);
    delete again;
    EXPECT_EQ(client::FindComponentByName(form, "Edit1", false), nullptr);
    delete frame;
    EXPECT_EQ(client::FindComponentByName(form, "inner", false), nullptr);
}

TEST_F(SenderTest, AControlOnAPanelIsFoundThroughItsParentFirst)
{
    // A foreign control of the same name inside a contained frame wins over a
    // later owned one: the search goes depth first.
    auto* panel = new TTestEdit(form);
    panel->SetName("Panel0");
    auto* frame = new client::Te3_ClientFrame(nullptr);
    frame->SetName("Frame2");
    frame->SetParent(panel);
    auto* foreign = new TTestEdit(frame);
    foreign->SetName("Late");
    auto* late = new TTestEdit(form);
    late->SetName("Late");
    EXPECT_EQ(client::FindComponentByName(form, "Late", false), foreign);
    delete frame;
    EXPECT_EQ(client::FindComponentByName(form, "Late", false), late);
}
