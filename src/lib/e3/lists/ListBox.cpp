#include "e3/lists/ListBox.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTextOption>

#include <algorithm>
#include <chrono>

namespace e3 {

const fw::TEnumType ListBoxStyleType {
    "TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable", "lbVirtual", "lbVirtualOwnerDraw"}};
const fw::TEnumType OwnerDrawStateType {
    "TOwnerDrawState",
    {"odSelected", "odGrayed", "odDisabled", "odChecked", "odFocused", "odDefault", "odHotLight", "odInactive",
     "odNoAccel", "odNoFocusRect", "odReserved1", "odReserved2", "odComboBoxEdit"}};

const fw::TEventType DrawItemEventType {"TDrawItemEvent", typeid(TDrawItemEvent)};
const fw::TEventType MeasureItemEventType {"TMeasureItemEvent", typeid(TMeasureItemEvent)};
const fw::TEventType LBGetDataEventType {"TLBGetDataEvent", typeid(TLBGetDataEvent)};
const fw::TEventType LBFindDataEventType {"TLBFindDataEvent", typeid(TLBFindDataEvent)};
const fw::TEventType LBGetDataObjectEventType {"TLBGetDataObjectEvent", typeid(TLBGetDataObjectEvent)};

bool IsVirtualStyle(TListBoxStyle style)
{
    return style == lbVirtual || style == lbVirtualOwnerDraw;
}

bool IsOwnerDrawStyle(TListBoxStyle style)
{
    return style == lbOwnerDrawFixed || style == lbOwnerDrawVariable || style == lbVirtualOwnerDraw;
}

int32_t RowHeight(TListBoxStyle style, int32_t itemHeight, int32_t fontHeight,
                  const std::function<void(int32_t& height)>& measure)
{
    switch (style) {
    case lbOwnerDrawFixed:
    case lbVirtualOwnerDraw:
        return itemHeight;
    case lbOwnerDrawVariable: {
        int32_t height = itemHeight;
        if (measure)
            measure(height);
        return height < 1 ? 1 : height;
    }
    case lbStandard:
    case lbVirtual:
        break;
    }
    return fontHeight;
}

// Owner drawing: the handler learns which row is drawn where and in which
// state; there is no canvas to hand it, so the row is then drawn as standard.
class Te3CustomListBox::Delegate : public QStyledItemDelegate {
public:
    Delegate(Te3CustomListBox* box, QObject* parent)
        : QStyledItemDelegate(parent)
        , box_(box)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (IsOwnerDrawStyle(box_->style_) && box_->OnDrawItem) {
            TOwnerDrawState state = 0;
            if (option.state & QStyle::State_Selected)
                state |= 1u << odSelected;
            if (!(option.state & QStyle::State_Enabled))
                state |= 1u << odDisabled;
            if (option.state & QStyle::State_HasFocus)
                state |= 1u << odFocused;
            const QRect& r = option.rect;
            const fw::TRect rect {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
            const int32_t row = index.row();
            fw::RunFromEventLoop([&] {
                if (box_->OnDrawItem)
                    box_->OnDrawItem(box_, row, rect, state);
            });
        }
        // The option is filled once: a virtual row's text is one OnData call.
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (opt.text.contains(QLatin1Char('\t'))) {
            PaintWithTabStops(painter, opt);
            return;
        }
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // A row is as wide as what scrolls: its column, the scroll width, or
        // (with width 1) the visible client, so that long texts are clipped
        // rather than scrolled.
        if (box_->columns_ > 0)
            size.setWidth(box_->columnWidth_);
        else
            size.setWidth(box_->scrollWidth_ > 0 ? box_->scrollWidth_ : 1);
        const int32_t row = index.row();
        size.setHeight(RowHeight(box_->style_, box_->itemHeight_, box_->FontRowHeight(), [&](int32_t& height) {
            fw::RunFromEventLoop([&] {
                if (box_->OnMeasureItem)
                    box_->OnMeasureItem(box_, row, height);
            });
        }));
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (IsVirtualStyle(box_->style_)) {
            const int32_t row = index.row();
            fw::RunFromEventLoop([&] { option->text = QString::fromStdString(box_->ItemText(row)); });
        }
    }

private:
    // The style draws the row without its text; the text follows at the place
    // the style gives it, with the list's own tab stops.
    void PaintWithTabStops(QPainter* painter, QStyleOptionViewItem& opt) const
    {
        const QString text = opt.text;
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        opt.text = text;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, widget) + 1;
        const QRect textRect =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
        QPalette::ColorGroup group = QPalette::Disabled;
        if (opt.state & QStyle::State_Enabled)
            group = (opt.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
        const bool selected = opt.state & QStyle::State_Selected;
        QTextOption textOption(opt.displayAlignment);
        textOption.setWrapMode(QTextOption::NoWrap);
        textOption.setTabStopDistance(box_->TabStopPixels());
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(textRect, Qt::IntersectClip);
        painter->drawText(QRectF(textRect), text, textOption);
        painter->restore();
    }

