#include "e3/menus/Menus.h"

#include "e3/common/CommandGate.h"
#include "e3/menus/MenuWidgets.h"

#include "framework/ApplicationException.h"
#include "framework/KeyCodes.h"
#include "framework/StandardProps.h"
#include "u3/StrLib.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QSet>
#include <QStyleOptionMenuItem>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <climits>

namespace e3 {

const fw::TEnumType PopupAlignmentType {"TPopupAlignment", {"paLeft", "paRight", "paCenter"}};
const fw::TEnumType MenuAutoFlagType {"TMenuAutoFlag", {"maAutomatic", "maManual", "maParent"}};
const fw::TEnumType MenuBreakType {"TMenuBreak", {"mbNone", "mbBreak", "mbBarBreak"}};
const fw::TEnumType TrackButtonType {"TTrackButton", {"tbRightButton", "tbLeftButton"}};
const fw::TEnumType MenuAnimationType {
    "TMenuAnimation", {"maLeftToRight", "maRightToLeft", "maTopToBottom", "maBottomToTop", "maNone"}};

const fw::TEventType MenuDrawItemEventType {"TMenuDrawItemEvent", typeid(TMenuDrawItemEvent)};
const fw::TEventType AdvancedMenuDrawItemEventType {"TAdvancedMenuDrawItemEvent", typeid(TAdvancedMenuDrawItemEvent)};
const fw::TEventType MenuMeasureItemEventType {"TMenuMeasureItemEvent", typeid(TMenuMeasureItemEvent)};
const fw::TEventType MenuChangeEventType {"TMenuChangeEvent", typeid(TMenuChangeEvent)};

namespace {

// The accelerator a caption marks with "&" (lower case); null for none.
QChar AcceleratorOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&'))
                return text[i + 1].toLower();
            ++i; // "&&" shows one ampersand
        }
    return {};
}

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

namespace {

// The framework's menu item under its own name: forms, the class registry and
// the translation know menu items as "TMenuItem" and everything derived from it.
const fw::TClassInfo& FrameworkMenuItemClass()
{
    static const fw::TClassInfo info {"TMenuItem", &fw::TComponent::StaticClass(), {}};
    return info;
}

} // namespace

const fw::TClassInfo& Te3MenuItem::StaticClass()
{
    using C = Te3MenuItem;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3MenuItem",
        &FrameworkMenuItemClass(),
        fw::TRows<Te3MenuItem> {
            p::Boolean("AutoCheck", &C::GetAutoCheck, &C::SetAutoCheck),
            p::Enum("AutoHotkeys", MenuAutoFlagType, &C::GetAutoHotkeys, &C::SetAutoHotkeys),
            p::Enum("AutoLineReduction", MenuAutoFlagType, &C::GetAutoLineReduction, &C::SetAutoLineReduction),
            p::Object("Bitmap", TBitmap::StaticClass(), &C::GetBitmap, &C::SetBitmap),
            p::Enum("Break", MenuBreakType, &C::GetBreak, &C::SetBreak),
            p::String("Caption", &C::GetCaption, &C::SetCaption),
            p::Boolean("Checked", &C::GetChecked, &C::SetChecked),
            p::Boolean("Default", &C::GetDefault, &C::SetDefault),
            p::Boolean("Enabled", &C::GetEnabled, &C::SetEnabled),
            p::Integer("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex),
            p::Integer("HelpContext", &C::GetHelpContext, &C::SetHelpContext),
            p::String("Hint", &C::GetHint, &C::SetHint),
            p::Integer("ImageIndex", &C::GetImageIndex, &C::SetImageIndex),
            p::Object("Action", fw::TBasicAction::StaticClass(), &C::GetAction, &C::SetAction),
            p::Object("SubMenuImages", fw::TCustomImageList::StaticClass(), &C::GetSubMenuImages,
                      &C::SetSubMenuImages),
            p::Boolean("RadioItem", &C::GetRadioItem, &C::SetRadioItem),
            p::Integer("ShortCut", &C::GetShortCut, &C::SetShortCut),
            p::Boolean("Visible", &C::GetVisible, &C::SetVisible),
            p::Event("OnAdvancedDrawItem", AdvancedMenuDrawItemEventType, &C::OnAdvancedDrawItem),
            p::Event("OnClick", fw::NotifyEventType, &C::OnClick),
            p::Event("OnDrawItem", MenuDrawItemEventType, &C::OnDrawItem),
            p::Event("OnMeasureItem", MenuMeasureItemEventType, &C::OnMeasureItem),
            p::Integer("Count", &C::GetCount, nullptr),
            p::Integer("MenuIndex", &C::GetMenuIndex, nullptr),
            // Its own class is still being built here; the parent is a component.
            p::Object("Parent", fw::TComponent::StaticClass(), &C::GetParent, nullptr),
            p::StringAction("_Clear", &C::ClearByEngine),
        },
        fw::MakeFactory<Te3MenuItem>(),
    };
    return info;
}

