#include "client/ClientForm.h"

#include "client/Client.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "e3/common/CollectionKeys.h"
#include "e3/common/DateCheck.h"
#include "e3/common/EditCommands.h"
#include "e3/edits/Edit.h"
#include "e3/edits/Memo.h"
#include "e3/menus/Menus.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"
#include "framework/MessagePump.h"
#include "u3/StrLib.h"

#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QPixmap>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <charconv>

namespace client {

using namespace fw;
namespace sp = fw::std_props;

namespace {

constexpr uint16_t kTabKey = 9;

bool Has(TShiftState shift, TShiftStateBit bit)
{
    return (shift & (1u << bit)) != 0;
}

int32_t IntegerField(const std::string& value, int index, int32_t fallback)
{
    const std::string text = u3::ValueFieldDef(value, index, "");
    int32_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size() ? v : fallback;
}

bool Showing(const TControl* c)
{
    for (; c; c = c->Parent())
        if (!c->GetVisible() || !c->GetEnabled())
            return false;
    return true;
}

// The tab stops below container in tab order, depth first.
void CollectTabStops(const TWinControl* container, std::vector<TWinControl*>& out)
{
    for (TWinControl* c : container->TabList()) {
        if (c->GetTabStop() && Showing(c))
            out.push_back(c);
        CollectTabStops(c, out);
    }
}

// The focused control's edit window, as the Edit menu drives it: any control
// that offers the edit commands and has a text to edit now.
class EditTarget {
public:
    explicit EditTarget(TWinControl* focused) : edit_(dynamic_cast<e3::IEditCommands*>(focused))
    {
        if (edit_ && !edit_->HasEditText())
            edit_ = nullptr;
    }

    // A control with a pop-up menu of its own may keep its commands there.
    static EditTarget ForMenu(TWinControl* focused)
    {
        auto* edit = dynamic_cast<e3::IEditCommands*>(focused);
        if (edit && edit->EditYieldsToPopupMenu() && focused->GetPopupMenu())
            return EditTarget(nullptr);
        return EditTarget(focused);
    }

    explicit operator bool() const { return edit_ != nullptr; }

    EditTargetState State() const
    {
        EditTargetState s;
        s.clipboardHasText = !QApplication::clipboard()->text().isEmpty();
        if (edit_) {
            const e3::EditCommandState e = edit_->GetEditState();
            s.canUndo = e.canUndo;
            s.modified = e.modified;
            s.hasSelection = e.hasSelection;
            s.readOnly = e.readOnly;
            s.wholeTextSelected = e.wholeTextSelected;
        }
        return s;
    }

    void Undo(bool forwards) { edit_->EditUndo(forwards); }
    bool Modified() const { return edit_->GetEditState().modified; }
    void SetModified(bool value) { edit_->SetEditModified(value); }

