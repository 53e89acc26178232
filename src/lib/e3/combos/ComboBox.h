#pragma once
// The combo box the engine puts on its forms: the framework's combo box with
// the item list sent as one text, the screen's font list, the lock that
// disables it, the disabled colour and the mandatory marker.
#include "e3/common/Contract.h"
#include "e3/common/ControlBase.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/lists/ListBox.h"
#include "framework/Events.h"
#include "framework/Strings.h"

#include <QComboBox>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace e3 {

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
extern const fw::TEnumType ComboBoxStyleType;

// The text a combo box answers for _Items and the like: lines joined by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
// Lines as the item lists take them: broken at CR LF, LF or CR; a break at
// the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text);
// The same lines as views into the text.
std::vector<std::string_view> SplitLineViews(std::string_view text);

class ComboWidget;

// The words of a combo box that carry text to translate.
inline constexpr WordList kComboWords {"CAPTION HINT ITEMSSTRING"};

class Te3CustomComboBox : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    // A family whose list is never edited starts with its own style, so
    // that no edit part is made only to be dropped.
    explicit Te3CustomComboBox(fw::TComponent* owner, TComboBoxStyle style = csDropDown);
    ~Te3CustomComboBox() override;

    void SetEnabled(bool value) override;
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetParent(fw::TWinControl* parent) override;

    // The engine's item text.
    virtual std::string GetItemsText() const;
    virtual void SetItemsText(const std::string& value);
    std::string GetFontListText() const;
    void SetFontListText(const std::string& value);
    std::string GetItemsString() const { return itemsString_; }
    void SetItemsString(const std::string& value);
    std::string GetFontName() const;
    void SetFontName(const std::string& value);
    // Selects the first item equal to the value, letter case aside; nothing
    // changes when there is none.
    void SelectText(const std::string& value);
    void SetDroppedWidth(const std::string& value);
    void Clear();
    virtual void ClearAll();
    void SetFocus();

    virtual bool GetLockedEdit() const { return lockedEdit_; }
    virtual void SetLockedEdit(bool value);
    fw::TColor GetDisabledColor() const { return colors_.disabledColor; }
    void SetDisabledColor(fw::TColor value);
    fw::TColor NormalColor() const { return colors_.normalColor; }
    bool GetAutoHint() const { return autoHint_; }
    void SetAutoHint(bool value) { autoHint_ = value; }

    bool GetMnShow() const { return marker_.GetShow(); }
    void SetMnShow(bool value);
    int32_t GetMnWidth() const { return marker_.GetWidth(); }
    void SetMnWidth(int32_t value) { marker_.SetWidth(value); }
    int32_t GetMnHeight() const { return marker_.GetHeight(); }
    void SetMnHeight(int32_t value) { marker_.SetHeight(value); }
    fw::TColor GetMnColor() const { return marker_.GetColor(); }
    void SetMnColor(fw::TColor value) { marker_.SetColor(value); }
    const MandatoryMarker& Marker() const { return marker_.Widget(); }

    std::vector<std::string> Items() const;
    // The items as a published list; a write through it also becomes ItemsString.
    fw::TStrings* GetItemStrings() const { return itemStrings_.get(); }
    int32_t Count() const;
    std::string ItemText(int32_t index) const;
    int32_t GetItemIndex() const;
    // Set by code: raises nothing. Out of range selects nothing.
    virtual void SetItemIndex(int32_t value);

    TComboBoxStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    TEditCharCase GetCharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    int32_t GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool value);
    int32_t GetItemHeight() const { return itemHeight_; }
    void SetItemHeight(int32_t value);
    int32_t GetDropDownCount() const;
    void SetDropDownCount(int32_t value);
    bool GetDroppedDown() const;
    void SetDroppedDown(bool value);
    int32_t DroppedWidth() const { return droppedWidth_; }
    bool GetAutoComplete() const { return autoComplete_; }
    void SetAutoComplete(bool value);
    bool GetAutoDropDown() const { return autoDropDown_; }
    void SetAutoDropDown(bool value) { autoDropDown_ = value; }
    bool GetAutoCloseUp() const { return autoCloseUp_; }
    void SetAutoCloseUp(bool value) { autoCloseUp_ = value; }

    QComboBox* Combo() const;

    fw::TNotifyEvent OnChange, OnSelect, OnDropDown, OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    // While locked the box stays disabled.
    bool EnableRefused() const override { return lockedEdit_; }
    // OnClick comes from a choice in the list, not from the mouse.
    void DoClick() override {}
    void Loaded() override;
    void Ctl3DChanged() override;
    void ApplyEnabled() override;

    // A change of the shown text or selection: OnChange, then AutoHint.
    void Change();
    // The user chose an item in the list.
    virtual void UserSelected(int32_t index);
    // The user typed into the edit part.
    virtual void UserEdited();
    // Delete pressed in the list part; true when taken.
    virtual bool DeletePressed() { return false; }
    // The widget's item list replaced; selection none, no signals.
    void LoadItems(const std::vector<std::string>& items);
    void LoadItems(QStringList items);
    bool Designing() const { return HasState(fw::csDesigning); }

private:
    friend class ComboWidget;
    void ApplyStyle();
    void ApplyBevelForCtl3D();
    // The marker stands left of the drop-down button, and one pixel further
    // out on a flat box.
    void PlaceMarker();
    void UpdateMarker();

    ComboWidget* combo_;
    std::unique_ptr<fw::TStrings> itemStrings_;
    std::string itemsString_;
    ColorContract colors_;
    LazyMandatoryMarker marker_;
    bool lockedEdit_ = false;
    bool autoHint_ = false;
    TComboBoxStyle style_ = csDropDown;
    TEditCharCase charCase_ = ecNormal;
    int32_t maxLength_ = 0;
    bool sorted_ = false;
    int32_t itemHeight_ = 16;
    int32_t droppedWidth_ = 0;
    bool autoComplete_ = true;
    bool autoDropDown_ = false;
    bool autoCloseUp_ = false;
};

class Te3ComboBox : public Te3CustomComboBox {
    FW_CLASS()
public:
    using Te3CustomComboBox::Te3CustomComboBox;
};

class Te3_ComboBox : public Te3ComboBox {
    FW_CLASS()
public:
    using Te3ComboBox::Te3ComboBox;
};

} // namespace e3
