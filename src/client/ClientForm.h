#pragma once
// The forms and frames the engine creates. Each is an engine container: it holds
// the event map (client-side event path -> engine event name) and the event
// parameters (engine event name -> paths sent with it) of its controls.
#include "client/NameValueList.h"
#include "e3/common/CommandGate.h"
#include "e3/common/Contract.h"
#include "e3/common/ScrollingClient.h"
#include "framework/Docking.h"
#include "framework/Form.h"

#include <array>

namespace e3 {
class Te3MenuItem;
class Te3CustomMainMenu;
}

namespace client {

enum TTileMode { tbHorizontal, tbVertical };
extern const fw::TEnumType TileModeType;

// The command items of a form's Edit menu, in this order.
enum TEditMenuCommand { emUndo, emRedo, emCut, emCopy, emPaste, emDelete, emSelectAll };
inline constexpr int EditMenuCommandCount = 7;

// What the Edit menu needs to know of the focused edit.
struct EditTargetState {
    bool canUndo = false;
    bool modified = false;
    bool hasSelection = false;
    bool readOnly = false;
    bool clipboardHasText = false;
    bool wholeTextSelected = false;
};

// Which command items are enabled for an edit in that state.
std::array<bool, EditMenuCommandCount> EditMenuCommandsEnabled(const EditTargetState& state);

class Te3MenuForm : public fw::TCustomForm, public e3::ITranslatableControl {
    FW_CLASS()
public:
    explicit Te3MenuForm(fw::TComponent* owner) : fw::TCustomForm(owner) {}
    // Whether a property's text is translated.
    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;
};

class Te3ClientForm : public Te3MenuForm, public e3::ICommandGate, public fw::IDockClient {
    FW_CLASS()
public:
    explicit Te3ClientForm(fw::TComponent* owner);

    // A button or menu command waits while the focused control is a date edit
    // whose text is no real date (the user is told, and stays there).
    bool AllowsCommand(fw::TComponent* source) override;
    // A form docked into a dock site tells the site before it is shown or hidden.
    void SetVisible(bool visible) override;
    int32_t DockWidth() const override { return dockWidth_; }
    bool ResizeDock() const override { return resizeDock_; }

    // Makes the form the client's current form before the usual close query.
    bool CloseQuery() override;
    // Ctrl+Tab moves the focus to the previous group, Ctrl+Shift+Tab to the
    // next; then the key goes on as usual.
    void DoKeyDown(uint16_t& key, fw::TShiftState shift) override;

    bool EditMenuVisible() const { return editMenuVisible_; }
    void SetEditMenuVisible(bool v) { editMenuVisible_ = v; }

    // Renaming rewrites the event-map keys that begin with the old name and ".".
    void SetName(const std::string& name) override;

    TNameValueList EventMap;
    TNameValueList EventParams;

    std::string GetKeyFilter() const { return keyFilter_; }
    void SetKeyFilter(const std::string& filter) { keyFilter_ = filter; }
    int32_t GetDockWidth() const { return dockWidth_; }
    void SetDockWidth(int32_t v) { dockWidth_ = v; }
    bool GetResizeDock() const { return resizeDock_; }
    void SetResizeDock(bool v) { resizeDock_ = v; }
    // Whether the form's window is the active one.
    bool GetActive() const;
    // The main menu shown as the form's menu bar; writing another one shows
    // that one instead, nullptr none.
    e3::Te3CustomMainMenu* GetMenu() const;
    void SetMenu(e3::Te3CustomMainMenu* menu);
    // The window-in-window members: these forms hold no child windows.
    fw::TObject* GetActiveMDIChild() const { return nullptr; }
    int32_t GetClientHandle() const { return 0; }
    int32_t GetMDIChildCount() const { return 0; }
    TTileMode GetTileMode() const { return tileMode_; }
    void SetTileMode(TTileMode value) { tileMode_ = value; }
    // A form without a parent control stands alone on the screen.
    bool GetFloating() const { return Parent() == nullptr; }
    // The alias and description name the client object created it under.
    std::string Alias;
    std::string FormName;

private:
    std::string keyFilter_;
    int32_t dockWidth_ = 0;
    bool resizeDock_ = false;
    bool editMenuVisible_ = false;
    TTileMode tileMode_ = tbHorizontal;
    fw::Guard<e3::Te3CustomMainMenu> shownMenu_;
};

class Te3_ClientForm : public Te3ClientForm {
    FW_CLASS()
public:
    explicit Te3_ClientForm(fw::TComponent* owner) : Te3ClientForm(owner) {}