    void Run(TEditMenuCommand command)
    {
        switch (command) {
        case emCut: edit_->EditCut(); break;
        case emCopy: edit_->EditCopy(); break;
        case emPaste: edit_->EditPaste(); break;
        case emDelete: edit_->EditClear(); break;
        case emSelectAll: edit_->EditSelectAll(); break;
        default: break;
        }
    }

private:
    e3::IEditCommands* edit_;
};

// The handler the Edit menu puts on its command items; a type of its own, so
// that the menu knows its own handler when it meets it again.
struct EditMenuItemHandler {
    Guard<Te3_ClientForm> form;
    void operator()(TObject* sender) const
    {
        if (Te3_ClientForm* f = form.get())
            f->EditMenuItemClick(sender);
    }
};

const char* const EditMenuItemNames[EditMenuCommandCount] = {"mniUndo", "mniRedo", "mniCut", "mniCopy",
                                                            "mniPaste", "mniDelete", "mniSelect"};

} // namespace

const TEnumType TileModeType {"TTileMode", {"tbHorizontal", "tbVertical"}};

e3::Te3CustomMainMenu* Te3ClientForm::GetMenu() const
{
    if (!MenuBar())
        return nullptr;
    // Usually a menu of its own; the engine may also have given it another one.
    if (auto* menu = shownMenu_.get(); menu && menu->AttachedForm() == this)
        return menu;
    for (TComponent* c : OwnedComponents())
        if (auto* menu = dynamic_cast<e3::Te3CustomMainMenu*>(c); menu && menu->AttachedForm() == this)
            return menu;
    return nullptr;
}

void Te3ClientForm::SetMenu(e3::Te3CustomMainMenu* menu)
{
    e3::Te3CustomMainMenu* old = GetMenu();
    if (menu == old)
        return;
    if (old)
        old->AttachTo(nullptr);
    SetMenuBar(nullptr);
    shownMenu_ = menu;
    if (menu)
        menu->AttachTo(this);
}

std::array<bool, EditMenuCommandCount> EditMenuCommandsEnabled(const EditTargetState& s)
{
    std::array<bool, EditMenuCommandCount> on {};
    on[emUndo] = s.canUndo && s.modified;
    on[emRedo] = s.canUndo && !s.modified;
    on[emCut] = on[emDelete] = s.hasSelection && !s.readOnly;
    on[emCopy] = s.hasSelection;
    on[emPaste] = s.clipboardHasText && !s.readOnly;
    on[emSelectAll] = !s.wholeTextSelected;
    return on;
}

namespace {

constexpr int32_t ShiftJisCharset = 128;
constexpr int32_t Gb2312Charset = 134;

void SetFontCharset(TComponent* component, const std::string& fontName, int32_t charset)
{
    if (auto* control = dynamic_cast<TControl*>(component)) {
        if (TFont* font = control->GetFont()) {
            font->SetCharset(charset);
            if (!fontName.empty())
                font->SetName(fontName);
        }
    }
}

// An edit that takes free text: the engine's own edit and a masked edit check
// every key themselves, so an input method would only get in their way.
bool IsPlainEdit(TComponent* component)
{
    auto* edit = dynamic_cast<e3::TAlignEdit*>(component);
    return edit && !dynamic_cast<e3::Te3_Edit*>(edit) && edit->GetEditType() != e3::etMasked;
}

} // namespace

void ApplyFontCharset(TComponent* component, const std::string& fontName, int32_t charset)
{
    SetFontCharset(component, fontName, charset);
    const bool asian = charset == ShiftJisCharset || charset == Gb2312Charset;
    for (TComponent* owned : std::vector<TComponent*>(component->OwnedComponents())) {
        ApplyFontCharset(owned, fontName, charset);
        SetFontCharset(owned, fontName, charset);
        if (auto* windowed = dynamic_cast<TWinControl*>(owned)) {
            if (asian)
                windowed->SetImeName(""); // the system's default input method
            windowed->SetImeMode(asian && IsPlainEdit(owned) ? imOpen : imDisable);
        }
    }
}

TWinControl* GroupFocusTarget(TWinControl* form, TWinControl* focused, bool backwards)
{
    std::vector<TWinControl*> stops;
    CollectTabStops(form, stops);
    const auto it = std::find(stops.begin(), stops.end(), focused);
    if (it == stops.end())
        return focused;
    const int n = static_cast<int>(stops.size());
    const int start = static_cast<int>(it - stops.begin());
    for (int step = 1; step < n; ++step) {
        const int i = ((backwards ? start - step : start + step) % n + n) % n;
        if (stops[static_cast<size_t>(i)]->Parent() != focused->Parent())
            return stops[static_cast<size_t>(i)];
    }
    return focused;
}

TWinControl* FocusedControl(TWinControl* form)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !form)
        return nullptr;
    // The innermost control whose widget holds the focus widget.
    TWinControl* best = nullptr;
    std::vector<TWinControl*> pending {form};
    while (!pending.empty()) {
        TWinControl* c = pending.back();
        pending.pop_back();
        if (c != form && c->Widget() && (c->Widget() == focus || c->Widget()->isAncestorOf(focus)))
            if (!best || best->Widget()->isAncestorOf(c->Widget()))
                best = c;
        for (TControl* child : c->ChildControls())
            if (auto* w = dynamic_cast<TWinControl*>(child))
                pending.push_back(w);
    }
    return best;
}

void RenameEventMapKeys(TNameValueList& map, const std::string& oldName, const std::string& newName)
{
    if (oldName.empty())
        return;
    const std::string prefix = UpperCase(oldName) + ".";
    for (int i = 0; i < map.Count(); ++i) {
        const std::string& key = map.At(i).name;
        if (key.size() >= prefix.size() && UpperCase(key.substr(0, prefix.size())) == prefix)
            map.Rename(i, newName + key.substr(oldName.size()));
    }
}

