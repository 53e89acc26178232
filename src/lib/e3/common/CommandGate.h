#pragma once
// Commands the user gives with a button or a menu item pass the form's gate
// first: a form may hold them back (while a focused field holds a value it
// cannot keep, say).
#include "framework/Component.h"

namespace e3 {

class ICommandGate {
public:
    virtual ~ICommandGate() = default;
    // Whether a command from source is to run now.
    virtual bool AllowsCommand(fw::TComponent* source) = 0;
};

// Asks the nearest gate above source: up the parents of a control, up the
// owners of any other component. True when there is none.
bool CommandAllowed(fw::TComponent* source);

} // namespace e3
