#include "e3/Menus.h"

#include "framework/ApplicationException.h"
#include "framework/KeyCodes.h"
#include "framework/StandardProps.h"
#include "u3/StrLib.h"

#include <QAction>
#include <QEvent>
#include <QFont>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cctype>
#include <climits>

namespace e3 {

const fw::TEnumType PopupAlignmentType {"TPopupAlignment", {"paLeft", "paRight", "paCenter"}};

namespace {

// The strict integer conversion: blanks before the number, a sign, decimal or
// "$" hexadecimal digits, nothing after them.
int32_t StrictInteger(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$')
        base = 16, ++i;
    if (i >= text.size())
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
            digit = (std::tolower(static_cast<unsigned char>(c)) - 'a') + 10;
        else
            throw u3::EConvertError("'" + text + "' is not a valid integer value");
        value = value * base + digit;
        if (value > int64_t {INT32_MAX} + 1)
            throw u3::EConvertError("'" + text + "' is not a valid integer value");
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

// Keeps the menu bar as wide as the form's window.
class BarWidthKeeper : public QObject {
public:
    BarWidthKeeper(QWidget* window, QMenuBar* bar) : QObject(bar), window_(window), bar_(bar)
    {
        window->installEventFilter(this);
        Fit();
    }

    void Fit()
    {
        if (window_ && bar_)
            bar_->setGeometry(0, 0, window_->width(), bar_->sizeHint().height());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Resize)
            Fit();
        return false;
    }

private:
    QPointer<QWidget> window_;
    QMenuBar* bar_;
};

} // namespace

QKeySequence ShortCutToKeySequence(int32_t shortCut)
{
    const auto vk = static_cast<uint16_t>(shortCut & 0xFF);
    if (vk == 0)
        return {};
    const fw::QtKeyStroke stroke = fw::QtKeyFromVirtualKey(vk);
    if (!stroke.key)
        return {};
    Qt::KeyboardModifiers mods = stroke.modifiers;
    if (shortCut & 0x2000)
        mods |= Qt::ShiftModifier;
    if (shortCut & 0x4000)
        mods |= Qt::ControlModifier;
    if (shortCut & 0x8000)
        mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(stroke.key)));
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3MenuItem::StaticClass()
{
    using C = Te3MenuItem;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3MenuItem",
        &fw::TComponent::StaticClass(),
        {
            p::Boolean("AutoCheck", &C::GetAutoCheck, &C::SetAutoCheck),
            p::Object("Bitmap", TBitmap::StaticClass(), &C::GetBitmap, &C::SetBitmap),
            p::String("Caption", &C::GetCaption, &C::SetCaption),
            p::Boolean("Checked", &C::GetChecked, &C::SetChecked),
            p::Boolean("Default", &C::GetDefault, &C::SetDefault),
            p::Boolean("Enabled", &C::GetEnabled, &C::SetEnabled),
            p::Integer("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex),
            p::String("Hint", &C::GetHint, &C::SetHint),
            p::Boolean("RadioItem", &C::GetRadioItem, &C::SetRadioItem),
            p::Integer("ShortCut", &C::GetShortCut, &C::SetShortCut),
            p::Boolean("Visible", &C::GetVisible, &C::SetVisible),
            p::Event("OnClick", fw::NotifyEventType, &C::OnClick),
            p::Integer("Count", &C::GetCount, nullptr),
            p::Integer("MenuIndex", &C::GetMenuIndex, nullptr),
            // Its own class is still being built here; the parent is a component.
            p::Object("Parent", fw::TComponent::StaticClass(), &C::GetParent, nullptr),
            p::StringAction("_Clear", &C::_Clear),
        },
        fw::MakeFactory<Te3MenuItem>(),
    };
    return info;
}

