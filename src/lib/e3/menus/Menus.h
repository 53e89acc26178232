#pragma once
// The menus the engine builds on its forms: menu items (Te3MenuItem), the main
// menu of a form shown in a menu bar, and popup menus, which a speed button
// also drops down. Items raise OnClick through their bound handler like any
// control.
#include "e3/common/ControlBase.h"
#include "e3/common/EngineImages.h"
#include "e3/lists/ListBox.h"
#include "framework/Actions.h"
#include "framework/Form.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <memory>

#include <vector>

class QAction;
class QPainter;

namespace e3 {

enum TPopupAlignment { paLeft, paRight, paCenter };
extern const fw::TEnumType PopupAlignmentType;

// Automatic accelerators and line reduction: an item's maParent takes its
// parent item's choice, up to the menu's (which is never maParent).
enum TMenuAutoFlag { maAutomatic, maManual, maParent };
enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TTrackButton { tbRightButton, tbLeftButton };
// Menu animation bits, in the order of their ordinals.
enum TMenuAnimation { maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone };
using TMenuAnimations = uint32_t;

extern const fw::TEnumType MenuAutoFlagType;
extern const fw::TEnumType MenuBreakType;
extern const fw::TEnumType TrackButtonType;
extern const fw::TEnumType MenuAnimationType;

// Owner drawing of menu items: the item is the sender, the canvas paints
// into the menu; var arguments by reference.
using TMenuDrawItemEvent = std::function<void(fw::TObject* sender, QPainter* canvas, const fw::TRect& rect,
                                              bool selected)>;
using TAdvancedMenuDrawItemEvent = std::function<void(fw::TObject* sender, QPainter* canvas, const fw::TRect& rect,
                                                      TOwnerDrawState state)>;
using TMenuMeasureItemEvent = std::function<void(fw::TObject* sender, QPainter* canvas, int32_t& width,
                                                 int32_t& height)>;
// A menu's items changed: rebuild when an item list gained or lost an item
// (source: the item owning that list, nullptr for the menu's own items),
// otherwise source is the item whose look changed.
using TMenuChangeEvent = std::function<void(fw::TObject* sender, fw::TObject* source, bool rebuild)>;

extern const fw::TEventType MenuDrawItemEventType;
extern const fw::TEventType AdvancedMenuDrawItemEventType;
extern const fw::TEventType MenuMeasureItemEventType;
extern const fw::TEventType MenuChangeEventType;

class TMenuBase;

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
    // Govern this item's sub-items.
    TMenuAutoFlag GetAutoHotkeys() const { return autoHotkeys_; }
    void SetAutoHotkeys(TMenuAutoFlag value) { SetAutoFlag(&Te3MenuItem::autoHotkeys_, value); }
    TMenuAutoFlag GetAutoLineReduction() const { return autoLineReduction_; }
    void SetAutoLineReduction(TMenuAutoFlag value) { SetAutoFlag(&Te3MenuItem::autoLineReduction_, value); }
    // The flags in force: the own one, or the first one up the tree that is
    // not maParent; maAutomatic for an item outside any menu.
    TMenuAutoFlag EffectiveAutoHotkeys() const { return EffectiveAutoFlag(&Te3MenuItem::autoHotkeys_); }
    TMenuAutoFlag EffectiveAutoLineReduction() const { return EffectiveAutoFlag(&Te3MenuItem::autoLineReduction_); }
    // mbBreak: the item starts a new column of its menu; mbBarBreak: the
    // same, with a vertical bar before the column.
    TMenuBreak GetBreak() const { return break_; }
    void SetBreak(TMenuBreak value);
    int32_t GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int32_t value) { helpContext_ = value; }
    // The picture at this index of the item's image list shows when the
    // item has no bitmap of its own.
    int32_t GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    // The image list of the sub-items; without one they use this item's list.
    fw::TCustomImageList* GetSubMenuImages() const { return subMenuImages_.get(); }
    void SetSubMenuImages(fw::TCustomImageList* value);
    // The list ImageIndex refers to: the parent's SubMenuImages, up to the
    // menu's Images.
    fw::TCustomImageList* ImageList() const;
    // The action the item follows (caption, state, hint, shortcut, picture)
    // and runs when chosen without an OnClick handler; null once freed.
    fw::TBasicAction* GetAction() const;
    void SetAction(fw::TBasicAction* action);

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
    void ClearByEngine(const std::string&) { Clear(); }

    // The menu whose tree holds the item; nullptr outside any menu.
    TMenuBase* GetMenu() const;

    // Depth first, this item first; letter case ignored.
    Te3MenuItem* FindByName(const std::string& name);

    // What choosing the item does.
    void Click();

    fw::TNotifyEvent OnClick;
    // Used while the menu is OwnerDraw; the advanced one wins.
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    QAction* Action() const { return action_.get(); }
    // The menu that shows the sub-items; created with the first one.
    QMenu* SubMenu() const { return subMenu_.get(); }

