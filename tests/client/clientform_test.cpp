#include "ClientFixture.h"

#include "e3/combos/ComboBox.h"
#include "e3/edits/Edit.h"
#include "e3/edits/Memo.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/menus/Menus.h"
#include "e3/trees/TreeView.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace e3test;
using client::Te3_ClientForm;
using client::Te3_ClientFrame;

namespace {

class ClientFormTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        mainForm = NewForm("Main");
        theClient->SetCurrentForm(mainForm);
    }
    void TearDown() override
    {
        fw::TCustomForm::SetMainForm(nullptr);
        for (auto& f : forms)
            delete f.get();
        ClientFixture::TearDown();
    }
    Te3_ClientForm* NewForm(const std::string& name)
    {
        auto* f = new Te3_ClientForm(nullptr);
        f->SetName(name);
        f->SetBounds(0, 0, 300, 200);
        theClient->AddForm(name, f);
        forms.emplace_back(f);
        return f;
    }
    TTestEdit* NewEdit(fw::TWinControl* parent, const std::string& name, bool tabStop = true)
    {
        auto* e = new TTestEdit(parent);
        e->SetName(name);
        e->SetParent(parent);
        e->SetTabStop(tabStop);
        return e;
    }
    void Write(fw::TObject& o, const std::string& name, const fw::PropValue& v)
    {
        const fw::TPropInfo* p = o.ClassType().FindProperty(name);
        ASSERT_NE(p, nullptr) << name;
        p->set(o, v);
    }

    Te3_ClientForm* mainForm = nullptr;
    std::vector<fw::Guard<Te3_ClientForm>> forms;
};

TEST_F(ClientFormTest, ShowModalSendsTheResultAfterTheCurrentFormIsBack)
{
    Te3_ClientForm* dialog = NewForm("Dlg");
    TTestEdit* field = NewEdit(dialog, "Name");
    theClient->SetFontSubstitution("Liberation Sans");
    theClient->SetLangCharSet(204);
    std::vector<std::string> seen; // current form while the engine is called
    engine->onExecuteEvent = [&](const EngineCall& call) {
        seen.push_back(call.args[3] + " with " + theClient->CurrentForm()->GetName());
        return std::string();
    };
    QTimer::singleShot(0, [&] {
        seen.push_back("shown with " + theClient->CurrentForm()->GetName());
        dialog->SetModalResult(fw::mrYes);
    });
    Write(*dialog, "_ShowModal", std::string("Dlg.Done"));
    EXPECT_EQ(seen, (std::vector<std::string> {"shown with Dlg", "Dlg.Done with Main"}));
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args[4], Lines("{ | ; | Sender | Dlg | ; | ModalResult | 6 | ; | }"));
    EXPECT_EQ(mainForm->EventMap.Value("Dlg.Done"), "Dlg.Done");
    EXPECT_EQ(field->GetFont()->GetCharset(), 204);
    EXPECT_EQ(field->GetFont()->GetName(), "Liberation Sans");
    EXPECT_EQ(theClient->CurrentForm(), mainForm);

    // Without a callback nothing is sent.
    engine->calls.clear();
    QTimer::singleShot(0, [&] { dialog->SetModalResult(fw::mrCancel); });
    Write(*dialog, "_ShowModal", std::string());
    EXPECT_TRUE(engine->calls.empty());
    EXPECT_EQ(theClient->CurrentForm(), mainForm);
}

TEST_F(ClientFormTest, ShowModalRestoresTheCurrentFormWhenTheCallbackFails)
{
    Te3_ClientForm* dialog = NewForm("Dlg");
    engine->onExecuteEvent = [](const EngineCall&) -> std::string { throw std::runtime_error("link lost"); };
    QTimer::singleShot(0, [&] { dialog->SetModalResult(fw::mrOk); });
    theClient->Forget(mainForm); // one form: the callback goes out from the dialog
    theClient->SetCurrentForm(mainForm);
    EXPECT_THROW(dialog->_ShowModal("Dlg.Done"), std::runtime_error);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(dialog->EventMap.Value("Dlg.Done"), "Dlg.Done");
    EXPECT_EQ(theClient->CurrentForm(), mainForm);
}

