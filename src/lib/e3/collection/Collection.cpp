#include "e3/collection/Collection.h"

#include "e3/common/EngineImages.h"
#include "e3/display/Bevel.h"
#include "e3/grids/DLDrawGrid.h"
#include "e3/menus/Menus.h"
#include "framework/KeyCodes.h"
#include "framework/StandardProps.h"
#include "u3/StrLib.h"

#include <QKeySequence>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace e3 {

const fw::TEnumType CollStyleType {"TCollStyle", {"csONL", "csTable"}};

namespace {

constexpr int32_t ButtonWidth = 30;
constexpr int32_t DropDownButtonWidth = 39;
constexpr uint16_t VkInsert = 45;
constexpr uint16_t VkDelete = 46;
constexpr uint16_t VkAdd = 107;

bool IsBlank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// A shortcut text such as "Ctrl+N" as a virtual-key code with the shift bits
// 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt; 0 for a text that names no key.
int32_t TextToShortCut(const std::string& text)
{
    const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(text), QKeySequence::PortableText);
    if (sequence.isEmpty())
        return 0;
    const QKeyCombination combination = sequence[0];
    return fw::ShortCutFromQt(combination.key(), combination.keyboardModifiers());
}

void UpdateButtonWidth(Te3_CollSpeedButton& button)
{
    button.SetWidth(button.GetMarkDropDown() && button.GetDropDownMenu() ? DropDownButtonWidth : ButtonWidth);
}

// The collection whose bar (or the collection itself) is parent.
Te3BaseCollection* CollectionOfParent(fw::TWinControl* parent)
{
    if (!parent)
        return nullptr;
    if (auto* collection = dynamic_cast<Te3BaseCollection*>(parent))
        return collection;
    fw::TWinControl* left = parent->Parent();
    auto* collection = left ? dynamic_cast<Te3BaseCollection*>(left->Parent()) : nullptr;
    return collection && collection->ButtonBar() == parent ? collection : nullptr;
}

} // namespace

QImage CollectionGlyph(const std::string& name)
{
    const std::string upper = u3::UpperCase(name);
    if (upper != "NEW" && upper != "DELETE")
        return {};
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    if (upper == "NEW") {
        p.setBrush(QColor(0, 128, 0));
        p.drawRect(7, 2, 2, 12);
        p.drawRect(2, 7, 12, 2);
    } else {
        p.setPen(QPen(QColor(192, 0, 0), 2));
        p.drawLine(3, 3, 12, 12);
        p.drawLine(12, 3, 3, 12);
    }
    return image;
}

// --- button ------------------------------------------------------------------------

const fw::TClassInfo& Te3_CollSpeedButton::StaticClass()
{
    using C = Te3_CollSpeedButton;
    static const fw::TClassInfo info {
        "Te3_CollSpeedButton",
        &Te3_SpeedButton::StaticClass(),
        fw::TRows<Te3_CollSpeedButton> {
            fw::prop::String("FunctionName", &C::GetFunctionName, &C::SetFunctionName),
            fw::prop::String("GlyphName", &C::GetGlyphName, &C::SetGlyphName),
            // Hides the button's click event: the click belongs to the collection.
            fw::prop::Boolean("OnClick", &C::GetClickHidden, nullptr),
        },
        fw::MakeFactory<Te3_CollSpeedButton>(),
    };
    return info;
}

Te3_CollSpeedButton::Te3_CollSpeedButton(fw::TComponent* owner)
    : Te3_SpeedButton(owner)
{
}

Te3_CollSpeedButton::~Te3_CollSpeedButton()
{
    if (Te3BaseCollection* collection = collection_.get())
        collection->Leave(this);
}

void Te3_CollSpeedButton::SetFunctionName(const std::string& value)
{
    if (value == functionName_)
        return;
    const std::string old = functionName_;
    functionName_ = value;
    try {
        Rename();
    } catch (...) {
        functionName_ = old;
        throw;
    }
}

void Te3_CollSpeedButton::SetGlyphName(const std::string& value)
{
    glyphName_ = value;
    if (value.empty())
        return;
    const QImage glyph = CollectionGlyph(value);
    if (!glyph.isNull())
        AssignGlyph(glyph);
}

void Te3_CollSpeedButton::SetName(const std::string&)
{
}

void Te3_CollSpeedButton::Rename()
{
    Te3BaseCollection* collection = collection_.get();
    // An unnamed collection leaves its buttons unnamed: two such collections
    // on one form would otherwise both claim "New". A button without a
    // function name yet (a described one gets its parent first) would take
    // the collection's own name.
    if (!collection || collection->GetName().empty() || functionName_.empty())
        return;
    fw::TComponent::SetName(collection->GetName() + functionName_);
}