protected:
    void Detach() override;

private:
    friend class TMenuBase;
    void UpdateAction();
    void UncheckRadioSiblings();
    QWidget* ItemContainer();
    QMenu* NewSubMenu();
    void SetAutoFlag(TMenuAutoFlag Te3MenuItem::*flag, TMenuAutoFlag value);
    TMenuAutoFlag EffectiveAutoFlag(TMenuAutoFlag Te3MenuItem::*flag) const;
    void ActionChange(fw::TBasicAction* action, bool checkDefaults);
    // The icons of this item and everything below it, after a new list.
    void UpdateIcons();
    // The menu's OnChange for this item.
    void Changed(Te3MenuItem* source, bool rebuild);
    void ItemChanged() { Changed(this, false); }
    // The sub-items' shown texts and separators are worked out again before
    // they are next seen (or once the event loop runs).
    void ListChanged();
    void SubtreeListsChanged();
    // Applies the sub-item list's accelerators and line reduction now.
    void RefreshList();
    void SetShownText(const QString& text);
    // Just before the sub-items' menu opens.
    void PrepareToShow();

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
    TMenuAutoFlag autoHotkeys_ = maParent;
    TMenuAutoFlag autoLineReduction_ = maParent;
    TMenuBreak break_ = mbNone;
    int32_t helpContext_ = 0;
    int32_t imageIndex_ = -1;
    fw::Guard<fw::TCustomImageList> subMenuImages_;
    std::unique_ptr<fw::TActionLink> actionLink_;
    std::vector<Te3MenuItem*> items_;
    Te3MenuItem* parent_ = nullptr;
    std::unique_ptr<QAction> action_;
    std::unique_ptr<QMenu> subMenu_;
    // The text the action shows: the caption with an automatic accelerator.
    QString shownText_;
    bool listDirty_ = false;
    bool refreshPosted_ = false;
    // The root item of a menu shows its items in the menu's own widget.
    bool isRoot_ = false;
    TMenuBase* menu_ = nullptr;
    QPointer<QWidget> rootContainer_;
};

// The key sequence of a shortcut value; empty for none.
QKeySequence ShortCutToKeySequence(int32_t shortCut);

// Adds a menu item to the component the engine named as its parent: to the
// items of a menu, or under a menu item. False when either is no such thing.
bool AddMenuItemTo(fw::TComponent* parent, fw::TComponent* item);

class TMenuBase : public fw::TComponent, public TranslatableControl {
public:
    TMenuBase(fw::TComponent* owner, ControlLanguage language);
    ~TMenuBase() override;
    // The root item, whose sub-items are the menu's items.
    Te3MenuItem* Items() const { return items_; }
    void Clear() { items_->Clear(); }
    void ClearByEngine(const std::string&) { Clear(); }

    // maParent is no choice for a menu and is ignored.
    TMenuAutoFlag GetAutoHotkeys() const { return items_->autoHotkeys_; }
    void SetAutoHotkeys(TMenuAutoFlag value);
    TMenuAutoFlag GetAutoLineReduction() const { return items_->autoLineReduction_; }
    void SetAutoLineReduction(TMenuAutoFlag value);
    // True: items with OnDrawItem or OnAdvancedDrawItem are drawn by them,
    // and OnMeasureItem sizes its item.
    bool GetOwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // Pictures of the items by ImageIndex; null once freed.
    fw::TCustomImageList* GetImages() const { return images_.get(); }
    void SetImages(fw::TCustomImageList* value);
    // The root item, published as Items.
    Te3MenuItem* GetItems() const { return items_; }

