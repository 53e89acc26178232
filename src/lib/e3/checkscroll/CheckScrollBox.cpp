#include "e3/checkscroll/CheckScrollBox.h"

#include "e3/common/PlainPanel.h"
#include "e3/combos/CComboBox.h"
#include "e3/combos/ComboBox.h"
#include "framework/StandardProps.h"

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>

#include <algorithm>
#include <charconv>

namespace e3 {

bool TextToBool(const std::string& text, bool defaultValue)
{
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos)
        return defaultValue;
    const size_t e = text.find_last_not_of(' ');
    const std::string_view s(text.data() + b, e + 1 - b);
    double number = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), number);
    if (ec == std::errc() && ptr == s.data() + s.size())
        return number != 0;
    const QString word = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return defaultValue;
}

int32_t GridRows(int32_t count, int32_t columns)
{
    if (columns < 1 || count <= 0)
        return 0;
    return count / columns + (count % columns > 0 ? 1 : 0);
}

int32_t GridItemAt(int32_t count, int32_t columns, int32_t row, int32_t column)
{
    const int32_t rows = GridRows(count, columns);
    if (row < 0 || row >= rows || column < 0 || column >= columns)
        return -1;
    const int32_t rest = count % columns;
    if (rest == 0 || column < rest)
        return rows * column + row;
    if (row == rows - 1)
        return -1;
    return (rows - 1) * column + rest + row;
}

// ---------------------------------------------------------------------------

// Swallows the presses that would toggle a locked box; what it shows and the
// state set by code stay as they are.
class Te3_ScrollCheckBox::InputFilter : public QObject {
public:
    explicit InputFilter(Te3_ScrollCheckBox* box)
        : box_(box)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!box_->toggleLock_)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: return true;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            return key == Qt::Key_Space || key == Qt::Key_Select;
        }
        default: return false;
        }
    }

private:
    Te3_ScrollCheckBox* box_;
};

const fw::TClassInfo& Te3_ScrollCheckBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3_ScrollCheckBox", &Te3_CheckBox::StaticClass(), {},
                                      fw::MakeFactory<Te3_ScrollCheckBox>()};
    return info;
}

Te3_ScrollCheckBox::Te3_ScrollCheckBox(fw::TComponent* owner)
    : Te3_CheckBox(owner)
    , filter_(new InputFilter(this))
{
    CheckBox()->installEventFilter(filter_);
}

Te3_ScrollCheckBox::~Te3_ScrollCheckBox()
{
    if (QCheckBox* box = CheckBox())
        box->removeEventFilter(filter_);
    delete filter_;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomCheckScrollBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomCheckScrollBox", &Te3CustomScrollBox::StaticClass(), {}};
    return info;
}

Te3CustomCheckScrollBox::Te3CustomCheckScrollBox(fw::TComponent* owner)
    : Te3CustomScrollBox(owner, {kHintWords, &Te3CheckScrollBox::StaticClass})
    , inner_(new TPlainPanel(this))
    , itemStrings_(std::make_unique<fw::TStrings>())
{
    inner_->SetParent(this);
    inner_->SetBounds(0, 0, ClientWidth(), ClientHeight());
    itemStrings_->OnRefresh = [this] { itemStrings_->Load(items_); };
    itemStrings_->OnChange = [this] { SetItems(itemStrings_->Lines()); };
    SetBounds(GetLeft(), GetTop(), 233, 153);
}

Te3CustomCheckScrollBox::~Te3CustomCheckScrollBox()
{
    // The boxes call back into this control; they go before it does.
    ClearBoxes();
}

void Te3CustomCheckScrollBox::SetEnabled(bool value)
{
    Te3CustomScrollBox::SetEnabled(value);
    // The boxes sit on the inner panel, which the container pass does not
    // reach as e3 children.
    if (GetEnabled() == value)
        for (const auto& box : boxes_)
            if (box)
                box->SetEnabled(value);
}

void Te3CustomCheckScrollBox::SetLockedEdit(bool value)
{
    if (value != GetLockedEdit())
        for (const auto& box : boxes_)
            if (box)
                box->SetReadOnly(value);
    Te3CustomScrollBox::SetLockedEdit(value);
}

