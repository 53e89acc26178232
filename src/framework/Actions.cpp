#include "framework/Actions.h"

#include <QPainter>

#include <algorithm>

namespace fw {

const TClassInfo& TCustomImageList::StaticClass()
{
    static const TClassInfo info {"TCustomImageList", &TComponent::StaticClass(), {}};
    return info;
}

const TClassInfo& TImageList::StaticClass()
{
    using C = TImageList;
    static const TClassInfo info {
        "TImageList",
        &TCustomImageList::StaticClass(),
        fw::TRows<TImageList> {
            prop::Integer("Height", &C::GetHeight, &C::SetHeight),
            prop::Integer("Width", &C::GetWidth, &C::SetWidth),
            prop::Event("OnChange", NotifyEventType, &C::OnChange),
        },
        MakeFactory<TImageList>(),
    };
    return info;
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

void TCustomImageList::SetWidth(int32_t value)
{
    value = std::max(value, 1);
    if (value == width_)
        return;
    width_ = value;
    images_.clear();
    Changed();
}

void TCustomImageList::SetHeight(int32_t value)
{
    value = std::max(value, 1);
    if (value == height_)
        return;
    height_ = value;
    images_.clear();
    Changed();
}

QImage TCustomImageList::Fitted(const QImage& image) const
{
    QImage fitted(width_, height_, QImage::Format_ARGB32_Premultiplied);
    fitted.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter painter(&fitted);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
    }
    return fitted;
}

int32_t TCustomImageList::Add(const QImage& image)
{
    images_.push_back(Fitted(image));
    Changed();
    return GetCount() - 1;
}

int32_t TCustomImageList::AddMasked(const QImage& image, TColor transparent)
{
    QImage fitted = Fitted(image);
    const QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
    const int w = std::min(fitted.width(), image.isNull() ? 0 : image.width());
    const int h = std::min(fitted.height(), image.isNull() ? 0 : image.height());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(fitted.scanLine(y));
        for (int x = 0; x < w; ++x)
            if ((line[x] & 0xFFFFFF) == key && qAlpha(line[x]) == 255)
                line[x] = 0;
    }
    images_.push_back(std::move(fitted));
    Changed();
    return GetCount() - 1;
}

QImage TCustomImageList::GetImage(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        return {};
    return images_[static_cast<size_t>(index)];
}

void TCustomImageList::Delete(int32_t index)
{
    if (index < 0 || index >= GetCount())
        return;
    images_.erase(images_.begin() + index);
    Changed();
}

void TCustomImageList::Clear()
{
    if (images_.empty())
        return;
    images_.clear();
    Changed();
}

