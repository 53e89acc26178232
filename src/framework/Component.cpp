#include "framework/Component.h"

#include "framework/Control.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <unordered_set>

namespace fw {
namespace {

std::unordered_set<TComponent*>& Released()
{
    static std::unordered_set<TComponent*> released;
    return released;
}

void DeleteIfReleased(TComponent* c)
{
    if (Released().erase(c))
        delete c;
}

int handlerDepth = 0;
bool deletionScheduled = false;

// Released components are deleted only when no handler of ours is running:
// Qt's own code may still touch a widget after our handler returns, and a
// nested modal loop does not end the handler that opened it.
void ScheduleDeletion()
{
    if (deletionScheduled || !QCoreApplication::instance())
        return;
    deletionScheduled = true;
    QTimer::singleShot(handlerDepth > 0 ? 50 : 0, QCoreApplication::instance(), [] {
        deletionScheduled = false;
        if (handlerDepth > 0)
            ScheduleDeletion();
        else
            TComponent::DeleteReleased();
    });
}

} // namespace

bool IsValidIdent(const std::string& name)
{
    if (name.empty())
        return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

namespace NameIndex {
namespace {
std::unordered_map<std::string, uint64_t>& Generations()
{
    static std::unordered_map<std::string, uint64_t> generations;
    return generations;
}
uint64_t counter = 0;
} // namespace

uint64_t Generation(const std::string& upperName)
{
    auto it = Generations().find(upperName);
    return it == Generations().end() ? 0 : it->second;
}

void Bump(const std::string& name)
{
    if (!name.empty())
        Generations()[UpperCase(name)] = ++counter;
}

void BumpTree(TComponent* c)
{
    std::unordered_set<TComponent*> seen;
    std::vector<TComponent*> stack {c};
    while (!stack.empty()) {
        TComponent* x = stack.back();
        stack.pop_back();
        if (!x || !seen.insert(x).second)
            continue;
        Bump(x->GetName());
        for (TComponent* owned : x->OwnedComponents())
            stack.push_back(owned);
        if (auto* win = dynamic_cast<TWinControl*>(x))
            for (TControl* child : win->ChildControls())
                stack.push_back(child);
    }
}

} // namespace NameIndex

const TClassInfo& TComponent::StaticClass()
{
    static const TClassInfo info {
        "TComponent",
        &TPersistent::StaticClass(),
        fw::TRows<TComponent> {
            prop::String("Name", &TComponent::Name, &TComponent::SetName),
            prop::Integer("Tag", &TComponent::GetTag, &TComponent::SetTag),
        },
    };
    return info;
}

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    state_ |= csDestroying;
    MarkDead();
    NotifyFreed();
    // Owned components go last first, as they were made.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        RemoveComponent(c);
        delete c;
    }
    if (owner_)
        owner_->RemoveComponent(this);
    Released().erase(this);
}

void TComponent::NotifyFreed()
{
    // A component that asked to hear of our end, and we of its: both drop the link.
    std::vector<TComponent*> listeners;
    listeners.swap(freeNotifies_);
    for (TComponent* c : listeners) {
        auto& theirs = c->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        c->Notification(this, TOperation::opRemove);
    }
    if (owner_)
        owner_->Notification(this, TOperation::opRemove);
}

void TComponent::ValidateRename(const std::string& newName) const
{
    if (!newName.empty() && !IsValidIdent(newName))
        throw EComponentError("'" + newName + "' is not a valid component name");
    if (owner_ && !newName.empty()) {
        TComponent* other = owner_->FindComponent(newName);
        if (other && other != this)
            throw EComponentError("A component named " + newName + " already exists");
    }
}