void Te3CustomCheckScrollBox::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    Te3CustomScrollBox::SetBounds(left, top, width, height);
    if (inner_)
        Layout(autoAlignment_);
}

void Te3CustomCheckScrollBox::ClearBoxes()
{
    for (const auto& box : boxes_)
        if (Te3_ScrollCheckBox* b = box.get()) {
            b->OnClick = nullptr;
            delete b;
        }
    boxes_.clear();
}

Te3_ScrollCheckBox* Te3CustomCheckScrollBox::MakeBox(size_t index)
{
    auto* box = new Te3_ScrollCheckBox(this);
    box->SetParent(inner_);
    box->SetName("chk" + std::to_string(index));
    box->SetText(items_[index]);
    box->SetReadOnly(readOnly_);
    box->OnClick = [this, box](fw::TObject*) { BoxClicked(box); };
    if (boxes_.size() <= index)
        boxes_.resize(index + 1);
    boxes_[index] = box;
    return box;
}

Te3_ScrollCheckBox* Te3CustomCheckScrollBox::CheckBoxOf(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= boxes_.size())
        return nullptr;
    return boxes_[static_cast<size_t>(index)].get();
}

void Te3CustomCheckScrollBox::SetItems(const std::vector<std::string>& items)
{
    ClearBoxes();
    items_ = items;
    for (size_t i = 0; i < items_.size(); ++i)
        MakeBox(i);
    Layout(autoAlignment_);
}

std::string Te3CustomCheckScrollBox::GetItemsString() const
{
    std::string text;
    for (const std::string& item : items_)
        text += item + "\r\n";
    return text;
}

void Te3CustomCheckScrollBox::SetItemsString(const std::string& value)
{
    SetItems(SplitLines(value));
}

std::string Te3CustomCheckScrollBox::GetCheckedItems() const
{
    std::string text;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i)
            text += "\r\n";
        const Te3_ScrollCheckBox* box = i < boxes_.size() ? boxes_[i].get() : nullptr;
        text += box && box->GetChecked() ? "-1" : "0";
    }
    return text;
}

void Te3CustomCheckScrollBox::SetCheckedItems(const std::string& value)
{
    const std::vector<std::string> lines = SplitLines(value);
    // Every line that checks its item counts towards the cap, whichever true
    // text it holds: the control itself writes "-1" for a checked item.
    int32_t checked = 0;
    for (const std::string& line : lines)
        if (TextToBool(line, false))
            ++checked;
    for (size_t j = 0; j < lines.size() && j < items_.size(); ++j) {
        Te3_ScrollCheckBox* box = j < boxes_.size() ? boxes_[j].get() : nullptr;
        if (!box)
            continue;
        fw::TNotifyEvent onClick = std::move(box->OnClick);
        box->OnClick = nullptr;
        box->SetChecked(TextToBool(lines[j], false));
        box->OnClick = std::move(onClick);
        SetToggleLock(j, checked);
    }
}

int32_t Te3CustomCheckScrollBox::CheckedCount() const
{
    int32_t n = 0;
    for (const auto& box : boxes_)
        if (box && box->GetChecked())
            ++n;
    return n;
}

void Te3CustomCheckScrollBox::SetToggleLock(size_t index, int32_t checked)
{
    Te3_ScrollCheckBox* box = index < boxes_.size() ? boxes_[index].get() : nullptr;
    if (box)
        box->SetToggleLock(!box->GetChecked() && maxChecked_ > 0 && checked >= maxChecked_);
}

void Te3CustomCheckScrollBox::UpdateToggleLocks(int32_t checked)
{
    for (size_t i = 0; i < boxes_.size(); ++i)
        SetToggleLock(i, checked);
}