TEST_F(ClientFormTest, ManualFloatTakesDefaultsForMissingOrBadFields)
{
    struct Case {
        std::string value;
        int left, top, width, height;
    };
    const Case cases[] = {
        {"10<|>20", 10, 20, 300 + 205 - 10, 200 + 396 - 20},
        {"", 205, 396, 300, 200},
        {"x<|>1e3<|>405<|>596", 205, 396, 200, 200},
        {"0<|>0<|>640<|>480", 0, 0, 640, 480},
    };
    Te3_ClientForm* dialog = NewForm("Dlg");
    for (const Case& c : cases) {
        dialog->SetBounds(0, 0, 300, 200);
        Write(*dialog, "_ManualFloat", c.value);
        EXPECT_EQ(dialog->Parent(), nullptr);
        EXPECT_EQ((std::vector<int> {dialog->GetLeft(), dialog->GetTop(), dialog->GetWidth(), dialog->GetHeight()}),
                  (std::vector<int> {c.left, c.top, c.width, c.height}))
            << c.value;
    }
}

TEST_F(ClientFormTest, ManualDockPlacesTheFormIntoANamedSiteOfTheMainForm)
{
    fw::TCustomForm::SetMainForm(mainForm);
    TTestEdit* site = NewEdit(mainForm, "DockSite", false);
    Te3_ClientForm* dialog = NewForm("Dlg");
    struct Case {
        std::string value;
        fw::TWinControl* parent;
        fw::TAlign align;
    };
    const Case cases[] = {
        {"docksite", site, fw::alClient},
        {"DockSite<|>3", site, fw::alLeft},
        {"DockSite<|>left", site, fw::alClient},
        {"Nowhere<|>1", nullptr, fw::alNone}, // no such site: it floats
    };
    for (const Case& c : cases) {
        Write(*dialog, "_ManualDock", c.value);
        EXPECT_EQ(dialog->Parent(), c.parent) << c.value;
        EXPECT_EQ(dialog->GetAlign(), c.align) << c.value;
    }
}

TEST_F(ClientFormTest, GroupFocusMovesSkipTheFocusedControlsGroup)
{
    // Tab order: A, B, Group [C, D], E.
    TTestEdit* a = NewEdit(mainForm, "A");
    TTestEdit* b = NewEdit(mainForm, "B");
    TTestEdit* group = NewEdit(mainForm, "Group", false);
    TTestEdit* c = NewEdit(group, "C");
    TTestEdit* d = NewEdit(group, "D");
    TTestEdit* e = NewEdit(mainForm, "E");
    struct Case {
        fw::TWinControl* from;
        bool backwards;
        fw::TWinControl* to;
    };
    const Case cases[] = {
        {c, true, b},  // Ctrl+Tab: back to the nearest control before the group
        {d, true, b},
        {c, false, e}, // Ctrl+Shift+Tab: forwards
        {a, true, d},  // wraps round, past E that shares A's parent
        {e, false, c},
    };
    for (const Case& k : cases)
        EXPECT_EQ(client::GroupFocusTarget(mainForm, k.from, k.backwards), k.to)
            << k.from->GetName() << " " << k.backwards;

    Te3_ClientForm* flat = NewForm("Flat");
    TTestEdit* x = NewEdit(flat, "X");
    NewEdit(flat, "Y");
    EXPECT_EQ(client::GroupFocusTarget(flat, x, true), x);
    EXPECT_EQ(client::GroupFocusTarget(flat, x, false), x);
}

TEST_F(ClientFormTest, CtrlTabStillReachesTheFormsKeyHandler)
{
    std::vector<uint16_t> keys;
    mainForm->OnKeyDown = [&](fw::TObject*, uint16_t& key, fw::TShiftState) { keys.push_back(key); };
    uint16_t key = 9;
    mainForm->DoKeyDown(key, 1u << fw::ssCtrl);
    EXPECT_EQ(keys, std::vector<uint16_t> {9});
}

TEST_F(ClientFormTest, CloseQueryMakesTheFormCurrent)
{
    Te3_ClientForm* dialog = NewForm("Dlg");
    bool asked = false;
    dialog->OnCloseQuery = [&](fw::TObject*, bool& canClose) {
        asked = true;
        EXPECT_EQ(theClient->CurrentForm(), dialog);
        canClose = false;
    };
    EXPECT_FALSE(dialog->CloseQuery());
    EXPECT_TRUE(asked);
    EXPECT_EQ(theClient->CurrentForm(), dialog);
}

TEST_F(ClientFormTest, CloseIsARequestHandledByTheEventLoop)
{
    Te3_ClientForm* dialog = NewForm("Dlg");
    dialog->Show();
    Write(*dialog, "_Close", std::string());
    EXPECT_TRUE(dialog->Widget()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->Widget()->isVisible());

    // A form freed before the request is handled is not touched.
    Te3_ClientForm* gone = NewForm("Gone");
    gone->Show();
    Write(*gone, "_Close", std::string());
    delete gone;
    QCoreApplication::processEvents();
}

