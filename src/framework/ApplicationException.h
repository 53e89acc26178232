#pragma once
// No exception may cross Qt's event loop: every entry from it into our code runs
// through RunFromEventLoop, which swallows the silent abort and hands every other
// failure to the application's handler.
#include <exception>
#include <functional>

namespace fw {

// Shows a failure that reached the event loop. The start-up installs the one
// that shows a message; by default the message goes to standard error.
using TExceptionHandler = void (*)(const std::exception& error);
extern TExceptionHandler ApplicationExceptionHandler;

// Runs code on behalf of an event from the event loop: inside a HandlerScope,
// u3::EAbort swallowed, other exceptions given to ApplicationExceptionHandler.
void RunFromEventLoop(const std::function<void()>& code);

} // namespace fw