    // The engine's actions.
    void _ShowModal(const std::string& callback);
    void _Show(const std::string& value);
    void _Close(const std::string& value);
    void _MenuEditVisible(const std::string& value);
    void _OverrideMenuEdit(const std::string& value);
    void _ManualFloat(const std::string& value);
    void _ManualDock(const std::string& value);
    void _BringToFront();

    // Takes over the Edit menu ("mniEdit") of the form's main menu, once;
    // false while the form has no main menu with such an item.
    bool HookEditMenu();
    bool EditMenuHooked() const { return static_cast<bool>(editMenu_); }
    // The Edit menu opens: its command items follow the focused edit.
    void EditMenuClick(fw::TObject* sender);
    // A command item chosen: the command goes to the focused edit.
    void EditMenuItemClick(fw::TObject* sender);

private:
    fw::Guard<e3::Te3MenuItem> editMenu_;
    fw::TNotifyEvent editMenuHandler_;
    std::array<fw::Guard<e3::Te3MenuItem>, EditMenuCommandCount> editItems_;
    std::array<fw::TNotifyEvent, EditMenuCommandCount> editItemHandlers_;
};

class Te3ClientFrame : public fw::TWinControl, public e3::ITranslatableControl {
    FW_CLASS()
public:
    explicit Te3ClientFrame(fw::TComponent* owner);

    void SetName(const std::string& name) override;
    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;
    // Gaining a parent activates the frame; losing it first ends the edit of
    // the parent form's focused edit or memo (its OnExit), then deactivates
    // the frame.
    void SetParent(fw::TWinControl* parent) override;

    // Children sit on a scrolled client widget; with AutoScroll the scroll
    // bars reach every visible child.
    QWidget* ClientWidget() const override { return client_.Content(); }
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    bool GetAutoScroll() const { return client_.AutoScroll(); }
    void SetAutoScroll(bool value) { client_.SetAutoScroll(value); }

    // Passes the lock on to every direct child that publishes LockedEdit.
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    bool GetEnabling() const { return enabling_; }

    TNameValueList EventMap;
    TNameValueList EventParams;
    fw::TNotifyEvent OnActivate, OnDeActivate;

private:
    bool lockedEdit_ = false;
    bool enabling_ = false;
    e3::ScrollingClient client_;
};

class Te3_ClientFrame : public Te3ClientFrame {
    FW_CLASS()
public:
    explicit Te3_ClientFrame(fw::TComponent* owner) : Te3ClientFrame(owner) {}
};

// Sets the font character set (and the font name, when not empty) of the
// component and of every component it owns, at any depth. For the Japanese
// and simplified Chinese sets the owned plain edits get an open input method
// and the other windowed controls none; with any other set none gets one.
void ApplyFontCharset(fw::TComponent* component, const std::string& fontName, int32_t charset);

// Where a group-wise focus move from focused goes: the nearest tab stop of the
// form (backwards or forwards in tab order, wrapping) whose parent differs from
// focused's parent; focused itself when every tab stop shares that parent.
fw::TWinControl* GroupFocusTarget(fw::TWinControl* form, fw::TWinControl* focused, bool backwards);
// The form's control whose widget has the keyboard focus; null when none.
fw::TWinControl* FocusedControl(fw::TWinControl* form);

// Rewrites the keys of map that begin with oldName + "." (without regard to
// case) to begin with newName, keeping their positions.
void RenameEventMapKeys(TNameValueList& map, const std::string& oldName, const std::string& newName);

} // namespace client