    // Reading direction of the items. While ParentBiDiMode is set (the
    // default) the menu reads like the control that owns it; setting BiDiMode
    // clears ParentBiDiMode.
    fw::TBiDiMode GetBiDiMode() const;
    void SetBiDiMode(fw::TBiDiMode value);
    bool GetParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool value);
    // Gives the widgets showing the items the reading direction in force.
    void ApplyBiDiMode(QWidget* container) const;

    TMenuChangeEvent OnChange;

protected:
    // Where the root item shows the menu's items.
    void ShowItemsIn(QWidget* container) { items_->rootContainer_ = container; }
    // The widgets showing the menu's items, for a new look.
    void RelayoutWidgets();
    // Just before the menu's own items show in a popup.
    void PrepareItemsToShow() { items_->PrepareToShow(); }

    Te3MenuItem* items_;
    bool ownerDraw_ = false;
    fw::TBiDiMode biDiMode_ = fw::bdLeftToRight;
    bool parentBiDiMode_ = true;
    fw::Guard<fw::TCustomImageList> images_;
};

class Te3CustomMainMenu : public TMenuBase {
    FW_CLASS()
public:
    // A main menu made for a form becomes that form's menu bar, unless the form
    // has one already.
    explicit Te3CustomMainMenu(fw::TComponent* owner);
    ~Te3CustomMainMenu() override;

    // Field 0 names an item, field 1 an engine picture for its bitmap.
    void SetItemImage(const std::string& value);

    // Kept for the engine; forms here merge no menus.
    bool GetAutoMerge() const { return autoMerge_; }
    void SetAutoMerge(bool value) { autoMerge_ = value; }

    QMenuBar* MenuBar() const { return bar_; }
    // Shows the menu bar at the top of form's window (nullptr: nowhere),
    // taking it from the form that showed it before.
    void AttachTo(fw::TCustomForm* form);
    // The form whose menu bar this is; null for none.
    fw::TCustomForm* AttachedForm() const;

private:
    QPointer<QMenuBar> bar_;
    fw::Guard<fw::TCustomForm> form_;
    QPointer<QObject> widthKeeper_;
    bool autoMerge_ = false;
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

    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    bool GetAutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    // tbLeftButton: a right-button release chooses nothing.
    TTrackButton GetTrackButton() const { return trackButton_; }
    void SetTrackButton(TTrackButton value) { trackButton_ = value; }
    // Kept for the engine: there is no help system, and Qt menus open
    // without a per-menu animation.
    int32_t GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int32_t value) { helpContext_ = value; }
    TMenuAnimations GetMenuAnimation() const { return menuAnimation_; }
    void SetMenuAnimation(TMenuAnimations value) { menuAnimation_ = value & 0x1F; }
    fw::TComponent* PopupComponent() const { return popupComponent_.get(); }
    void SetPopupComponent(fw::TComponent* c) { popupComponent_ = c; }

    // Shows the menu at a screen point, the point standing for the menu's
    // Alignment corner; returns at once.
    void Popup(int x, int y);
    // Shows the menu and returns once it has closed (a chosen item has run).
    void PopupAndWait(int x, int y);
    // Fields 0 and 1: x and y in client coordinates of the owning form.
    void PopupAtText(const std::string& value);

    QMenu* Menu() const { return menu_.get(); }
    // Where the menu was shown last, in screen coordinates.
    QPoint LastPopupPoint() const { return lastPoint_; }

    fw::TNotifyEvent OnPopup;

private:
    QPoint PlacedAt(int x, int y);

    std::unique_ptr<QMenu> menu_;
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
    TTrackButton trackButton_ = tbRightButton;
    int32_t helpContext_ = 0;
    TMenuAnimations menuAnimation_ = 0;
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