Te3MenuItem::Te3MenuItem(fw::TComponent* owner)
    : fw::TComponent(owner)
    , bitmap_(std::make_unique<TBitmap>())
    , action_(new QAction)
{
    bitmap_->OnChange = [this] { UpdateAction(); };
    QObject::connect(action_, &QAction::triggered, [guard = fw::Guard<Te3MenuItem>(this)] {
        fw::RunFromEventLoop([&] {
            if (Te3MenuItem* item = guard.get())
                item->Click();
        });
    });
    UpdateAction();
}

Te3MenuItem::~Te3MenuItem()
{
    std::vector<Te3MenuItem*> items;
    items.swap(items_);
    for (Te3MenuItem* item : items) {
        item->parent_ = nullptr;
        delete item;
    }
    if (parent_)
        parent_->Remove(this);
    delete action_;
    delete subMenu_;
}

void Te3MenuItem::Detach()
{
    if (parent_)
        parent_->Remove(this);
    // The sub-items go with their item, as the engine expects of a freed item.
    std::vector<Te3MenuItem*> items(items_);
    for (Te3MenuItem* item : items)
        item->Release();
}

void Te3MenuItem::UpdateAction()
{
    action_->setSeparator(caption_ == "-");
    action_->setText(QString::fromStdString(caption_));
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    action_->setCheckable(checked_);
    action_->setChecked(checked_);
    action_->setStatusTip(QString::fromStdString(hint_));
    action_->setToolTip(QString::fromStdString(hint_));
    action_->setShortcut(ShortCutToKeySequence(shortCut_));
    QFont font = action_->font();
    font.setBold(default_);
    action_->setFont(font);
    action_->setIcon(bitmap_->Empty() ? QIcon() : QIcon(QPixmap::fromImage(bitmap_->DrawnImage())));
}

void Te3MenuItem::SetCaption(const std::string& value)
{
    caption_ = value;
    UpdateAction();
}

void Te3MenuItem::SetChecked(bool value)
{
    checked_ = value;
    if (value && radioItem_)
        UncheckRadioSiblings();
    UpdateAction();
}

void Te3MenuItem::UncheckRadioSiblings()
{
    if (!parent_)
        return;
    for (Te3MenuItem* other : parent_->items_)
        if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_ && other->checked_) {
            other->checked_ = false;
            other->UpdateAction();
        }
}

void Te3MenuItem::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateAction();
}

void Te3MenuItem::SetVisible(bool value)
{
    visible_ = value;
    UpdateAction();
}

void Te3MenuItem::SetRadioItem(bool value)
{
    radioItem_ = value;
    if (value && checked_)
        UncheckRadioSiblings();
}

void Te3MenuItem::SetGroupIndex(int32_t value)
{
    groupIndex_ = value;
    if (radioItem_ && checked_)
        UncheckRadioSiblings();
}

void Te3MenuItem::SetDefault(bool value)
{
    default_ = value;
    UpdateAction();
}

void Te3MenuItem::SetHint(const std::string& value)
{
    hint_ = value;
    UpdateAction();
}

void Te3MenuItem::SetShortCut(int32_t value)
{
    shortCut_ = value;
    UpdateAction();
}

void Te3MenuItem::SetBitmap(TBitmap* value)
{
    bitmap_->Assign(value ? value->Image() : QImage());
    bitmap_->SetTransparent(value && value->GetTransparent());
}

