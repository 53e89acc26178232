// The engine form as the engine describes and drives it: every member of the
// framework's form can be set and bound, each with its effect; path steps that
// name nothing leave the load (or the reply) going.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/FormReader.h"
#include "e3/edits/Edit.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace e3test;

namespace {

class EngineFormTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
    }
    void TearDown() override
    {
        fw::TCustomForm::SetMainForm(nullptr);
        for (auto& f : forms)
            delete f.get();
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    client::Te3_ClientForm* Load(const std::string& lines)
    {
        auto* form = dynamic_cast<client::Te3_ClientForm*>(LoadLines(lines));
        if (form)
            forms.emplace_back(form);
        return form;
    }

    client::Te3_ClientForm* NewForm(const std::string& name)
    {
        auto* f = new client::Te3_ClientForm(nullptr);
        f->SetName(name);
        f->SetBounds(0, 0, 300, 200);
        forms.emplace_back(f);
        return f;
    }

    void Set(fw::TObject* object, const std::string& path, const std::string& value)
    {
        client::SetPropertyByPath(object, path, object->ClassName(), value);
    }
    std::string Get(fw::TObject* object, const std::string& path)
    {
        return client::GetPropertyText(object->ClassName(), path, object);
    }

    // The engine events sent, as "event: request lines joined by | ".
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string body = call.args.at(4);
            for (size_t at = body.find("\r\n"); at != std::string::npos; at = body.find("\r\n", at))
                body.replace(at, 2, " | ");
            out.push_back(call.args.at(3) + ": " + body);
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
    std::vector<fw::Guard<client::Te3_ClientForm>> forms;
};

TEST_F(EngineFormTest, EveryEventOfTheFormBindsAndTheRestOfTheLoadFollows)
{
    // Each of these used to end the load with "Unknown property".
    const char* const events[] = {"OnCanResize", "OnConstrainedResize", "OnContextPopup", "OnDragDrop",
                                  "OnDragOver",  "OnDockDrop",          "OnDockOver",     "OnEndDock",
                                  "OnUnDock",    "OnPaint",             "OnHelp"};
    std::string bindings;
    for (const char* e : events)
        bindings += std::string("FormA.") + e + " | Main." + e + " | x | ";
    client::Te3_ClientForm* form =
        Load("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormA | HELPCONTEXT | 7 | ] | "
             "[ | 1 | Te3_Edit | Parent | FormA | NAME | Edit1 | TABORDER | 1 | ] | "
             "[ | 1 | Te3_Edit | Parent | FormA | NAME | Edit2 | TABORDER | 0 | READONLY | 1 | ] | "
             "} | x | { | " + bindings + "Edit1.OnChange | Main.Changed | x | } | x | { | }");
    ASSERT_NE(form, nullptr);
    for (const char* e : events)
        EXPECT_EQ(form->EventMap.Value(std::string("FormA.") + e), std::string("Main.") + e) << e;
    const bool bound[] = {bool(form->OnCanResize), bool(form->OnConstrainedResize), bool(form->OnContextPopup),
                          bool(form->OnDragDrop),  bool(form->OnDragOver),          bool(form->OnDockDrop),
                          bool(form->OnDockOver),  bool(form->OnEndDock),           bool(form->OnUnDock),
                          bool(form->OnPaint),     bool(form->OnHelp)};
    for (size_t i = 0; i < std::size(bound); ++i)
        EXPECT_TRUE(bound[i]) << events[i];
    // The binding after them, the tab orders and the deferred values are there.
    auto* edit1 = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    auto* edit2 = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit2"));
    ASSERT_TRUE(edit1 && edit2);
    EXPECT_TRUE(static_cast<bool>(edit1->OnChange));
    EXPECT_EQ(edit1->GetTabOrder(), 1);
    EXPECT_EQ(edit2->GetTabOrder(), 0);
    EXPECT_TRUE(edit2->GetReadOnly());
    EXPECT_EQ(form->GetHelpContext(), 7);
}