TEST_F(ClientFormTest, FramesActivateWithAParentAndEndTheFocusedEditFirst)
{
    std::vector<std::string> log;
    auto* frame = new Te3_ClientFrame(mainForm);
    frame->SetName("Frame1");
    frame->OnActivate = [&](fw::TObject*) { log.push_back("activate"); };
    frame->OnDeActivate = [&](fw::TObject*) { log.push_back("deactivate"); };
    frame->SetParent(mainForm);
    frame->SetParent(mainForm);
    EXPECT_EQ(log, std::vector<std::string> {"activate"});
    EXPECT_EQ(frame->Parent(), mainForm);

    auto* edit = new e3::Te3_Edit(mainForm);
    edit->SetName("Edit1");
    edit->SetParent(mainForm);
    edit->OnExit = [&](fw::TObject*) { log.push_back("exit"); };
    mainForm->Show();
    QApplication::setActiveWindow(mainForm->Widget());
    edit->Widget()->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(client::FocusedControl(mainForm), edit);
    log.clear();
    frame->SetParent(nullptr);
    EXPECT_EQ(log, (std::vector<std::string> {"exit", "deactivate"}));
    EXPECT_EQ(frame->Parent(), nullptr);
}

// A frame scrolls its children: with AutoScroll the scrolled client widget
// grows to reach a child placed beyond the frame, without it the client stays
// the frame's size and the child is cut off.
TEST_F(ClientFormTest, FrameAutoScrollReachesChildrenBeyondItsSize)
{
    auto* frame = new Te3_ClientFrame(mainForm);
    frame->SetParent(mainForm);
    frame->SetBounds(0, 0, 200, 100);
    auto* edit = new e3::Te3_Edit(mainForm);
    edit->SetParent(frame);
    mainForm->Show();
    EXPECT_EQ(edit->Widget()->parentWidget(), frame->ClientWidget());
    EXPECT_TRUE(frame->GetAutoScroll()) << "on from the start";

    edit->SetBounds(20, 250, 300, 21);
    EXPECT_EQ(frame->ClientWidget()->size(), QSize(320, 271));
    Write(*frame, "AutoScroll", int64_t {0});
    EXPECT_EQ(frame->ClientWidget()->size(), QSize(200, 100));
    Write(*frame, "AutoScroll", int64_t {1});
    frame->SetBounds(0, 0, 400, 300);
    EXPECT_EQ(frame->ClientWidget()->size(), QSize(400, 300)) << "never smaller than the frame";
}

TEST_F(ClientFormTest, FrameLeavingItsFormEndsTheFocusedMemoToo)
{
    auto* frame = new Te3_ClientFrame(mainForm);
    frame->SetParent(mainForm);
    auto* memo = new e3::Te3_Memo(mainForm);
    memo->SetParent(mainForm);
    std::vector<std::string> log;
    memo->OnExit = [&](fw::TObject*) { log.push_back("exit"); };
    frame->OnDeActivate = [&](fw::TObject*) { log.push_back("deactivate"); };
    mainForm->Show();
    QApplication::setActiveWindow(mainForm->Widget());
    memo->Widget()->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(client::FocusedControl(mainForm), memo);
    log.clear();
    frame->SetParent(nullptr);
    EXPECT_EQ(log, (std::vector<std::string> {"exit", "deactivate"}));
}

// A child that publishes LockedEdit and notes what its container's Enabling
// reads while the lock is passed on.
class TLockProbe : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TLockProbe(fw::TComponent* owner) : fw::TWinControl(owner) { SetWidget(new QWidget); }
    bool GetLockedEdit() const { return locked_; }
    void SetLockedEdit(bool v)
    {
        locked_ = v;
        const fw::TPropInfo* p = Parent()->ClassType().FindProperty("Enabling");
        enablingSeen.push_back(std::get<int64_t>(p->get(*Parent())) != 0);
    }
    std::vector<bool> enablingSeen;

private:
    bool locked_ = false;
};

const fw::TClassInfo& TLockProbe::StaticClass()
{
    static const fw::TClassInfo info {
        "TLockProbe",
        &fw::TWinControl::StaticClass(),
        fw::TRows<TLockProbe> {fw::prop::Boolean("LockedEdit", &TLockProbe::GetLockedEdit, &TLockProbe::SetLockedEdit)},
        fw::MakeFactory<TLockProbe>(),
    };
    return info;
}

