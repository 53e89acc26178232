#include "framework/Events.h"

namespace fw {

const TEventType NotifyEventType {"TNotifyEvent", typeid(TNotifyEvent)};
const TEventType KeyEventType {"TKeyEvent", typeid(TKeyEvent)};
const TEventType KeyPressEventType {"TKeyPressEvent", typeid(TKeyPressEvent)};
const TEventType MouseEventType {"TMouseEvent", typeid(TMouseEvent)};
const TEventType MouseMoveEventType {"TMouseMoveEvent", typeid(TMouseMoveEvent)};
const TEventType CloseEventType {"TCloseEvent", typeid(TCloseEvent)};
const TEventType CloseQueryEventType {"TCloseQueryEvent", typeid(TCloseQueryEvent)};
const TEventType ProgressEventType {"TProgressEvent", typeid(TProgressEvent)};
const TEventType ContextPopupEventType {"TContextPopupEvent", typeid(TContextPopupEvent)};
const TEventType DragDropEventType {"TDragDropEvent", typeid(TDragDropEvent)};
const TEventType DragOverEventType {"TDragOverEvent", typeid(TDragOverEvent)};
const TEventType EndDragEventType {"TEndDragEvent", typeid(TEndDragEvent)};
const TEventType StartDragEventType {"TStartDragEvent", typeid(TStartDragEvent)};
const TEventType StartDockEventType {"TStartDockEvent", typeid(TStartDragEvent)};
const TEventType UnDockEventType {"TUnDockEvent", typeid(TUnDockEvent)};
const TEventType GetSiteInfoEventType {"TGetSiteInfoEvent", typeid(TGetSiteInfoEvent)};
const TEventType CanResizeEventType {"TCanResizeEvent", typeid(TCanResizeEvent)};
const TEventType MouseWheelEventType {"TMouseWheelEvent", typeid(TMouseWheelEvent)};
const TEventType MouseWheelUpDownEventType {"TMouseWheelUpDownEvent", typeid(TMouseWheelUpDownEvent)};
const TEventType ConstrainedResizeEventType {"TConstrainedResizeEvent", typeid(TConstrainedResizeEvent)};
const TEventType MovedEventType {"TMovedEvent", typeid(TMovedEvent)};
const TEventType ChangingEventType {"TChangingEvent", typeid(TChangingEvent)};
const TEventType SelectCellEventType {"TSelectCellEvent", typeid(TSelectCellEvent)};
const TEventType EditorClickEventType {"TEditorClickEvent", typeid(TEditorClickEvent)};
const TEventType LookBarClickEventType {"TLookBarClickEvent", typeid(TLookBarClickEvent)};
const TEventType InvalidRegNoEventType {"TInvalidRegNoEvent", typeid(TInvalidRegNoEvent)};
const TEventType HelpEventType {"THelpEvent", typeid(THelpEvent)};
const TEventType SectionClickEventType {"TSectionClickEvent", typeid(TSectionClickEvent)};
const TEventType CollButtonClickEventType {"TCollButtonClickEvent", typeid(TCollButtonClickEvent)};
const TEventType MaxValueEventType {"TMaxValueEvent", typeid(TMaxValueEvent)};

const TEnumType MouseButtonType {"TMouseButton", {"mbLeft", "mbRight", "mbMiddle"}};
const TEnumType ShiftStateType {"TShiftState", {"ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble"}};
const TEnumType CloseActionType {"TCloseAction", {"caNone", "caHide", "caFree", "caMinimize"}};
const TEnumType DragStateType {"TDragState", {"dsDragEnter", "dsDragLeave", "dsDragMove"}};

} // namespace fw