// --- forms ------------------------------------------------------------------

const TClassInfo& Te3MenuForm::StaticClass()
{
    static const TClassInfo info {"Te3MenuForm", &TCustomForm::StaticClass(), {}};
    return info;
}

bool Te3MenuForm::IsTranslatable(const std::string& propName) const
{
    return !propName.empty() && e3::WordListContains("CAPTION HINT", propName);
}

const TClassInfo& Te3MenuForm::GetLanguageClass() const
{
    return Te3ClientForm::StaticClass();
}

const TClassInfo& Te3ClientForm::StaticClass()
{
    static const TClassInfo info {"Te3ClientForm", &Te3MenuForm::StaticClass(), {}};
    return info;
}

Te3ClientForm::Te3ClientForm(TComponent* owner)
    : Te3MenuForm(owner)
    , icon_(std::make_unique<e3::TBitmap>())
    , client_(this, [this] { return QSize(ClientWidth(), ClientHeight()); })
{
    SetKeyPreview(true);
    client_.Area()->setFrameStyle(QFrame::NoFrame);
    SetClientArea(client_.Area(), client_.Content());
    horzScrollBar_ = std::make_unique<e3::TControlScrollBar>(&client_, Qt::Horizontal);
    vertScrollBar_ = std::make_unique<e3::TControlScrollBar>(&client_, Qt::Vertical);
    icon_->OnChange = [this] {
        if (QWidget* w = Widget())
            w->setWindowIcon(icon_->Empty() ? QIcon() : QIcon(QPixmap::fromImage(icon_->Image())));
    };
}

Te3ClientForm::~Te3ClientForm()
{
    icon_->OnChange = nullptr;
}

void Te3ClientForm::ApplyGeometry()
{
    Te3MenuForm::ApplyGeometry();
    client_.UpdateExtent();
}

void Te3ClientForm::AdjustAutoSize()
{
    const QSize extent = client_.ChildExtent();
    SetClientWidth(extent.width());
    SetClientHeight(extent.height());
}

void Te3ClientForm::SetVisible(bool visible)
{
    if (visible != GetVisible())
        if (auto* site = dynamic_cast<fw::IDockSite*>(Parent()))
            site->DockedVisibleChanging(*this, visible);
    Te3MenuForm::SetVisible(visible);
}

bool Te3ClientForm::CloseQuery()
{
    if (TClient* c = Client())
        if (auto* self = dynamic_cast<Te3_ClientForm*>(this))
            c->SetCurrentForm(self);
    // A focused date edit holding no real date keeps the form open.
    if (auto* date = dynamic_cast<e3::IDateCheck*>(FocusedControl(this))) {
        fw::Guard<Te3ClientForm> self(this);
        if (!date->CheckDate(true) || !self)
            return false;
    }
    return Te3MenuForm::CloseQuery();
}

bool Te3ClientForm::AllowsCommand(TComponent* source)
{
    TWinControl* focused = FocusedControl(this);
    auto* date = dynamic_cast<e3::IDateCheck*>(focused);
    if (!date || focused == source)
        return true;
    return date->CheckDate(true);
}

void Te3ClientForm::DoKeyDown(uint16_t& key, TShiftState shift)
{
    // A collection panel around the focused control may take the key first.
    if (TWinControl* focused = key != 0 ? FocusedControl(this) : nullptr)
        for (TWinControl* p = focused; p; p = p->Parent())
            if (auto* collection = dynamic_cast<e3::ICollectionKeys*>(p)) {
                if (collection->TakeChildKey(focused, key, shift)) {
                    key = 0;
                    return;
                }
                break;
            }
    if (key == kTabKey && Has(shift, ssCtrl) && !Has(shift, ssAlt)) {
        // The original moves backwards on Ctrl+Tab; engine forms are laid out for that.
        const bool backwards = !Has(shift, ssShift);
        TWinControl* focused = FocusedControl(this);
        if (focused && Showing(focused) && focused->Widget() && focused->Widget()->hasFocus()) {
            TWinControl* target = GroupFocusTarget(this, focused, backwards);
            if (target != focused && target->Widget())
                target->Widget()->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        } else if (QWidget* w = Widget()) {
            if (QWidget* next = backwards ? w->nextInFocusChain() : w->previousInFocusChain())
                next->setFocus(Qt::TabFocusReason);
        }
    }
    Te3MenuForm::DoKeyDown(key, shift);
}

