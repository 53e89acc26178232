#pragma once

namespace efip {

// Lets the engine create the submission component by class name, and gives
// the component its HTTPS client on the SSL layer, the client's message
// texts, its temporary folder and the way the client frees engine components.
void RegisterEFIPClasses();

} // namespace efip
