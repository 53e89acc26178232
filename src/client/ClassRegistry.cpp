#include "client/ClassRegistry.h"

#include "client/ClientForm.h"
#include "e3/ControlClasses.h"
#include "framework/Rtti.h"

#include <unordered_map>

namespace client {
namespace {

std::unordered_map<std::string, const fw::TClassInfo*>& Registry()
{
    static std::unordered_map<std::string, const fw::TClassInfo*> registry = [] {
        std::unordered_map<std::string, const fw::TClassInfo*> r;
        for (const fw::TClassInfo* c : {
                 &Te3_ClientForm::StaticClass(),
                 &Te3_ClientFrame::StaticClass(),
             })
            r.emplace(fw::UpperCase(c->Name()), c);
        for (const fw::TClassInfo* c : e3::ControlClasses())
            r.emplace(fw::UpperCase(c->Name()), c);
        return r;
    }();
    return registry;
}

} // namespace

void RegisterClass(const fw::TClassInfo& classInfo)
{
    Registry().emplace(fw::UpperCase(classInfo.Name()), &classInfo);
}

const fw::TClassInfo* FindClass(const std::string& name)
{
    auto it = Registry().find(fw::UpperCase(name));
    return it == Registry().end() ? nullptr : it->second;
}

std::string MapEngineClassName(const std::string& className)
{
    std::string name = className;
    const std::string upper = fw::UpperCase(name);
    if (upper.compare(0, 3, "TE3") == 0 && upper.compare(0, 4, "TE3_") != 0 && upper != "TE3TABSHEET")
        name = "Te3_" + name.substr(3);
    if (fw::SameText(name, "TMenuItem"))
        name = "Te3MenuItem";
    return name;
}

fw::TComponent* CreateComponentByClassName(const std::string& className, fw::TComponent* owner)
{
    const std::string name = MapEngineClassName(className);
    const fw::TClassInfo* c = FindClass(name);
    if (!c || !c->Factory())
        throw u3::Exception("Class name " + name + " not found.");
    return c->Factory()(owner);
}

} // namespace client