Te3MenuItem::Te3MenuItem(fw::TComponent* owner)
    : fw::TComponent(owner)
    , bitmap_(std::make_unique<TBitmap>())
    , action_(new ItemAction(this))
{
    bitmap_->OnChange = [this] {
        UpdateAction();
        ItemChanged();
    };
    QObject::connect(action_.get(), &QAction::triggered, [guard = fw::Guard<Te3MenuItem>(this)] {
        fw::RunFromEventLoop([&] {
            if (Te3MenuItem* item = guard.get(); item && CommandAllowed(item) && guard)
                guard->Click();
        });
    });
    UpdateAction();
}

Te3MenuItem::~Te3MenuItem()
{
    actionLink_.reset();
    std::vector<Te3MenuItem*> items;
    items.swap(items_);
    for (Te3MenuItem* item : items) {
        item->parent_ = nullptr;
        delete item;
    }
    if (parent_)
        parent_->Remove(this);
    action_.reset();
    subMenu_.reset();
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
    // A separator with a text would show as a titled section.
    action_->setText(action_->isSeparator() ? QString() : shownText_);
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
    QImage icon = bitmap_->DrawnImage();
    if (icon.isNull() && imageIndex_ >= 0)
        if (const fw::TCustomImageList* list = ImageList())
            icon = list->GetImage(imageIndex_);
    action_->setIcon(icon.isNull() ? QIcon() : QIcon(QPixmap::fromImage(icon)));
}

fw::TCustomImageList* Te3MenuItem::ImageList() const
{
    for (const Te3MenuItem* p = parent_; p; p = p->parent_) {
        if (fw::TCustomImageList* list = p->subMenuImages_.get())
            return list;
        if (p->isRoot_ && p->menu_)
            return p->menu_->GetImages();
    }
    return nullptr;
}

void Te3MenuItem::SetImageIndex(int32_t value)
{
    if (value == imageIndex_)
        return;
    imageIndex_ = value;
    UpdateAction();
    ItemChanged();
}

void Te3MenuItem::SetSubMenuImages(fw::TCustomImageList* value)
{
    subMenuImages_ = value;
    for (Te3MenuItem* item : items_)
        item->UpdateIcons();
}

void Te3MenuItem::UpdateIcons()
{
    UpdateAction();
    for (Te3MenuItem* item : items_)
        item->UpdateIcons();
}

fw::TBasicAction* Te3MenuItem::GetAction() const
{
    return fw::TActionLink::Linked(actionLink_);
}

void Te3MenuItem::SetAction(fw::TBasicAction* action)
{
    fw::TActionLink::Link(actionLink_, action,
                          [this](fw::TBasicAction* a, bool checkDefaults) { ActionChange(a, checkDefaults); });
}

void Te3MenuItem::ActionChange(fw::TBasicAction* sender, bool checkDefaults)
{
    auto* action = dynamic_cast<fw::TCustomAction*>(sender);
    if (!action)
        return;
    fw::Guard<Te3MenuItem> self(this);
    // Each write may run the menu's change handler, which may free the item.
    const auto step = [&](bool atDefault, auto&& write) {
        if (self && (!checkDefaults || atDefault))
            write();
    };
    step(!autoCheck_, [&] { SetAutoCheck(action->GetAutoCheck()); });
    step(caption_.empty(), [&] { SetCaption(action->GetCaption()); });
    step(!checked_, [&] { SetChecked(action->GetChecked()); });
    step(enabled_, [&] { SetEnabled(action->GetEnabled()); });
    step(helpContext_ == 0, [&] { SetHelpContext(action->GetHelpContext()); });
    step(hint_.empty(), [&] { SetHint(action->GetHint()); });
    step(imageIndex_ == -1, [&] { SetImageIndex(action->GetImageIndex()); });
    step(shortCut_ == 0, [&] { SetShortCut(action->GetShortCut()); });
    step(visible_, [&] { SetVisible(action->GetVisible()); });
}

