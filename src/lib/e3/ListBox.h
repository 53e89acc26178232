#pragma once
// The list box the engine puts on its forms: the framework's list with the
// disabled colour of the Enabled cascade.
#include "e3/Contract.h"
#include "framework/Strings.h"

#include <QListWidget>

#include <memory>
#include <vector>

namespace e3 {

class Te3CustomListBox : public fw::TWinControl, public ITranslatableControl {
    FW_CLASS()
public:
    explicit Te3CustomListBox(fw::TComponent* owner);

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    void SetEnabled(bool value) override;

    fw::TColor GetDisabledColor() const { return colors_.disabledColor; }
    void SetDisabledColor(fw::TColor value);
    fw::TColor NormalColor() const { return colors_.normalColor; }
    bool EnabledWishValue() const { return wish_.Wish(); }

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

    void SetFocus();
    QListWidget* List() const { return list_; }

protected:
    // OnClick comes when the user changes the selection.
    void DoClick() override {}

private:
    void ApplySelectionMode();

    QListWidget* list_;
    std::unique_ptr<fw::TStrings> itemStrings_;
    EnabledWish wish_;
    ColorContract colors_;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool sorted_ = false;
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