TEST_F(ClientFormTest, FrameLockReachesEveryDirectChildThatPublishesIt)
{
    auto* frame = new Te3_ClientFrame(mainForm);
    frame->SetParent(mainForm);
    auto* probe = new TLockProbe(frame);
    probe->SetParent(frame);
    auto* edit = new e3::Te3_Edit(frame);
    edit->SetParent(frame);
    TTestEdit* plain = NewEdit(frame, "Plain"); // publishes no lock
    auto* inner = new TLockProbe(probe);
    inner->SetParent(probe); // not a direct child

    Write(*frame, "LockedEdit", int64_t {1});
    EXPECT_TRUE(probe->GetLockedEdit());
    EXPECT_TRUE(edit->GetLockedEdit());
    EXPECT_FALSE(inner->GetLockedEdit());
    EXPECT_EQ(probe->enablingSeen, std::vector<bool> {true});
    EXPECT_FALSE(frame->GetEnabling());
    EXPECT_TRUE(frame->GetLockedEdit());
    ASSERT_NE(plain, nullptr);

    Write(*frame, "LockedEdit", int64_t {1}); // the same value changes nothing
    EXPECT_EQ(probe->enablingSeen.size(), 1u);
    Write(*frame, "LockedEdit", int64_t {0});
    EXPECT_FALSE(probe->GetLockedEdit());
    EXPECT_FALSE(edit->GetLockedEdit());
}

TEST_F(ClientFormTest, RenamingRewritesTheEventMapKeysOfTheOldName)
{
    struct Target {
        fw::TComponent* component;
        client::TNameValueList* map;
        client::TNameValueList* params;
    };
    Te3_ClientForm* form = NewForm("Form1");
    auto* frame = new Te3_ClientFrame(mainForm);
    frame->SetName("Form1");
    for (const Target& t : {Target {form, &form->EventMap, &form->EventParams},
                            Target {frame, &frame->EventMap, &frame->EventParams}}) {
        t.map->Add("FORM1.btnOK.OnClick", "Engine.Ok");
        t.map->Add("Form12.btnOK.OnClick", "Engine.Other");
        t.map->Add("form1.OnShow", "Engine.Show");
        t.map->Add("Form1", "Engine.Bare");
        t.params->Add("Engine.Ok", "Form1.Edit1.Text");
        t.component->SetName("Main");
        std::vector<std::string> keys;
        for (const auto& line : t.map->Lines())
            keys.push_back(line.name + "=" + line.value);
        EXPECT_EQ(keys, (std::vector<std::string> {"Main.btnOK.OnClick=Engine.Ok", "Form12.btnOK.OnClick=Engine.Other",
                                                   "Main.OnShow=Engine.Show", "Form1=Engine.Bare"}))
            << t.component->ClassType().Name();
        EXPECT_EQ(t.map->Value("main.btnok.onclick"), "Engine.Ok");
        EXPECT_EQ(t.params->Value("Engine.Ok"), "Form1.Edit1.Text") << "parameters keep their keys";

        // While loading, a name is only being given, not changed.
        t.component->BeginLoading();
        t.component->SetName("Other");
        EXPECT_EQ(t.map->At(0).name, "Main.btnOK.OnClick");
        t.component->Loaded();
    }
}

TEST_F(ClientFormTest, FormsAndFramesTranslateCaptionAndHint)
{
    auto* frame = new Te3_ClientFrame(mainForm);
    const std::vector<const e3::ITranslatableControl*> all = {mainForm, frame};
    for (const e3::ITranslatableControl* t : all) {
        EXPECT_TRUE(t->IsTranslatable("Caption"));
        EXPECT_TRUE(t->IsTranslatable("hint"));
        EXPECT_FALSE(t->IsTranslatable("Name"));
        EXPECT_FALSE(t->IsTranslatable(""));
    }
    EXPECT_EQ(&mainForm->GetLanguageClass(), &client::Te3ClientForm::StaticClass());
    EXPECT_EQ(&frame->GetLanguageClass(), &client::Te3ClientFrame::StaticClass());
}

TEST_F(ClientFormTest, FontCharsetReachesEveryOwnedComponent)
{
    TTestEdit* outer = NewEdit(mainForm, "Outer");
    auto* inner = new TTestEdit(outer);
    inner->SetParent(outer);
    client::ApplyFontCharset(mainForm, "", 128);
    EXPECT_EQ(mainForm->GetFont()->GetCharset(), 128);
    EXPECT_EQ(outer->GetFont()->GetCharset(), 128);
    EXPECT_EQ(inner->GetFont()->GetCharset(), 128);
    EXPECT_EQ(inner->GetFont()->GetName(), "MS Sans Serif"); // no name given: kept
}