void Te3MenuItem::SetCaption(const std::string& value)
{
    const bool changed = value != caption_;
    caption_ = value;
    // As written until the list's accelerators are worked out again.
    shownText_ = QString::fromStdString(caption_);
    UpdateAction();
    if (!changed)
        return;
    if (parent_)
        parent_->ListChanged();
    ItemChanged();
}

void Te3MenuItem::SetChecked(bool value)
{
    const bool changed = value != checked_;
    checked_ = value;
    if (value && radioItem_)
        UncheckRadioSiblings();
    else
        UpdateAction();
    if (changed)
        ItemChanged();
}

void Te3MenuItem::UncheckRadioSiblings()
{
    UpdateAction();
    if (!parent_)
        return;
    std::vector<fw::Guard<Te3MenuItem>> unchecked;
    for (Te3MenuItem* other : parent_->items_)
        if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_ && other->checked_) {
            other->checked_ = false;
            other->UpdateAction();
            unchecked.emplace_back(other);
        }
    // Handlers come once the list is consistent; any of them may free items.
    for (const auto& guard : unchecked)
        if (Te3MenuItem* other = guard.get())
            other->ItemChanged();
}

void Te3MenuItem::SetEnabled(bool value)
{
    const bool changed = value != enabled_;
    enabled_ = value;
    UpdateAction();
    if (changed)
        ItemChanged();
}

void Te3MenuItem::SetVisible(bool value)
{
    const bool changed = value != visible_;
    visible_ = value;
    UpdateAction();
    if (!changed)
        return;
    if (parent_)
        parent_->ListChanged();
    ItemChanged();
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

void Te3MenuItem::SetAutoFlag(TMenuAutoFlag Te3MenuItem::*flag, TMenuAutoFlag value)
{
    if (value < maAutomatic || value > maParent || value == this->*flag)
        return;
    this->*flag = value;
    SubtreeListsChanged();
}

TMenuAutoFlag Te3MenuItem::EffectiveAutoFlag(TMenuAutoFlag Te3MenuItem::*flag) const
{
    for (const Te3MenuItem* p = this; p; p = p->parent_)
        if (p->*flag != maParent)
            return p->*flag;
    return maAutomatic;
}

TMenuBase* Te3MenuItem::GetMenu() const
{
    const Te3MenuItem* root = this;
    while (root->parent_)
        root = root->parent_;
    return root->isRoot_ ? root->menu_ : nullptr;
}

void Te3MenuItem::Changed(Te3MenuItem* source, bool rebuild)
{
    TMenuBase* menu = GetMenu();
    if (!menu || !menu->OnChange)
        return;
    // The handler may bind another one, or free the menu.
    const TMenuChangeEvent handler = menu->OnChange;
    handler(menu, source, rebuild);
}

void Te3MenuItem::PrepareToShow()
{
    RefreshList();
    // Owner-drawn items are measured afresh: their handlers may have changed.
    const TMenuBase* menu = GetMenu();
    QWidget* container = isRoot_ ? rootContainer_.data() : subMenu_.get();
    if (menu && container)
        menu->ApplyBiDiMode(container);
    if (menu && menu->GetOwnerDraw() && container) {
        QEvent styleChange(QEvent::StyleChange);
        QCoreApplication::sendEvent(container, &styleChange);
    }
}

void Te3MenuItem::SetShownText(const QString& text)
{
    if (text == shownText_)
        return;
    shownText_ = text;
    if (!action_->isSeparator())
        action_->setText(text);
}

void Te3MenuItem::ListChanged()
{
    listDirty_ = true;
    if (refreshPosted_)
        return;
    refreshPosted_ = true;
    // One refresh however many changes come before the event loop runs; the
    // timer dies with the action, that is with the item.
    QTimer::singleShot(0, action_.get(), [this] {
        refreshPosted_ = false;
        if (listDirty_)
            RefreshList();
    });
}

void Te3MenuItem::SubtreeListsChanged()
{
    if (items_.empty())
        return;
    ListChanged();
    for (Te3MenuItem* item : items_)
        item->SubtreeListsChanged();
}

void Te3MenuItem::RefreshList()
{
    listDirty_ = false;
    QWidget* container = isRoot_ ? rootContainer_.data() : subMenu_.get();
    if (auto* menu = qobject_cast<QMenu*>(container))
        // Also has the menu size its items again before it shows.
        menu->setSeparatorsCollapsible(EffectiveAutoLineReduction() == maAutomatic);

    const bool automatic = EffectiveAutoHotkeys() == maAutomatic;
    auto shown = [](const Te3MenuItem* item) { return item->visible_ && item->caption_ != "-"; };
    QSet<QChar> used;
    if (automatic)
        for (const Te3MenuItem* item : items_)
            if (shown(item))
                if (const QChar key = AcceleratorOf(QString::fromStdString(item->caption_)); !key.isNull())
                    used.insert(key);
    for (Te3MenuItem* item : items_) {
        QString text = QString::fromStdString(item->caption_);
        if (automatic && shown(item) && AcceleratorOf(text).isNull())
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar key = text[i].toLower();
                if (text[i].isLetterOrNumber() && !used.contains(key)) {
                    used.insert(key);
                    text.insert(i, QLatin1Char('&'));
                    break;
                }
            }
        item->SetShownText(text);
    }
}

