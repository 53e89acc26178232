#include "e3/combos/ComboBox.h"

#include "e3/combos/FontList.h"
#include "framework/ApplicationException.h"
#include "framework/Graphics.h"
#include "framework/StandardProps.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QPointer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

#include <charconv>

namespace e3 {

const fw::TEnumType ComboBoxStyleType {
    "TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}};

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::vector<std::string_view> SplitLineViews(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.push_back(text.substr(start, end - start));
        if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    const std::vector<std::string_view> views = SplitLineViews(text);
    return std::vector<std::string>(views.begin(), views.end());
}

namespace {

// A decimal integer with optional blanks around it and a sign.
int32_t DecimalInteger(const std::string& text)
{
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+')
        ++first;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

// One completer that an edit part holds only until its combo box takes it
// away: it completes nothing.
QCompleter* StandInCompleter()
{
    static QPointer<QCompleter> completer;
    if (!completer)
        completer = new QCompleter(qApp);
    return completer;
}

} // namespace

// The framework's combo box window: the choices and keys of the user go to
// the control, and the list opens and closes with its events. Once the
// control has let it go it behaves as a plain combo box.
class ComboWidget : public OwnedWidget<QComboBox, Te3CustomComboBox> {
public:
    explicit ComboWidget(Te3CustomComboBox* box)
        : OwnedWidget(box)
        , items_(new QStringListModel(this))
    {
        // The items are plain texts: a list model holds them as one list, so
        // that thousands load as one reset rather than an item object each.
        setModel(items_);
        setInsertPolicy(QComboBox::NoInsert);
    }

    Te3CustomComboBox* Owner() const { return owner_; }

    // Boxes of the same colours paint under one palette, so the style draws
    // the frame once and reuses it.
    void initStyleOption(QStyleOptionComboBox* option) const override
    {
        QComboBox::initStyleOption(option);
        option->palette = fw::SharedPalette(option->palette);
    }

    // The size hints come from one character, not from the items (a list of
    // thousands would be measured whole). Qt builds the whole drop-down list
    // when the policy is set, so it is set when a hint is first asked for.
    QSize sizeHint() const override
    {
        const_cast<ComboWidget*>(this)->SizeFromOneCharacter();
        return QComboBox::sizeHint();
    }

    QSize minimumSizeHint() const override
    {
        const_cast<ComboWidget*>(this)->SizeFromOneCharacter();
        return QComboBox::minimumSizeHint();
    }

    void showPopup() override
    {
        if (owner_) {
            fw::Guard<Te3CustomComboBox> self(owner_);
            fw::RunFromEventLoop([&] {
                if (owner_->OnDropDown)
                    owner_->OnDropDown(owner_);
            });
            if (!self || !owner_)
                return;
            if (owner_->droppedWidth_ > 0)
                view()->setMinimumWidth(owner_->droppedWidth_);
        }
        QComboBox::showPopup();
    }

    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (owner_)
            fw::RunFromEventLoop([&] {
                if (owner_ && owner_->OnCloseUp)
                    owner_->OnCloseUp(owner_);
            });
    }

    QStringListModel* const items_;

protected:
    void changeEvent(QEvent* event) override
    {
        // Qt builds the drop-down list to hand it a new font; a list built
        // later takes the box's font as any child does, and no size hint has
        // been worked out before the list is there (see above).
        if (event->type() == QEvent::FontChange && !HasList()) {
            QWidget::changeEvent(event);
            return;
        }
        QComboBox::changeEvent(event);
    }

private:
    bool HasList() const
    {
        for (const QObject* child : children())
            if (child->inherits("QComboBoxPrivateContainer"))
                return true;
        return false;
    }

    void SizeFromOneCharacter()
    {
        if (sizeAdjustPolicy() == QComboBox::AdjustToMinimumContentsLengthWithIcon)
            return;
        setMinimumContentsLength(1);
        setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (owner_ && event->key() == Qt::Key_Delete && !isEditable()) {
            bool taken = false;
            fw::RunFromEventLoop([&] { taken = owner_->DeletePressed(); });
            if (taken) {
                event->accept();
                return;
            }
        }
        QComboBox::keyPressEvent(event);
    }
};

const fw::TClassInfo& Te3CustomComboBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomComboBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomComboBox::Te3CustomComboBox(fw::TComponent* owner, TComboBoxStyle style)
    : Te3Control(owner, {kComboWords, &Te3ComboBox::StaticClass})
    , combo_(new ComboWidget(this))
    , itemStrings_(std::make_unique<fw::TStrings>())
    , marker_(combo_, 1, MarkerPlacement {2, 1})
{
    itemStrings_->OnRefresh = [this] { itemStrings_->Load(Items()); };
    itemStrings_->OnChange = [this] {
        LoadItems(itemStrings_->Lines());
        itemsString_ = itemStrings_->GetText();
    };
    // The colour first, so that the window gets its palette once.
    SetColor(fw::clWindow);
    OwnWidget(combo_);
    style_ = style;
    ApplyStyle();
    SetTabStop(true);
    SetBounds(0, 0, 145, 21);
    colors_.normalColor = GetColor();
    QObject::connect(combo_, qOverload<int>(&QComboBox::activated), combo_, [widget = combo_](int index) {
        if (Te3CustomComboBox* box = widget->Owner())
            fw::RunFromEventLoop([&] { box->UserSelected(index); });
    });
    UpdateMarker();
}

Te3CustomComboBox::~Te3CustomComboBox() = default;

QLineEdit* Te3CustomComboBox::CommandLine() const
{
    return combo_->lineEdit();
}

QComboBox* Te3CustomComboBox::Combo() const
{
    return combo_;
}

void Te3CustomComboBox::SetEnabled(bool value)
{
    if (!Parent()) {
        fw::TWinControl::SetEnabled(value);
        return;
    }
    // While locked the box stays disabled whatever the engine asks; the wish
    // is kept for the unlock.
    const bool applied = DecideEnabled(value, lockedEdit_);
    colors_.inSetEnabled = true;
    ShowEnabledColor(*this, colors_, value, applied, false);
    colors_.inSetEnabled = false;
    if (applied)
        fw::TWinControl::SetEnabled(value);
}

void Te3CustomComboBox::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    lockedEdit_ = value;
    // The lock disables the box without touching the enabled wish, so that
    // unlocking brings back what the engine last asked for.
    if (value) {
        if (Parent() && !HasState(fw::csLoading | fw::csReading | fw::csDesigning))
            SetColor(colors_.disabledColor);
        fw::TWinControl::SetEnabled(false);
    } else {
        SetEnabled(wish_.Wish());
    }
}

void Te3CustomComboBox::SetDisabledColor(fw::TColor value)
{
    colors_.disabledColor = value;
    if (!GetEnabled())
        SetColor(value);
}

void Te3CustomComboBox::ApplyEnabled()
{
    fw::TWinControl::ApplyEnabled();
    UpdateMarker();
}

void Te3CustomComboBox::SetParent(fw::TWinControl* parent)
{
    fw::TWinControl::SetParent(parent);
    UpdateMarker();
}

void Te3CustomComboBox::UpdateMarker()
{
    marker_.SetControlState(HasParent(), GetEnabled());
}

std::string Te3CustomComboBox::GetText() const
{
    return combo_->currentText().toStdString();
}

void Te3CustomComboBox::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    const QString value = QString::fromStdString(text);
    if (combo_->isEditable()) {
        // Text set by code raises OnChange, as the edit part does.
        combo_->setEditText(value);
        Change();
        return;
    }
    const int index = combo_->findText(value, Qt::MatchFixedString);
    const QSignalBlocker quiet(combo_);
    combo_->setCurrentIndex(index);
}