TEST_F(ClientFormTest, AsianCharsetsOpenTheInputMethodOfPlainEditsOnly)
{
    auto* plain = new e3::Te3Edit(mainForm);
    auto* masked = new e3::Te3Edit(mainForm);
    masked->SetEditMask("00:00;1;_");
    auto* engineEdit = new e3::Te3_Edit(mainForm);
    TTestEdit* other = NewEdit(mainForm, "Other");
    struct Case {
        int32_t charset;
        fw::TImeMode plain, masked, engineEdit, other;
    };
    const Case cases[] = {
        {128, fw::imOpen, fw::imDisable, fw::imDisable, fw::imDisable},
        {134, fw::imOpen, fw::imDisable, fw::imDisable, fw::imDisable},
        {0, fw::imDisable, fw::imDisable, fw::imDisable, fw::imDisable},
    };
    for (const Case& c : cases) {
        for (fw::TWinControl* w : std::vector<fw::TWinControl*> {plain, masked, engineEdit, other})
            w->SetImeMode(fw::imDontCare);
        client::ApplyFontCharset(mainForm, "Arial", c.charset);
        EXPECT_EQ(plain->GetImeMode(), c.plain) << c.charset;
        EXPECT_EQ(masked->GetImeMode(), c.masked) << c.charset;
        EXPECT_EQ(engineEdit->GetImeMode(), c.engineEdit) << c.charset;
        EXPECT_EQ(other->GetImeMode(), c.other) << c.charset;
        EXPECT_EQ(plain->GetFont()->GetName(), "Arial");
        EXPECT_EQ(plain->GetFont()->GetCharset(), c.charset);
    }
}

TEST_F(ClientFormTest, ActiveAndFloatingTellTheFormsState)
{
    auto read = [](fw::TObject& o, const char* name) {
        return std::get<int64_t>(o.ClassType().FindProperty(name)->get(o)) != 0;
    };
    EXPECT_TRUE(read(*mainForm, "Floating"));
    EXPECT_FALSE(read(*mainForm, "Active"));
    mainForm->Show();
    QApplication::setActiveWindow(mainForm->Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainForm->Widget()));
    EXPECT_TRUE(read(*mainForm, "Active"));

    Te3_ClientForm* docked = NewForm("Docked");
    auto* site = NewEdit(mainForm, "Site");
    docked->SetParent(site);
    EXPECT_FALSE(read(*docked, "Floating"));
    docked->SetParent(nullptr);
}

// Menu names the main menu shown as the menu bar; another menu written there
// takes its place, and none gives the bar's height back to the client area.
TEST_F(ClientFormTest, MenuPropertyShowsTheChosenMainMenu)
{
    const fw::TPropInfo* menuProp = mainForm->ClassType().FindProperty("Menu");
    ASSERT_NE(menuProp, nullptr);
    const auto shown = [&] { return std::get<fw::TObject*>(menuProp->get(*mainForm)); };
    EXPECT_EQ(shown(), nullptr);
    auto* first = new e3::Te3_MainMenu(mainForm);
    auto* second = new e3::Te3_MainMenu(mainForm);
    EXPECT_EQ(shown(), first) << "the first main menu of a form becomes its menu bar";
    const int32_t withBar = mainForm->ClientHeight();

    Write(*mainForm, "Menu", static_cast<fw::TObject*>(second));
    EXPECT_EQ(shown(), second);
    EXPECT_EQ(second->MenuBar()->parentWidget(), mainForm->Widget());
    EXPECT_NE(first->MenuBar()->parentWidget(), mainForm->Widget());
    EXPECT_EQ(mainForm->ClientHeight(), withBar);

    Write(*mainForm, "Menu", static_cast<fw::TObject*>(nullptr));
    EXPECT_EQ(shown(), nullptr);
    EXPECT_GT(mainForm->ClientHeight(), withBar);
    Write(*mainForm, "Menu", static_cast<fw::TObject*>(first));
    EXPECT_EQ(shown(), first);
    EXPECT_EQ(mainForm->ClientHeight(), withBar);
    delete first;
    EXPECT_EQ(shown(), nullptr) << "a freed menu is no longer shown";

    // These forms hold no child windows.
    EXPECT_EQ(std::get<fw::TObject*>(mainForm->ClassType().FindProperty("ActiveMDIChild")->get(*mainForm)), nullptr);
    for (const char* name : {"ClientHandle", "MDIChildCount"})
        EXPECT_EQ(std::get<int64_t>(mainForm->ClassType().FindProperty(name)->get(*mainForm)), 0) << name;
    Write(*mainForm, "TileMode", int64_t {1});
    EXPECT_EQ(mainForm->GetTileMode(), client::tbVertical);
    EXPECT_NE(Te3_ClientFrame::StaticClass().FindProperty("OnGetSiteInfo"), nullptr);
}

