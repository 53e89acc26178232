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

// Installs the handler that shows the hourglass as the application's cursor
// over all its windows (nothing without a GUI application); removing it takes
// a shown hourglass away.
void InstallScreenBusyCursor();
void RemoveScreenBusyCursor();

} // namespace client
