#include "e3/lists/CheckListBox.h"

#include "e3/common/EngineImages.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace e3 {

namespace {

// What an item carries beside its text, in the item's own data so that it
// moves with the item when the list sorts.
constexpr int IdRole = Qt::UserRole + 40;
constexpr int DisabledRole = Qt::UserRole + 41;

Qt::CheckState ToQt(TCheckBoxState state)
{
    switch (state) {
    case cbChecked: return Qt::Checked;
    case cbGrayed: return Qt::PartiallyChecked;
    case cbUnchecked: break;
    }
    return Qt::Unchecked;
}

TCheckBoxState FromQt(const QVariant& value)
{
    switch (value.toInt()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
    }
}

int32_t Integer(const std::string& text)
{
    int64_t value = 0;
    const std::string t = u3::Trim(text);
    if (!u3::TryStrToInt64(t, value) || value < INT32_MIN || value > INT32_MAX)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

// The fields of a comma list, trimmed; empty fields are passed over.
std::vector<std::string> CommaFields(const std::string& text)
{
    std::vector<std::string> fields;
    for (const std::string& field : u3::SplitTokens(text, ",")) {
        std::string f = u3::Trim(field);
        if (!f.empty())
            fields.push_back(std::move(f));
    }
    return fields;
}

QStyleOptionViewItem CheckOption(const QListWidget& list, int row)
{
    QStyleOptionViewItem opt;
    opt.initFrom(list.viewport());
    opt.rect = list.visualItemRect(list.item(row));
    opt.font = list.font();
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.widget = &list;
    opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    opt.text = list.item(row)->text();
    if (list.item(row)->data(Qt::DecorationRole).isValid()) {
        opt.features |= QStyleOptionViewItem::HasDecoration;
        opt.decorationSize = list.iconSize();
    }
    return opt;
}

} // namespace

// Draws through the list's own delegate: a disabled item as disabled, the
// flat frame around the check box.
class Te3CustomCheckListBox::Decorator : public QStyledItemDelegate {
public:
    Decorator(Te3CustomCheckListBox* box, QAbstractItemDelegate* inner)
        : QStyledItemDelegate(inner)
        , box_(box)
        , inner_(inner)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        const bool disabled = index.data(DisabledRole).toBool();
        if (disabled)
            opt.state &= ~QStyle::State_Enabled;
        inner_->paint(painter, opt, index);
        if (!box_->flat_)
            return;
        QStyleOptionViewItem check = option;
        initStyleOption(&check, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &check, widget);
        painter->save();
        painter->setPen(fw::ToQColor(fw::clBtnShadow));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return inner_->sizeHint(option, index);
    }

private:
    Te3CustomCheckListBox* box_;
    QAbstractItemDelegate* inner_;
};

// A left press in an item's check box and Space on the selected item toggle
// it; the view itself never toggles.
class Te3CustomCheckListBox::InputFilter : public QObject {
public:
    explicit InputFilter(Te3CustomCheckListBox* box)
        : QObject(box->List())
        , box_(box)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QListWidget* list = box_->List();
        if (event->type() == QEvent::MouseButtonPress && watched == list->viewport()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            const QPoint pos = mouse->position().toPoint();
            QListWidgetItem* item = list->itemAt(pos);
            if (!item)
                return false;
            const int row = list->row(item);
            if (!box_->CheckRect(row).contains(pos))
                return false;
            // The press selects the item as anywhere else in the row, then
            // toggles it.
            fw::Guard<Te3CustomCheckListBox> alive(box_);
            if (list->currentRow() != row)
                list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
            if (alive)
                fw::RunFromEventLoop([&] { box_->ToggleItem(row); });
            return true;
        }
        if (event->type() == QEvent::KeyPress && watched == list) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier)
                return false;
            const int row = list->currentRow();
            fw::RunFromEventLoop([&] { box_->ToggleItem(row); });
            return true;
        }
        return false;
    }

private:
    Te3CustomCheckListBox* box_;
};

const fw::TClassInfo& Te3CustomCheckListBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomCheckListBox", &Te3CustomListBox::StaticClass(), {}};
    return info;
}

Te3CustomCheckListBox::Te3CustomCheckListBox(fw::TComponent* owner)
    : Te3CustomListBox(owner, {kHintWords, &Te3CheckListBox::StaticClass})
{
    QListWidget* list = List();
    list->setItemDelegate(new Decorator(this, list->itemDelegate()));
    filter_ = new InputFilter(this);
    list->installEventFilter(filter_);
    list->viewport()->installEventFilter(filter_);
    // Every item shows a check box from the moment it exists, however it came.
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [this](const QModelIndex&, int first, int last) { PrepareRows(first, last); });
}

Te3CustomCheckListBox::~Te3CustomCheckListBox()
{
    // The list outlives this object by a moment: its last events and rows
    // reach no one.
    QListWidget* list = List();
    list->removeEventFilter(filter_);
    list->viewport()->removeEventFilter(filter_);
    delete filter_;
    QObject::disconnect(list->model(), &QAbstractItemModel::rowsInserted, list, nullptr);
}

