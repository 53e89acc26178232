#pragma once
// The navigation bar: groups, each with a header button and a column of large
// or small icon buttons with captions in the scroll area below the headers.
// Clicking a header opens its group; every click reaches the engine as
// OnClickLookBar (group, icon button or -1). Three styles: an outlook pane
// (headers above and below the open group), a buttons pane (all headers
// stacked above the scroll area) and a navigator (a row of header tabs over
// a colour gradient).
#include "e3/buttons/SpeedButton.h"
#include "e3/common/ControlBase.h"
#include "e3/common/PathItems.h"

#include <QImage>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;

namespace e3 {

enum TLookBarStyle { lbsOutlookPane, lbsButtonsPane, lbsNavigator };
enum TAutoWidthStyle { awsProportional, awsEqual, awsCaptionWidth };

extern const fw::TEnumType LookBarStyleType;
extern const fw::TEnumType AutoWidthStyleType;

class Te3CustomNavigationBar;

// One group of the bar.
class TOutLookItem : public fw::TPersistent {
    FW_CLASS()
public:
    Te3ColorSpeedButton* GetMainButton() const { return mainButton_; }
    int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
    Te3ColorSpeedButton* Button(int32_t index) const { return buttons_.at(static_cast<size_t>(index)).button; }
    QLabel* CaptionOf(int32_t index) const { return buttons_.at(static_cast<size_t>(index)).caption; }
    int32_t FirstVisible() const { return firstVisible_; }
    int32_t BandTop() const { return bandTop_; }
    int32_t Gap() const { return gap_; }
    fw::TWinControl* Separator() const { return separator_; }
    int32_t WidthShare() const { return share_; }

private:
    friend class Te3CustomNavigationBar;
    struct IconButton {
        Te3ColorSpeedButton* button;
        QLabel* caption;
        QImage small;
        QImage large;
    };

    Te3ColorSpeedButton* mainButton_ = nullptr;
    fw::TWinControl* separator_ = nullptr;
    std::vector<IconButton> buttons_;
    int32_t share_ = 0; // per mille of the bar width; 0 until computed
    int32_t firstVisible_ = 0;
    int32_t bandTop_ = 0;
    int32_t gap_ = 0;
};

class Te3CustomNavigationBar : public Te3Control<fw::TWinControl>, public IPathItems {
    FW_CLASS()
public:
    explicit Te3CustomNavigationBar(fw::TComponent* owner);

    int32_t GroupCount() const { return static_cast<int32_t>(groups_.size()); }
    // The group at index; the list-index error outside the groups.
    TOutLookItem* GetItem(int32_t index) const;
    // "[i]" in a property path: the group's item, so that the engine reaches
    // a header as [i].MainButton.
    fw::TObject* PathItem(int32_t index) override { return GetItem(index); }
    int32_t ActiveGroup() const { return active_; }
    Te3ColorSpeedButton* CurrentHeader() const { return current_; }
    fw::TWinControl* ScrollArea() const { return area_; }
    Te3ColorSpeedButton* UpButton() const { return up_; }
    Te3ColorSpeedButton* DownButton() const { return down_; }
    int32_t ItemPitch() const { return itemPitch_; }
    int32_t HeaderPitch() const { return headerPitch_; }
    int32_t TextOffset() const { return textOffset_; }
    int32_t ScrollOffset() const { return scrollOffset_; }
    bool EngineFed() const { return engineFed_; }
    QMenu* IconSizeMenu() const { return iconMenu_; }

    void AddGroup(int32_t index, const std::string& caption, int32_t gap);
    void DeleteGroup(int32_t index);
    void ClearGroups();
    void AddIconButton(int32_t group, const std::string& caption, const QImage& large, const QImage& small);
    // Opens group g as a header click or the engine's actions do, then
    // reports (g, -1).
    void OpenGroup(int32_t group, Te3ColorSpeedButton* clickedHeader);
    void ScrollDown();
    void ScrollUp();
    // The header widths of the navigator style.
    void ApplyAutoWidths();

    TLookBarStyle GetStyle() const { return style_; }
    void SetStyle(TLookBarStyle value);
    TAutoWidthStyle GetAutoWidthStyle() const { return autoWidth_; }
    void SetAutoWidthStyle(TAutoWidthStyle value);
    bool GetSmallIcons() const { return smallIcons_; }
    void SetSmallIcons(bool value);
    int32_t GetHeightButtons() const { return heightButtons_; }
    void SetHeightButtons(int32_t value);
    fw::TColor GetSelectedColor() const { return selectedColor_; }
    void SetSelectedColor(fw::TColor value);
    void SetEnabled(bool value) override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    // The engine's actions.
    void ActAddButton(const std::string& value);
    void ActInsertButton(const std::string& value);
    void ActDeleteButton(const std::string& value);
    void ActClearButtons();
    void ActAddHExplorerButton(const std::string& value);
    void ActSetButtonGlyph(const std::string& value);
    void ActSetExplorerButtonGlyph(const std::string& value);
    void ActClickLookBar(const std::string& value);
    void ActButtonClickN(int32_t value);
    void ActReDrawSize(const std::string& value);
    void SetFocus();

    fw::TLookBarClickEvent OnClickLookBar;

private:
    class Surface;
    class Caption;
    friend class Surface;
    friend class Caption;

    void Report(int32_t group, int32_t button);
    void MakeCurrent(Te3ColorSpeedButton* header);
    void HeaderClicked(Te3ColorSpeedButton* header);
    void IconReleased(Te3ColorSpeedButton* button);
    int32_t TotalHeaderHeight() const;
    void Arrange();
    void PlaceArrows();
    // Every icon button and caption at its place for the current size,
    // pitch and scroll offset.
    void PlaceIcons();
    void PlaceIcon(const TOutLookItem& item, size_t index);
    void FreeGroup(TOutLookItem& item);
    void CheckGroup(int32_t group) const;
    void NormaliseWidths();
    void Paint(QPainter& painter);

    Surface* surface_;
    fw::TWinControl* area_;
    Te3ColorSpeedButton* up_;
    Te3ColorSpeedButton* down_;
    QMenu* iconMenu_;
    std::vector<std::unique_ptr<TOutLookItem>> groups_;
    Te3ColorSpeedButton* current_ = nullptr;
    fw::TColor selectedColor_ = fw::clBtnHighlight;
    TLookBarStyle style_ = lbsNavigator;
    TAutoWidthStyle autoWidth_ = awsProportional;
    bool smallIcons_ = false;
    bool engineFed_ = false;
    int32_t heightButtons_ = 18;
    int32_t textOffset_ = 0;
    int32_t itemPitch_ = 41;
    int32_t headerPitch_ = 18;
    int32_t scrollOffset_ = 0;
    int32_t active_ = 0;
    int32_t captionMargin_ = 0;
    int32_t savedWidth_ = 0;
    int32_t savedHeight_ = 0;
};

class Te3NavigationBar : public Te3CustomNavigationBar {
    FW_CLASS()
public:
    using Te3CustomNavigationBar::Te3CustomNavigationBar;
};

class Te3_NavigationBar : public Te3NavigationBar {
    FW_CLASS()
public:
    using Te3NavigationBar::Te3NavigationBar;
};

} // namespace e3
