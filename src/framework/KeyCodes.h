#pragma once
// The engine reads keys as the virtual-key codes of the original platform, with
// the shift state as a bit set; Qt's keys, modifiers and buttons are mapped here.
#include "framework/Events.h"

#include <Qt>

#include <cstdint>

namespace fw {

// The virtual-key code of a Qt key; keys from the numeric keypad (keypad
// modifier set) get the keypad codes. 0 for a key without a code.
uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The shortcut code of a Qt key with its modifiers: the virtual-key code with
// 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt; 0 for a key without a
// code.
int32_t ShortCutFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

struct QtKeyStroke {
    int key = 0; // Qt::Key; 0 when the code has no key
    Qt::KeyboardModifiers modifiers;
};
// The Qt key that produces a virtual-key code, for a handler that replaces a
// key with another one.
QtKeyStroke QtKeyFromVirtualKey(uint16_t vk);

// The shift-state bits (ssShift 1, ssAlt 2, ssCtrl 4, ssLeft 8, ssRight 16,
// ssMiddle 32, ssDouble 64) of modifiers and held mouse buttons.
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton,
                             bool doubleClick = false);

// The framework's button for a Qt button; false for buttons it has none for.
bool MouseButtonFromQt(Qt::MouseButton button, TMouseButton& result);

} // namespace fw