void Te3CustomCheckListBox::PrepareRows(int first, int last)
{
    QListWidget* list = List();
    const QPixmap picture = picture_.isNull() || imageWidth_ <= 0
                                ? QPixmap()
                                : QPixmap::fromImage(picture_.scaled(imageWidth_, std::max(1, GetItemHeight()),
                                                                     Qt::IgnoreAspectRatio));
    for (int row = first; row <= last && row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        if (!item->data(Qt::CheckStateRole).isValid())
            item->setData(Qt::CheckStateRole, Qt::Unchecked);
        item->setData(Qt::DecorationRole, picture.isNull() ? QVariant() : QVariant(picture));
    }
}

void Te3CustomCheckListBox::CheckIndex(int32_t index) const
{
    if (index < 0 || index >= List()->count())
        throw u3::EListError(index);
}

TCheckBoxState Te3CustomCheckListBox::State(int32_t index) const
{
    CheckIndex(index);
    return FromQt(List()->item(index)->data(Qt::CheckStateRole));
}

void Te3CustomCheckListBox::SetState(int32_t index, TCheckBoxState state)
{
    CheckIndex(index);
    List()->item(index)->setData(Qt::CheckStateRole, ToQt(state));
}

bool Te3CustomCheckListBox::ItemEnabled(int32_t index) const
{
    CheckIndex(index);
    return !List()->item(index)->data(DisabledRole).toBool();
}

void Te3CustomCheckListBox::SetItemEnabled(int32_t index, bool value)
{
    CheckIndex(index);
    QListWidgetItem* item = List()->item(index);
    item->setData(DisabledRole, !value);
    item->setForeground(value ? QBrush() : QBrush(fw::ToQColor(fw::clGrayText)));
}

int32_t Te3CustomCheckListBox::ItemId(int32_t index) const
{
    CheckIndex(index);
    return List()->item(index)->data(IdRole).toInt();
}

void Te3CustomCheckListBox::SetItemId(int32_t index, int32_t id)
{
    CheckIndex(index);
    List()->item(index)->setData(IdRole, id);
}

int32_t Te3CustomCheckListBox::AddItem(const std::string& text, int32_t id)
{
    QListWidget* list = List();
    auto* item = new QListWidgetItem(QString::fromStdString(text));
    item->setData(IdRole, id);
    list->addItem(item); // a sorted list puts it in its place
    return list->row(item);
}

void Te3CustomCheckListBox::ToggleItem(int32_t index)
{
    if (readOnly_ || index < 0 || index >= List()->count() || !ItemEnabled(index))
        return;
    TCheckBoxState next = cbUnchecked;
    switch (State(index)) {
    case cbUnchecked: next = allowGrayed_ ? cbGrayed : cbChecked; break;
    case cbGrayed: next = cbChecked; break;
    case cbChecked: next = cbUnchecked; break;
    }
    SetState(index, next);
    if (OnClickCheck)
        OnClickCheck(this);
}

QRect Te3CustomCheckListBox::CheckRect(int32_t index) const
{
    const QListWidget* list = List();
    if (index < 0 || index >= list->count())
        return {};
    const QStyleOptionViewItem opt = CheckOption(*list, index);
    return list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, list);
}

void Te3CustomCheckListBox::SetFlat(bool value)
{
    flat_ = value;
    List()->viewport()->update();
}

void Te3CustomCheckListBox::SetImageName(const std::string& name)
{
    picture_ = EngineImage(name);
    ApplyPicture();
}

void Te3CustomCheckListBox::SetImageWidth(int32_t value)
{
    imageWidth_ = std::max(0, value);
    ApplyPicture();
}

void Te3CustomCheckListBox::ApplyPicture()
{
    QListWidget* list = List();
    list->setIconSize(QSize(imageWidth_, std::max(1, GetItemHeight())));
    PrepareRows(0, list->count() - 1);
}

void Te3CustomCheckListBox::SetLockedEdit(bool value)
{
    if (value == locked_)
        return;
    locked_ = value;
    if (value) {
        // The lock is no wish of the control's: what it wished before comes
        // back when the lock goes.
        fw::TWinControl::SetEnabled(false);
        if (Parent() && !HasState(fw::csLoading | fw::csReading | fw::csDesigning))
            SetColor(GetDisabledColor());
    } else {
        SetEnabled(EnabledWishValue());
    }
}

void Te3CustomCheckListBox::AddString(const std::string& text)
{
    AddItem(text, 0);
}

void Te3CustomCheckListBox::AddStringId(const std::string& value)
{
    const size_t bar = value.find("<|>");
    if (bar == std::string::npos) {
        AddItem(value, -1);
        return;
    }
    int64_t id = 0;
    const std::string head = u3::Trim(value.substr(0, bar));
    if (!u3::TryStrToInt64(head, id) || id < INT32_MIN || id > INT32_MAX)
        id = -1;
    AddItem(value.substr(bar + 3), static_cast<int32_t>(id));
}

void Te3CustomCheckListBox::ClearItems(const std::string&)
{
    SetItems({});
}

