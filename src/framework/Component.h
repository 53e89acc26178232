#pragma once
#include "framework/Object.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace fw {

enum ComponentStateFlag : unsigned {
    csLoading = 1,
    csReading = 2,
    csDestroying = 4,
    csDesigning = 8,
};

enum class TOperation { opInsert, opRemove };

class EComponentError : public u3::Exception {
public:
    using u3::Exception::Exception;
};

// A component has an owner, which frees it and keeps its name unique. Where it
// is shown (its parent) is a separate relation held by controls.
class TComponent : public TObject {
    FW_CLASS()
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    const std::string& GetName() const { return name_; }
    // Raises EComponentError for a name that is no identifier or that another
    // component of the same owner already has (letter case ignored).
    virtual void SetName(const std::string& name);
    std::string Name() const { return name_; }

    int32_t GetTag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    const std::vector<TComponent*>& OwnedComponents() const { return components_; }
    // An owned component by name (letter case ignored), or nullptr.
    TComponent* FindComponent(const std::string& name) const;
    // The owned components that own components themselves, in order; searches
    // of the whole tree walk only these below the first level.
    const std::vector<TComponent*>& OwningChildren() const { return owningChildren_; }
    int IndexOfComponent(const TComponent* c) const;

    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    unsigned ComponentState() const { return state_; }
    bool HasState(unsigned flags) const { return (state_ & flags) != 0; }
    void SetDesigning(bool designing);
    // Set while a description is being read; Loaded clears it.
    void BeginLoading() { state_ |= csLoading | csReading; }
    virtual void Loaded();

    // This component wants to hear when c is freed (for references it holds).
    void FreeNotification(TComponent* c);
    void RemoveFreeNotification(TComponent* c);

    // Freeing while an event of this component may still be running: detach it
    // at once (from its owner, its name, its parent and the screen) and delete
    // it once no handler of ours is running any more.
    void Release();
    // Deletes every component released so far (also run from the event loop).
    static void DeleteReleased();

protected:
    // opRemove may come from the component's own destructor, when it has lost
    // its derived type: compare it by address, never cast it.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called by Release before the component leaves its owner: controls leave
    // their parent and the screen here.
    virtual void Detach() {}

private:
    void ValidateRename(const std::string& newName) const;
    void RefreshOwning(TComponent* c);
    void NotifyFreed();

    std::string name_;
    int32_t tag_ = 0;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> owningChildren_;
    std::unordered_map<std::string, TComponent*> byName_; // upper-cased name
    std::vector<TComponent*> freeNotifies_;
    unsigned state_ = 0;
};

bool IsValidIdent(const std::string& name);

// A generation number per component name (upper-cased), raised whenever a
// component of that name appears, disappears, is renamed or moves in the owner
// or parent trees. Name lookups cache their answers per name and trust them
// while the generation stands, so that a lookup stays constant-time without
// changing which component a depth-first search finds first.
namespace NameIndex {
uint64_t Generation(const std::string& upperName);
void Bump(const std::string& name);
// Bumps the names of c and of everything it owns or contains.
void BumpTree(TComponent* c);
} // namespace NameIndex

// Marks code of ours that runs on behalf of an event from the event loop (event
// handlers, modal loops, engine calls): released components wait until none runs.
class HandlerScope {
public:
    HandlerScope();
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
    static int Depth();
};

} // namespace fw
