#include "e3/containers/RadioGroup.h"

#include "e3/common/TextLines.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QFontMetrics>
#include <QRadioButton>

#include <functional>

namespace e3 {
namespace {

// One item of the group; the group decides which one is checked.
class GroupButton : public QRadioButton {
public:
    GroupButton(const QString& text, QWidget* parent, std::function<void()> clicked)
        : QRadioButton(text, parent)
        , clicked_(std::move(clicked))
    {
        setAutoExclusive(false);
    }

protected:
    void nextCheckState() override { fw::RunFromEventLoop(clicked_); }

private:
    std::function<void()> clicked_;
};

} // namespace

const fw::TClassInfo& Te3CustomRadioGroup::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomRadioGroup", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomRadioGroup::Te3CustomRadioGroup(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3RadioGroup::StaticClass}, EnabledRule::plain)
    , box_(new QGroupBox)
    , itemStrings_(std::make_unique<fw::TStrings>())
{
    itemStrings_->OnRefresh = [this] { itemStrings_->Load(items_); };
    itemStrings_->OnChange = [this] { SetItems(itemStrings_->Lines()); };
    box_->setAutoFillBackground(true);
    SetWidget(box_);
    SetTabStop(true);
    SetBounds(0, 0, 185, 105);
}

void Te3CustomRadioGroup::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    box_->setTitle(QString::fromStdString(text));
}

void Te3CustomRadioGroup::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    ArrangeButtons();
}

void Te3CustomRadioGroup::ApplyFont()
{
    fw::TWinControl::ApplyFont();
    ArrangeButtons();
}

QRadioButton* Te3CustomRadioGroup::Button(int index) const
{
    return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[static_cast<std::size_t>(index)]
                                                                    : nullptr;
}

void Te3CustomRadioGroup::SetItems(const std::vector<std::string>& items)
{
    items_ = items;
    if (itemIndex_ >= static_cast<int32_t>(items_.size()))
        itemIndex_ = static_cast<int32_t>(items_.size()) - 1;
    RebuildButtons();
}

std::string Te3CustomRadioGroup::GetItemsString() const
{
    return JoinLines(items_);
}

void Te3CustomRadioGroup::SetItemsString(const std::string& value)
{
    SetItems(SplitLines(value));
}

void Te3CustomRadioGroup::SetItemIndex(int32_t value)
{
    itemIndex_ = std::clamp(value, -1, static_cast<int32_t>(items_.size()) - 1);
    ShowItemIndex();
}

void Te3CustomRadioGroup::SetColumns(int32_t value)
{
    columns_ = std::clamp(value, 1, 16);
    ArrangeButtons();
}

void Te3CustomRadioGroup::RebuildButtons()
{
    for (QRadioButton* b : buttons_)
        delete b;
    buttons_.clear();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const int index = static_cast<int>(i);
        auto* button = new GroupButton(QString::fromStdString(items_[i]), box_, [this, index] { ButtonClicked(index); });
        button->show();
        buttons_.push_back(button);
    }
    ShowItemIndex();
    ArrangeButtons();
}

// Column by column, the items share the room below the caption evenly.
void Te3CustomRadioGroup::ArrangeButtons()
{
    if (buttons_.empty())
        return;
    const int count = static_cast<int>(buttons_.size());
    const int perColumn = (count + columns_ - 1) / columns_;
    const int textHeight = QFontMetrics(GetFont()->ToQFont()).height();
    const int buttonWidth = std::max(0, (GetWidth() - 10) / columns_);
    const int room = std::max(0, GetHeight() - textHeight - 5);
    const int buttonHeight = room / perColumn;
    const int topMargin = textHeight + 1 + (room % perColumn) / 2;
    for (int i = 0; i < count; ++i)
        buttons_[static_cast<std::size_t>(i)]->setGeometry((i / perColumn) * buttonWidth + 8,
                                                           (i % perColumn) * buttonHeight + topMargin, buttonWidth,
                                                           buttonHeight);
}

void Te3CustomRadioGroup::ShowItemIndex()
{
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setChecked(static_cast<int32_t>(i) == itemIndex_);
}

void Te3CustomRadioGroup::ButtonClicked(int index)
{
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    ShowItemIndex();
    if (OnClick)
        OnClick(this);
}

void Te3CustomRadioGroup::SetFocus()
{
    if (QRadioButton* b = Button(itemIndex_ >= 0 ? itemIndex_ : 0))
        b->setFocus(Qt::OtherFocusReason);
    else
        box_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3RadioGroup::StaticClass()
{
    using C = Te3RadioGroup;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3RadioGroup",
        &Te3CustomRadioGroup::StaticClass(),
        fw::TRows<Te3RadioGroup> {
            sp::Caption(),
            sp::Color(),
            fw::prop::Integer("Columns", &C::GetColumns, &C::SetColumns),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Integer("ItemIndex", &C::GetItemIndex, &C::SetItemIndex),
            fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::String("ItemsString", &C::GetItemsString, &C::SetItemsString),
        },
        fw::MakeFactory<Te3RadioGroup>(),
    };
    return info;
}

const fw::TClassInfo& Te3_RadioGroup::StaticClass()
{
    using C = Te3_RadioGroup;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_RadioGroup",
        &Te3RadioGroup::StaticClass(),
        fw::TRows<Te3_RadioGroup> {
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            sp::OnClick(),
            sp::FocusEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_RadioGroup>(),
    };
    return info;
}

} // namespace e3
