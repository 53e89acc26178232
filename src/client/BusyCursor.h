#pragma once
// The busy cursor of engine calls: a nesting count; the hourglass shows while it
// is above 0.
#include <functional>

namespace client {

extern int BusyCount;

void BeginWaitCursor();
void EndWaitCursor();

// How the cursor is shown: called with true for the hourglass (at every level)
// and false for the default cursor. The GUI installs the Qt one; none by default.
void SetCursorShapeHandler(std::function<void(bool busy)> handler);

} // namespace client
