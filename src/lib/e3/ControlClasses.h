#pragma once
// The control classes the engine may create by name: every family's
// engine-facing class and its middle class, as the control library builds
// them. The client's class registry takes them from here, so a new family
// is registered by adding its classes to this list.
#include "framework/Rtti.h"

#include <vector>

namespace e3 {

const std::vector<const fw::TClassInfo*>& ControlClasses();

} // namespace e3
