#pragma once
// Event signatures as the engine knows them: the sender first, var arguments by
// reference. One handler per event: binding replaces, it never adds.
#include <cstdint>
#include <functional>

#include "framework/Rtti.h"

namespace fw {

class TObject;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift state bits, in the order of their ordinals.
enum TShiftStateBit { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = uint32_t;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int32_t x, int32_t y)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

extern const TEventType NotifyEventType;
extern const TEventType KeyEventType;
extern const TEventType KeyPressEventType;
extern const TEventType MouseEventType;
extern const TEventType MouseMoveEventType;
extern const TEventType CloseEventType;
extern const TEventType CloseQueryEventType;

extern const TEnumType MouseButtonType;
extern const TEnumType ShiftStateType;
extern const TEnumType CloseActionType;

} // namespace fw
