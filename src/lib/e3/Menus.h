#pragma once
// The menus the engine builds on its forms: menu items (Te3MenuItem), the main
// menu of a form shown in a menu bar, and popup menus, which a speed button
// also drops down. Items raise OnClick through their bound handler like any
// control.
#include "e3/Contract.h"
#include "e3/EngineImages.h"
#include "framework/Form.h"

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <vector>

class QAction;

namespace e3 {

enum TPopupAlignment { paLeft, paRight, paCenter };
extern const fw::TEnumType PopupAlignmentType;

class Te3MenuItem : public fw::TComponent {
    FW_CLASS()
public:
    explicit Te3MenuItem(fw::TComponent* owner);
    ~Te3MenuItem() override;

    std::string GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    bool GetAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    bool GetRadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    int32_t GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    bool GetDefault() const { return default_; }
    void SetDefault(bool value);
    std::string GetHint() const { return hint_; }
    void SetHint(const std::string& value);
    // Virtual-key code with the shift bits 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
    int32_t GetShortCut() const { return shortCut_; }
    void SetShortCut(int32_t value);
    TBitmap* GetBitmap() const { return bitmap_.get(); }
    void SetBitmap(TBitmap* value);

    int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
    Te3MenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    // Position among the parent's items; -1 without a parent.
    int32_t GetMenuIndex() const;
    Te3MenuItem* GetParent() const { return parent_; }

    // Appends item (taken from any other parent first).
    void Add(Te3MenuItem* item);
    void Remove(Te3MenuItem* item);
    // Frees every sub-item, at once detached and deleted once no handler runs.
    void Clear();
    void _Clear(const std::string&) { Clear(); }

    // Depth first, this item first; letter case ignored.
    Te3MenuItem* FindByName(const std::string& name);

    // What choosing the item does.
    void Click();

    fw::TNotifyEvent OnClick;

    QAction* Action() const { return action_; }
    // The menu that shows the sub-items; created with the first one.
    QMenu* SubMenu() const { return subMenu_; }

protected:
    void Detach() override;

private:
    friend class TMenuBase;
    void UpdateAction();
    void UncheckRadioSiblings();
    QWidget* ItemContainer();

    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool autoCheck_ = false;
    bool radioItem_ = false;
    int32_t groupIndex_ = 0;
    bool default_ = false;
    std::string hint_;
    int32_t shortCut_ = 0;
    std::unique_ptr<TBitmap> bitmap_;
    std::vector<Te3MenuItem*> items_;
    Te3MenuItem* parent_ = nullptr;
    QAction* action_;
    QMenu* subMenu_ = nullptr;
    // The root item of a menu shows its items in the menu's own widget.
    bool isRoot_ = false;
    QPointer<QWidget> rootContainer_;
};

// The key sequence of a shortcut value; empty for none.
QKeySequence ShortCutToKeySequence(int32_t shortCut);

// Adds a menu item to the component the engine named as its parent: to the
// items of a menu, or under a menu item. False when either is no such thing.
bool AddMenuItemTo(fw::TComponent* parent, fw::TComponent* item);

class TMenuBase : public fw::TComponent, public ITranslatableControl {
public:
    explicit TMenuBase(fw::TComponent* owner);
    ~TMenuBase() override;
    // The root item, whose sub-items are the menu's items.
    Te3MenuItem* Items() const { return items_; }
    void Clear() { items_->Clear(); }
    void _Clear(const std::string&) { Clear(); }

protected:
    // Where the root item shows the menu's items.
    void ShowItemsIn(QWidget* container) { items_->rootContainer_ = container; }

    Te3MenuItem* items_;
};

class Te3CustomMainMenu : public TMenuBase {
    FW_CLASS()
public:
    // A main menu made for a form becomes that form's menu bar, unless the form
    // has one already.
    explicit Te3CustomMainMenu(fw::TComponent* owner);
    ~Te3CustomMainMenu() override;

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    // Field 0 names an item, field 1 an engine picture for its bitmap.
    void _ItemImage(const std::string& value);

    QMenuBar* MenuBar() const { return bar_; }
    // Shows the menu bar at the top of form's window (nullptr: nowhere).
    void AttachTo(fw::TCustomForm* form);

private:
    QPointer<QMenuBar> bar_;
};

class Te3MainMenu : public Te3CustomMainMenu {
    FW_CLASS()
public:
    using Te3CustomMainMenu::Te3CustomMainMenu;
};

class Te3_MainMenu : public Te3MainMenu {
    FW_CLASS()
public:
    using Te3MainMenu::Te3MainMenu;
};

class Te3CustomPopupMenu : public TMenuBase, public fw::IPopupMenu {
    FW_CLASS()
public:
    explicit Te3CustomPopupMenu(fw::TComponent* owner);
    ~Te3CustomPopupMenu() override;

    // A control's PopupMenu: shown for it on a context-menu request.
    bool AutoPopupEnabled() const override { return autoPopup_; }
    void PopupFor(fw::TComponent* component, int screenX, int screenY) override;

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    bool GetAutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    fw::TComponent* PopupComponent() const { return popupComponent_.get(); }
    void SetPopupComponent(fw::TComponent* c) { popupComponent_ = c; }

    // Shows the menu at a screen point, the point standing for the menu's
    // Alignment corner; returns at once.
    void Popup(int x, int y);
    // Shows the menu and returns once it has closed (a chosen item has run).
    void PopupAndWait(int x, int y);
    // Fields 0 and 1: x and y in client coordinates of the owning form.
    void _Popup(const std::string& value);

    QMenu* Menu() const { return menu_; }
    // Where the menu was shown last, in screen coordinates.
    QPoint LastPopupPoint() const { return lastPoint_; }

    fw::TNotifyEvent OnPopup;

private:
    QPoint PlacedAt(int x, int y);

    QMenu* menu_;
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
    fw::Guard<fw::TComponent> popupComponent_;
    QPoint lastPoint_;
};

class Te3PopupMenu : public Te3CustomPopupMenu {
    FW_CLASS()
public:
    using Te3CustomPopupMenu::Te3CustomPopupMenu;
};

class Te3_PopupMenu : public Te3PopupMenu {
    FW_CLASS()
public:
    using Te3PopupMenu::Te3PopupMenu;
};

} // namespace e3
