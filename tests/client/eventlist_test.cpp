#include "ClientFixture.h"
#include "client/EventList.h"
#include "u3/Exceptions.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace e3test;
using namespace fw;
using client::TEventList;

namespace {

// An engine form FormMain with the edit Edit1, the real event list, and the
// engine's requests as bar-separated lines.
class EventListTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<TEventList>(nullptr);
        client::SetEventListObject(list.get());
        form = NewForm("FormMain");
        edit = NewEdit(form, "Edit1");
        theClient->SetCurrentForm(form);
    }

    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    client::Te3_ClientForm* NewForm(const std::string& name)
    {
        auto* f = new client::Te3_ClientForm(theClient.get());
        f->SetName(name);
        return f;
    }

    TTestEdit* NewEdit(client::Te3_ClientForm* owner, const std::string& name)
    {
        auto* e = new TTestEdit(owner);
        e->SetName(name);
        e->SetParent(owner);
        e->SetBounds(10, 10, 100, 24);
        return e;
    }

    // The request of every ExecuteEvent as "event: line | line | ...".
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string text = call.args.at(3) + ":";
            const std::string& body = call.args.at(4);
            size_t start = 0;
            while (start < body.size()) {
                size_t end = body.find("\r\n", start);
                if (end == std::string::npos)
                    end = body.size();
                text += " " + body.substr(start, end - start);
                start = end + 2;
            }
            out.push_back(text);
        }
        return out;
    }

    std::unique_ptr<TEventList> list;
    client::Te3_ClientForm* form = nullptr;
    TTestEdit* edit = nullptr;
};

TEST_F(EventListTest, PublishesItsEventsPresetToItsHandlers)
{
    const auto& own = TEventList::StaticClass().OwnProperties();
    ASSERT_EQ(own.size(), 87u);
    EXPECT_EQ(own.front().name, "OnCreate");
    EXPECT_EQ(own[33].name, "OnActivate");
    EXPECT_EQ(own[80].name, "OnEFIPReceipt");
    // The file dialogs' and the date edit's come after the others.
    EXPECT_EQ(own[81].name, "OnCanClose");
    EXPECT_EQ(own[85].name, "OnButtonClick");
    EXPECT_EQ(own.back().name, "OnAcceptDate");
    for (const TPropInfo& p : own) {
        EXPECT_EQ(p.kind, TypeKind::Method) << p.name;
        EXPECT_TRUE(std::get<std::any>(p.get(*list)).has_value()) << p.name;
    }
}

TEST_F(EventListTest, AClickSendsTheRequestedValuesFromTheFormsMaps)
{
    form->EventMap.Add("FormMain.Edit1.OnClick", "Main.Save");
    form->EventParams.Add("Main.Save", "Edit1.Text\r\nEdit1.Checked");
    edit->SetText("Smith");
    edit->SetChecked(true);
    edit->OnClick = list->HandlerOf<TNotifyEvent>("OnClick");
    edit->Widget()->show();
    form->Show();
    QTest::mouseClick(edit->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));

    const auto calls = engine->CallsOf("ExecuteEvent");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string> {"", "Edit1", "TForm", "Main.Save",
                                                        Lines("{ | ; | Sender | Edit1 | ; | Edit1.Text | Smith | ; | "
                                                              "Edit1.Checked | true | ; | }")}));
}

