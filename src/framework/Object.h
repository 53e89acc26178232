#pragma once
#include "framework/Rtti.h"

#include <memory>

namespace fw {

// Declares a class's published-property table; the table itself is defined in
// the class's .cpp with FW_CLASS_INFO.
#define FW_CLASS()                                                                  \
public:                                                                             \
    static const ::fw::TClassInfo& StaticClass();                                   \
    const ::fw::TClassInfo& ClassType() const override { return StaticClass(); }   \
                                                                                    \
private:

class TObject {
public:
    TObject();
    virtual ~TObject();
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TClassInfo& c) const { return ClassType().InheritsFrom(c); }

    // False once the object is freed or detached for freeing.
    bool IsAlive() const { return *alive_; }
    const std::shared_ptr<bool>& LivenessToken() const { return alive_; }

protected:
    void MarkDead() { *alive_ = false; }

private:
    std::shared_ptr<bool> alive_;
};

// A pointer that reads as null once its object is freed (or detached to be
// freed later). Check one after every engine call: a reply may free anything.
template <class T>
class Guard {
public:
    Guard() = default;
    Guard(T* p) : p_(p), alive_(p ? p->LivenessToken() : nullptr) {}

    T* get() const { return alive_ && *alive_ ? p_ : nullptr; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    T* p_ = nullptr;
    std::shared_ptr<bool> alive_;
};

// Sub-objects that a property holds (fonts, collections).
class TPersistent : public TObject {
    FW_CLASS()
};

template <class T>
ComponentFactory MakeFactory()
{
    return [](TComponent* owner) -> TComponent* { return new T(owner); };
}

} // namespace fw
