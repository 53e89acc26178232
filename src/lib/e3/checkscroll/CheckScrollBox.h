#pragma once
// The check scroll box: a list of texts shown as a grid of check boxes in a
// scrolling area, laid out column by column, with an optional cap on how many
// the user may check.
#include "e3/buttons/CheckBox.h"
#include "e3/containers/ScrollBox.h"
#include "framework/Strings.h"

#include <memory>
#include <string>
#include <vector>

namespace e3 {

// A text read as a Boolean: a number other than 0, or "true" in any case, is
// true; "false" and 0 are false; anything else is the default.
bool TextToBool(const std::string& text, bool defaultValue);

// Where item `index` of `count` items stands in a grid of `columns` columns
// filled column by column: the first count % columns columns (all when the
// division is even) hold one row more than the others.
// The number of rows, and the item at (row, column) or -1 for an empty cell.
int32_t GridRows(int32_t count, int32_t columns);
int32_t GridItemAt(int32_t count, int32_t columns, int32_t row, int32_t column);

// A check box of the check scroll box: while its toggle lock is set the user
// cannot toggle it.
class Te3_ScrollCheckBox : public Te3_CheckBox {
    FW_CLASS()
public:
    explicit Te3_ScrollCheckBox(fw::TComponent* owner);
    ~Te3_ScrollCheckBox() override;

    bool ToggleLocked() const { return toggleLock_; }
    void SetToggleLock(bool value) { toggleLock_ = value; }

private:
    class InputFilter;
    InputFilter* filter_;
    bool toggleLock_ = false;
};

class Te3CustomCheckScrollBox : public Te3CustomScrollBox {
    FW_CLASS()
public:
    explicit Te3CustomCheckScrollBox(fw::TComponent* owner);
    ~Te3CustomCheckScrollBox() override;

    void SetEnabled(bool value) override;
    void SetLockedEdit(bool value) override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    std::vector<std::string> Items() const { return items_; }
    void SetItems(const std::vector<std::string>& items);
    fw::TStrings* GetItemStrings() const { return itemStrings_.get(); }
    std::string GetItemsString() const;
    void SetItemsString(const std::string& value);
    std::string GetCheckedItems() const;
    void SetCheckedItems(const std::string& value);
    int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }

    int32_t GetMaxChecked() const { return maxChecked_; }
    void SetMaxChecked(int32_t value);
    int32_t GetColumns() const { return columns_; }
    void SetColumns(int32_t value);
    bool GetAutoAlignment() const { return autoAlignment_; }
    void SetAutoAlignment(bool value);
    int32_t GetItemWidth() const;
    void SetItemWidth(int32_t value);
    int32_t GetItemHeight() const;
    void SetItemHeight(int32_t value);
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool value);
    int32_t GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int32_t value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // The check box of an item; nothing for no such item.
    Te3_ScrollCheckBox* CheckBoxOf(int32_t index) const;
    fw::TWinControl* InnerPanel() const { return inner_; }

    fw::TNotifyEvent OnClickCheck;

private:
    void ClearBoxes();
    Te3_ScrollCheckBox* MakeBox(size_t index);
    void Layout(bool autoAlign);
    int32_t CheckedCount() const;
    void UpdateToggleLocks(int32_t checked);
    void SetToggleLock(size_t index, int32_t checked);
    void BoxClicked(Te3_ScrollCheckBox* box);

    fw::TWinControl* inner_;
    std::unique_ptr<fw::TStrings> itemStrings_;
    std::vector<std::string> items_;
    std::vector<fw::Guard<Te3_ScrollCheckBox>> boxes_;
    int32_t itemWidth_ = 120;
    int32_t itemHeight_ = 18;
    int32_t columns_ = 1;
    int32_t itemIndex_ = 0;
    bool sorted_ = false;
    int32_t maxChecked_ = 0;
    bool autoAlignment_ = true;
    bool readOnly_ = false;
};

class Te3CheckScrollBox : public Te3CustomCheckScrollBox {
    FW_CLASS()
public:
    using Te3CustomCheckScrollBox::Te3CustomCheckScrollBox;
};

class Te3_CheckScrollBox : public Te3CheckScrollBox {
    FW_CLASS()
public:
    using Te3CheckScrollBox::Te3CheckScrollBox;
};

} // namespace e3