void Te3MenuItem::SetBreak(TMenuBreak value)
{
    if (value < mbNone || value > mbBarBreak || value == break_)
        return;
    break_ = value;
    if (QWidget* container = parent_ ? parent_->ItemContainer() : nullptr) {
        if (auto* menu = dynamic_cast<ItemMenu*>(container))
            menu->ItemsChanged();
        container->updateGeometry();
        if (container->isVisible() && qobject_cast<QMenu*>(container))
            container->resize(container->sizeHint());
        container->update();
        if (auto* bar = dynamic_cast<ItemBar*>(container))
            bar->CheckLines();
    }
    ItemChanged();
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
    const bool changed = value != shortCut_;
    shortCut_ = value;
    UpdateAction();
    if (changed)
        ItemChanged();
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
    if (!subMenu_)
        subMenu_.reset(NewSubMenu());
    return subMenu_.get();
}

QMenu* Te3MenuItem::NewSubMenu()
{
    auto* menu = new ItemMenu(this);
    action_->setMenu(menu);
    // An item with sub-items is clicked when they open, so that its handler
    // can prepare them; what it changed is then shown.
    QObject::connect(menu, &QMenu::aboutToShow, [guard = fw::Guard<Te3MenuItem>(this)] {
        fw::RunFromEventLoop([&] {
            if (Te3MenuItem* item = guard.get(); item && CommandAllowed(item) && guard)
                guard->Click();
        });
        if (Te3MenuItem* item = guard.get())
            item->PrepareToShow();
    });
    return menu;
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
        container->addAction(item->action_.get());
    // Its sub-items may now follow other flags.
    item->SubtreeListsChanged();
    ListChanged();
    Changed(isRoot_ ? nullptr : this, true);
}

void Te3MenuItem::Remove(Te3MenuItem* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (QWidget* container = ItemContainer())
        container->removeAction(item->action_.get());
    // Shown on its own again: as written.
    item->SetShownText(QString::fromStdString(item->caption_));
    ListChanged();
    Changed(isRoot_ ? nullptr : this, true);
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
    else if (actionLink_)
        actionLink_->Execute(this);
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

TMenuBase::TMenuBase(fw::TComponent* owner, ControlLanguage language)
    : fw::TComponent(owner)
    , TranslatableControl(language)
    , items_(new Te3MenuItem(nullptr))
{
    items_->isRoot_ = true;
    items_->menu_ = this;
    items_->autoHotkeys_ = maAutomatic;
    items_->autoLineReduction_ = maAutomatic;
}

TMenuBase::~TMenuBase()
{
    delete items_;
}

void TMenuBase::SetAutoHotkeys(TMenuAutoFlag value)
{
    if (value == maAutomatic || value == maManual)
        items_->SetAutoHotkeys(value);
}

void TMenuBase::SetAutoLineReduction(TMenuAutoFlag value)
{
    if (value == maAutomatic || value == maManual)
        items_->SetAutoLineReduction(value);
}

void TMenuBase::SetOwnerDraw(bool value)
{
    if (value == ownerDraw_)
        return;
    ownerDraw_ = value;
    RelayoutWidgets();
}

void TMenuBase::SetImages(fw::TCustomImageList* value)
{
    images_ = value;
    items_->UpdateIcons();
}

fw::TBiDiMode TMenuBase::GetBiDiMode() const
{
    if (parentBiDiMode_)
        if (auto* control = dynamic_cast<const fw::TControl*>(Owner()))
            return control->GetBiDiMode();
    return biDiMode_;
}

void TMenuBase::SetBiDiMode(fw::TBiDiMode value)
{
    biDiMode_ = value;
    parentBiDiMode_ = false;
    ApplyBiDiMode(items_->rootContainer_.data());
}

void TMenuBase::SetParentBiDiMode(bool value)
{
    if (value && !parentBiDiMode_)
        biDiMode_ = GetBiDiMode();
    parentBiDiMode_ = value;
    ApplyBiDiMode(items_->rootContainer_.data());
}

void TMenuBase::ApplyBiDiMode(QWidget* container) const
{
    if (container)
        container->setLayoutDirection(fw::LayoutDirectionOf(GetBiDiMode()));
}

void TMenuBase::RelayoutWidgets()
{
    // Drop-down menus size their items again as they open; the widget that
    // shows the menu's own items is told now.
    items_->SubtreeListsChanged();
    if (QWidget* container = items_->rootContainer_) {
        QEvent styleChange(QEvent::StyleChange);
        QCoreApplication::sendEvent(container, &styleChange);
    }
}

const fw::TClassInfo& Te3CustomMainMenu::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomMainMenu", &fw::TComponent::StaticClass(), {}};
    return info;
}