TEST_F(EngineFormTest, StepsThatNameNothingChangeNothingAndTheLoadGoesOn)
{
    client::Te3_ClientForm* form =
        Load("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormB | NOSUCH | 1 | CAPTION.LENGTH | 3 | "
             "CAPTION | Orders | ] | "
             "[ | 1 | Te3_Edit | Parent | FormB | NAME | Edit1 | NOSUCH.TEXT | x | ONCLICK | Main.X | "
             "TEXT | kept | ] | "
             "} | x | { | Edit1.NoSuchStep.OnClick | Main.Lost | x | Edit1.OnChange | Main.Changed | x | } | "
             "x | { | }");
    ASSERT_NE(form, nullptr);
    auto* edit = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(form->GetCaption(), "Orders");
    EXPECT_EQ(edit->GetText(), "kept");
    EXPECT_FALSE(static_cast<bool>(edit->OnClick));
    EXPECT_TRUE(static_cast<bool>(edit->OnChange)) << "the binding after the lost one";
    EXPECT_TRUE(ClientErrors().empty());

    // The same paths set and read directly, inside and outside an engine form.
    const struct {
        fw::TObject* object;
        const char* path;
    } cases[] = {
        {form, "NOSUCH"},         {form, "NOCHILD.TEXT"}, {form, "EDIT1"}, // a child takes no value
        {form, "CAPTION.LENGTH"}, {edit, "NOSUCH"},       {edit, "ONCLICK"},
        {edit, "TEXT.X"},         {form, "ACTIVE"}, // read-only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_NO_THROW(Set(c.object, c.path, "1"));
        EXPECT_EQ(Get(c.object, c.path), c.path == std::string("ACTIVE") ? "false" : "");
    }
    EXPECT_EQ(edit->GetText(), "kept");
    EXPECT_FALSE(static_cast<bool>(edit->OnClick));
    EXPECT_EQ(form->GetCaption(), "Orders");

    // Binding: an event the object does not publish is left alone; a name
    // the event list does not publish is still an error.
    EXPECT_NO_THROW(client::BindEventProperty("Te3_Edit", "OnCloseQuery", edit));
    EXPECT_THROW(client::BindEventProperty("Te3_Edit", "OnNoSuchEvent", edit), fw::EPropertyError);
}

TEST_F(EngineFormTest, AReplyEntryThatNamesNothingLeavesTheRestOfTheReply)
{
    client::Te3_ClientForm* form = NewForm("FormC");
    theClient->SetCurrentForm(form);
    auto* edit = new e3::Te3_Edit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    ApplyLines("{ | ; | Edit1.NoSuchName | 1 | ; | FormC.Nothing.Text | 2 | ; | Edit1.Text | after | ; | }");
    EXPECT_EQ(edit->GetText(), "after");
    EXPECT_THROW(ApplyLines("{ | ; | Edit1.OnNoSuchEvent | Main.X | ; | Edit1.Text | lost | ; | }"),
                 fw::EPropertyError);
    EXPECT_EQ(edit->GetText(), "after");
}

