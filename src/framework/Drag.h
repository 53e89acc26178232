#pragma once
// Dragging one control over others with the mouse, as the original framework
// does it (not the desktop's drag and drop): the source raises OnStartDrag, the
// control under the mouse hears OnDragOver (enter, move, leave) and says
// whether it takes the source, the one that took it at the release gets
// OnDragDrop, and the source ends with OnEndDrag naming that target (or none).
// The cursor shows the source's DragCursor over a taker and the no-drop cursor
// elsewhere. Any handler may free any control; the session drops what died.
#include "framework/Control.h"

namespace fw {

namespace DragSession {

bool Active();
TControl* Source();
// Starts a drag of source; nothing when a drag is already running.
void Begin(TControl* source);
// The mouse is over target (nullptr: over no control) at a client point of
// target. A disabled target takes nothing.
void Move(TControl* target, int32_t x, int32_t y);
// The button was released: the current target decides once more (leave) and,
// when it takes the source, gets the drop.
void Drop();
// Escape or a lost drag: the target hears leave, the source ends with no target.
void Cancel();

} // namespace DragSession

// The distance in pixels the mouse moves with the button held before an
// automatic drag begins.
constexpr int DragThreshold = 5;

} // namespace fw