void Te3CustomComboBox::Change()
{
    fw::Guard<Te3CustomComboBox> self(this);
    if (OnChange)
        OnChange(this);
    if (self && autoHint_) {
        SetHint(GetText());
        SetShowHint(true);
    }
}

void Te3CustomComboBox::UserSelected(int32_t)
{
    fw::Guard<Te3CustomComboBox> self(this);
    RaiseClick();
    if (!self)
        return;
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void Te3CustomComboBox::UserEdited()
{
    Change();
}

std::vector<std::string> Te3CustomComboBox::Items() const
{
    const QStringList list = combo_->items_->stringList();
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(list.size()));
    for (const QString& item : list)
        items.push_back(item.toStdString());
    return items;
}

int32_t Te3CustomComboBox::Count() const
{
    return combo_->count();
}

std::string Te3CustomComboBox::ItemText(int32_t index) const
{
    if (index < 0 || index >= combo_->count())
        return {};
    return combo_->itemText(index).toStdString();
}

void Te3CustomComboBox::LoadItems(const std::vector<std::string>& items)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items)
        list.append(QString::fromStdString(item));
    LoadItems(std::move(list));
}

void Te3CustomComboBox::LoadItems(QStringList items)
{
    const QSignalBlocker quiet(combo_);
    const QString editText = combo_->isEditable() ? combo_->currentText() : QString();
    // Sorted as the list model sorts: by code point.
    if (sorted_)
        std::sort(items.begin(), items.end());
    combo_->items_->setStringList(items);
    combo_->setCurrentIndex(-1);
    // The edit part keeps what it showed; only the selection goes.
    if (combo_->isEditable())
        combo_->setEditText(editText);
}

