#include "e3/common/CommandGate.h"

#include "framework/Control.h"

namespace e3 {

bool CommandAllowed(fw::TComponent* source)
{
    fw::TComponent* at = source;
    while (at) {
        if (auto* gate = dynamic_cast<ICommandGate*>(at))
            return gate->AllowsCommand(source);
        auto* control = dynamic_cast<fw::TControl*>(at);
        at = control && control->Parent() ? control->Parent() : at->Owner();
    }
    return true;
}

} // namespace e3
