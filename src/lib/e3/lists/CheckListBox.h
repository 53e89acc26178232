#pragma once
// The check list box: a list box whose items carry a check box with three
// states, an integer id of the engine's and a disabled flag. The engine reads
// and writes the checked items by position or by id; its writes set only
// checked or unchecked and raise no OnClickCheck.
#include "e3/buttons/ButtonFace.h"
#include "e3/lists/ListBox.h"

#include <QImage>

#include <string>
#include <vector>

namespace e3 {

class Te3CustomCheckListBox : public Te3CustomListBox {
    FW_CLASS()
public:
    explicit Te3CustomCheckListBox(fw::TComponent* owner);
    ~Te3CustomCheckListBox() override;

    // Per item; an index outside the list raises the list-index error.
    TCheckBoxState State(int32_t index) const;
    void SetState(int32_t index, TCheckBoxState state);
    bool Checked(int32_t index) const { return State(index) == cbChecked; }
    bool ItemEnabled(int32_t index) const;
    void SetItemEnabled(int32_t index, bool value);
    // The engine's id of an item; 0 for an item without one.
    int32_t ItemId(int32_t index) const;
    void SetItemId(int32_t index, int32_t id);
    int32_t AddItem(const std::string& text, int32_t id);
    // What a click in the check area or Space does to the item: unchecked
    // becomes grayed (with AllowGrayed) or checked, checked becomes unchecked,
    // grayed becomes checked; then OnClickCheck. Nothing while read-only, for
    // a disabled item or for a position outside the list.
    void ToggleItem(int32_t index);
    // The check box of an item in viewport coordinates.
    QRect CheckRect(int32_t index) const;

    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    fw::TColor GetHeaderColor() const { return headerColor_; }
    void SetHeaderColor(fw::TColor value) { headerColor_ = value; }
    fw::TColor GetHeaderBackgroundColor() const { return headerBackgroundColor_; }
    void SetHeaderBackgroundColor(fw::TColor value) { headerBackgroundColor_ = value; }

    // The picture drawn stretched before every item's text, ImageWidth wide.
    void SetImageName(const std::string& name);
    const QImage& Picture() const { return picture_; }
    int32_t GetImageWidth() const { return imageWidth_; }
    void SetImageWidth(int32_t value);

    bool GetLockedEdit() const { return locked_; }
    void SetLockedEdit(bool value);

    // The engine's actions and properties.
    void AddString(const std::string& text);
    void AddStringId(const std::string& value);
    void ClearItems(const std::string& ignored);
    // Positions of the checked items joined by ","; writing checks exactly the
    // listed positions, or raises and changes nothing for a bad entry.
    std::string GetCheckedPositions() const;
    void SetCheckedPositions(const std::string& value);
    // Ids of the checked items that have one, joined by ", "; writing checks
    // every item exactly when its id is listed.
    std::string GetCheckedIds() const;
    void SetCheckedIds(const std::string& value);
    // 0 and -1 when nothing is selected.
    int32_t GetSelectedState() const;
    void SetSelectedState(int32_t value);
    int32_t GetSelectedId() const;
    void SetSelectedId(int32_t value);

    fw::TNotifyEvent OnClickCheck;

protected:
    bool EnableRefused() const override { return locked_; }

private:
    class Decorator;
    class InputFilter;

    void PrepareRows(int first, int last);
    void ApplyPicture();
    void CheckIndex(int32_t index) const;

    InputFilter* filter_;
    bool allowGrayed_ = false;
    bool readOnly_ = false;
    bool flat_ = true;
    bool locked_ = false;
    fw::TColor headerColor_ = fw::clInfoText;
    fw::TColor headerBackgroundColor_ = fw::clInfoBk;
    QImage picture_;
    int32_t imageWidth_ = 0;
};

class Te3CheckListBox : public Te3CustomCheckListBox {
    FW_CLASS()
public:
    using Te3CustomCheckListBox::Te3CustomCheckListBox;
};

class Te3_CheckListBox : public Te3CheckListBox {
    FW_CLASS()
public:
    using Te3CheckListBox::Te3CheckListBox;
};

} // namespace e3