void Te3CustomCheckScrollBox::BoxClicked(Te3_ScrollCheckBox* box)
{
    const int32_t checked = CheckedCount();
    const auto at = std::find_if(boxes_.begin(), boxes_.end(), [&](const auto& b) { return b.get() == box; });
    if (at != boxes_.end())
        SetItemIndex(static_cast<int32_t>(at - boxes_.begin()));
    UpdateToggleLocks(checked);
    if (OnClickCheck)
        OnClickCheck(this);
}

void Te3CustomCheckScrollBox::SetMaxChecked(int32_t value)
{
    if (value == maxChecked_)
        return;
    maxChecked_ = value;
    UpdateToggleLocks(CheckedCount());
}

void Te3CustomCheckScrollBox::SetColumns(int32_t value)
{
    // No columns would leave the items nowhere to go.
    if (value < 1 || value == columns_)
        return;
    columns_ = value;
    Layout(autoAlignment_);
}

void Te3CustomCheckScrollBox::SetAutoAlignment(bool value)
{
    if (value == autoAlignment_)
        return;
    Layout(value);
    autoAlignment_ = value;
}

int32_t Te3CustomCheckScrollBox::GetItemWidth() const
{
    return autoAlignment_ ? 120 : itemWidth_;
}

void Te3CustomCheckScrollBox::SetItemWidth(int32_t value)
{
    if (autoAlignment_ || value == itemWidth_ || value <= 0)
        return;
    itemWidth_ = value;
    Layout(false);
}

int32_t Te3CustomCheckScrollBox::GetItemHeight() const
{
    return autoAlignment_ ? 18 : itemHeight_;
}

void Te3CustomCheckScrollBox::SetItemHeight(int32_t value)
{
    if (autoAlignment_ || value == itemHeight_ || value <= 0)
        return;
    itemHeight_ = value;
    Layout(false);
}

void Te3CustomCheckScrollBox::SetSorted(bool value)
{
    if (value == sorted_)
        return;
    sorted_ = value;
    // Sorted once, whichever way it was switched: later item lists keep the
    // order they come in.
    const std::vector<size_t> order = CollatedOrder(items_);
    std::vector<std::string> items;
    std::vector<fw::Guard<Te3_ScrollCheckBox>> boxes;
    for (size_t i : order) {
        items.push_back(items_[i]);
        boxes.push_back(i < boxes_.size() ? boxes_[i] : fw::Guard<Te3_ScrollCheckBox>());
    }
    items_ = std::move(items);
    boxes_ = std::move(boxes);
    Layout(autoAlignment_);
}

void Te3CustomCheckScrollBox::SetItemIndex(int32_t value)
{
    if (value == itemIndex_ || value < 0)
        return;
    itemIndex_ = value;
    Te3_ScrollCheckBox* box = CheckBoxOf(value);
    if (box && box->GetEnabled() && GetEnabled() && Widget() && Widget()->isVisible())
        box->SetFocus();
}

void Te3CustomCheckScrollBox::SetReadOnly(bool value)
{
    readOnly_ = value;
    for (const auto& box : boxes_)
        if (box)
            box->SetReadOnly(value);
}