std::string Te3CustomCheckListBox::GetCheckedPositions() const
{
    std::string out;
    for (int32_t i = 0; i < List()->count(); ++i)
        if (Checked(i)) {
            if (!out.empty())
                out += ',';
            out += std::to_string(i);
        }
    return out;
}

void Te3CustomCheckListBox::SetCheckedPositions(const std::string& value)
{
    // Every entry is checked before anything changes: a bad one leaves the
    // checks as they were.
    std::vector<int32_t> positions;
    for (const std::string& field : CommaFields(value)) {
        const int32_t position = Integer(field);
        CheckIndex(position);
        positions.push_back(position);
    }
    for (int32_t i = 0; i < List()->count(); ++i)
        SetState(i, cbUnchecked);
    for (int32_t position : positions)
        SetState(position, cbChecked);
}

std::string Te3CustomCheckListBox::GetCheckedIds() const
{
    std::string out;
    for (int32_t i = 0; i < List()->count(); ++i) {
        const int32_t id = ItemId(i);
        if (id != 0 && Checked(i)) {
            if (!out.empty())
                out += ", ";
            out += std::to_string(id);
        }
    }
    return out;
}

void Te3CustomCheckListBox::SetCheckedIds(const std::string& value)
{
    std::vector<std::string> ids;
    for (const std::string& field : CommaFields(value))
        for (const std::string& word : u3::SplitTokens(field, " "))
            if (!word.empty())
                ids.push_back(word);
    std::sort(ids.begin(), ids.end());
    for (int32_t i = 0; i < List()->count(); ++i) {
        const bool listed = std::binary_search(ids.begin(), ids.end(), std::to_string(ItemId(i)));
        SetState(i, listed ? cbChecked : cbUnchecked);
    }
}

int32_t Te3CustomCheckListBox::GetSelectedState() const
{
    const int32_t index = GetItemIndex();
    if (index < 0)
        return 0;
    return Checked(index) ? 1 : 0;
}

void Te3CustomCheckListBox::SetSelectedState(int32_t value)
{
    const int32_t index = GetItemIndex();
    CheckIndex(index);
    SetState(index, value != 0 ? cbChecked : cbUnchecked);
}

int32_t Te3CustomCheckListBox::GetSelectedId() const
{
    const int32_t index = GetItemIndex();
    if (index < 0)
        return -1;
    const int32_t id = ItemId(index);
    return id == 0 ? -1 : id;
}

void Te3CustomCheckListBox::SetSelectedId(int32_t value)
{
    for (int32_t i = 0; i < List()->count(); ++i)
        if (ItemId(i) == value) {
            SetItemIndex(i);
            return;
        }
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CheckListBox::StaticClass()
{
    using C = Te3CheckListBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3CheckListBox",
        &Te3CustomCheckListBox::StaticClass(),
        fw::TRows<Te3CheckListBox> {
            fw::prop::Boolean("AllowGrayed", &C::GetAllowGrayed, &C::SetAllowGrayed),
            fw::prop::Boolean("Flat", &C::GetFlat, &C::SetFlat),
            fw::prop::Integer("HeaderColor", &C::GetHeaderColor, &C::SetHeaderColor),
            fw::prop::Integer("HeaderBackgroundColor", &C::GetHeaderBackgroundColor,
                              &C::SetHeaderBackgroundColor),
            fw::prop::Boolean("IntegralHeight", &C::GetIntegralHeight, &C::SetIntegralHeight),
            fw::prop::Enum("Style", ListBoxStyleType, &C::GetStyle, &C::SetStyle),
            fw::prop::Integer("TabWidth", &C::GetTabWidth, &C::SetTabWidth),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            ListBoxDesignRows(),
        },
        fw::MakeFactory<Te3CheckListBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_CheckListBox::StaticClass()
{
    using C = Te3_CheckListBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_CheckListBox",
        &Te3CheckListBox::StaticClass(),
        fw::TRows<Te3_CheckListBox> {
            sp::BevelKind(),
            fw::prop::StringAction("_AddString", &C::AddString),
            fw::prop::StringAction("_AddStringID", &C::AddStringId),
            fw::prop::StringAction("_Clear", &C::ClearItems),
            fw::prop::String("_CheckedItems", &C::GetCheckedPositions, &C::SetCheckedPositions),
            fw::prop::String("CheckedItems", &C::GetCheckedIds, &C::SetCheckedIds),
            fw::prop::Integer("SelectedState", &C::GetSelectedState, &C::SetSelectedState),
            fw::prop::Integer("SelectedID", &C::GetSelectedId, &C::SetSelectedId),
            fw::prop::Integer("_ItemIndex", &C::GetItemIndex, nullptr),
            fw::prop::String<C>("Image", nullptr, &C::SetImageName),
            fw::prop::Integer("ImageWidth", &C::GetImageWidth, &C::SetImageWidth),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::Event("OnClickCheck", fw::NotifyEventType, &C::OnClickCheck),
            ListBoxEngineRows(),
        },
        fw::MakeFactory<Te3_CheckListBox>(),
    };
    return info;
}

} // namespace e3