void Te3_CollSpeedButton::SetParent(fw::TWinControl* parent)
{
    // A button put on the collection itself goes into its bar.
    if (auto* collection = dynamic_cast<Te3BaseCollection*>(parent))
        parent = collection->ButtonBar();
    Te3_SpeedButton::SetParent(parent);
    Te3BaseCollection* old = collection_.get();
    Te3BaseCollection* now = CollectionOfParent(parent);
    if (old == now)
        return;
    if (old)
        old->Leave(this);
    if (now) {
        now->Join(this);
        Rename();
    }
}

void Te3_CollSpeedButton::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    Te3_SpeedButton::SetBounds(left, top, width, height);
    if (Te3BaseCollection* collection = collection_.get())
        collection->KeepHiddenButtonsBehind();
}

void Te3_CollSpeedButton::SetVisible(bool value)
{
    Te3_SpeedButton::SetVisible(value);
    if (Te3BaseCollection* collection = collection_.get())
        collection->KeepHiddenButtonsBehind();
}

// --- base collection ---------------------------------------------------------------

const fw::TClassInfo& Te3BaseCollection::StaticClass()
{
    static const fw::TClassInfo info {"Te3BaseCollection", &Te3CustomPanel::StaticClass(), {}};
    return info;
}

Te3BaseCollection::Te3BaseCollection(fw::TComponent* owner)
    : Te3CustomPanel(owner)
    , images_(std::make_unique<fw::TImageList>(nullptr))
{
    SetBevelOuter(bvNone);
    SetText("");
    SetBounds(0, 0, 448, 240);

    leftPanel_ = new Te3_Panel(this);
    leftPanel_->SetParent(this);
    leftPanel_->SetBevelOuter(bvNone);
    leftPanel_->SetBorderStyle(pbsSingle);
    leftPanel_->SetText("");
    leftPanel_->SetTabOrder(0);
    leftPanel_->SetBounds(0, 0, 180, GetHeight());
    leftPanel_->SetAlign(fw::alLeft);

    buttonBar_ = new Te3_Panel(this);
    buttonBar_->SetParent(leftPanel_);
    buttonBar_->SetBevelOuter(bvNone);
    buttonBar_->SetText("");
    buttonBar_->SetTabOrder(0);
    buttonBar_->SetBounds(0, 0, 180, 29);
    buttonBar_->SetAlign(fw::alTop);

    separator_ = new Te3_Bevel(this);
    separator_->SetParent(leftPanel_);
    separator_->SetShape(bsTopLine);
    separator_->SetBounds(0, 29, 180, 1);
    separator_->SetAlign(fw::alTop);

    grid_ = new Te3_DLDrawGrid(this);
    grid_->SetParent(leftPanel_);
    grid_->SetOptions(grid_->GetOptions() | GridOption(goRowSelect));
    grid_->SetColCount(1);
    grid_->SetRowCount(2);
    grid_->SetFixedCols(0);
    grid_->SetFixedRows(0);
    grid_->SetAdjustRows(false);
    grid_->SetTabStop(true);
    grid_->SetTabOrder(1);
    grid_->SetAlign(fw::alClient);
}

Te3BaseCollection::~Te3BaseCollection()
{
    // The buttons go with the bar, after this part of the object.
    for (Te3_CollSpeedButton* button : buttons_)
        button->collection_ = {};
    buttons_.clear();
}

void Te3BaseCollection::KeepHiddenButtonsBehind()
{
    if (arranging_)
        return;
    // The bar's order: by Left, then by child order.
    std::vector<Te3_CollSpeedButton*> order;
    for (fw::TControl* child : buttonBar_->ChildControls())
        if (auto* button = dynamic_cast<Te3_CollSpeedButton*>(child))
            order.push_back(button);
    std::stable_sort(order.begin(), order.end(),
                     [](const Te3_CollSpeedButton* a, const Te3_CollSpeedButton* b) { return a->GetLeft() < b->GetLeft(); });
    const auto firstHidden = std::find_if(order.begin(), order.end(), [](auto* b) { return !b->GetVisible(); });
    if (std::none_of(firstHidden, order.end(), [](auto* b) { return b->GetVisible(); }))
        return;
    std::stable_partition(order.begin(), order.end(), [](auto* b) { return b->GetVisible(); });
    const bool held = fw::LayoutHold::Active();
    arranging_ = true;
    {
        const fw::LayoutHold hold;
        // Visible buttons at their packed places, hidden ones after them.
        int32_t x = 0;
        for (Te3_CollSpeedButton* button : order) {
            button->SetLeft(x);
            x += button->GetVisible() ? std::max(1, button->GetWidth()) : 1;
        }
    }
    arranging_ = false;
    if (!held)
        buttonBar_->AlignControls();
}