void Te3CustomCheckScrollBox::Layout(bool autoAlign)
{
    SetAutoScroll(true);
    const int32_t count = GetCount();
    const int32_t columns = columns_;
    const int32_t width = autoAlign ? (ClientWidth() - 5) / columns - 5 : itemWidth_;
    const int32_t rows = GridRows(count, columns);
    // Only the size of the control's font counts for the measure.
    QFont font;
    font.setPixelSize(std::max(1, std::abs(GetFont()->GetHeight())));
    const QFontMetrics metrics(font);
    int32_t y = 5;
    int32_t lastRight = 0, firstColumnBottom = 0;
    for (int32_t row = 0; row < rows; ++row) {
        int32_t height = autoAlign ? 0 : itemHeight_;
        if (autoAlign)
            for (int32_t column = 0; column < columns; ++column) {
                const int32_t item = GridItemAt(count, columns, row, column);
                if (item < 0)
                    continue;
                const QRect r = metrics.boundingRect(QRect(0, 0, std::max(1, width - 20), 100000),
                                                     Qt::TextWordWrap,
                                                     QString::fromStdString(items_[static_cast<size_t>(item)]));
                height = std::max(height, r.height() + 2);
            }
        for (int32_t column = 0; column < columns; ++column) {
            const int32_t item = GridItemAt(count, columns, row, column);
            if (item < 0)
                continue;
            Te3_ScrollCheckBox* box = CheckBoxOf(item);
            if (!box)
                box = MakeBox(static_cast<size_t>(item));
            const int32_t left = (width + 5) * column + 5;
            box->SetBounds(left, y, width, height);
            if (item == count - 1)
                lastRight = left + width;
            if (item == rows - 1)
                firstColumnBottom = y + height;
        }
        y += height + 3;
    }
    if (count > 0)
        inner_->SetBounds(inner_->GetLeft(), inner_->GetTop(), std::max(lastRight + 2, ClientWidth()),
                          std::max(firstColumnBottom + 2, ClientHeight()));
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CheckScrollBox::StaticClass()
{
    using C = Te3CheckScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3CheckScrollBox",
        &Te3CustomCheckScrollBox::StaticClass(),
        fw::TRows<Te3CheckScrollBox> {
            fw::prop::Boolean("AutoAlignment", &C::GetAutoAlignment, &C::SetAutoAlignment),
            sp::Color(),
            fw::prop::Integer("Columns", &C::GetColumns, &C::SetColumns),
            fw::prop::Integer("Count", &C::GetCount, nullptr),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Integer("ItemHeight", &C::GetItemHeight, &C::SetItemHeight),
            fw::prop::Integer("ItemIndex", &C::GetItemIndex, &C::SetItemIndex),
            fw::prop::Integer("ItemWidth", &C::GetItemWidth, &C::SetItemWidth),
            fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
            fw::prop::Boolean("Sorted", &C::GetSorted, &C::SetSorted),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
        },
        fw::MakeFactory<Te3CheckScrollBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_CheckScrollBox::StaticClass()
{
    using C = Te3_CheckScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_CheckScrollBox",
        &Te3CheckScrollBox::StaticClass(),
        fw::TRows<Te3_CheckScrollBox> {
                fw::prop::Event("OnClickCheck", fw::NotifyEventType, &C::OnClickCheck),
                fw::prop::String("ItemsString", &C::GetItemsString, &C::SetItemsString),
                fw::prop::String("CheckedItems", &C::GetCheckedItems, &C::SetCheckedItems),
                fw::prop::Integer("MaxChecked", &C::GetMaxChecked, &C::SetMaxChecked),
                fw::prop::Boolean<C>("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
                fw::prop::Boolean<C>("Enabling", &C::GetEnabling, nullptr),
                fw::prop::BoolAction<C>("_SetFocus", &C::SetFocus),
                fw::prop::Integer("ItemHeight", &C::GetItemHeight, &C::SetItemHeight),
                fw::prop::Integer("ItemWidth", &C::GetItemWidth, &C::SetItemWidth),
                fw::prop::Boolean<C>("AutoScroll", &C::GetAutoScroll, &C::SetAutoScroll),
                sp::Align(),
                sp::Anchors(),
                sp::BiDiMode(),
                fw::prop::Enum<C, TEditBorderStyle>("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
                sp::Constraints(),
                sp::Ctl3D(),
                sp::DragCursor(),
                sp::DragKind(),
                sp::DragMode(),
                sp::ImeMode(),
                sp::ImeName(),
                sp::Parent(),
                sp::ParentBiDiMode(),
                sp::ParentColor(),
                sp::ParentCtl3D(),
                sp::ParentFont(),
                sp::ParentShowHint(),
                sp::PopupMenu(),
                sp::ShowHint(),
                sp::OnClick(),
                sp::OnContextPopup(),
                sp::OnDblClick(),
                sp::DragEvents(),
                sp::DockEvents(),
                sp::FocusEvents(),
                sp::KeyEvents(),
                sp::MouseEvents(),
                sp::BevelMembers(),
            },
        fw::MakeFactory<Te3_CheckScrollBox>(),
    };
    return info;
}

} // namespace e3