int32_t Te3MenuItem::GetMenuIndex() const
{
    if (!parent_)
        return -1;
    const auto& siblings = parent_->items_;
    return static_cast<int32_t>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

QWidget* Te3MenuItem::ItemContainer()
{
    if (isRoot_)
        return rootContainer_;
    if (!subMenu_) {
        subMenu_ = new QMenu;
        action_->setMenu(subMenu_);
        // An item with sub-items is clicked when they open, so that its
        // handler can prepare them.
        QObject::connect(subMenu_, &QMenu::aboutToShow, [guard = fw::Guard<Te3MenuItem>(this)] {
            fw::RunFromEventLoop([&] {
                if (Te3MenuItem* item = guard.get())
                    item->Click();
            });
        });
    }
    return subMenu_;
}

void Te3MenuItem::Add(Te3MenuItem* item)
{
    if (!item || item == this)
        return;
    for (Te3MenuItem* p = this; p; p = p->parent_)
        if (p == item)
            throw fw::EComponentError("Menu item inserted twice");
    if (item->parent_)
        item->parent_->Remove(item);
    item->parent_ = this;
    items_.push_back(item);
    if (QWidget* container = ItemContainer())
        container->addAction(item->action_);
}

void Te3MenuItem::Remove(Te3MenuItem* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (QWidget* container = ItemContainer())
        container->removeAction(item->action_);
}

void Te3MenuItem::Clear()
{
    std::vector<Te3MenuItem*> items(items_);
    for (Te3MenuItem* item : items)
        item->Release();
}

Te3MenuItem* Te3MenuItem::FindByName(const std::string& name)
{
    if (fw::SameText(GetName(), name))
        return this;
    for (Te3MenuItem* item : items_)
        if (Te3MenuItem* found = item->FindByName(name))
            return found;
    return nullptr;
}

void Te3MenuItem::Click()
{
    if (!enabled_)
        return;
    if (autoCheck_)
        SetChecked(!checked_);
    else
        UpdateAction(); // Qt toggled its own check mark; ours decides
    if (OnClick)
        OnClick(this);
}

bool AddMenuItemTo(fw::TComponent* parent, fw::TComponent* item)
{
    auto* menuItem = dynamic_cast<Te3MenuItem*>(item);
    if (!menuItem || !parent)
        return false;
    if (auto* menu = dynamic_cast<TMenuBase*>(parent)) {
        menu->Items()->Add(menuItem);
        return true;
    }
    if (auto* under = dynamic_cast<Te3MenuItem*>(parent)) {
        under->Add(menuItem);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------

TMenuBase::TMenuBase(fw::TComponent* owner)
    : fw::TComponent(owner)
    , items_(new Te3MenuItem(nullptr))
{
    items_->isRoot_ = true;
}

TMenuBase::~TMenuBase()
{
    delete items_;
}

const fw::TClassInfo& Te3CustomMainMenu::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomMainMenu", &fw::TComponent::StaticClass(), {}};
    return info;
}

Te3CustomMainMenu::Te3CustomMainMenu(fw::TComponent* owner)
    : TMenuBase(owner)
    , bar_(new QMenuBar)
{
    ShowItemsIn(bar_.data());
    if (auto* form = dynamic_cast<fw::TCustomForm*>(owner); form && form->Widget() &&
                                                              !form->Widget()->findChild<QMenuBar*>())
        AttachTo(form);
}

Te3CustomMainMenu::~Te3CustomMainMenu()
{
    // The items leave the bar before it goes.
    delete items_;
    items_ = nullptr;
    delete bar_.data();
}

void Te3CustomMainMenu::AttachTo(fw::TCustomForm* form)
{
    QWidget* window = form ? form->Widget() : nullptr;
    bar_->setParent(window);
    if (window) {
        new BarWidthKeeper(window, bar_);
        bar_->raise();
        bar_->show();
        form->SetMenuBar(bar_);
    }
}

bool Te3CustomMainMenu::IsTranslatable(const std::string&) const
{
    // Its items are judged one by one as menu items.
    return false;
}

const fw::TClassInfo& Te3CustomMainMenu::GetLanguageClass() const
{
    return Te3MainMenu::StaticClass();
}

void Te3CustomMainMenu::_ItemImage(const std::string& value)
{
    const std::string itemName = u3::ValueFieldDef(value, 0, "");
    const std::string imageName = u3::ValueFieldDef(value, 1, "");
    Te3MenuItem* item = items_->FindByName(itemName);
    if (!item || u3::TrimCollapseBlanks(imageName).empty())
        return;
    item->GetBitmap()->Assign(EngineImage(imageName));
    item->GetBitmap()->SetTransparent(true);
}

const fw::TClassInfo& Te3MainMenu::StaticClass()
{
    static const fw::TClassInfo info {"Te3MainMenu", &Te3CustomMainMenu::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3_MainMenu::StaticClass()
{
    using C = Te3_MainMenu;
    static const fw::TClassInfo info {
        "Te3_MainMenu",
        &Te3MainMenu::StaticClass(),
        {
            fw::prop::StringAction("_Clear", &C::_Clear),
            fw::prop::StringAction("_ItemImage", &C::_ItemImage),
        },
        fw::MakeFactory<Te3_MainMenu>(),
    };
    return info;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomPopupMenu::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomPopupMenu", &fw::TComponent::StaticClass(), {}};
    return info;
}

Te3CustomPopupMenu::Te3CustomPopupMenu(fw::TComponent* owner)
    : TMenuBase(owner)
    , menu_(new QMenu)
{
    ShowItemsIn(menu_);
    QObject::connect(menu_, &QMenu::aboutToShow, [guard = fw::Guard<Te3CustomPopupMenu>(this)] {
        fw::RunFromEventLoop([&] {
            if (Te3CustomPopupMenu* menu = guard.get(); menu && menu->OnPopup)
                menu->OnPopup(menu);
        });
    });
}

Te3CustomPopupMenu::~Te3CustomPopupMenu()
{
    delete items_;
    items_ = nullptr;
    delete menu_;
}

bool Te3CustomPopupMenu::IsTranslatable(const std::string& propName) const
{
    return WordListContains("CAPTION HINT", propName);
}

const fw::TClassInfo& Te3CustomPopupMenu::GetLanguageClass() const
{
    return Te3PopupMenu::StaticClass();
}

QPoint Te3CustomPopupMenu::PlacedAt(int x, int y)
{
    lastPoint_ = QPoint(x, y);
    const int width = menu_->sizeHint().width();
    switch (alignment_) {
    case paRight: return {x - width, y};
    case paCenter: return {x - width / 2, y};
    default: return {x, y};
    }
}

void Te3CustomPopupMenu::Popup(int x, int y)
{
    menu_->popup(PlacedAt(x, y));
}

void Te3CustomPopupMenu::PopupFor(fw::TComponent* component, int screenX, int screenY)
{
    SetPopupComponent(component);
    Popup(screenX, screenY);
}

void Te3CustomPopupMenu::PopupAndWait(int x, int y)
{
    menu_->exec(PlacedAt(x, y));
}

void Te3CustomPopupMenu::_Popup(const std::string& value)
{
    QPoint point(StrictInteger(u3::ValueFieldDef(value, 0, "")), StrictInteger(u3::ValueFieldDef(value, 1, "")));
    if (auto* control = dynamic_cast<fw::TControl*>(Owner()); control && control->Widget())
        point = control->Widget()->mapToGlobal(point);
    Popup(point.x(), point.y());
}

const fw::TClassInfo& Te3PopupMenu::StaticClass()
{
    using C = Te3PopupMenu;
    static const fw::TClassInfo info {
        "Te3PopupMenu",
        &Te3CustomPopupMenu::StaticClass(),
        {
            fw::prop::Enum("Alignment", PopupAlignmentType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Boolean("AutoPopup", &C::GetAutoPopup, &C::SetAutoPopup),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_PopupMenu::StaticClass()
{
    using C = Te3_PopupMenu;
    static const fw::TClassInfo info {
        "Te3_PopupMenu",
        &Te3PopupMenu::StaticClass(),
        {
            fw::prop::StringAction("_Clear", &C::_Clear),
            fw::prop::StringAction("_Popup", &C::_Popup),
            fw::prop::Event("OnPopup", fw::NotifyEventType, &C::OnPopup),
        },
        fw::MakeFactory<Te3_PopupMenu>(),
    };
    return info;
}

} // namespace e3