bool Te3BaseCollection::IsTranslatable(const std::string& propName) const
{
    return WordListContains("HINT", propName);
}

const fw::TClassInfo& Te3BaseCollection::GetLanguageClass() const
{
    return Te3Collection::StaticClass();
}

void Te3BaseCollection::SetLockedEdit(bool value)
{
    // The cascade reaches the bar's buttons and the grid through the left panel.
    Te3CustomPanel::SetLockedEdit(value);
}

void Te3BaseCollection::SetName(const std::string& name)
{
    Te3CustomPanel::SetName(name);
    SetText("");
    for (Te3_CollSpeedButton* button : buttons_)
        button->Rename();
}

int32_t Te3BaseCollection::GetGridWidth() const { return leftPanel_->GetWidth(); }
void Te3BaseCollection::SetGridWidth(int32_t value) { leftPanel_->SetWidth(value); }
fw::TAlign Te3BaseCollection::GetGridAlign() const { return leftPanel_->GetAlign(); }
void Te3BaseCollection::SetGridAlign(fw::TAlign value) { leftPanel_->SetAlign(value); }
int32_t Te3BaseCollection::GetLeftPanelTabOrder() const { return leftPanel_->GetTabOrder(); }
void Te3BaseCollection::SetLeftPanelTabOrder(int32_t value) { leftPanel_->SetTabOrder(value); }
bool Te3BaseCollection::GetLeftPanelTabStop() const { return leftPanel_->GetTabStop(); }
void Te3BaseCollection::SetLeftPanelTabStop(bool value) { leftPanel_->SetTabStop(value); }
int32_t Te3BaseCollection::GetGridDefaultRowHeight() const { return grid_->GetDefaultRowHeight(); }
void Te3BaseCollection::SetGridDefaultRowHeight(int32_t value) { grid_->SetDefaultRowHeight(value); }
int32_t Te3BaseCollection::GetGridColor() const { return grid_->GetColor(); }
void Te3BaseCollection::SetGridColor(int32_t value) { grid_->SetColor(value); }
int32_t Te3BaseCollection::GetColorTwo() const { return grid_->GetColorTwo(); }
void Te3BaseCollection::SetColorTwo(int32_t value) { grid_->SetColorTwo(value); }
bool Te3BaseCollection::GetTwoColors() const { return grid_->GetTwoColors(); }
void Te3BaseCollection::SetTwoColors(bool value) { grid_->SetTwoColors(value); }

void Te3BaseCollection::SetMenuPosition(e3DropDownMenuPos value)
{
    menuPosition_ = value;
    for (Te3_CollSpeedButton* button : buttons_)
        button->SetMenuPosition(value);
}

void Te3BaseCollection::SetStyle(TCollStyle value)
{
    if (value == style_)
        return;
    style_ = value;
    grid_->SetFixedRows(value == csTable ? 1 : 0);
}

int32_t Te3BaseCollection::IndexOfButton(const fw::TObject* button) const
{
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    return it == buttons_.end() ? -1 : static_cast<int32_t>(it - buttons_.begin());
}

Te3_CollSpeedButton* Te3BaseCollection::FindButton(const std::string& functionName) const
{
    for (Te3_CollSpeedButton* button : buttons_)
        if (u3::SameText(button->GetFunctionName(), functionName))
            return button;
    return nullptr;
}

Te3_CollSpeedButton* Te3BaseCollection::AddButton(const std::string& functionName, const std::string& glyphName)
{
    auto* button = new Te3_CollSpeedButton(Owner());
    button->functionName_ = functionName;
    button->SetFlat(true);
    button->SetText("");
    button->SetSpacing(2);
    button->SetGroupIndex(0);
    button->SetAllowAllUp(false);
    button->SetGlyphName(glyphName);
    const int32_t width = button->GetMarkDropDown() && button->GetDropDownMenu() ? DropDownButtonWidth : ButtonWidth;
    button->SetBounds(ButtonCount() * width, 0, width, buttonBar_->GetHeight());
    button->SetAlign(fw::alLeft);
    button->SetParent(buttonBar_);
    return button;
}

void Te3BaseCollection::Join(Te3_CollSpeedButton* button)
{
    if (IndexOfButton(button) < 0)
        buttons_.push_back(button);
    button->collection_ = this;
    button->SetMenuPosition(menuPosition_);
    button->OnClick = [this](fw::TObject* sender) { DispatchClick(sender); };
}