TEST_F(EngineFormTest, AutoScrollAndTheScrollBarsReachEveryChild)
{
    client::Te3_ClientForm* form = NewForm("FormS");
    form->SetClientWidth(200);
    form->SetClientHeight(100);
    auto* edit = new e3::Te3_Edit(form);
    edit->SetParent(form);
    form->Show();
    EXPECT_EQ(edit->Widget()->parentWidget(), form->ClientWidget());
    EXPECT_EQ(Get(form, "AUTOSCROLL"), "true");
    EXPECT_EQ(Get(form, "HORZSCROLLBAR.VISIBLE"), "true");

    edit->SetBounds(20, 250, 300, 21);
    EXPECT_EQ(form->ClientWidget()->size(), QSize(320, 271));
    EXPECT_EQ(Get(form, "VERTSCROLLBAR.RANGE"), "271");
    Set(form, "VertScrollBar.Position", "50");
    EXPECT_EQ(Get(form, "VERTSCROLLBAR.POSITION"), "50");
    EXPECT_EQ(form->ClientWidget()->y(), -50);

    Set(form, "AutoScroll", "0");
    EXPECT_EQ(form->ClientWidget()->size(), QSize(200, 100));
    // A range of its own ends AutoScroll, which would work it out again.
    Set(form, "AutoScroll", "1");
    Set(form, "HorzScrollBar.Range", "500");
    EXPECT_EQ(Get(form, "AUTOSCROLL"), "false");
    EXPECT_EQ(form->ClientWidget()->size(), QSize(500, 100));
    auto* area = dynamic_cast<QScrollArea*>(form->ClientWidget()->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    Set(form, "HorzScrollBar.Visible", "0");
    EXPECT_EQ(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    Set(form, "HorzScrollBar.Increment", "16");
    EXPECT_EQ(area->horizontalScrollBar()->singleStep(), 16);

    // AutoSize fits the client area to the children.
    Set(form, "AutoScroll", "1");
    Set(form, "AutoSize", "1");
    EXPECT_EQ(form->ClientWidth(), 320);
    EXPECT_EQ(form->ClientHeight(), 271);
}

TEST_F(EngineFormTest, WindowMembersReachTheWindow)
{
    client::Te3_ClientForm* form = NewForm("FormW");
    auto* edit = new e3::Te3_Edit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);

    // The border band leaves the client area smaller and the children inside it.
    const int32_t width = form->ClientWidth(), height = form->ClientHeight();
    Set(form, "BorderWidth", "5");
    EXPECT_EQ(form->ClientWidth(), width - 10);
    EXPECT_EQ(form->ClientHeight(), height - 10);
    form->Show();
    EXPECT_EQ(edit->Widget()->mapTo(form->Widget(), QPoint(0, 0)), QPoint(5, 5));

    Set(form, "FormStyle", "fsStayOnTop");
    EXPECT_TRUE(form->Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->Widget()->isVisible());
    Set(form, "BorderIcons", "[biSystemMenu]");
    EXPECT_EQ(Get(form, "BORDERICONS"), "biSystemMenu");
    const Qt::WindowFlags flags = form->Widget()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);

    Set(form, "WindowState", "wsMaximized");
    EXPECT_TRUE(form->Widget()->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Get(form, "WINDOWSTATE"), "wsMaximized");
    Set(form, "WindowState", "0");
    EXPECT_EQ(Get(form, "WINDOWSTATE"), "wsNormal");

    // ActiveControl names the control that gets the focus.
    theClient->SetCurrentForm(form);
    QApplication::setActiveWindow(form->Widget());
    Set(form, "ActiveControl", "Edit1");
    QTRY_VERIFY_WITH_TIMEOUT(edit->LineEdit()->hasFocus(), 5000);
    EXPECT_EQ(form->GetActiveControl(), edit);
}

TEST_F(EngineFormTest, F1SendsTheHelpContextOfTheFocusedControlOrItsForm)
{
    client::Te3_ClientForm* form =
        Load("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormH | HELPCONTEXT | 120 | ] | "
             "[ | 1 | Te3_Edit | Parent | FormH | NAME | Edit1 | ] | "
             "[ | 1 | Te3_Edit | Parent | FormH | NAME | Edit2 | TOP | 40 | ] | "
             "} | x | { | FormH.OnHelp | Main.Help | x | } | x | { | }");
    ASSERT_NE(form, nullptr);
    auto* edit1 = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    auto* edit2 = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit2"));
    ASSERT_TRUE(edit1 && edit2);
    edit2->SetHelpContext(33);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    for (auto* edit : {edit1, edit2}) {
        edit->LineEdit()->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(edit->LineEdit()->hasFocus(), 5000);
        QTest::keyClick(edit->LineEdit(), Qt::Key_F1);
    }
    // Shift+F1 is no help request.
    QTest::keyClick(edit2->LineEdit(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(Sent(), (std::vector<std::string> {"Client.OnHelp: { | ; | Sender | Client | ; | Context | 120 | ; | } | ",
                                                  "Client.OnHelp: { | ; | Sender | Client | ; | Context | 33 | ; | } | "}));
}

TEST_F(EngineFormTest, PaintingSendsOnPaintOnceForARunOfPaints)
{
    client::Te3_ClientForm* form =
        Load("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormP | ] | "
             "} | x | { | FormP.OnPaint | Main.Paint | x | } | x | { | }");
    ASSERT_NE(form, nullptr);
    form->Show();
    form->Widget()->repaint();
    form->ClientWidget()->repaint();
    QTRY_VERIFY_WITH_TIMEOUT(!Sent().empty(), 5000);
    QCoreApplication::processEvents();
    EXPECT_EQ(Sent(), (std::vector<std::string> {"Main.Paint: { | ; | Sender | FormP | ; | } | "}));
}

} // namespace
