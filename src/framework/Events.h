#pragma once
// Event signatures as the engine knows them: the sender first, var arguments by
// reference. One handler per event: binding replaces, it never adds.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>


#include "framework/Rtti.h"

namespace fw {

class TObject;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift state bits, in the order of their ordinals.
enum TShiftStateBit { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = uint32_t;
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
// The key is a Unicode code point; 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* sender, char32_t& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int32_t x, int32_t y)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

struct TPoint {
    int32_t x = 0, y = 0;
};
struct TRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

using TProgressEvent = std::function<void(TObject* sender, int32_t stage, int32_t percentDone, bool redrawNow,
                                          const TRect& r, const std::string& msg)>;
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;
// Drag and dock: the source, target or docked control, null for none.
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int32_t x, int32_t y)>;
using TDragOverEvent = std::function<void(TObject* sender, TObject* source, int32_t x, int32_t y, TDragState state,
                                          bool& accept)>;
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int32_t x, int32_t y)>;
using TStartDragEvent = std::function<void(TObject* sender, TObject*& dragObject)>;
using TUnDockEvent = std::function<void(TObject* sender, TObject* client, TObject* newTarget, bool& allow)>;
// A dock site asked where and whether client may dock (screen coordinates).
using TGetSiteInfoEvent = std::function<void(TObject* sender, TObject* dockClient, TRect& influenceRect,
                                             TPoint mousePos, bool& canDock)>;
// The wheel turned by delta (120 a notch, positive away from the user); the
// position is in screen coordinates. A handler that sets handled keeps the
// turn from scrolling anything.
using TMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int32_t wheelDelta, TPoint mousePos,
                                            bool& handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;
using TCanResizeEvent = std::function<void(TObject* sender, int32_t& newWidth, int32_t& newHeight, bool& resize)>;
using TConstrainedResizeEvent = std::function<void(TObject* sender, int32_t& minWidth, int32_t& minHeight,
                                                   int32_t& maxWidth, int32_t& maxHeight)>;
using TMovedEvent = std::function<void(TObject* sender, int32_t fromIndex, int32_t toIndex)>;
using TChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TSelectCellEvent = std::function<void(TObject* sender, int32_t col, int32_t row, bool& canSelect)>;
using TEditorClickEvent = std::function<void(TObject* sender, int32_t col, int32_t row, const std::string& text)>;
using TLookBarClickEvent = std::function<void(TObject* sender, int32_t button, int32_t expButton)>;
using TInvalidRegNoEvent = std::function<void(TObject* sender, bool& previosValue, const std::string& error)>;
// The help request of the application: true when handled; callHelp false
// keeps the system help away.
using THelpEvent = std::function<bool(uint16_t command, int32_t data, bool& callHelp)>;
using TSectionClickEvent = std::function<void(TObject* sender, int32_t sectionIndex)>;
using TCollButtonClickEvent = std::function<void(TObject* sender, const std::string& functionName,
                                                 int32_t buttonIndex, int32_t menuItemIndex)>;
using TMaxValueEvent = std::function<void(TObject* sender, bool& cancel)>;

extern const TEventType NotifyEventType;
extern const TEventType KeyEventType;
extern const TEventType KeyPressEventType;
extern const TEventType MouseEventType;
extern const TEventType MouseMoveEventType;
extern const TEventType CloseEventType;
extern const TEventType CloseQueryEventType;
extern const TEventType ProgressEventType;
extern const TEventType ContextPopupEventType;
extern const TEventType DragDropEventType;
extern const TEventType DragOverEventType;
extern const TEventType EndDragEventType;
extern const TEventType StartDragEventType;
// The dock start has the drag start's handler; the dock object stays null here.
extern const TEventType StartDockEventType;
extern const TEventType UnDockEventType;
extern const TEventType GetSiteInfoEventType;
extern const TEventType CanResizeEventType;
extern const TEventType MouseWheelEventType;
extern const TEventType MouseWheelUpDownEventType;
extern const TEventType ConstrainedResizeEventType;
extern const TEventType MovedEventType;
extern const TEventType ChangingEventType;
extern const TEventType SelectCellEventType;
extern const TEventType EditorClickEventType;
extern const TEventType LookBarClickEventType;
extern const TEventType InvalidRegNoEventType;
extern const TEventType HelpEventType;
extern const TEventType SectionClickEventType;
extern const TEventType CollButtonClickEventType;
extern const TEventType MaxValueEventType;

extern const TEnumType MouseButtonType;
extern const TEnumType ShiftStateType;
extern const TEnumType CloseActionType;
extern const TEnumType DragStateType;

} // namespace fw