    Te3CustomListBox* box_;
};

// Typing selects the item that the typed text finds; the keys typed within the
// system's key interval add up to one search text.
class Te3CustomListBox::View : public OwnedWidget<QListWidget, Te3CustomListBox> {
public:
    using OwnedWidget::OwnedWidget;

    void keyboardSearch(const QString& search) override
    {
        if (!owner_ || !owner_->autoComplete_ || search.isEmpty())
            return;
        const auto now = std::chrono::steady_clock::now();
        const auto interval = std::chrono::milliseconds(QApplication::keyboardInputInterval());
        if (typed_.isEmpty() || now - lastKey_ > interval)
            typed_.clear();
        typed_ += search;
        lastKey_ = now;
        const std::string text = typed_.toStdString();
        fw::RunFromEventLoop([&] {
            const int32_t row = owner_->FindTyped(text);
            if (row >= 0 && row < count())
                setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        });
    }

private:
    QString typed_;
    std::chrono::steady_clock::time_point lastKey_;
};

const fw::TClassInfo& Te3CustomListBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomListBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomListBox::Te3CustomListBox(fw::TComponent* owner)
    : Te3CustomListBox(owner, {kHintWords, &Te3ListBox::StaticClass})
{
}

Te3CustomListBox::Te3CustomListBox(fw::TComponent* owner, ControlLanguage language)
    : Te3Control(owner, language)
    , list_(new View(this))
    , itemStrings_(std::make_unique<fw::TStrings>())
{
    itemStrings_->OnRefresh = [this] { itemStrings_->Load(Items()); };
    itemStrings_->OnChange = [this] { SetItems(itemStrings_->Lines()); };
    list_->setItemDelegate(new Delegate(this, list_));
    OwnWidget(list_);
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

QListWidget* Te3CustomListBox::List() const
{
    return list_;
}

void Te3CustomListBox::Loaded()
{
    fw::TWinControl::Loaded();
    ShowLoadedColor(*this, colors_);
}

void Te3CustomListBox::SetEnabled(bool value)
{
    if (!Parent()) {
        fw::TWinControl::SetEnabled(value);
        return;
    }
    const bool applied = DecideEnabled(value, EnableRefused());
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
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const std::string& item : items)
            list_->addItem(QString::fromStdString(item));
    }
    ApplyScrolling();
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

void Te3CustomListBox::RelayoutRows()
{
    // Fixed heights let the view skip asking every row.
    list_->setUniformItemSizes(style_ != lbOwnerDrawVariable);
    list_->doItemsLayout();
    list_->viewport()->update();
}

void Te3CustomListBox::SetStyle(TListBoxStyle value)
{
    style_ = value;
    Refit();
}

void Te3CustomListBox::SetItemHeight(int32_t value)
{
    if (value < 1)
        return;
    itemHeight_ = value;
    Refit();
}

void Te3CustomListBox::SetColumns(int32_t value)
{
    columns_ = value < 0 ? 0 : value;
    Refit();
}

void Te3CustomListBox::SetIntegralHeight(bool value)
{
    integralHeight_ = value;
    Refit();
}

void Te3CustomListBox::SetScrollWidth(int32_t value)
{
    scrollWidth_ = value < 0 ? 0 : value;
    Refit();
}

void Te3CustomListBox::SetTabWidth(int32_t value)
{
    tabWidth_ = value < 0 ? 0 : value;
    list_->viewport()->update();
}

void Te3CustomListBox::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, SnappedHeight(width, height));
    ApplyScrolling();
}

void Te3CustomListBox::ApplyFont()
{
    fw::TWinControl::ApplyFont();
    fontRowHeight_ = 0;
    Refit();
}

