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
#include "framework/Docking.h"

#include <QTabBar>

class QPainter;

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

// Draws one tab of an owner-drawn page control: rect is the tab's face in the
// tab row's coordinates, active whether it is the selected tab. The handler
// paints through the control's Canvas.
using TDrawTabEvent = std::function<void(fw::TObject* control, int32_t tabIndex, const fw::TRect& rect, bool active)>;
extern const fw::TEventType DrawTabEventType;

// A sheet that holds a docked control stands for its page control towards it:
// what the control asks of its dock site goes to the page control.
class Te3TabSheet : public Te3Control<fw::TWinControl>, public fw::IDockSite {
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

    void DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign insertAt,
                  fw::TControl* dropOnControl) override;
    bool DoUnDock(fw::TWinControl* newTarget, fw::TControl& client) override;
    void DockedVisibleChanging(fw::TControl& client, bool visible) override;
    fw::IDockManager* DockManager() override { return nullptr; }

    fw::TNotifyEvent OnShow, OnHide;

protected:
    void ChildRemoved(fw::TControl* control) override;

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

// With DockSite on, every control docked here gets a tab sheet of its own.
class Te3CustomPageControl : public Te3Control<fw::TWinControl>, public fw::IDockSite {
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
    // With OwnerDraw the style draws each tab's outline and OnDrawTab its
    // face (without a handler the face stays blank in the control's colour).
    bool GetOwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // The painter of the tab row while OnDrawTab runs; null otherwise.
    QPainter* Canvas() const { return canvas_; }
    // The tabs' pictures, by the index OnGetImageIndex or the page names.
    fw::TCustomImageList* GetImages() const { return images_.get(); }
    void SetImages(fw::TCustomImageList* value);
    // The picture index of a shown tab; -1 for none.
    int32_t TabImageIndex(int32_t tabIndex);

    void FocusControl(const std::string& ignored = {});

    fw::TNotifyEvent OnChange;
    fw::TChangingEvent OnChanging;
    TTabGetImageEvent OnGetImageIndex;
    TDrawTabEvent OnDrawTab;

    // For the sheets: their tab shows something new.
    void SheetChanged();
    // For the sheets: a control left one of them.
    void SheetLostChild(Te3TabSheet& sheet, const fw::TControl& control);

    // Docking. A docked control gets a new sheet, captioned with the form's
    // caption (the first line of it) when it is a form, whose tab shows while
    // the control is visible; a visible control's sheet becomes the active
    // page. A control already docked here only has its page activated. The
    // tab follows the docked form's caption and visibility.
    void DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign insertAt,
                  fw::TControl* dropOnControl) override;
    // Once OnUnDock allows it, the control goes to newTarget and its sheet is
    // freed; the next page takes over. False when OnUnDock refused.
    bool DoUnDock(fw::TWinControl* newTarget, fw::TControl& client) override;
    void DockedVisibleChanging(fw::TControl& client, bool visible) override;
    // The sheets arrange their controls themselves.
    fw::IDockManager* DockManager() override { return nullptr; }
    // The docked control on a sheet, or on the page of a shown tab; null for
    // the sheets the form description made.
    fw::TControl* DockClientOf(const Te3TabSheet* sheet) const;
    fw::TControl* DockClientOfTab(int32_t tabIndex) const;
    // Double click on a docked control's tab: it floats over where its page was.
    bool FloatTab(int32_t tabIndex);
    // A control docked here is not offered this site again.
    bool OffersDockTo(const fw::TControl& client) const override;
    // A docked control dragged by its tab (tab style only) and let go at a
    // screen point: it docks into the dock site there or floats there, its
    // top left at grab before the point; OnEndDock names the new site.
    void EndTabDrag(fw::TControl& client, QPoint global, QPoint grab);

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
    // Draws the tabs of an owner-drawn row.
    void PaintOwnerDrawn(QTabBar& bar, QPainter& painter);
    // The docked control's caption changed: its tab follows.
    void DockCaptionChanged(const fw::TControl& client);

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
    QPainter* canvas_ = nullptr;
    class DockWatch;
    struct DockedPage {
        const fw::TControl* client; // compared only: it may be leaving
        fw::Guard<fw::TControl> alive;
        fw::Guard<Te3TabSheet> sheet;
        QObject* watch;
    };
    // A few at most: the controls docked here and not gone since.
    std::vector<DockedPage> docked_;
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
