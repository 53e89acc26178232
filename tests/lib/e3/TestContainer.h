#pragma once
// A minimal container that takes part in the Enabled and LockedEdit cascades,
// the way panels and group boxes do.
#include "e3/common/Contract.h"
#include "framework/StandardProps.h"

namespace e3test {

class TestContainer : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TestContainer(fw::TComponent* owner)
        : fw::TWinControl(owner)
    {
        SetWidget(new QWidget);
    }

    void SetEnabled(bool value) override
    {
        cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
    }
    bool GetEnabling() const { return cascade_.Enabling(); }
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    void SetLockedEdit(bool value) { cascade_.SetLockedEdit(*this, value); }

private:
    e3::ContainerCascade cascade_;
};

inline const fw::TClassInfo& TestContainer::StaticClass()
{
    static const fw::TClassInfo info {
        "TTestContainer",
        &fw::TWinControl::StaticClass(),
        fw::TRows<TestContainer> {
            fw::std_props::Enabled(),
            fw::std_props::Color(),
            fw::prop::Boolean("Enabling", &TestContainer::GetEnabling, nullptr),
            fw::prop::Boolean("LockedEdit", &TestContainer::GetLockedEdit, &TestContainer::SetLockedEdit),
        },
    };
    return info;
}

// Published properties read and written by name, as the engine does.
inline fw::PropValue ReadByName(fw::TObject& object, const std::string& name)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(name);
    if (!p || !p->IsReadable())
        throw fw::EPropertyError("no readable property " + name);
    return p->get(object);
}

inline int64_t OrdinalByName(fw::TObject& object, const std::string& name)
{
    return std::get<int64_t>(ReadByName(object, name));
}

inline std::string TextByName(fw::TObject& object, const std::string& name)
{
    return std::get<std::string>(ReadByName(object, name));
}

inline void WriteByName(fw::TObject& object, const std::string& name, fw::PropValue value)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(name);
    if (!p || !p->IsWritable())
        throw fw::EPropertyError("no writable property " + name);
    p->set(object, value);
}

} // namespace e3test