TEST_F(ClientFormTest, EditMenuVisibilityFollowsTheValue)
{
    Write(*mainForm, "_MenuEditVisible", std::string("1"));
    EXPECT_TRUE(mainForm->EditMenuVisible());
    Write(*mainForm, "_OverrideMenuEdit", std::string("true"));
    EXPECT_FALSE(mainForm->EditMenuVisible());
}

} // namespace

// A form with a main menu whose Edit menu holds the seven command items and
// two edits to focus.
class EditMenuTest : public ClientFormTest {
protected:
    void SetUp() override
    {
        ClientFormTest::SetUp();
        menu = new e3::Te3_MainMenu(mainForm);
        editMenu = Item(menu->Items(), "mniEdit");
        editMenu->OnClick = [this](fw::TObject*) { log.push_back("menu opened"); };
        for (const char* name : {"mniUndo", "mniRedo", "mniCut", "mniCopy", "mniPaste", "mniDelete", "mniSelect"})
            commands.push_back(Item(editMenu, name));
        commands[3]->OnClick = [this](fw::TObject*) { log.push_back("own copy"); };
        edit = new e3::Te3_Edit(mainForm);
        edit->SetName("Edit1");
        edit->SetText("");
        edit->SetParent(mainForm);
        memo = new e3::Te3_Memo(mainForm);
        memo->SetName("Memo1");
        memo->SetParent(mainForm);
        memo->SetTop(40);
        other = NewEdit(mainForm, "Other");
        other->SetTop(120);
        mainForm->Show();
        QApplication::setActiveWindow(mainForm->Widget());
        QApplication::clipboard()->clear();
    }

    e3::Te3MenuItem* Item(e3::Te3MenuItem* parent, const std::string& name)
    {
        auto* item = new e3::Te3MenuItem(mainForm);
        item->SetName(name);
        item->SetCaption(name.substr(3));
        parent->Add(item);
        return item;
    }

    void Focus(fw::TWinControl* control)
    {
        control->Widget()->setFocus();
        QCoreApplication::processEvents();
        ASSERT_EQ(client::FocusedControl(mainForm), control);
    }

    // Opens the Edit menu as a user does, from the menu bar.
    void OpenEditMenu()
    {
        QMenuBar* bar = menu->MenuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(editMenu->Action()).center());
        QCoreApplication::processEvents();
        editMenu->SubMenu()->hide();
    }

    // "+" for an enabled item, "-" for a disabled one, "." for a hidden one.
    std::string Items() const
    {
        std::string s;
        for (e3::Te3MenuItem* item : commands)
            s += !item->GetVisible() ? '.' : item->GetEnabled() ? '+' : '-';
        return s;
    }

    void Choose(int index)
    {
        commands[static_cast<size_t>(index)]->Action()->trigger();
        QCoreApplication::processEvents();
    }

    e3::Te3_MainMenu* menu = nullptr;
    e3::Te3MenuItem* editMenu = nullptr;
    std::vector<e3::Te3MenuItem*> commands;
    e3::Te3_Edit* edit = nullptr;
    e3::Te3_Memo* memo = nullptr;
    TTestEdit* other = nullptr;
    std::vector<std::string> log;
};

TEST_F(EditMenuTest, ItemsFollowTheFocusedEdit)
{
    Write(*mainForm, "_OverrideMenuEdit", std::string("0"));
    ASSERT_TRUE(mainForm->EditMenuHooked());

    auto* ownMenu = new e3::Te3_PopupMenu(mainForm);
    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* items; // Undo Redo Cut Copy Paste Delete Select
    };
    const Case cases[] = {
        {"read-only edit, part selected",
         [&] {
             Focus(edit);
             edit->SetText("hello");
             edit->SetReadOnly(true);
             edit->LineEdit()->setSelection(1, 2);
             QApplication::clipboard()->setText("clip");
         },
         "---+--+"},
        {"typed text, nothing selected",
         [&] {
             Focus(edit);
             QTest::keyClicks(edit->LineEdit(), "abc");
         },
         "+-----+"},
        {"whole text selected, clipboard text",
         [&] {
             Focus(edit);
             edit->SetText("hello");
             edit->SelectAll();
             QApplication::clipboard()->setText("clip");
         },
         "--++++-"},
        {"empty edit", [&] { Focus(edit); }, "-------"},
        {"memo, part selected",
         [&] {
             Focus(memo);
             memo->SetText("one\r\ntwo");
             memo->SetSelStart(0);
             memo->SetSelLength(3);
         },
         "--++-++"},
        {"memo, all selected", [&] { Focus(memo); memo->SetText("one\r\ntwo"); memo->SelectAll(); }, "--++-+-"},
        {"no edit focused", [&] { Focus(other); }, "......."},
        {"edit with a pop-up menu of its own",
         [&] {
             edit->SetPopupMenu(ownMenu);
             Focus(edit);
             edit->SetText("hello");
             edit->SelectAll();
         },
         "......."},
    };
    for (const Case& c : cases) {
        edit->SetPopupMenu(nullptr);
        edit->SetReadOnly(false);
        edit->SetText("");
        memo->SetText("");
        QApplication::clipboard()->clear();
        c.prepare();
        log.clear();
        OpenEditMenu();
        EXPECT_EQ(Items(), c.items) << c.what;
        EXPECT_EQ(log, std::vector<std::string> {"menu opened"}) << c.what;
    }
}

