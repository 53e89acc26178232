#pragma once
// The radio group the engine puts on its forms: a captioned frame with one
// radio button per item, laid out in columns, and its items as one text.
#include "e3/common/ControlBase.h"
#include "framework/Strings.h"

#include <QGroupBox>

#include <memory>
#include <vector>

class QRadioButton;

namespace e3 {

class Te3CustomRadioGroup : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomRadioGroup(fw::TComponent* owner);

    void SetText(const std::string& text) override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& items);
    // The items as a published list.
    fw::TStrings* GetItemStrings() const { return itemStrings_.get(); }
    // Items joined by CR LF; written: the lines of the value.
    std::string GetItemsString() const;
    void SetItemsString(const std::string& value);
    // Set by code: raises nothing; held to -1 .. count-1.
    int32_t GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int32_t value);
    int32_t GetColumns() const { return columns_; }
    void SetColumns(int32_t value);

    void SetFocus();
    QGroupBox* GroupBox() const { return box_; }
    QRadioButton* Button(int index) const;

protected:
    void ApplyFont() override;

private:
    void RebuildButtons();
    void ArrangeButtons();
    void ShowItemIndex();
    void ButtonClicked(int index);

    QGroupBox* box_;
    std::vector<QRadioButton*> buttons_;
    std::vector<std::string> items_;
    std::unique_ptr<fw::TStrings> itemStrings_;
    int32_t itemIndex_ = -1;
    int32_t columns_ = 1;
};

class Te3RadioGroup : public Te3CustomRadioGroup {
    FW_CLASS()
public:
    using Te3CustomRadioGroup::Te3CustomRadioGroup;
};

class Te3_RadioGroup : public Te3RadioGroup {
    FW_CLASS()
public:
    using Te3RadioGroup::Te3RadioGroup;
};

} // namespace e3
