#pragma once
// The name=value lists live with the framework, so that the components of the
// control library that hold event maps of their own (data lists) can keep them.
#include "framework/NameValueList.h"

namespace client {

using fw::SameName;
using fw::TNamedObjectList;
using fw::TNameValueList;

} // namespace client
