#pragma once
// The classes the engine may create by name.
#include "framework/Component.h"

#include <string>

namespace client {

// Registering the same class again changes nothing.
void RegisterClass(const fw::TClassInfo& classInfo);
// Lookup without regard to case; nullptr when not registered.
const fw::TClassInfo* FindClass(const std::string& name);
// The engine's class name as it is looked up: "Te3X" names the family's
// engine class "Te3_X", "TMenuItem" is "Te3MenuItem".
std::string MapEngineClassName(const std::string& className);
// Raises "Class name <mapped> not found." for an unknown class.
fw::TComponent* CreateComponentByClassName(const std::string& className, fw::TComponent* owner);

} // namespace client
