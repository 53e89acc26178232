#pragma once
// The application's title: message boxes take it as their caption. It is kept
// here rather than as Qt's application display name, because Qt appends that
// name to the caption of every window, and engine forms and dialogs show their
// own caption alone.
#include <string>

namespace fw {

// The title set last; until one is set, the program's name.
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& title);

} // namespace fw
