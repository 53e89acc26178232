#pragma once
// What the edit's window and its masked-input path share: how a key event
// reads as a typed character, and how code runs for a Qt event.
#include "framework/ApplicationException.h"

#include <QKeyEvent>

#include <utility>

namespace e3 {

// The character code a key stands for, as the key filter knows them; 0 for a
// key that types nothing (caret moves, function keys, other shortcuts).
char32_t EditKeyCharCode(const QKeyEvent* e);

// Code to run for a Qt event: released controls wait until it is over, and no
// exception crosses into Qt; a failure goes to the application's handler like
// that of any other event.
template <class F>
inline void RunForEvent(F&& f)
{
    fw::RunFromEventLoop(std::forward<F>(f));
}

} // namespace e3
