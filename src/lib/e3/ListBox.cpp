#include "e3/ListBox.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QSignalBlocker>

namespace e3 {

const fw::TClassInfo& Te3CustomListBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomListBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomListBox::Te3CustomListBox(fw::TComponent* owner)
    : fw::TWinControl(owner)
    , list_(new QListWidget)
    , itemStrings_(std::make_unique<fw::TStrings>())
{
    itemStrings_->OnRefresh = [this] { itemStrings_->Load(Items()); };
    itemStrings_->OnChange = [this] { SetItems(itemStrings_->Lines()); };
    SetWidget(list_);
    SetTabStop(true);
    SetColor(fw::clWindow);
    SetBounds(0, 0, 121, 97);
    colors_.normalColor = GetColor();
    QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this] {
        fw::RunFromEventLoop([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

bool Te3CustomListBox::IsTranslatable(const std::string& propName) const
{
    return WordListContains("HINT", propName);
}

const fw::TClassInfo& Te3CustomListBox::GetLanguageClass() const
{
    return Te3ListBox::StaticClass();
}

void Te3CustomListBox::SetEnabled(bool value)
{
    if (!Parent()) {
        fw::TWinControl::SetEnabled(value);
        return;
    }
    const bool applied = wish_.Decide(*this, value);
    if (!value) {
        if (!HasState(fw::csLoading | fw::csReading | fw::csDesigning))
            SetColor(colors_.disabledColor);
    } else if (applied) {
        SetColor(colors_.normalColor);
    }
    if (applied)
        fw::TWinControl::SetEnabled(value);
}

void Te3CustomListBox::SetDisabledColor(fw::TColor value)
{
    colors_.disabledColor = value;
    if (!GetEnabled())
        SetColor(value);
}

std::vector<std::string> Te3CustomListBox::Items() const
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(list_->count()));
    for (int i = 0; i < list_->count(); ++i)
        items.push_back(list_->item(i)->text().toStdString());
    return items;
}

void Te3CustomListBox::SetItems(const std::vector<std::string>& items)
{
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const std::string& item : items)
        list_->addItem(QString::fromStdString(item));
}

int32_t Te3CustomListBox::GetItemIndex() const
{
    return list_->currentRow();
}

void Te3CustomListBox::SetItemIndex(int32_t value)
{
    const QSignalBlocker quiet(list_);
    if (value < 0 || value >= list_->count()) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(value, QItemSelectionModel::ClearAndSelect);
}

void Te3CustomListBox::ApplySelectionMode()
{
    if (!multiSelect_)
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
    else
        list_->setSelectionMode(extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::MultiSelection);
}

void Te3CustomListBox::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    ApplySelectionMode();
}

void Te3CustomListBox::SetExtendedSelect(bool value)
{
    extendedSelect_ = value;
    ApplySelectionMode();
}

void Te3CustomListBox::SetSorted(bool value)
{
    sorted_ = value;
    const QSignalBlocker quiet(list_);
    list_->setSortingEnabled(value);
    if (value)
        list_->sortItems();
}

void Te3CustomListBox::SetFocus()
{
    list_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3ListBox::StaticClass()
{
    using C = Te3ListBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3ListBox",
        &Te3CustomListBox::StaticClass(),
        {
            sp::Color(),
            sp::Enabled(),
            fw::prop::Boolean("ExtendedSelect", &C::GetExtendedSelect, &C::SetExtendedSelect),
            sp::Font(),
            fw::prop::Integer("ItemIndex", &C::GetItemIndex, &C::SetItemIndex),
            fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
            fw::prop::Boolean("MultiSelect", &C::GetMultiSelect, &C::SetMultiSelect),
            fw::prop::Boolean("Sorted", &C::GetSorted, &C::SetSorted),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
        },
        fw::MakeFactory<Te3ListBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_ListBox::StaticClass()
{
    using C = Te3_ListBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_ListBox",
        &Te3ListBox::StaticClass(),
        {
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
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
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            sp::OnDragDrop(),
            sp::OnDragOver(),
            sp::OnEndDock(),
            sp::OnEndDrag(),
            sp::OnEnter(),
            sp::OnExit(),
            sp::OnKeyDown(),
            sp::OnKeyPress(),
            sp::OnKeyUp(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnStartDock(),
            sp::OnStartDrag(),
        },
        fw::MakeFactory<Te3_ListBox>(),
    };
    return info;
}

} // namespace e3