void TCustomImageList::Changed()
{
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------------------

TActionLink::TActionLink(Changed changed) : changed_(std::move(changed)) {}

TBasicAction* TActionLink::Action() const
{
    return action_ && action_->IsAlive() ? action_ : nullptr;
}

void TActionLink::Notify(bool checkDefaults)
{
    if (TBasicAction* action = Action(); action && changed_)
        changed_(action, checkDefaults);
}

void TActionLink::Link(std::unique_ptr<TActionLink>& link, TBasicAction* action, Changed changed)
{
    if (!action) {
        link.reset();
        return;
    }
    if (!link)
        link = std::make_unique<TActionLink>(std::move(changed));
    link->SetAction(action);
}

TActionLink::~TActionLink()
{
    SetAction(nullptr);
}

void TActionLink::SetAction(TBasicAction* action)
{
    if (action == action_)
        return;
    if (action_) {
        auto& links = action_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    action_ = action;
    if (action_) {
        action_->links_.push_back(this);
        Notify(true);
    }
}

bool TActionLink::Execute(TComponent* target)
{
    if (!Action())
        return false;
    Guard<TBasicAction> action(action_);
    action_->SetActionComponent(target);
    const bool done = action_->Execute();
    if (action)
        action->SetActionComponent(nullptr);
    return done;
}

// ---------------------------------------------------------------------------

const TClassInfo& TBasicAction::StaticClass()
{
    static const TClassInfo info {"TBasicAction", &TComponent::StaticClass(), {}};
    return info;
}

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction()
{
    for (TActionLink* link : links_)
        link->action_ = nullptr;
}

bool TBasicAction::Execute()
{
    if (!OnExecute)
        return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!OnUpdate)
        return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::Change()
{
    // A client's update may unlink it (or another one): walk a copy, and skip
    // links that left meanwhile.
    Guard<TBasicAction> self(this);
    const std::vector<TActionLink*> links(links_);
    for (TActionLink* link : links) {
        if (!self)
            return;
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->Notify(false);
    }
}

// ---------------------------------------------------------------------------

const TClassInfo& TCustomAction::StaticClass()
{
    static const TClassInfo info {"TCustomAction", &TBasicAction::StaticClass(), {}};
    return info;
}

const TClassInfo& TAction::StaticClass()
{
    using C = TAction;
    static const TClassInfo info {
        "TAction",
        &TCustomAction::StaticClass(),
        fw::TRows<TAction> {
            prop::Boolean("AutoCheck", &C::GetAutoCheck, &C::SetAutoCheck),
            prop::String("Caption", &C::GetCaption, &C::SetCaption),
            prop::Boolean("Checked", &C::GetChecked, &C::SetChecked),
            prop::Boolean("Enabled", &C::GetEnabled, &C::SetEnabled),
            prop::Integer("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex),
            prop::Integer("HelpContext", &C::GetHelpContext, &C::SetHelpContext),
            prop::String("Hint", &C::GetHint, &C::SetHint),
            prop::Integer("ImageIndex", &C::GetImageIndex, &C::SetImageIndex),
            prop::Integer("ShortCut", &C::GetShortCut, &C::SetShortCut),
            prop::Boolean("Visible", &C::GetVisible, &C::SetVisible),
            prop::Event("OnExecute", NotifyEventType, &C::OnExecute),
            prop::Event("OnUpdate", NotifyEventType, &C::OnUpdate),
        },
        MakeFactory<TAction>(),
    };
    return info;
}

TCustomAction::TCustomAction(TComponent* owner) : TBasicAction(owner) {}

TCustomAction::~TCustomAction()
{
    SetActionList(nullptr);
}

void TCustomAction::SetChecked(bool value)
{
    if (value == checked_)
        return;
    checked_ = value;
    Guard<TCustomAction> self(this);
    if (value && groupIndex_ > 0)
        UncheckGroup();
    if (self)
        Change();
}

void TCustomAction::UncheckGroup()
{
    if (!actionList_)
        return;
    std::vector<Guard<TCustomAction>> others;
    for (TCustomAction* other : actionList_->actions_)
        if (other != this && other->groupIndex_ == groupIndex_ && other->checked_)
            others.emplace_back(other);
    for (auto& other : others)
        if (other)
            other->SetChecked(false);
}

void TCustomAction::SetGroupIndex(int32_t value)
{
    if (value == groupIndex_)
        return;
    groupIndex_ = value;
    Guard<TCustomAction> self(this);
    if (checked_ && groupIndex_ > 0)
        UncheckGroup();
    if (self)
        Change();
}

void TCustomAction::SetActionList(TActionList* list)
{
    if (list == actionList_)
        return;
    if (actionList_) {
        auto& actions = actionList_->actions_;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
    actionList_ = list;
    if (actionList_)
        actionList_->actions_.push_back(this);
    Change();
}

bool TCustomAction::Execute()
{
    if (!enabled_)
        return false;
    Guard<TCustomAction> self(this);
    if (autoCheck_)
        SetChecked(!checked_);
    return self && TBasicAction::Execute();
}

// ---------------------------------------------------------------------------

const TClassInfo& TActionList::StaticClass()
{
    using C = TActionList;
    static const TClassInfo info {
        "TActionList",
        &TComponent::StaticClass(),
        fw::TRows<TActionList> {
            prop::Object("Images", TCustomImageList::StaticClass(), &C::GetImages, &C::SetImages),
        },
        MakeFactory<TActionList>(),
    };
    return info;
}

TActionList::TActionList(TComponent* owner) : TComponent(owner) {}

TActionList::~TActionList()
{
    const std::vector<TCustomAction*> actions(actions_);
    for (TCustomAction* action : actions)
        action->actionList_ = nullptr;
}

void TActionList::SetImages(TCustomImageList* value)
{
    images_ = value;
    const std::vector<TCustomAction*> actions(actions_);
    for (TCustomAction* action : actions)
        action->Change();
}

QImage ActionImage(const TBasicAction* action)
{
    const auto* custom = dynamic_cast<const TCustomAction*>(action);
    if (!custom || !custom->GetActionList() || !custom->GetActionList()->GetImages())
        return {};
    return custom->GetActionList()->GetImages()->GetImage(custom->GetImageIndex());
}

} // namespace fw
