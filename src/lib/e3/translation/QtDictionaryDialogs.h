#pragma once
// The dictionary model has no widgets; its message boxes become Qt ones once a
// translation component exists in a program with a display.

namespace e3 {

// Makes Qt message boxes the standard dictionary dialogs. Idempotent.
void InstallQtDictionaryDialogs();

} // namespace e3