int32_t Te3CustomComboBox::GetItemIndex() const
{
    return combo_->currentIndex();
}

void Te3CustomComboBox::SetItemIndex(int32_t value)
{
    const QSignalBlocker quiet(combo_);
    combo_->setCurrentIndex(value >= 0 && value < combo_->count() ? value : -1);
}

std::string Te3CustomComboBox::GetItemsText() const
{
    return JoinLines(Items());
}

void Te3CustomComboBox::SetItemsText(const std::string& value)
{
    LoadItems(SplitLines(value));
}

std::string Te3CustomComboBox::GetFontListText() const
{
    return JoinLines(ScreenFontNames());
}

void Te3CustomComboBox::SetFontListText(const std::string&)
{
    LoadItems(ScreenFontNames());
}

void Te3CustomComboBox::SetItemsString(const std::string& value)
{
    if (value == itemsString_)
        return;
    itemsString_ = value;
    SetItemsText(value);
}

std::string Te3CustomComboBox::GetFontName() const
{
    return GetFont()->GetName();
}

void Te3CustomComboBox::SetFontName(const std::string& value)
{
    GetFont()->SetName(value);
}

void Te3CustomComboBox::SelectText(const std::string& value)
{
    const int index = combo_->findText(QString::fromStdString(value), Qt::MatchFixedString);
    if (index >= 0)
        SetItemIndex(index);
}

void Te3CustomComboBox::SetDroppedWidth(const std::string& value)
{
    droppedWidth_ = DecimalInteger(u3::TokenAt(value, 0, "<|>"));
    combo_->view()->setMinimumWidth(droppedWidth_);
}

void Te3CustomComboBox::Clear()
{
    ClearAll();
}

void Te3CustomComboBox::ClearAll()
{
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    if (combo_->isEditable())
        combo_->clearEditText();
}

void Te3CustomComboBox::SetFocus()
{
    combo_->setFocus(Qt::OtherFocusReason);
}

void Te3CustomComboBox::Loaded()
{
    fw::TWinControl::Loaded();
    if (!Designing())
        SetItemsText(itemsString_);
    ApplyBevelForCtl3D();
    ShowLoadedColor(*this, colors_);
}

void Te3CustomComboBox::Ctl3DChanged()
{
    ApplyBevelForCtl3D();
}

void Te3CustomComboBox::ApplyBevelForCtl3D()
{
    // A flat combo box gets a drawn border.
    SetBevelKind(GetCtl3D() ? fw::bkNone : fw::bkTile);
    PlaceMarker();
}

void Te3CustomComboBox::SetMnShow(bool value)
{
    marker_.SetShow(value);
    PlaceMarker();
}

void Te3CustomComboBox::PlaceMarker()
{
    if (!marker_.GetShow())
        return;
    const int button = style_ == csSimple ? 0 : combo_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const MarkerPlacement placement = GetCtl3D() ? MarkerPlacement {2 + button, 1} : MarkerPlacement {1 + button, 0};
    marker_.Widget().SetPlacement(GetBevelWidth(), placement);
}

void Te3CustomComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    ApplyStyle();
    PlaceMarker();
}

void Te3CustomComboBox::ApplyStyle()
{
    const bool editable = style_ == csDropDown || style_ == csSimple;
    if (editable == combo_->isEditable())
        return;
    const QSignalBlocker quiet(combo_);
    if (editable) {
        // The box would give its edit part a completer of its own, which is
        // taken away below: the edit comes with a stand-in instead.
        auto* edit = new QLineEdit(combo_);
        edit->setPalette(combo_->palette());
        edit->setCompleter(StandInCompleter());
        combo_->setLineEdit(edit);
    } else {
        combo_->setEditable(false);
    }
    if (QLineEdit* edit = combo_->lineEdit()) {
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
        QObject::connect(edit, &QLineEdit::textEdited, combo_, [widget = combo_] {
            if (Te3CustomComboBox* box = widget->Owner())
                fw::RunFromEventLoop([&] { box->UserEdited(); });
        });
        combo_->setCompleter(nullptr);
    }
    SetCharCase(charCase_);
}

void Te3CustomComboBox::SetCharCase(TEditCharCase value)
{
    charCase_ = value;
    QLineEdit* edit = combo_->lineEdit();
    if (!edit || value == ecNormal)
        return;
    const QString text = edit->text();
    const QString shown = value == ecUpperCase ? text.toUpper() : text.toLower();
    if (shown != text)
        edit->setText(shown);
}