Te3CustomMainMenu::Te3CustomMainMenu(fw::TComponent* owner)
    // No words of its own: its items are judged one by one as menu items.
    : TMenuBase(owner, {kNoWords, &Te3MainMenu::StaticClass})
    , bar_(new ItemBar)
{
    ShowItemsIn(bar_.data());
    // Items on more lines take more of the form's height.
    static_cast<ItemBar*>(bar_.data())->OnHeightChange = [this] {
        if (auto* keeper = dynamic_cast<BarWidthKeeper*>(widthKeeper_.data()))
            keeper->Fit();
        if (fw::TCustomForm* form = AttachedForm())
            form->MenuBarResized();
    };
    if (auto* form = dynamic_cast<fw::TCustomForm*>(owner); form && form->Widget() &&
                                                              !form->Widget()->findChild<QMenuBar*>())
        AttachTo(form);
}

Te3CustomMainMenu::~Te3CustomMainMenu()
{
    // The items leave the bar before it goes; the form, which may be going
    // too, hears of no new height.
    if (auto* bar = static_cast<ItemBar*>(bar_.data()))
        bar->OnHeightChange = nullptr;
    delete items_;
    items_ = nullptr;
    delete bar_.data();
}

void Te3CustomMainMenu::AttachTo(fw::TCustomForm* form)
{
    if (fw::TCustomForm* old = AttachedForm(); old && old != form)
        old->SetMenuBar(nullptr);
    delete widthKeeper_.data();
    form_ = form;
    QWidget* window = form ? form->Widget() : nullptr;
    bar_->setParent(window);
    if (window) {
        widthKeeper_ = new BarWidthKeeper(window, bar_);
        ApplyBiDiMode(bar_.data());
        bar_->raise();
        bar_->show();
        form->SetMenuBar(bar_);
    }
}

fw::TCustomForm* Te3CustomMainMenu::AttachedForm() const
{
    fw::TCustomForm* form = form_.get();
    return form && bar_ && form->MenuBar() == bar_.data() ? form : nullptr;
}

