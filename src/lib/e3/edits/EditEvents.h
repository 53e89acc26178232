#pragma once
// What the edit's window and its masked-input path share: how a key event
// reads as a typed character, and how code runs for a Qt event.
#include "framework/Component.h"
#include "u3/Exceptions.h"
#include "u3/UserMessages.h"

#include <QKeyEvent>

namespace e3 {

// The character code a key stands for, as the key filter knows them; 0 for a
// key that types nothing (caret moves, function keys, other shortcuts).
char32_t EditKeyCharCode(const QKeyEvent* e);

// Code to run for a Qt event: released controls wait until it is over, and no
// exception crosses into Qt.
template <class F>
inline void RunForEvent(F&& f)
{
    fw::HandlerScope scope;
    try {
        f();
    } catch (const u3::EAbort&) {
    } catch (const std::exception& e) {
        u3::CurrentUserMessages().ShowInformation(e.what());
    }
}

} // namespace e3