TEST_F(EditMenuTest, CommandsReachTheEditAndOwnHandlersComeBack)
{
    Write(*mainForm, "_OverrideMenuEdit", std::string("1"));
    Focus(edit);
    QTest::keyClicks(edit->LineEdit(), "abc");
    ASSERT_TRUE(edit->GetModified());

    // Undo and Redo take the typing back and forth; the modified flag tells which.
    OpenEditMenu();
    Choose(0);
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_FALSE(edit->GetModified());
    OpenEditMenu();
    EXPECT_EQ(Items(), "-+-----");
    Choose(1);
    EXPECT_EQ(edit->GetText(), "abc");
    EXPECT_TRUE(edit->GetModified());

    edit->LineEdit()->setSelection(0, 2);
    OpenEditMenu();
    Choose(2); // cut
    EXPECT_EQ(edit->GetText(), "c");
    EXPECT_EQ(QApplication::clipboard()->text(), "ab");
    OpenEditMenu();
    Choose(4); // paste
    EXPECT_EQ(edit->GetText(), "abc");
    OpenEditMenu();
    Choose(6); // select all
    EXPECT_EQ(edit->GetSelLength(), 3);
    OpenEditMenu();
    Choose(5); // delete
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "ab");

    // The memo takes the same commands.
    Focus(memo);
    memo->SetText("line");
    memo->SelectAll();
    OpenEditMenu();
    Choose(3);
    EXPECT_EQ(QApplication::clipboard()->text(), "line");
    EXPECT_EQ(std::count(log.begin(), log.end(), "own copy"), 0);

    // Away from the edits the items get their own handlers back.
    Focus(other);
    OpenEditMenu();
    EXPECT_EQ(Items(), "-------");
    log.clear();
    commands[3]->SetEnabled(true);
    Choose(3);
    EXPECT_EQ(log, std::vector<std::string> {"own copy"});
}