void Te3CustomComboBox::SetMaxLength(int32_t value)
{
    maxLength_ = value < 0 ? 0 : value;
    if (QLineEdit* edit = combo_->lineEdit())
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void Te3CustomComboBox::SetSorted(bool value)
{
    sorted_ = value;
    if (value) {
        const QSignalBlocker quiet(combo_);
        const QString current = combo_->currentText();
        combo_->model()->sort(0);
        if (!combo_->isEditable())
            combo_->setCurrentIndex(combo_->findText(current, Qt::MatchExactly));
    }
}

void Te3CustomComboBox::SetItemHeight(int32_t value)
{
    if (value < 1)
        return;
    itemHeight_ = value;
}

int32_t Te3CustomComboBox::GetDropDownCount() const
{
    return combo_->maxVisibleItems();
}

void Te3CustomComboBox::SetDropDownCount(int32_t value)
{
    combo_->setMaxVisibleItems(value < 1 ? 1 : value);
}

bool Te3CustomComboBox::GetDroppedDown() const
{
    return combo_->view()->isVisible();
}

void Te3CustomComboBox::SetDroppedDown(bool value)
{
    if (value)
        combo_->showPopup();
    else
        combo_->hidePopup();
}

void Te3CustomComboBox::SetAutoComplete(bool value)
{
    autoComplete_ = value;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3ComboBox::StaticClass()
{
    using C = Te3ComboBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3ComboBox",
        &Te3CustomComboBox::StaticClass(),
        fw::TRows<Te3ComboBox> {
            fw::prop::Boolean("AutoComplete", &C::GetAutoComplete, &C::SetAutoComplete),
            fw::prop::Boolean("AutoDropDown", &C::GetAutoDropDown, &C::SetAutoDropDown),
            fw::prop::Boolean("AutoCloseUp", &C::GetAutoCloseUp, &C::SetAutoCloseUp),
            fw::prop::Boolean("AutoHint", &C::GetAutoHint, &C::SetAutoHint),
            fw::prop::Enum("Style", ComboBoxStyleType, &C::GetStyle, &C::SetStyle),
            fw::prop::Enum("CharCase", EditCharCaseType, &C::GetCharCase, &C::SetCharCase),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Integer("ItemHeight", &C::GetItemHeight, &C::SetItemHeight),
            fw::prop::Integer("ItemIndex", &C::GetItemIndex, &C::SetItemIndex),
            fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
            fw::prop::Integer("MaxLength", &C::GetMaxLength, &C::SetMaxLength),
            fw::prop::Boolean("Sorted", &C::GetSorted, &C::SetSorted),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Text(),
            sp::Visible(),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
        },
        fw::MakeFactory<Te3ComboBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_ComboBox::StaticClass()
{
    using C = Te3_ComboBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_ComboBox",
        &Te3ComboBox::StaticClass(),
        fw::TRows<Te3_ComboBox> {
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
                fw::prop::Integer("DropDownCount", &C::GetDropDownCount, &C::SetDropDownCount),
                fw::prop::Boolean("DroppedDown", &C::GetDroppedDown, &C::SetDroppedDown),
                fw::prop::BoolAction("_SetFocus", &C::SetFocus),
                fw::prop::BoolAction("_Clear", &C::Clear),
                fw::prop::StringAction("_SetDroppedWidth", &C::SetDroppedWidth),
                fw::prop::String("_Items", &C::GetItemsText, &C::SetItemsText),
                fw::prop::String("_FontList", &C::GetFontListText, &C::SetFontListText),
                fw::prop::String("_FontName", &C::GetFontName, &C::SetFontName),
                fw::prop::String("_Text", &C::GetText, &C::SelectText),
                fw::prop::String("ItemsString", &C::GetItemsString, &C::SetItemsString),
                fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
                fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
                sp::OnClick(),
                fw::prop::Event("OnCloseUp", fw::NotifyEventType, &C::OnCloseUp),
                sp::OnContextPopup(),
                sp::OnDblClick(),
                sp::DragEvents(),
                fw::prop::Event("OnDrawItem", DrawItemEventType, &C::OnDrawItem),
                fw::prop::Event("OnDropDown", fw::NotifyEventType, &C::OnDropDown),
                sp::DockEvents(),
                sp::FocusEvents(),
                sp::KeyEvents(),
                fw::prop::Event("OnMeasureItem", MeasureItemEventType, &C::OnMeasureItem),
                fw::prop::Event("OnSelect", fw::NotifyEventType, &C::OnSelect),
                sp::BevelMembers(),
            },
        fw::MakeFactory<Te3_ComboBox>(),
    };
    return info;
}

} // namespace e3
