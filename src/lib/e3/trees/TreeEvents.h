#pragma once
// The tree view's node events. A node reaches its handler as the engine's id
// for it; the event list meets these events here.
#include "framework/Events.h"

#include <cstdint>
#include <functional>
#include <string>

namespace e3 {

using TNodeEvent = std::function<void(fw::TObject* sender, int32_t nodeId)>;
using TNodeAllowEvent = std::function<void(fw::TObject* sender, int32_t nodeId, bool& allow)>;
using TNodeEditedEvent = std::function<void(fw::TObject* sender, int32_t nodeId, std::string& text)>;

extern const fw::TEventType NodeEventType;
extern const fw::TEventType NodeAllowEventType;
extern const fw::TEventType NodeEditedEventType;

} // namespace e3
