#pragma once
// The page control: a row of tabs over tab sheets, one sheet shown at a time.
// The sheets are engine containers of their own: they take part in the
// Enabled and LockedEdit cascades, can be highlighted and are translatable.
// A tab change by the user asks OnChanging first (which may refuse it) and
// fires OnChange after the new page shows; Ctrl+Tab and Ctrl+Shift+Tab do the
// same for the next and previous page.
#include "e3/common/ControlBase.h"
#include "e3/common/Contract.h"
#include "framework/Actions.h"

#include <QTabBar>

#include <string>
#include <vector>

namespace e3 {

class Te3CustomPageControl;

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
extern const fw::TEnumType TabPositionType;
extern const fw::TEnumType TabStyleType;

// Asked for the picture of each tab: imageIndex comes in as the index the
// tab's page names and may be changed.
using TTabGetImageEvent = std::function<void(fw::TObject* sender, int32_t tabIndex, int32_t& imageIndex)>;
extern const fw::TEventType TabGetImageEventType;

class Te3TabSheet : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3TabSheet(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    void SetLockedEdit(bool value);
    bool GetEnabling() const { return cascade_.Enabling(); }
    void SetText(const std::string& text) override;

    // The page control holding the sheet (its parent), or nothing.
    Te3CustomPageControl* PageControl() const;
    void SetPageControl(Te3CustomPageControl* value);
    // Position among the page control's pages; -1 without a page control.
    // A position outside the pages raises EListError.
    int32_t GetPageIndex() const;
    void SetPageIndex(int32_t value);
    // The tab's position among the shown tabs; -1 when the sheet has none.
    int32_t TabIndex() const;
    bool GetTabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    bool GetHighlighted() const { return highlighted_; }
    void SetHighlighted(bool value);
    int32_t GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    // Kept for the engine: the sheet's children fill it edge to edge.
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t value) { borderWidth_ = value; }

    void FocusSheet(const std::string& ignored = {});

    fw::TNotifyEvent OnShow, OnHide;

private:
    ContainerCascade cascade_;
    bool tabVisible_ = true;
    bool highlighted_ = false;
    int32_t imageIndex_ = -1;
    int32_t borderWidth_ = 0;
};

class Te3_TabSheet : public Te3TabSheet {
    FW_CLASS()
public:
    using Te3TabSheet::Te3TabSheet;
};

class Te3CustomPageControl : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomPageControl(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    void SetLockedEdit(bool value);

    QWidget* ClientWidget() const override;
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    int32_t PageCount() const { return static_cast<int32_t>(pages_.size()); }
    Te3TabSheet* Page(int32_t index) const;
    int32_t IndexOfPage(const Te3TabSheet* page) const;
    // Moves a page within the list; its tab moves with it.
    void MovePage(Te3TabSheet* page, int32_t index);

    Te3TabSheet* GetActivePage() const { return activePage_.get(); }
    // A page of another control changes nothing.
    void SetActivePage(Te3TabSheet* page);
    int32_t GetActivePageIndex() const;
    // -1 or an index out of range shows no page.
    void SetActivePageIndex(int32_t value);
    int32_t GetPageCount() const { return PageCount(); }
    int32_t GetTabIndex() const;
    // Shows the page of that tab; an index that names no shown tab changes nothing.
    void SetTabIndex(int32_t value);
    // The page whose tab stands at that index among the shown tabs.
    Te3TabSheet* PageForTab(int32_t tabIndex) const;
    // Selects the tab as a click on it does: OnChanging may refuse, OnChange
    // follows the new page. False when nothing changed.
    bool SelectTabByUser(int32_t tabIndex);
    // Selects the next page with a shown tab after the active one (the
    // previous one when not forward), going round, as a tab click does.
    bool SelectNextPage(bool forward);

    QTabBar* TabBar() const;
    bool TabHighlighted(int32_t tabIndex) const;

    bool GetHotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value) { hotTrack_ = value; }
    bool GetMultiLine() const { return multiLine_; }
    void SetMultiLine(bool value);
    bool GetRaggedRight() const { return raggedRight_; }
    void SetRaggedRight(bool value) { raggedRight_ = value; }
    bool GetScrollOpposite() const { return scrollOpposite_; }
    void SetScrollOpposite(bool value) { scrollOpposite_ = value; }
    TTabStyle GetStyle() const { return style_; }
    void SetStyle(TTabStyle value);
    int32_t GetTabHeight() const { return tabHeight_; }
    void SetTabHeight(int32_t value);
    int32_t GetTabWidth() const { return tabWidth_; }
    void SetTabWidth(int32_t value);
    TTabPosition GetTabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition value);
    bool GetOwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value) { ownerDraw_ = value; }
    // The tabs' pictures, by the index OnGetImageIndex or the page names.
    fw::TCustomImageList* GetImages() const { return images_.get(); }
    void SetImages(fw::TCustomImageList* value);
    // The picture index of a shown tab; -1 for none.
    int32_t TabImageIndex(int32_t tabIndex);

    void FocusControl(const std::string& ignored = {});

    fw::TNotifyEvent OnChange;
    fw::TChangingEvent OnChanging;
    TTabGetImageEvent OnGetImageIndex;

    // For the sheets: their tab shows something new.
    void SheetChanged();

protected:
    void ChildAdded(fw::TControl* control) override;
    void ChildRemoved(fw::TControl* control) override;
    void Loaded() override;

private:
    class Frame;
    class TabBarWidget;
    class PageKeys;
    struct PageEntry {
        Te3TabSheet* sheet;
        fw::TControl* asControl; // kept for the removal of a sheet being destroyed
    };

    int32_t BarThickness() const;
    bool BarIsVertical() const { return tabPosition_ == tpLeft || tabPosition_ == tpRight; }
    void PlaceBar();
    void SyncTabs();
    void TabBarChanged(int index);
    void ShowOnly(Te3TabSheet* page);
    void SyncTabImages();

    ContainerCascade cascade_;
    Frame* frame_;
    TabBarWidget* tabBar_;
    QWidget* pageArea_;
    std::vector<PageEntry> pages_;
    fw::Guard<Te3TabSheet> activePage_;
    bool syncing_ = false;
    bool settingActive_ = false;
    bool hotTrack_ = false;
    bool multiLine_ = false;
    bool raggedRight_ = false;
    bool scrollOpposite_ = false;
    bool ownerDraw_ = false;
    TTabStyle style_ = tsTabs;
    int32_t tabHeight_ = 0;
    int32_t tabWidth_ = 0;
    TTabPosition tabPosition_ = tpTop;
    fw::Guard<fw::TCustomImageList> images_;
};

class Te3PageControl : public Te3CustomPageControl {
    FW_CLASS()
public:
    using Te3CustomPageControl::Te3CustomPageControl;
};

class Te3_PageControl : public Te3PageControl {
    FW_CLASS()
public:
    using Te3PageControl::Te3PageControl;
};

} // namespace e3