TEST_F(EventListTest, VarArgumentsAreReadBackFromTheReply)
{
    form->EventMap.Add("FormMain.OnCloseQuery", "Main.Query");
    form->OnCloseQuery = list->HandlerOf<TCloseQueryEvent>("OnCloseQuery");
    form->Show();
    engine->QueueReply("Main.Query", Lines("{ | ; | CanClose | 0 | ; | }"));
    form->Close();
    EXPECT_TRUE(form->Widget()->isVisible());
    form->Close(); // no result: the form closes as it wanted
    EXPECT_FALSE(form->Widget()->isVisible());
    EXPECT_EQ(Requests().at(0), "Main.Query: { ; Sender FormMain ; CanClose 1 ; }");

    form->EventMap.Add("FormMain.Edit1.OnKeyDown", "Main.Key");
    engine->QueueReply("Main.Key", Lines("{ | ; | Key | 0 | ; | Shift | 1 | ; | }"));
    engine->QueueReply("Main.Key", Lines("{ | ; | Key | twelve | ; | }"));
    uint16_t key = 'A';
    list->HandlerOf<TKeyEvent>("OnKeyDown")(edit, key, 1u << ssShift);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(Requests().back(), "Main.Key: { ; Sender Edit1 ; ShortCut snil ; Key 65 ; Shift 1 ; }");
    key = 'B';
    EXPECT_THROW(list->HandlerOf<TKeyEvent>("OnKeyDown")(edit, key, 0), u3::EConvertError);
    EXPECT_EQ(key, 'B');
    // Without an engine event nothing is sent and the argument stays.
    key = 'C';
    list->HandlerOf<TKeyEvent>("OnKeyUp")(edit, key, 0);
    EXPECT_EQ(key, 'C');
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").size(), 4u);
}

TEST_F(EventListTest, EnterIsSentAndDeliveredAsCharacterOne)
{
    form->EventMap.Add("FormMain.Edit1.OnKeyPress", "Main.Press");
    char32_t ch = 13;
    list->HandlerOf<TKeyPressEvent>("OnKeyPress")(edit, ch);
    EXPECT_EQ(ch, 1u);
    EXPECT_EQ(Requests().back(), "Main.Press: { ; Sender Edit1 ; Key \x01 ; }");

    engine->QueueReply("Main.Press", Lines("{ | ; | Key | \xc3\xa4 | ; | }"));
    ch = 'a';
    list->HandlerOf<TKeyPressEvent>("OnKeyPress")(edit, ch);
    EXPECT_EQ(ch, U'\u00e4');
}

