#include "e3/trees/TreeEvents.h"

namespace e3 {

const fw::TEventType NodeEventType {"TNodeEvent", typeid(TNodeEvent)};
const fw::TEventType NodeAllowEventType {"TNodeAllowEvent", typeid(TNodeAllowEvent)};
const fw::TEventType NodeEditedEventType {"TNodeEditedEvent", typeid(TNodeEditedEvent)};

} // namespace e3