void Te3BaseCollection::Leave(Te3_CollSpeedButton* button)
{
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button), buttons_.end());
    button->collection_ = {};
    button->OnClick = nullptr;
}

void Te3BaseCollection::DispatchClick(fw::TObject* sender)
{
    if (auto* button = dynamic_cast<SpeedButtonBase*>(sender)) {
        ButtonClick(button, -1);
        return;
    }
    if (auto* item = dynamic_cast<Te3MenuItem*>(sender)) {
        TMenuBase* menu = item->GetMenu();
        if (!menu)
            throw fw::EComponentError("Can't find menu for AMenuItem");
        auto* button = dynamic_cast<Te3SpeedButton*>(menu->Owner());
        if (!button)
            throw fw::EComponentError("Owner class of AMenuItem is not Te3SpeedButton");
        ButtonClick(button, item->GetMenuIndex());
        return;
    }
    if (auto* menu = dynamic_cast<Te3CustomPopupMenu*>(sender)) {
        ButtonClick(menu->Owner(), -1);
        return;
    }
    throw fw::EComponentError("Wrong sender classname " + (sender ? sender->ClassName() : std::string("nil")));
}

void Te3BaseCollection::ButtonClick(fw::TObject* button, int32_t menuItemIndex)
{
    if (!OnCollButtonClick)
        return;
    auto* collButton = dynamic_cast<Te3_CollSpeedButton*>(button);
    OnCollButtonClick(this, collButton ? collButton->GetFunctionName() : std::string(), IndexOfButton(button),
                      menuItemIndex);
}

int32_t Te3BaseCollection::ImageIndexFor(const std::string& imageName)
{
    const auto it = std::find(imageNames_.begin(), imageNames_.end(), imageName);
    if (it != imageNames_.end())
        return static_cast<int32_t>(it - imageNames_.begin());
    if (IsBlank(imageName))
        return -1;
    const QImage picture = EngineImage(imageName);
    if (picture.isNull())
        return -1;
    imageNames_.push_back(imageName);
    return images_->AddMasked(picture, 0xFFFFFF);
}

void Te3BaseCollection::ActNewButtonMenuAddItem(const std::string& value)
{
    Te3_CollSpeedButton* button = FindButton("New");
    if (!button)
        return;
    Te3CustomPopupMenu* menu = button->GetDropDownMenu();
    if (!menu) {
        menu = new Te3_PopupMenu(button);
        button->SetDropDownMenu(menu);
        UpdateButtonWidth(*button);
    }
    menu->OnPopup = [this](fw::TObject* sender) { DispatchClick(sender); };
    menu->SetImages(images_.get());

    auto* item = new Te3MenuItem(menu);
    item->SetCaption(u3::ValueFieldDef(value, 0, ""));
    const std::string shortCut = u3::ValueFieldDef(value, 2, "");
    if (!shortCut.empty())
        item->SetShortCut(TextToShortCut(shortCut));
    item->SetImageIndex(ImageIndexFor(u3::ValueFieldDef(value, 1, "")));
    menu->Items()->Add(item);
    item->SetName("mni" + GetName() + "New" + std::to_string(item->GetMenuIndex()));
    item->OnClick = [this](fw::TObject* sender) { DispatchClick(sender); };
}

void Te3BaseCollection::ActNewButtonMenuClear(const std::string&)
{
    Te3_CollSpeedButton* button = FindButton("New");
    if (!button)
        return;
    Te3CustomPopupMenu* menu = button->GetDropDownMenu();
    if (!menu)
        return;
    button->SetDropDownMenu(nullptr);
    delete menu;
    UpdateButtonWidth(*button);
}

// --- custom collection -------------------------------------------------------------

const fw::TClassInfo& Te3CustomCollection::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomCollection", &Te3BaseCollection::StaticClass(), {}};
    return info;
}

Te3CustomCollection::Te3CustomCollection(fw::TComponent* owner)
    : Te3BaseCollection(owner)
{
    AddButton("New", "NEW");
    AddButton("Delete", "DELETE");
}