bool Te3ClientForm::GetActive() const
{
    const QWidget* w = Widget();
    return w && w->isActiveWindow();
}

void Te3ClientForm::SetName(const std::string& name)
{
    const std::string old = GetName();
    Te3MenuForm::SetName(name);
    if (!old.empty() && !HasState(csLoading))
        RenameEventMapKeys(EventMap, old, name);
}

const TClassInfo& Te3_ClientForm::StaticClass()
{
    static const TClassInfo info {
        "Te3_ClientForm",
        &Te3ClientForm::StaticClass(),
        fw::TRows<Te3_ClientForm> {
            prop::String("Caption", &TCustomForm::GetCaption, &TCustomForm::SetCaption),
            prop::Integer("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth),
            prop::Integer("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight),
            prop::Enum("BorderStyle", BorderStyleType, &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle),
            prop::Enum("Position", PositionType, &TCustomForm::GetPosition, &TCustomForm::SetPosition),
            prop::Boolean("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview),
            prop::Boolean("Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled),
            prop::Integer("ModalResult", &TCustomForm::GetModalResult, &TCustomForm::SetModalResult),
            prop::Object("ActiveControl", TWinControl::StaticClass(), &TCustomForm::GetActiveControl,
                         &TCustomForm::SetActiveControl),
            sp::Align(),
            sp::Anchors(),
            prop::Boolean("AutoScroll", &Te3ClientForm::GetAutoScroll, &Te3ClientForm::SetAutoScroll),
            sp::AutoSize(),
            sp::BiDiMode(),
            prop::Set("BorderIcons", BorderIconType, &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons),
            prop::Integer("BorderWidth", &TCustomForm::GetBorderWidth, &TCustomForm::SetBorderWidth),
            sp::Color(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::DockSite(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Enabled(),
            sp::Font(),
            prop::Enum("FormStyle", FormStyleType, &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle),
            sp::HelpContext(),
            prop::Object("HorzScrollBar", e3::TControlScrollBar::StaticClass(), &Te3ClientForm::GetHorzScrollBar,
                         nullptr),
            prop::Object("Icon", e3::TBitmap::StaticClass(), &Te3ClientForm::GetIcon, nullptr),
            sp::ParentFont(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::UseDockManager(),
            prop::Object("VertScrollBar", e3::TControlScrollBar::StaticClass(), &Te3ClientForm::GetVertScrollBar,
                         nullptr),
            sp::Visible(),
            prop::Enum("WindowState", WindowStateType, &TCustomForm::GetWindowState, &TCustomForm::SetWindowState),
            prop::Boolean("Active", &Te3ClientForm::GetActive, nullptr),
            prop::Object("ActiveMDIChild", TCustomForm::StaticClass(), &Te3ClientForm::GetActiveMDIChild, nullptr),
            prop::Integer("ClientHandle", &Te3ClientForm::GetClientHandle, nullptr),
            prop::Object("Menu", e3::Te3CustomMainMenu::StaticClass(), &Te3ClientForm::GetMenu,
                         &Te3ClientForm::SetMenu),
            prop::Integer("MDIChildCount", &Te3ClientForm::GetMDIChildCount, nullptr),
            prop::Enum("TileMode", TileModeType, &Te3ClientForm::GetTileMode, &Te3ClientForm::SetTileMode),
            prop::Boolean("Floating", &Te3ClientForm::GetFloating, nullptr),
            prop::Integer("DockWidth", &Te3ClientForm::GetDockWidth, &Te3ClientForm::SetDockWidth),
            prop::Boolean("ResizeDock", &Te3ClientForm::GetResizeDock, &Te3ClientForm::SetResizeDock),
            prop::StringAction("_ShowModal", &Te3_ClientForm::_ShowModal),
            prop::StringAction("_Show", &Te3_ClientForm::_Show),
            prop::StringAction("_Close", &Te3_ClientForm::_Close),
            prop::StringAction("_KeyFilter", &Te3ClientForm::SetKeyFilter),
            prop::StringAction("_OverrideMenuEdit", &Te3_ClientForm::_OverrideMenuEdit),
            prop::StringAction("_MenuEditVisible", &Te3_ClientForm::_MenuEditVisible),
            prop::StringAction("_ManualFloat", &Te3_ClientForm::_ManualFloat),
            prop::StringAction("_ManualDock", &Te3_ClientForm::_ManualDock),
            prop::BoolAction("_BringToFront", &Te3_ClientForm::_BringToFront),
            prop::Event("OnActivate", NotifyEventType, &TCustomForm::OnActivate),
            sp::ResizeQuestions(),
            sp::OnClick(),
            prop::Event("OnClose", CloseEventType, &TCustomForm::OnClose),
            prop::Event("OnCloseQuery", CloseQueryEventType, &TCustomForm::OnCloseQuery),
            sp::OnContextPopup(),
            prop::Event("OnCreate", NotifyEventType, &TCustomForm::OnCreate),
            sp::OnDblClick(),
            prop::Event("OnDeactivate", NotifyEventType, &TCustomForm::OnDeactivate),
            prop::Event("OnDestroy", NotifyEventType, &TCustomForm::OnDestroy),
            sp::OnDockDrop(),
            sp::OnDockOver(),
            sp::OnDragDrop(),
            sp::OnDragOver(),
            sp::OnEndDock(),
            prop::Event("OnHelp", HelpEventType, &TCustomForm::OnHelp),
            prop::Event("OnHide", NotifyEventType, &TCustomForm::OnHide),
            sp::KeyEvents(),
            sp::MouseEvents(),
            prop::Event("OnPaint", NotifyEventType, &TCustomForm::OnPaint),
            sp::OnResize(),
            prop::Event("OnShow", NotifyEventType, &TCustomForm::OnShow),
            sp::OnUnDock(),
        },
        MakeFactory<Te3_ClientForm>(),
    };
    return info;
}

void Te3_ClientForm::_ShowModal(const std::string& callback)
{
    TClient* c = Client();
    Guard<Te3_ClientForm> previous(c ? c->CurrentForm() : nullptr);
    // The remembered form is current again whatever happens.
    struct Restore {
        TClient* client;
        Guard<Te3_ClientForm>& form;
        ~Restore()
        {
            if (client && Client() == client)
                client->SetCurrentForm(form.get());
        }
    } restore {c, previous};
    Guard<Te3_ClientForm> self(this);
    if (c) {
        c->SetCurrentForm(this);
        ApplyFontCharset(this, c->GetFontSubstitution(), c->GetLangCharSet());
        if (TCustomForm::MainForm() == this)
            c->_Title(GetCaption());
    }
    const TModalResult result = ShowModal();
    fw::ProcessOneMessage();
    if (c && c->Forms().Count() > 1)
        c->SetCurrentForm(previous.get());
    if (!callback.empty()) {
        if (c)
            c->PrepareCallback(callback);
        TEventList::SendModalResult(callback, result);
    }
}

void Te3_ClientForm::_Show(const std::string&)
{
    Show();
    fw::ProcessOneMessage();
}

void Te3_ClientForm::_Close(const std::string&)
{
    // Closing runs later from the event loop, as a posted close request does.
    QWidget* w = Widget();
    if (!w)
        return;
    QTimer::singleShot(0, w, [form = Guard<Te3_ClientForm>(this)] {
        RunFromEventLoop([&] {
            if (form)
                form->Close();
        });
    });
}

void Te3_ClientForm::_MenuEditVisible(const std::string& value)
{
    SetEditMenuVisible(value == "1");
}

void Te3_ClientForm::_OverrideMenuEdit(const std::string& value)
{
    SetEditMenuVisible(value == "1");
    HookEditMenu();
}

bool Te3_ClientForm::HookEditMenu()
{
    if (editMenu_)
        return true;
    e3::Te3CustomMainMenu* menu = GetMenu();
    if (!menu)
        return false;
    e3::Te3MenuItem* root = menu->Items();
    e3::Te3MenuItem* edit = nullptr;
    for (int i = 0; i < root->GetCount() && !edit; ++i)
        if (SameText(root->Items(i)->GetName(), "mniEdit"))
            edit = root->Items(i);
    if (!edit)
        return false;
    editMenu_ = edit;
    editMenuHandler_ = edit->OnClick;
    edit->OnClick = [form = Guard<Te3_ClientForm>(this)](TObject* sender) {
        if (Te3_ClientForm* f = form.get())
            f->EditMenuClick(sender);
    };
    for (int k = 0; k < EditMenuCommandCount; ++k) {
        editItems_[static_cast<size_t>(k)] = nullptr;
        for (int i = 0; i < edit->GetCount(); ++i)
            if (SameText(edit->Items(i)->GetName(), EditMenuItemNames[k])) {
                editItems_[static_cast<size_t>(k)] = edit->Items(i);
                break;
            }
    }
    return true;
}

void Te3_ClientForm::EditMenuClick(TObject* sender)
{
    Guard<Te3_ClientForm> self(this);
    for (auto& item : editItems_)
        if (item) {
            item->SetVisible(EditMenuVisible());
            item->SetEnabled(false);
        }
    if (const TNotifyEvent previous = editMenuHandler_)
        previous(sender);
    if (!self)
        return;
    const EditTarget target = EditTarget::ForMenu(FocusedControl(this));
    const auto enabled = EditMenuCommandsEnabled(target ? target.State() : EditTargetState {});
    for (size_t k = 0; k < editItems_.size(); ++k) {
        e3::Te3MenuItem* item = editItems_[k].get();
        if (!item)
            continue;
        if (!item->OnClick.target<EditMenuItemHandler>())
            editItemHandlers_[k] = item->OnClick;
        if (target) {
            item->OnClick = EditMenuItemHandler {Guard<Te3_ClientForm>(this)};
            item->SetVisible(true);
            item->SetEnabled(enabled[k]);
        } else {
            item->OnClick = editItemHandlers_[k];
        }
    }
}

void Te3_ClientForm::EditMenuItemClick(TObject* sender)
{
    EditTarget target(FocusedControl(this));
    if (!target)
        return;
    for (size_t k = 0; k < editItems_.size(); ++k) {
        if (!editItems_[k] || editItems_[k].get() != sender)
            continue;
        const auto command = static_cast<TEditMenuCommand>(k);
        if (command == emUndo || command == emRedo) {
            // Taken before the undo: the edit window marks itself modified by it.
            const bool wasModified = target.Modified();
            target.Undo(command == emRedo);
            if (editItems_[emRedo])
                target.SetModified(!wasModified);
        } else {
            target.Run(command);
        }
        return;
    }
}

void Te3_ClientForm::_ManualFloat(const std::string& value)
{
    const int32_t left = IntegerField(value, 0, 205);
    const int32_t top = IntegerField(value, 1, 396);
    const int32_t right = IntegerField(value, 2, GetWidth() + 205);
    const int32_t bottom = IntegerField(value, 3, GetHeight() + 396);
    // Out of a dock site through the site, so that it gives its height back.
    fw::FloatControl(*this, {left, top, right, bottom});
}

void Te3_ClientForm::_ManualDock(const std::string& value)
{
    const std::string target = u3::ValueFieldDef(value, 0, "");
    const int32_t align = IntegerField(value, 1, alClient);
    TWinControl* site = nullptr;
    if (auto* main = TCustomForm::MainForm(); main && main != this)
        for (TControl* child : main->ChildControls())
            if (auto* w = dynamic_cast<TWinControl*>(child); w && SameText(w->GetName(), target)) {
                site = w;
                break;
            }
    if (!site) {
        _ManualFloat("");
        return;
    }
    const TAlign dropAlign = align >= alNone && align <= alCustom ? static_cast<TAlign>(align) : alClient;
    Guard<Te3_ClientForm> self(this);
    // Out of the site it is docked in first.
    if (auto* host = dynamic_cast<fw::IDockSite*>(Parent()); host && Parent() != site)
        if (!host->DoUnDock(site, *this) || !self)
            return;
    if (auto* dockSite = dynamic_cast<fw::IDockSite*>(site)) {
        dockSite->DockDrop(*this, 0, 0, dropAlign, nullptr);
    } else {
        // A site that is no dock site takes the form as an aligned child.
        SetParent(site);
        SetAlign(dropAlign);
    }
    if (!self)
        return;
    if (QWidget* w = Widget())
        w->setVisible(GetVisible());
}

void Te3_ClientForm::_BringToFront()
{
    if (QWidget* w = Widget()) {
        w->raise();
        if (w->isWindow())
            w->activateWindow();
    }
}

// --- frames -----------------------------------------------------------------

const TClassInfo& Te3ClientFrame::StaticClass()
{
    static const TClassInfo info {"Te3ClientFrame", &TWinControl::StaticClass(), {}};
    return info;
}

Te3ClientFrame::Te3ClientFrame(TComponent* owner)
    : TWinControl(owner)
    , client_(this, [this] { return QSize(ClientWidth(), ClientHeight()); })
{
    client_.Area()->setFrameStyle(QFrame::NoFrame);
    SetWidget(client_.Area());
    SetBounds(0, 0, 320, 240);
}

void Te3ClientFrame::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    TWinControl::SetBounds(left, top, width, height);
    client_.UpdateExtent();
}

void Te3ClientFrame::SetName(const std::string& name)
{
    const std::string old = GetName();
    TWinControl::SetName(name);
    if (!old.empty() && !HasState(csLoading))
        RenameEventMapKeys(EventMap, old, name);
}

void Te3ClientFrame::SetParent(TWinControl* parent)
{
    if (parent == Parent())
        return;
    Guard<Te3ClientFrame> self(this);
    if (parent) {
        if (OnActivate)
            OnActivate(this);
    } else {
        TWinControl* top = Parent();
        while (top && top->Parent())
            top = top->Parent();
        // The edit loses its parent without a focus change: end its edit as
        // leaving it would.
        if (auto* form = dynamic_cast<TCustomForm*>(top)) {
            TWinControl* focused = FocusedControl(form);
            if (dynamic_cast<e3::Te3_Edit*>(focused) || dynamic_cast<e3::Te3_Memo*>(focused))
                if (focused->OnExit)
                    focused->OnExit(focused);
        }
        if (self && OnDeActivate)
            OnDeActivate(this);
    }
    if (self)
        TWinControl::SetParent(parent);
}

bool Te3ClientFrame::IsTranslatable(const std::string& propName) const
{
    return !propName.empty() && e3::WordListContains("CAPTION HINT", propName);
}

const TClassInfo& Te3ClientFrame::GetLanguageClass() const
{
    return Te3ClientFrame::StaticClass();
}

void Te3ClientFrame::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    enabling_ = true;
    for (TControl* child : std::vector<TControl*>(ChildControls()))
        if (const TPropInfo* p = child->ClassType().FindProperty("LockedEdit"); p && p->IsWritable())
            p->set(*child, int64_t {value ? 1 : 0});
    lockedEdit_ = value;
    enabling_ = false;
}

const TClassInfo& Te3_ClientFrame::StaticClass()
{
    static const TClassInfo info {
        "Te3_ClientFrame",
        &Te3ClientFrame::StaticClass(),
        fw::TRows<Te3_ClientFrame> {
            sp::Align(),
            sp::Anchors(),
            prop::Boolean("AutoScroll", &Te3ClientFrame::GetAutoScroll, &Te3ClientFrame::SetAutoScroll),
            sp::AutoSize(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::DockSite(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Enabled(),
            sp::Color(),
            sp::Ctl3D(),
            sp::Font(),
            sp::Parent(),
            prop::Boolean("LockedEdit", &Te3ClientFrame::GetLockedEdit, &Te3ClientFrame::SetLockedEdit),
            prop::Boolean("Enabling", &Te3ClientFrame::GetEnabling, nullptr),
            sp::ParentBackground(),
            sp::ParentBiDiMode(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            prop::Event("OnActivate", NotifyEventType, &Te3ClientFrame::OnActivate),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            prop::Event("OnDeActivate", NotifyEventType, &Te3ClientFrame::OnDeActivate),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnResize(),
            sp::ResizeQuestions(),
            sp::DockSiteEvents(),
            sp::WheelEvents(),
        },
        MakeFactory<Te3_ClientFrame>(),
    };
    return info;
}

} // namespace client
