#pragma once
#include <string>

namespace e3test {

// Why the tests cannot send real input; empty when the X server runs.
const std::string& X11SkipReason();

} // namespace e3test