TEST_F(EventListTest, AFormsKeyFilterAdmitsOnlyItsShortcuts)
{
    form->SetKeyFilter("ctrl+s\r\nF5");
    form->EventMap.Add("FormMain.OnKeyDown", "Main.FormKey");
    form->EventMap.Add("FormMain.Edit1.OnKeyDown", "Main.EditKey");
    form->OnKeyDown = list->HandlerOf<TKeyEvent>("OnKeyDown");
    edit->OnKeyDown = list->HandlerOf<TKeyEvent>("OnKeyDown");
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    edit->Widget()->setFocus();

    // Through the form's key preview: Ctrl+D is not sent for the form, Ctrl+S is.
    QTest::keyClick(edit->Widget(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(edit->Widget(), Qt::Key_S, Qt::ControlModifier);
    std::vector<std::string> formKeys, editKeys;
    for (const std::string& r : Requests())
        (r.rfind("Main.FormKey", 0) == 0 ? formKeys : editKeys).push_back(r);
    EXPECT_EQ(formKeys, (std::vector<std::string> {
                            "Main.FormKey: { ; Sender FormMain ; ShortCut Ctrl+S ; Key 83 ; Shift 4 ; }"}));
    // The edit's own keys always go, Ctrl itself included.
    EXPECT_EQ(editKeys.size(), 4u);
}

TEST_F(EventListTest, MatchShortCutNamesKeysAsTheFilterWritesThem)
{
    struct Case {
        uint16_t key;
        TShiftState shift;
        const char* name; // nullptr: no match
    };
    const TShiftState shift = 1u << ssShift, ctrl = 1u << ssCtrl, alt = 1u << ssAlt;
    const Case cases[] = {
        {'S', ctrl, "Ctrl+S"},
        {116, shift | ctrl | alt, "Shift+Ctrl+Alt+F5"},
        {8, 0, "Backspace"},
        {13, alt, "Alt+Enter"},
        {33, 0, "Page Up"},
        {34, 0, "Page Down"},
        {46, shift, "Shift+Delete"},
        {'7', 0, "7"},
        {103, 0, "7"},
        {135, 0, "F24"},
        {186, 0, nullptr},
        {17, ctrl, nullptr},
        {256 + 'S', ctrl, nullptr},
    };
    for (const Case& c : cases) {
        const std::string expected = c.name ? c.name : "";
        std::string got = "unset";
        const bool matched =
            TEventList::MatchShortCut("x\r\n" + (c.name ? UpperCase(expected) : std::string("F1")) + "\r\ny", c.key,
                                      c.shift, got);
        EXPECT_EQ(matched, c.name != nullptr) << c.key;
        if (c.name) {
            EXPECT_EQ(got, expected);
        }
    }
    std::string got;
    EXPECT_FALSE(TEventList::MatchShortCut("Ctrl+S", 'S', 0, got));
    EXPECT_FALSE(TEventList::MatchShortCut("", 'S', 0, got));
    EXPECT_TRUE(TEventList::MatchShortCut("F5\nCtrl+S", 'S', 1u << ssCtrl, got));
}

TEST_F(EventListTest, ChangesByTheReplyOfAChangeAreNotSentAgain)
{
    form->EventMap.Add("FormMain.Edit1.OnChange", "Main.Change");
    form->EventMap.Add("FormMain.Edit1.OnExit", "Main.Exit");
    edit->OnChange = list->HandlerOf<TNotifyEvent>("OnChange");
    edit->OnExit = list->HandlerOf<TNotifyEvent>("OnExit");
    engine->onExecuteEvent = [&](const EngineCall&) {
        edit->SetText(edit->GetText() + "+reply");
        return std::string();
    };
    edit->SetText("typed");
    EXPECT_EQ(edit->GetText(), "typed+reply");
    edit->DoExit();
    EXPECT_EQ(edit->GetText(), "typed+reply+reply");
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").size(), 2u);
    EXPECT_TRUE(list->ChangeGuard);

    // The guard comes back after a failing call too.
    engine->onExecuteEvent = [](const EngineCall&) -> std::string { throw u3::Exception("lost"); };
    EXPECT_THROW(edit->SetText("again"), u3::Exception);
    EXPECT_TRUE(list->ChangeGuard);
}

TEST_F(EventListTest, AModalFormOpenedDuringAChangeSendsTheUsersOwnChanges)
{
    client::Te3_ClientForm* dialog = NewForm("Dialog");
    TTestEdit* field = NewEdit(dialog, "Field");
    TTestEdit* other = NewEdit(dialog, "Other");
    form->EventMap.Add("FormMain.Edit1.OnChange", "Main.Change");
    dialog->EventMap.Add("Dialog.Field.OnChange", "Dialog.Change");
    dialog->EventMap.Add("Dialog.Field.OnExit", "Dialog.Exit");
    dialog->EventMap.Add("Dialog.Other.OnChange", "Dialog.OtherChange");
    edit->OnChange = list->HandlerOf<TNotifyEvent>("OnChange");
    field->OnChange = list->HandlerOf<TNotifyEvent>("OnChange");
    field->OnExit = list->HandlerOf<TNotifyEvent>("OnExit");
    other->OnChange = list->HandlerOf<TNotifyEvent>("OnChange");

    engine->onExecuteEvent = [&](const EngineCall& call) {
        const std::string& event = call.args.at(3);
        if (event == "Main.Change") {
            other->SetText("filled in by the reply"); // another control, same reply: dropped
            // The reply opens a dialog; the user works in it.
            QTimer::singleShot(0, [&] {
                field->SetText("user");  // sent
                edit->SetText("nested"); // its own change is still running: dropped
                field->DoExit();         // sent
                dialog->SetModalResult(mrOk);
            });
            dialog->ShowModal();
        } else if (event == "Dialog.Change") {
            field->SetText("set by the reply"); // dropped
            other->SetText("also by the reply"); // dropped as well
        }
        return std::string();
    };
    edit->SetText("typed");

    std::vector<std::string> events;
    for (const auto& call : engine->CallsOf("ExecuteEvent"))
        events.push_back(call.args.at(3));
    EXPECT_EQ(events, (std::vector<std::string> {"Main.Change", "Dialog.Change", "Dialog.Exit"}));
    EXPECT_EQ(field->GetText(), "set by the reply");
    EXPECT_EQ(other->GetText(), "also by the reply");
    EXPECT_TRUE(list->ChangeGuard);
}

TEST_F(EventListTest, CallbackSendersWriteTheirEntries)
{
    theClient->SetCurrentForm(nullptr); // callbacks then go out under their own names
    struct Case {
        std::function<void()> send;
        const char* request;
    };
    const Case cases[] = {
        {[&] { list->SendCallbackText("CB", "Yes"); }, "CB: { ; Sender CB ; ModalResult Yes ; }"},
        {[&] { list->SendModalResult("CB", 6); }, "CB: { ; Sender CB ; ModalResult 6 ; }"},
        {[&] { list->SendModalResultChecked("CB", 1, true); }, "CB: { ; Sender CB ; ModalResult 1 ; Checked 1 ; }"},
        {[&] { list->SendFileDialogResult("CB", true, "a.txt", 2, 300); },
         "CB: { ; Sender CB ; ModalResult 1 ; Files a.txt ; FilterIndex 2 ; FileSize 300 ; }"},
        {[&] { list->SendDirectoryResult("CB", false, "/tmp/x/"); },
         "CB: { ; Sender CB ; ModalResult 0 ; Directory /tmp/x/ ; }"},
        {[&] { list->SendFilesSize("CB", 1234); }, "CB: { ; Sender CB ; FilesSize 1234 ; }"},
        {[&] { list->ForwardClientMessage("Eng", "u1", 7, "m1", "Hello", "Info"); },
         "Client.OnMessage: { ; Sender Client ; NameEngine Eng ; UID u1 ; LocalID 7 ; MID m1 ; MString Hello ; "
         "MType Info ; }"},
    };
    for (const Case& c : cases) {
        c.send();
        EXPECT_EQ(Requests().back(), c.request);
    }
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").back().args.at(2), "TClient");
}

// A data list as the event list sees it.
class TFakeDataList : public TComponent, public client::IDataListEvents {
public:
    TFakeDataList() : TComponent(nullptr) {}
    TComponent* DataListComponent() override { return this; }
    std::string DataListEngineName() const override { return "List"; }
    const client::TNameValueList& DataListEventMap() const override { return map; }
    const client::TNameValueList& DataListEventParams() const override { return params; }
    std::vector<int32_t> GridColumnWidths() const override { return {64, 80, 120}; }
    bool GridTitleVisible() const override { return title; }
    client::TNameValueList map, params;
    bool title = true;
};

TEST_F(EventListTest, DataListEventsGoUnderTheDataListsName)
{
    TFakeDataList dataList;
    dataList.map.Add("List.OnDLDblClick", "List.Dbl");
    dataList.map.Add("List.OnSaveParams", "List.Save");
    list->HandlerOf<std::function<void(TObject*, int32_t, int32_t)>>("OnDLDblClick")(&dataList, 2, 1);
    dataList.title = false;
    list->HandlerOf<std::function<void(TObject*, int32_t, int32_t)>>("OnDLDblClick")(&dataList, 2, 1);
    list->HandlerOf<TNotifyEvent>("OnSaveParams")(&dataList);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], "List.Dbl: { ; Sender List ; Col 2 ; Row 0 ; }");
    EXPECT_EQ(requests[1], "List.Dbl: { ; Sender List ; Col 2 ; Row 1 ; }");
    EXPECT_EQ(requests[2], "List.Save: { ; Sender List ; ColumnsWidth 3,64,80,120 ; }");
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args.at(2), "TDGDataListClient");
}

} // namespace