void Te3CustomListBox::Refit()
{
    SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
}

int32_t Te3CustomListBox::FontRowHeight() const
{
    if (fontRowHeight_ == 0) {
        // Every standard row is as high as the font makes a row of text,
        // whatever its own text holds.
        QStyleOptionViewItem opt;
        opt.initFrom(list_);
        opt.font = list_->font();
        opt.fontMetrics = QFontMetrics(opt.font);
        opt.features = QStyleOptionViewItem::HasDisplay;
        opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        opt.text = QStringLiteral("Wg");
        const QSize size = list_->style()->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), list_);
        fontRowHeight_ = std::max(1, size.height());
    }
    return fontRowHeight_;
}

int32_t Te3CustomListBox::UniformRowHeight() const
{
    return RowHeight(style_, itemHeight_, FontRowHeight(), nullptr);
}

bool Te3CustomListBox::HorizontalBarNeeded(int32_t width, int32_t height) const
{
    const int32_t frame = 2 * list_->frameWidth();
    const int64_t rows = list_->count();
    const int32_t rowHeight = UniformRowHeight();
    if (columns_ > 0) {
        const int64_t perColumn = std::max(1, (height - frame) / rowHeight);
        return rows > perColumn * columns_;
    }
    if (scrollWidth_ <= 0)
        return false;
    int32_t clientWidth = width - frame;
    if (rows * rowHeight > height - frame)
        clientWidth -= list_->verticalScrollBar()->sizeHint().width();
    return scrollWidth_ > clientWidth;
}

int32_t Te3CustomListBox::SnappedHeight(int32_t width, int32_t height) const
{
    if (!integralHeight_ || style_ == lbOwnerDrawVariable)
        return height;
    const int32_t rowHeight = UniformRowHeight();
    int32_t client = height - 2 * list_->frameWidth();
    if (HorizontalBarNeeded(width, height))
        client -= list_->horizontalScrollBar()->sizeHint().height();
    // A list lower than one row keeps its height: it shows part of that row.
    if (client > rowHeight)
        height -= client % rowHeight;
    return height;
}

void Te3CustomListBox::ApplyScrolling()
{
    const bool multiColumn = columns_ > 0;
    columnWidth_ = multiColumn ? std::max(1, (GetWidth() - 2 * list_->frameWidth()) / columns_) : 0;
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(multiColumn);
    list_->setResizeMode(multiColumn ? QListView::Adjust : QListView::Fixed);
    list_->setVerticalScrollBarPolicy(multiColumn ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    // The bar is decided here, from the same count the height snap makes, so
    // that a snapped list never ends in part of a row; variable rows have no
    // snap and leave it to the view.
    Qt::ScrollBarPolicy horizontal = Qt::ScrollBarAlwaysOff;
    if (style_ == lbOwnerDrawVariable) {
        if (multiColumn || scrollWidth_ > 0)
            horizontal = Qt::ScrollBarAsNeeded;
    } else if (HorizontalBarNeeded(GetWidth(), GetHeight())) {
        horizontal = Qt::ScrollBarAlwaysOn;
    }
    list_->setHorizontalScrollBarPolicy(horizontal);
    list_->setHorizontalScrollMode(multiColumn ? QAbstractItemView::ScrollPerItem
                                               : QAbstractItemView::ScrollPerPixel);
    RelayoutRows();
}

int32_t Te3CustomListBox::TabStopPixels() const
{
    // Dialog units to pixels as the desktop rounds them; 32 units are the
    // default stop.
    const int32_t units = tabWidth_ > 0 ? tabWidth_ : 32;
    const int32_t average = QFontMetrics(list_->font()).averageCharWidth();
    return std::max(1, (units * average + 2) / 4);
}

int32_t Te3CustomListBox::Count() const
{
    return list_->count();
}

void Te3CustomListBox::SetCount(int32_t value)
{
    if (!IsVirtualStyle(style_))
        throw fw::EPropertyError("Count can only be set for a virtual list box");
    if (value < 0)
        value = 0;
    {
        const QSignalBlocker quiet(list_);
        while (list_->count() > value)
            delete list_->takeItem(list_->count() - 1);
        while (list_->count() < value)
            list_->addItem(QString());
    }
    ApplyScrolling();
}

std::string Te3CustomListBox::ItemText(int32_t index) const
{
    if (index < 0 || index >= list_->count())
        return {};
    if (!IsVirtualStyle(style_))
        return list_->item(index)->text().toStdString();
    std::string data;
    if (OnData)
        OnData(const_cast<Te3CustomListBox*>(this), index, data);
    return data;
}

fw::TObject* Te3CustomListBox::ItemObject(int32_t index) const
{
    fw::TObject* object = nullptr;
    if (IsVirtualStyle(style_) && OnDataObject && index >= 0 && index < list_->count())
        OnDataObject(const_cast<Te3CustomListBox*>(this), index, object);
    return object;
}

int32_t Te3CustomListBox::FindTyped(const std::string& text) const
{
    if (!autoComplete_ || text.empty())
        return -1;
    if (IsVirtualStyle(style_))
        return OnDataFind ? OnDataFind(const_cast<Te3CustomListBox*>(this), text) : -1;
    const QString prefix = QString::fromStdString(text);
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->text().startsWith(prefix, Qt::CaseInsensitive))
            return i;
    return -1;
}

