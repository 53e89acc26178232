#pragma once
// The list box the engine puts on its forms: the framework's list with the
// disabled colour of the Enabled cascade.
#include "e3/common/ControlBase.h"
#include "framework/Events.h"
#include "framework/Strings.h"

#include <QListWidget>

#include <memory>
#include <vector>

namespace e3 {

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
using fw::bkFlat;
using fw::bkNone;
using fw::bkSoft;
using fw::bkTile;
using fw::TBevelKind;
// Owner-draw state bits, in the order of their ordinals.
enum TOwnerDrawStateBit {
    odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
    odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = uint32_t;

extern const fw::TEnumType ListBoxStyleType;
using fw::BevelKindType;
extern const fw::TEnumType OwnerDrawStateType;

// The control comes first; var arguments by reference.
using TDrawItemEvent = std::function<void(fw::TObject* control, int32_t index, const fw::TRect& rect,
                                          TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(fw::TObject* control, int32_t index, int32_t& height)>;
using TLBGetDataEvent = std::function<void(fw::TObject* control, int32_t index, std::string& data)>;
using TLBFindDataEvent = std::function<int32_t(fw::TObject* control, const std::string& findString)>;
using TLBGetDataObjectEvent = std::function<void(fw::TObject* control, int32_t index, fw::TObject*& dataObject)>;

extern const fw::TEventType DrawItemEventType;
extern const fw::TEventType MeasureItemEventType;
extern const fw::TEventType LBGetDataEventType;
extern const fw::TEventType LBFindDataEventType;
extern const fw::TEventType LBGetDataObjectEventType;

// Styles whose items the control does not hold: their texts come from OnData.
bool IsVirtualStyle(TListBoxStyle style);
// Styles whose items go to OnDrawItem before they are drawn.
bool IsOwnerDrawStyle(TListBoxStyle style);
// The height a row gets: the font's for the standard styles, ItemHeight for
// the fixed owner-draw ones, and what OnMeasureItem makes of ItemHeight for
// the variable one (a height below 1 counts as 1).
int32_t RowHeight(TListBoxStyle style, int32_t itemHeight, int32_t fontHeight,
                  const std::function<void(int32_t& height)>& measure);

// The rows the list box and the check list box publish alike: those of the
// design class, and the window members, focus action and events of the
// engine class.
class Te3CustomListBox;
fw::TRows<Te3CustomListBox> ListBoxDesignRows();
fw::TRows<Te3CustomListBox> ListBoxEngineRows();

class Te3CustomListBox : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomListBox(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    void Loaded() override;

    fw::TColor GetDisabledColor() const { return colors_.disabledColor; }
    void SetDisabledColor(fw::TColor value);
    fw::TColor NormalColor() const { return colors_.normalColor; }

    std::vector<std::string> Items() const;
    void SetItems(const std::vector<std::string>& items);
    // The items as a published list; always what the widget shows.
    fw::TStrings* GetItemStrings() const { return itemStrings_.get(); }
    // Set by code: raises nothing. Out of range selects nothing.
    int32_t GetItemIndex() const;
    void SetItemIndex(int32_t value);
    bool GetMultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool GetExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool value);
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool value);

    TListBoxStyle GetStyle() const { return style_; }
    void SetStyle(TListBoxStyle value);
    int32_t GetItemHeight() const { return itemHeight_; }
    // Values below 1 are ignored.
    void SetItemHeight(int32_t value);
    // 0 is a single column that scrolls vertically; more flow the items top to
    // bottom into columns of (client width / Columns) that scroll horizontally.
    int32_t GetColumns() const { return columns_; }
    void SetColumns(int32_t value);
    // True: the height shrinks to whole rows (not for variable row heights).
    bool GetIntegralHeight() const { return integralHeight_; }
    void SetIntegralHeight(bool value);
    // The width in pixels over which the rows scroll horizontally; 0 = none.
    int32_t GetScrollWidth() const { return scrollWidth_; }
    void SetScrollWidth(int32_t value);
    // Tab stops in item texts, in dialog units (a quarter of the font's
    // average character width); 0 = a stop every 8 average characters.
    int32_t GetTabWidth() const { return tabWidth_; }
    void SetTabWidth(int32_t value);

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    bool GetAutoComplete() const { return autoComplete_; }
    void SetAutoComplete(bool value) { autoComplete_ = value; }

    // The number of rows of a virtual list; setting it in another style is an error.
    int32_t Count() const;
    void SetCount(int32_t value);
    // The text a row shows: OnData's answer in the virtual styles.
    std::string ItemText(int32_t index) const;
    // The object of a row: OnDataObject's answer in the virtual styles; the
    // items hold no objects otherwise.
    fw::TObject* ItemObject(int32_t index) const;
    // What typing selects: a prefix search over the items, OnDataFind in the
    // virtual styles; -1 for no match. Nothing when AutoComplete is off.
    int32_t FindTyped(const std::string& text) const;

    void SetFocus();
    QListWidget* List() const;

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TLBGetDataEvent OnData;
    TLBFindDataEvent OnDataFind;
    TLBGetDataObjectEvent OnDataObject;

protected:
    // For families built on the list box that translate as themselves.
    Te3CustomListBox(fw::TComponent* owner, ControlLanguage language);

    // OnClick comes when the user changes the selection.
    void DoClick() override {}
    void ApplyFont() override;

private:
    class Delegate;
    class View;
    friend class Delegate;
    friend class View;

    void ApplySelectionMode();
    void RelayoutRows();
    // Bounds again through the height snap, then the scroll set-up.
    void Refit();
    // Scroll bars, flow and column width for the current size and rows.
    void ApplyScrolling();
    // The height of every row when the style gives them all one height.
    int32_t UniformRowHeight() const;
    // The font's row height, as a standard row shows it.
    int32_t FontRowHeight() const;
    int32_t SnappedHeight(int32_t width, int32_t height) const;
    bool HorizontalBarNeeded(int32_t width, int32_t height) const;
    int32_t TabStopPixels() const;

    View* list_;
    std::unique_ptr<fw::TStrings> itemStrings_;
    ColorContract colors_;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool sorted_ = false;
    TListBoxStyle style_ = lbStandard;
    int32_t itemHeight_ = 16;
    int32_t columns_ = 0;
    bool integralHeight_ = true;
    int32_t scrollWidth_ = 0;
    int32_t tabWidth_ = 0;
    int32_t columnWidth_ = 0;
    mutable int32_t fontRowHeight_ = 0; // 0 until measured for the current font
    bool autoComplete_ = true;
};

class Te3ListBox : public Te3CustomListBox {
    FW_CLASS()
public:
    using Te3CustomListBox::Te3CustomListBox;
};

class Te3_ListBox : public Te3ListBox {
    FW_CLASS()
public:
    using Te3ListBox::Te3ListBox;
};

} // namespace e3