TEST_F(EditMenuTest, TheUnicodeEditIsATargetLikeTheEdit)
{
    Write(*mainForm, "_OverrideMenuEdit", std::string("1"));
    auto* unicode = new e3::Te3_UnicodeEdit(mainForm);
    unicode->SetParent(mainForm);
    unicode->SetTop(80);
    unicode->SetText("");
    unicode->SetAutoSelect(false); // the focus comes back from the menu bar
    Focus(unicode);
    OpenEditMenu();
    EXPECT_EQ(Items(), "-------");
    QTest::keyClicks(unicode->LineEdit(), "abc");
    OpenEditMenu();
    EXPECT_EQ(Items(), "+-----+");
    Choose(0); // undo
    EXPECT_EQ(unicode->GetText(), "");
    OpenEditMenu();
    EXPECT_EQ(Items(), "-+-----");
    Choose(1); // redo
    EXPECT_EQ(unicode->GetText(), "abc");

    unicode->LineEdit()->setSelection(0, 2);
    OpenEditMenu();
    EXPECT_EQ(Items(), "+-++-++");
    Choose(2); // cut
    EXPECT_EQ(unicode->GetText(), "c");
    EXPECT_EQ(QApplication::clipboard()->text(), "ab");
    OpenEditMenu();
    Choose(4); // paste
    EXPECT_EQ(unicode->GetText(), "abc");
    OpenEditMenu();
    Choose(6); // select all
    EXPECT_EQ(unicode->GetSelLength(), 3);
    OpenEditMenu();
    Choose(3); // copy
    OpenEditMenu();
    Choose(5); // delete
    EXPECT_EQ(unicode->GetText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");

    // Read-only: copying only.
    unicode->SetText("locked");
    unicode->SetReadOnly(true);
    unicode->SetSelStart(0);
    unicode->SetSelLength(3);
    OpenEditMenu();
    EXPECT_EQ(Items(), "---+--+");
    EXPECT_EQ(std::count(log.begin(), log.end(), "own copy"), 0);
}

TEST_F(EditMenuTest, AComboBoxIsATargetThroughItsEditPart)
{
    Write(*mainForm, "_OverrideMenuEdit", std::string("1"));
    auto* box = new e3::Te3_ComboBox(mainForm);
    box->SetParent(mainForm);
    box->SetTop(80);
    Focus(box);
    QLineEdit* line = box->Combo()->lineEdit();
    QTest::keyClicks(line, "abc");
    line->setSelection(0, 2);
    OpenEditMenu();
    EXPECT_EQ(Items().substr(0, 4), "+-++") << "undo, no redo, cut, copy";
    Choose(2); // cut
    EXPECT_EQ(box->GetText(), "c");
    EXPECT_EQ(QApplication::clipboard()->text(), "ab");
    OpenEditMenu();
    Choose(0); // undo
    EXPECT_EQ(box->GetText(), "abc");
}

TEST_F(EditMenuTest, ATreeViewIsATargetWhileItEditsANodeEvenWithItsOwnPopupMenu)
{
    Write(*mainForm, "_OverrideMenuEdit", std::string("1"));
    auto* tree = new e3::Te3_TreeView(mainForm);
    tree->SetParent(mainForm);
    tree->SetBounds(0, 80, 200, 100);
    tree->SetPopupMenu(new e3::Te3_PopupMenu(mainForm));
    tree->AddNode(nullptr, 7, "node text", -1);
    std::vector<std::string> edited;
    tree->OnEditedNode = [&](fw::TObject*, int32_t id, std::string& text) {
        edited.push_back(std::to_string(id) + " " + text);
    };
    Focus(tree);
    OpenEditMenu();
    EXPECT_EQ(Items(), "-------"); // no node is being edited
    commands[3]->SetEnabled(true);
    Choose(3);
    EXPECT_EQ(std::count(log.begin(), log.end(), "own copy"), 1);

    tree->ActEditText("7");
    QCoreApplication::processEvents();
    ASSERT_TRUE(tree->IsEditing());
    ASSERT_EQ(client::FocusedControl(mainForm), tree);
    OpenEditMenu();
    ASSERT_TRUE(tree->IsEditing());
    // The whole text is selected as editing starts; Select all stays offered.
    EXPECT_EQ(Items(), "--++-++");
    Choose(2); // cut
    EXPECT_EQ(QApplication::clipboard()->text(), "node text");
    EXPECT_EQ(tree->NodeLineEditor()->text(), "");
    OpenEditMenu();
    EXPECT_EQ(Items(), "+---+-+");
    Choose(0); // undo
    EXPECT_EQ(tree->NodeLineEditor()->text(), "node text");
    OpenEditMenu();
    EXPECT_EQ(Items().substr(0, 2), "-+"); // the undo is taken back by Redo
    Choose(6); // select all
    EXPECT_EQ(tree->NodeLineEditor()->selectedText(), "node text");
    tree->NodeLineEditor()->setSelection(5, 4);
    OpenEditMenu();
    Choose(5); // delete
    EXPECT_EQ(tree->NodeLineEditor()->text(), "node ");
    OpenEditMenu();
    Choose(4); // paste
    EXPECT_EQ(tree->NodeLineEditor()->text(), "node node text");
    tree->NodeLineEditor()->setSelection(0, 4);
    OpenEditMenu();
    Choose(3); // copy
    EXPECT_EQ(QApplication::clipboard()->text(), "node");
    EXPECT_EQ(std::count(log.begin(), log.end(), "own copy"), 1);

    QTest::keyClick(tree->NodeLineEditor(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(edited, std::vector<std::string> {"7 node node text"});
    OpenEditMenu();
    EXPECT_EQ(Items(), "-------");
}

TEST_F(EditMenuTest, HookingWaitsForAMenuWithAnEditItem)
{
    Te3_ClientForm* bare = NewForm("Bare");
    Write(*bare, "_OverrideMenuEdit", std::string("1"));
    EXPECT_FALSE(bare->EditMenuHooked());
    EXPECT_TRUE(bare->EditMenuVisible());

    auto* late = new e3::Te3_MainMenu(bare);
    Write(*bare, "_OverrideMenuEdit", std::string("1"));
    EXPECT_FALSE(bare->EditMenuHooked());
    auto* item = new e3::Te3MenuItem(bare);
    item->SetName("MNIEDIT");
    late->Items()->Add(item);
    Write(*bare, "_OverrideMenuEdit", std::string("1"));
    EXPECT_TRUE(bare->EditMenuHooked());

    // _MenuEditVisible alone hooks nothing.
    Write(*mainForm, "_MenuEditVisible", std::string("1"));
    EXPECT_FALSE(mainForm->EditMenuHooked());
}