void Te3CustomListBox::SetFocus()
{
    list_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

fw::TRows<Te3CustomListBox> ListBoxDesignRows()
{
    using C = Te3CustomListBox;
    namespace sp = fw::std_props;
    return fw::TRows<Te3CustomListBox> {
        fw::prop::Boolean("AutoComplete", &C::GetAutoComplete, &C::SetAutoComplete),
        sp::Color(),
        fw::prop::Integer("Columns", &C::GetColumns, &C::SetColumns),
        fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
        sp::Enabled(),
        sp::Font(),
        fw::prop::Integer("ItemHeight", &C::GetItemHeight, &C::SetItemHeight),
        fw::prop::Integer("ItemIndex", &C::GetItemIndex, &C::SetItemIndex),
        fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
        fw::prop::Boolean("Sorted", &C::GetSorted, &C::SetSorted),
        sp::TabOrder(),
        sp::TabStop(),
        sp::Visible(),
    };
}

fw::TRows<Te3CustomListBox> ListBoxEngineRows()
{
    using C = Te3CustomListBox;
    namespace sp = fw::std_props;
    return fw::TRows<Te3CustomListBox> {
        sp::Align(),
        sp::Anchors(),
        sp::BiDiMode(),
        sp::Constraints(),
        sp::Ctl3D(),
        sp::DragCursor(),
        sp::BevelEdges(),
        sp::BevelInner(),
        sp::BevelOuter(),
        sp::BevelWidth(),
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
        fw::prop::Event("OnData", LBGetDataEventType, &C::OnData),
        fw::prop::Event("OnDataFind", LBFindDataEventType, &C::OnDataFind),
        fw::prop::Event("OnDataObject", LBGetDataObjectEventType, &C::OnDataObject),
        sp::OnDblClick(),
        sp::DragEvents(),
        fw::prop::Event("OnDrawItem", DrawItemEventType, &C::OnDrawItem),
        sp::DockEvents(),
        sp::FocusEvents(),
        sp::KeyEvents(),
        fw::prop::Event("OnMeasureItem", MeasureItemEventType, &C::OnMeasureItem),
        sp::MouseEvents(),
    };
}

const fw::TClassInfo& Te3ListBox::StaticClass()
{
    using C = Te3ListBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3ListBox",
        &Te3CustomListBox::StaticClass(),
        fw::TRows<Te3ListBox> {
            sp::BevelKind(),
            fw::prop::Boolean("ExtendedSelect", &C::GetExtendedSelect, &C::SetExtendedSelect),
            fw::prop::Boolean("MultiSelect", &C::GetMultiSelect, &C::SetMultiSelect),
            ListBoxDesignRows(),
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
        fw::TRows<Te3_ListBox> {
            fw::prop::Enum("Style", ListBoxStyleType, &C::GetStyle, &C::SetStyle),
            fw::prop::Boolean("IntegralHeight", &C::GetIntegralHeight, &C::SetIntegralHeight),
            fw::prop::Integer("ScrollWidth", &C::GetScrollWidth, &C::SetScrollWidth),
            fw::prop::Integer("TabWidth", &C::GetTabWidth, &C::SetTabWidth),
            ListBoxEngineRows(),
        },
        fw::MakeFactory<Te3_ListBox>(),
    };
    return info;
}

} // namespace e3