void Te3CustomMainMenu::SetItemImage(const std::string& value)
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
    using C = Te3MainMenu;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3MainMenu",
        &Te3CustomMainMenu::StaticClass(),
        fw::TRows<Te3MainMenu> {
            p::Enum("AutoHotkeys", MenuAutoFlagType, &C::GetAutoHotkeys, &C::SetAutoHotkeys),
            p::Enum("AutoLineReduction", MenuAutoFlagType, &C::GetAutoLineReduction, &C::SetAutoLineReduction),
            p::Boolean("AutoMerge", &C::GetAutoMerge, &C::SetAutoMerge),
            p::Enum("BiDiMode", fw::BiDiModeType, &C::GetBiDiMode, &C::SetBiDiMode),
            p::Object("Images", fw::TCustomImageList::StaticClass(), &C::GetImages, &C::SetImages),
            p::Object("Items", Te3MenuItem::StaticClass(), &C::GetItems, nullptr),
            p::Boolean("OwnerDraw", &C::GetOwnerDraw, &C::SetOwnerDraw),
            p::Boolean("ParentBiDiMode", &C::GetParentBiDiMode, &C::SetParentBiDiMode),
            p::Event("OnChange", MenuChangeEventType, &C::OnChange),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_MainMenu::StaticClass()
{
    using C = Te3_MainMenu;
    static const fw::TClassInfo info {
        "Te3_MainMenu",
        &Te3MainMenu::StaticClass(),
        fw::TRows<Te3_MainMenu> {
            fw::prop::StringAction("_Clear", &C::ClearByEngine),
            fw::prop::StringAction("_ItemImage", &C::SetItemImage),
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
    : TMenuBase(owner, {kCaptionHintWords, &Te3PopupMenu::StaticClass})
    , menu_(new ItemMenu(items_))
{
    ShowItemsIn(menu_.get());
    QObject::connect(menu_.get(), &QMenu::aboutToShow, [guard = fw::Guard<Te3CustomPopupMenu>(this)] {
        fw::RunFromEventLoop([&] {
            if (Te3CustomPopupMenu* menu = guard.get(); menu && menu->OnPopup)
                menu->OnPopup(menu);
        });
        // What OnPopup changed is shown.
        if (Te3CustomPopupMenu* menu = guard.get())
            menu->PrepareItemsToShow();
    });
}

Te3CustomPopupMenu::~Te3CustomPopupMenu()
{
    delete items_;
    items_ = nullptr;
    menu_.reset();
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

void Te3CustomPopupMenu::PopupAtText(const std::string& value)
{
    QPoint point(StrictInteger(u3::ValueFieldDef(value, 0, "")), StrictInteger(u3::ValueFieldDef(value, 1, "")));
    // The client area of a form lies below its menu bar.
    if (auto* control = dynamic_cast<fw::TWinControl*>(Owner()); control && control->ClientWidget())
        point = control->ClientWidget()->mapToGlobal(point);
    else if (auto* graphic = dynamic_cast<fw::TControl*>(Owner()); graphic && graphic->Widget())
        point = graphic->Widget()->mapToGlobal(point);
    Popup(point.x(), point.y());
}

const fw::TClassInfo& Te3PopupMenu::StaticClass()
{
    using C = Te3PopupMenu;
    static const fw::TClassInfo info {
        "Te3PopupMenu",
        &Te3CustomPopupMenu::StaticClass(),
        fw::TRows<Te3PopupMenu> {
            fw::prop::Enum("Alignment", PopupAlignmentType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Enum("AutoHotkeys", MenuAutoFlagType, &C::GetAutoHotkeys, &C::SetAutoHotkeys),
            fw::prop::Enum("AutoLineReduction", MenuAutoFlagType, &C::GetAutoLineReduction,
                           &C::SetAutoLineReduction),
            fw::prop::Boolean("AutoPopup", &C::GetAutoPopup, &C::SetAutoPopup),
            fw::prop::Enum("BiDiMode", fw::BiDiModeType, &C::GetBiDiMode, &C::SetBiDiMode),
            fw::prop::Integer("HelpContext", &C::GetHelpContext, &C::SetHelpContext),
            fw::prop::Object("Images", fw::TCustomImageList::StaticClass(), &C::GetImages, &C::SetImages),
            fw::prop::Object("Items", Te3MenuItem::StaticClass(), &C::GetItems, nullptr),
            fw::prop::Set("MenuAnimation", MenuAnimationType, &C::GetMenuAnimation, &C::SetMenuAnimation),
            fw::prop::Boolean("OwnerDraw", &C::GetOwnerDraw, &C::SetOwnerDraw),
            fw::prop::Boolean("ParentBiDiMode", &C::GetParentBiDiMode, &C::SetParentBiDiMode),
            fw::prop::Enum("TrackButton", TrackButtonType, &C::GetTrackButton, &C::SetTrackButton),
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
        fw::TRows<Te3_PopupMenu> {
            fw::prop::StringAction("_Clear", &C::ClearByEngine),
            fw::prop::StringAction("_Popup", &C::PopupAtText),
            fw::prop::Event("OnChange", MenuChangeEventType, &C::OnChange),
            fw::prop::Event("OnPopup", fw::NotifyEventType, &C::OnPopup),
        },
        fw::MakeFactory<Te3_PopupMenu>(),
    };
    return info;
}

} // namespace e3
