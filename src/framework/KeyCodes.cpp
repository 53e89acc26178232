#include "framework/KeyCodes.h"

#include <array>

namespace fw {
namespace {

struct KeyRow {
    int qtKey;
    uint16_t vk;
};

// Keys whose code does not depend on the keypad. The punctuation keys carry
// the codes of the US layout, for both characters of each key (Qt reports the
// character typed, the engine the key), plus the German letters that have keys
// of their own.
constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Help, 47},
    {Qt::Key_Super_L, 91},
    {Qt::Key_Meta, 91},
    {Qt::Key_Super_R, 92},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
    // The shifted digits of the US layout are their digit keys.
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_Udiaeresis, 186},
    {Qt::Key_Odiaeresis, 192},
    {Qt::Key_ssharp, 219},
    {Qt::Key_Dead_Circumflex, 220},
    {Qt::Key_Dead_Acute, 221},
    {Qt::Key_Adiaeresis, 222},
};

// Keypad keys other than the digits.
constexpr KeyRow kKeypadKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},   {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Comma, 110},  {Qt::Key_Slash, 111},
};

} // namespace

uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<uint16_t>(keypad ? 96 + (qtKey - Qt::Key_0) : qtKey);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<uint16_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<uint16_t>(112 + (qtKey - Qt::Key_F1));
    if (keypad)
        for (const KeyRow& row : kKeypadKeys)
            if (row.qtKey == qtKey)
                return row.vk;
    for (const KeyRow& row : kKeys)
        if (row.qtKey == qtKey)
            return row.vk;
    return 0;
}

QtKeyStroke QtKeyFromVirtualKey(uint16_t vk)
{
    if (vk >= '0' && vk <= '9')
        return {Qt::Key_0 + (vk - '0'), Qt::NoModifier};
    if (vk >= 'A' && vk <= 'Z')
        return {vk, Qt::NoModifier};
    if (vk >= 96 && vk <= 105)
        return {Qt::Key_0 + (vk - 96), Qt::KeypadModifier};
    if (vk >= 112 && vk <= 135)
        return {Qt::Key_F1 + (vk - 112), Qt::NoModifier};
    for (const KeyRow& row : kKeypadKeys)
        if (row.vk == vk)
            return {row.qtKey, Qt::KeypadModifier};
    // The first row of a code is its unshifted key.
    for (const KeyRow& row : kKeys)
        if (row.vk == vk)
            return {row.qtKey, Qt::NoModifier};
    return {};
}

int32_t ShortCutFromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const uint16_t vk = VirtualKeyFromQt(qtKey, modifiers & Qt::KeypadModifier);
    if (vk == 0)
        return 0;
    int32_t shortCut = vk;
    if (modifiers & Qt::ShiftModifier)
        shortCut |= 0x2000;
    if (modifiers & Qt::ControlModifier)
        shortCut |= 0x4000;
    if (modifiers & Qt::AltModifier)
        shortCut |= 0x8000;
    return shortCut;
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool doubleClick)
{
    TShiftState s = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        s |= 1u << ssShift;
    if (modifiers.testFlag(Qt::AltModifier))
        s |= 1u << ssAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        s |= 1u << ssCtrl;
    if (buttons.testFlag(Qt::LeftButton))
        s |= 1u << ssLeft;
    if (buttons.testFlag(Qt::RightButton))
        s |= 1u << ssRight;
    if (buttons.testFlag(Qt::MiddleButton))
        s |= 1u << ssMiddle;
    if (doubleClick)
        s |= 1u << ssDouble;
    return s;
}

bool MouseButtonFromQt(Qt::MouseButton button, TMouseButton& result)
{
    switch (button) {
    case Qt::LeftButton: result = mbLeft; return true;
    case Qt::RightButton: result = mbRight; return true;
    case Qt::MiddleButton: result = mbMiddle; return true;
    default: return false;
    }
}

} // namespace fw