void TComponent::SetName(const std::string& name)
{
    if (name == name_)
        return;
    ValidateRename(name);
    if (owner_) {
        auto it = owner_->byName_.find(UpperCase(name_));
        if (it != owner_->byName_.end() && it->second == this)
            owner_->byName_.erase(it);
        if (!name.empty())
            owner_->byName_[UpperCase(name)] = this;
    }
    NameIndex::Bump(name_);
    NameIndex::Bump(name);
    name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty())
        return nullptr;
    auto it = byName_.find(UpperCase(name));
    return it == byName_.end() ? nullptr : it->second;
}

int TComponent::IndexOfComponent(const TComponent* c) const
{
    auto it = std::find(components_.begin(), components_.end(), c);
    return it == components_.end() ? -1 : static_cast<int>(it - components_.begin());
}

void TComponent::RefreshOwning(TComponent* c)
{
    auto it = std::find(owningChildren_.begin(), owningChildren_.end(), c);
    const bool owns = c->owner_ == this && !c->components_.empty();
    if (owns && it == owningChildren_.end()) {
        // Keep the order of components_.
        const int index = IndexOfComponent(c);
        auto pos = std::find_if(owningChildren_.begin(), owningChildren_.end(),
                                [&](TComponent* o) { return IndexOfComponent(o) > index; });
        owningChildren_.insert(pos, c);
    } else if (!owns && it != owningChildren_.end()) {
        owningChildren_.erase(it);
    }
}

void TComponent::InsertComponent(TComponent* c)
{
    if (!c || c->owner_ == this)
        return;
    if (!c->name_.empty() && FindComponent(c->name_))
        throw EComponentError("A component named " + c->name_ + " already exists");
    if (c->owner_)
        c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    if (!c->name_.empty())
        byName_[UpperCase(c->name_)] = c;
    RefreshOwning(c);
    if (owner_ && components_.size() == 1)
        owner_->RefreshOwning(this);
    NameIndex::BumpTree(c);
    Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c)
{
    if (!c || c->owner_ != this)
        return;
    NameIndex::BumpTree(c);
    Notification(c, TOperation::opRemove);
    // Searched from the end: an owner frees what it owns last first.
    auto it = std::find(components_.rbegin(), components_.rend(), c);
    if (it != components_.rend())
        components_.erase(std::next(it).base());
    auto named = byName_.find(UpperCase(c->name_));
    if (named != byName_.end() && named->second == c)
        byName_.erase(named);
    auto owning = std::find(owningChildren_.begin(), owningChildren_.end(), c);
    if (owning != owningChildren_.end())
        owningChildren_.erase(owning);
    c->owner_ = nullptr;
    if (owner_ && components_.empty())
        owner_->RefreshOwning(this);
}

void TComponent::SetDesigning(bool designing)
{
    if (designing)
        state_ |= csDesigning;
    else
        state_ &= ~static_cast<unsigned>(csDesigning);
    for (TComponent* c : components_)
        c->SetDesigning(designing);
}

void TComponent::Loaded()
{
    state_ &= ~static_cast<unsigned>(csLoading | csReading);
}

void TComponent::FreeNotification(TComponent* c)
{
    if (!c || c == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end())
        freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c)
{
    if (!c)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), c), freeNotifies_.end());
    c->freeNotifies_.erase(std::remove(c->freeNotifies_.begin(), c->freeNotifies_.end(), this),
                           c->freeNotifies_.end());
}

void TComponent::Notification(TComponent*, TOperation)
{
}

void TComponent::Release()
{
    if (!IsAlive())
        return;
    MarkDead();
    NotifyFreed();
    Detach();
    if (owner_)
        owner_->RemoveComponent(this);
    Released().insert(this);
    ScheduleDeletion();
}

HandlerScope::HandlerScope()
{
    ++handlerDepth;
}

HandlerScope::~HandlerScope()
{
    --handlerDepth;
}

int HandlerScope::Depth()
{
    return handlerDepth;
}

void TComponent::DeleteReleased()
{
    while (!Released().empty())
        DeleteIfReleased(*Released().begin());
}

} // namespace fw
