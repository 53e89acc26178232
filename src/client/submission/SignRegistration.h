#pragma once

namespace submission {

// Lets the engine create the signing component by class name, and gives it
// the client's texts and error box, the program's settings file and the
// smart-card checker.
void RegisterSignClasses();

} // namespace submission
