#pragma once
// The code and text combo box: a drop-down list of texts with a small
// upper-case code edit in front of it. Typing a code selects its text,
// choosing a text shows its code.
#include "e3/combos/ComboBox.h"
#include "e3/edits/Edit.h"

namespace e3 {

enum TSortedType { stNone, stCode, stText };
extern const fw::TEnumType SortedTypeType;

class TComboCodeEdit;

// The order of a code and text list, letter case aside and by the user's
// collation: the positions of keys in their sorted order.
std::vector<size_t> CollatedOrder(const std::vector<std::string>& keys);
std::vector<size_t> CollatedOrder(const std::vector<std::string_view>& keys);

// The text with the French accented small letters (â æ ç è é î ô û) replaced
// by their plain letters.
std::string FoldFrenchAccents(const std::string& text);

class Te3CustomCComboBox : public Te3CustomComboBox {
    FW_CLASS()
public:
    explicit Te3CustomCComboBox(fw::TComponent* owner);
    ~Te3CustomCComboBox() override;

    void SetEnabled(bool value) override;
    void SetLockedEdit(bool value) override;
    void SetParent(fw::TWinControl* parent) override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void SetVisible(bool visible) override;

    // The selected item's text; written: the first item of that text, letter
    // case aside, or none.
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    // Every selection: the code follows, and a changed index raises OnChange.
    void SetItemIndex(int32_t value) override;

    // Lines of code "=" text.
    std::string GetItemsText() const override;
    void SetItemsText(const std::string& value) override;
    void ClearAll() override;

    std::string GetCode() const;
    virtual void SetCode(const std::string& value);
    const std::vector<std::string>& Codes() const { return codes_; }
    int32_t IndexOfCode(const std::string& code) const;

    TSortedType GetSortedType() const { return sortedType_; }
    void SetSortedType(TSortedType value);
    bool GetFrench() const { return french_; }
    void SetFrench(bool value);
    int32_t GetCodeWidth() const { return codeWidth_; }
    void SetCodeWidth(int32_t value);
    int32_t GetCodeLength() const;
    void SetCodeLength(int32_t value);
    TAlignment GetCodeAlignment() const;
    void SetCodeAlignment(TAlignment value);
    bool GetVisibleCode() const { return visibleCode_; }
    void SetVisibleCode(bool value);

    // Left and Width of the pair as the engine sees them: with the code shown
    // they take in the code edit in front of the list.
    int32_t GetPairLeft() const;
    void SetPairLeft(int32_t value);
    int32_t GetPairWidth() const;
    void SetPairWidth(int32_t value);
    // The tab order puts the code edit directly before the list.
    void SetPairTabOrder(int32_t value);

    // Nothing once the owner freed it.
    Te3_Edit* CodeEdit() const;

protected:
    void Loaded() override;
    void ApplyEnabled() override;
    void ApplyFont() override;
    void Ctl3DChanged() override;
    void UserSelected(int32_t index) override;
    bool DeletePressed() override;

    virtual void CodeEditChanged();
    virtual void CodeEditExited();

private:
    friend class TComboCodeEdit;
    void Sort();
    // Orders the items and the codes together; false when they are not to be sorted.
    template <class Text>
    bool SortPairs(std::vector<Text>& items);
    void LayoutCode();
    void PlaceCodeTab();
    void FollowWithCode();
    void SelectByCode(const std::string& code);

    fw::Guard<TComboCodeEdit> codeEdit_;
    std::vector<std::string> codes_;
    TSortedType sortedType_ = stNone;
    bool french_ = false;
    int32_t codeWidth_ = 50;
    bool visibleCode_ = true;
    bool inHandler_ = false;
};

class Te3CComboBox : public Te3CustomCComboBox {
    FW_CLASS()
public:
    using Te3CustomCComboBox::Te3CustomCComboBox;
};

class Te3_CComboBox : public Te3CComboBox {
    FW_CLASS()
public:
    using Te3CComboBox::Te3CComboBox;
};

} // namespace e3