bool Te3CustomCollection::TakeChildKey(fw::TWinControl* focused, uint16_t key, fw::TShiftState shift)
{
    if (Te3_CollSpeedButton* button = FindButton("New"); button && button->GetDropDownMenu()) {
        int32_t shortCut = key;
        if (shift & (1u << fw::ssShift))
            shortCut |= 0x2000;
        if (shift & (1u << fw::ssCtrl))
            shortCut |= 0x4000;
        if (shift & (1u << fw::ssAlt))
            shortCut |= 0x8000;
        Te3MenuItem* items = button->GetDropDownMenu()->Items();
        for (int32_t i = 0; i < items->GetCount(); ++i) {
            Te3MenuItem* item = items->Items(i);
            if (item->GetShortCut() == shortCut && item->GetEnabled() && item->GetVisible()) {
                item->Click();
                return true;
            }
        }
    }
    const bool command = key == VkInsert || key == VkAdd
        || (key == VkDelete && dynamic_cast<Te3CustomDLDrawGrid*>(focused) != nullptr);
    if (!command)
        return false;
    QTimer::singleShot(0, [guard = fw::Guard<Te3CustomCollection>(this), key] {
        if (Te3CustomCollection* collection = guard.get())
            collection->KeyCommand(key);
    });
    return true;
}

void Te3CustomCollection::KeyCommand(uint16_t key)
{
    const char* function = key == VkInsert || key == VkAdd ? "New" : key == VkDelete ? "Delete" : nullptr;
    if (!function)
        return;
    fw::Guard<Te3_CollSpeedButton> button(FindButton(function));
    if (!button)
        return;
    button->Click();
    if (!button)
        return;
    if (Te3CustomPopupMenu* menu = button->GetDropDownMenu()) {
        QWidget* client = ClientWidget();
        const QPoint corner = button->Widget()->mapTo(client, QPoint(0, button->GetHeight()));
        const QPoint at = client->mapToGlobal(corner);
        menu->SetPopupComponent(button.get());
        menu->Popup(at.x(), at.y());
    }
}

// --- published classes -------------------------------------------------------------

const fw::TClassInfo& Te3Collection::StaticClass()
{
    using C = Te3Collection;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Collection",
        &Te3CustomCollection::StaticClass(),
        fw::TRows<Te3Collection> {
            fw::prop::Integer("Color", &C::GetGridColor, &C::SetGridColor),
            fw::prop::Integer("ColorTwo", &C::GetColorTwo, &C::SetColorTwo),
            fw::prop::Boolean("TwoColors", &C::GetTwoColors, &C::SetTwoColors),
            sp::Caption(),
            fw::prop::Enum("Style", CollStyleType, &C::GetStyle, &C::SetStyle),
            sp::TabOrder(),
            sp::TabStop(),
            fw::prop::Boolean("ButtonCaptions", &C::GetButtonCaptions, &C::SetButtonCaptions),
        },
        fw::MakeFactory<Te3Collection>(),
    };
    return info;
}

const fw::TClassInfo& Te3_Collection::StaticClass()
{
    using C = Te3_Collection;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Collection",
        &Te3Collection::StaticClass(),
        fw::TRows<Te3_Collection> {
            fw::prop::Integer("GridWidth", &C::GetGridWidth, &C::SetGridWidth),
            fw::prop::Enum("GridAlign", fw::AlignType, &C::GetGridAlign, &C::SetGridAlign),
            fw::prop::Integer("GridDefaultRowHeight", &C::GetGridDefaultRowHeight, &C::SetGridDefaultRowHeight),
            fw::prop::Object("DrawGrid", Te3_DLDrawGrid::StaticClass(), &C::GetDrawGrid, nullptr),
            fw::prop::Integer("LeftPanelTabOrder", &C::GetLeftPanelTabOrder, &C::SetLeftPanelTabOrder),
            fw::prop::Boolean("LeftPanelTabStop", &C::GetLeftPanelTabStop, &C::SetLeftPanelTabStop),
            fw::prop::Boolean<C>("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::Enum("MenuPosition", DropDownMenuPosType, &C::GetMenuPosition, &C::SetMenuPosition),
            fw::prop::Event("OnCollButtonClick", fw::CollButtonClickEventType, &C::OnCollButtonClick),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            fw::prop::Enum("BevelInner", BevelCutType, &C::GetBevelInner, &C::SetBevelInner),
            fw::prop::Enum("BevelOuter", BevelCutType, &C::GetBevelOuter, &C::SetBevelOuter),
            fw::prop::Integer("BevelWidth", &C::GetBevelWidth, &C::SetBevelWidth),
            fw::prop::Integer("BorderWidth", &C::GetBorderWidth, &C::SetBorderWidth),
            fw::prop::Enum("BorderStyle", PanelBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::StringAction("_NewButtonMenuAddItem", &C::ActNewButtonMenuAddItem),
            fw::prop::StringAction("_NewButtonMenuClear", &C::ActNewButtonMenuClear),
        },
        fw::MakeFactory<Te3_Collection>(),
    };
    return info;
}

} // namespace e3
