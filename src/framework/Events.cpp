#include "framework/Events.h"

namespace fw {

const TEventType NotifyEventType {"TNotifyEvent", typeid(TNotifyEvent)};
const TEventType KeyEventType {"TKeyEvent", typeid(TKeyEvent)};
const TEventType KeyPressEventType {"TKeyPressEvent", typeid(TKeyPressEvent)};
const TEventType MouseEventType {"TMouseEvent", typeid(TMouseEvent)};
const TEventType MouseMoveEventType {"TMouseMoveEvent", typeid(TMouseMoveEvent)};
const TEventType CloseEventType {"TCloseEvent", typeid(TCloseEvent)};
const TEventType CloseQueryEventType {"TCloseQueryEvent", typeid(TCloseQueryEvent)};

const TEnumType MouseButtonType {"TMouseButton", {"mbLeft", "mbRight", "mbMiddle"}};
const TEnumType ShiftStateType {"TShiftState", {"ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble"}};
const TEnumType CloseActionType {"TCloseAction", {"caNone", "caHide", "caFree", "caMinimize"}};

} // namespace fw
