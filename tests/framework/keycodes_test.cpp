#include "framework/KeyCodes.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(KeyCodes, QtKeysGiveTheCodesTheEngineReads)
{
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        uint16_t vk;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::NoModifier, 65},
        {Qt::Key_Z, Qt::ShiftModifier, 90},
        {Qt::Key_0, Qt::NoModifier, 48},
        {Qt::Key_9, Qt::NoModifier, 57},
        {Qt::Key_0, Qt::KeypadModifier, 96},
        {Qt::Key_9, Qt::KeypadModifier, 105},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 106},
        {Qt::Key_Plus, Qt::KeypadModifier, 107},
        {Qt::Key_Minus, Qt::KeypadModifier, 109},
        {Qt::Key_Period, Qt::KeypadModifier, 110},
        {Qt::Key_Slash, Qt::KeypadModifier, 111},
        {Qt::Key_F1, Qt::NoModifier, 112},
        {Qt::Key_F12, Qt::NoModifier, 123},
        {Qt::Key_F24, Qt::NoModifier, 135},
        {Qt::Key_Left, Qt::NoModifier, 37},
        {Qt::Key_Up, Qt::NoModifier, 38},
        {Qt::Key_Right, Qt::NoModifier, 39},
        {Qt::Key_Down, Qt::NoModifier, 40},
        {Qt::Key_Return, Qt::NoModifier, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, 13},
        {Qt::Key_Escape, Qt::NoModifier, 27},
        {Qt::Key_Tab, Qt::NoModifier, 9},
        {Qt::Key_Backtab, Qt::ShiftModifier, 9},
        {Qt::Key_Backspace, Qt::NoModifier, 8},
        {Qt::Key_Space, Qt::NoModifier, 32},
        {Qt::Key_PageUp, Qt::NoModifier, 33},
        {Qt::Key_PageDown, Qt::NoModifier, 34},
        {Qt::Key_End, Qt::NoModifier, 35},
        {Qt::Key_Home, Qt::KeypadModifier, 36},
        {Qt::Key_Insert, Qt::NoModifier, 45},
        {Qt::Key_Delete, Qt::NoModifier, 46},
        {Qt::Key_Shift, Qt::ShiftModifier, 16},
        {Qt::Key_Control, Qt::ControlModifier, 17},
        {Qt::Key_Alt, Qt::AltModifier, 18},
        // Punctuation: both characters of a key give that key's code.
        {Qt::Key_Semicolon, Qt::NoModifier, 186},
        {Qt::Key_Colon, Qt::ShiftModifier, 186},
        {Qt::Key_Plus, Qt::ShiftModifier, 187},
        {Qt::Key_Comma, Qt::NoModifier, 188},
        {Qt::Key_Minus, Qt::NoModifier, 189},
        {Qt::Key_Period, Qt::NoModifier, 190},
        {Qt::Key_Question, Qt::ShiftModifier, 191},
        {Qt::Key_QuoteLeft, Qt::NoModifier, 192},
        {Qt::Key_BracketLeft, Qt::NoModifier, 219},
        {Qt::Key_Backslash, Qt::NoModifier, 220},
        {Qt::Key_BraceRight, Qt::ShiftModifier, 221},
        {Qt::Key_Apostrophe, Qt::NoModifier, 222},
        {Qt::Key_Exclam, Qt::ShiftModifier, 49},
        {Qt::Key_Adiaeresis, Qt::NoModifier, 222},
        {Qt::Key_unknown, Qt::NoModifier, 0},
        {Qt::Key_VolumeUp, Qt::NoModifier, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromQt(c.qtKey, c.modifiers), c.vk) << "Qt key 0x" << std::hex << c.qtKey;
}

TEST(KeyCodes, EveryCodeWithAKeyComesBackToThatCode)
{
    for (int vk = 1; vk < 256; ++vk) {
        const QtKeyStroke stroke = QtKeyFromVirtualKey(static_cast<uint16_t>(vk));
        if (stroke.key == 0)
            continue;
        EXPECT_EQ(VirtualKeyFromQt(stroke.key, stroke.modifiers), vk) << vk;
    }
    EXPECT_EQ(QtKeyFromVirtualKey(13).key, Qt::Key_Return);
    EXPECT_EQ(QtKeyFromVirtualKey(100).key, Qt::Key_4);
    EXPECT_TRUE(QtKeyFromVirtualKey(100).modifiers.testFlag(Qt::KeypadModifier));
    EXPECT_EQ(QtKeyFromVirtualKey(7).key, 0);
}

TEST(KeyCodes, ShortCutCodesCarryTheModifierBits)
{
    const struct {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        int32_t shortCut;
    } cases[] = {
        {Qt::Key_Down, Qt::AltModifier, 0x8000 | 0x28},
        {Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier, 0x4000 | 0x2000 | 0x71},
        {Qt::Key_N, Qt::ControlModifier | Qt::MetaModifier, 0x4000 | 'N'},
        {Qt::Key_5, Qt::KeypadModifier, 101},
        {Qt::Key_Launch0, Qt::ControlModifier, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortCutFromQt(c.qtKey, c.modifiers), c.shortCut) << "Qt key 0x" << std::hex << c.qtKey;
}

TEST(KeyCodes, ShiftStateBitsAndMouseButtons)
{
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier), 0u);
    EXPECT_EQ(ShiftStateFromQt(Qt::ShiftModifier), 1u);
    EXPECT_EQ(ShiftStateFromQt(Qt::AltModifier), 2u);
    EXPECT_EQ(ShiftStateFromQt(Qt::ControlModifier), 4u);
    EXPECT_EQ(ShiftStateFromQt(Qt::KeypadModifier | Qt::MetaModifier), 0u);
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::LeftButton), 8u);
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::RightButton), 16u);
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::MiddleButton), 32u);
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::NoButton, true), 64u);
    EXPECT_EQ(ShiftStateFromQt(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier,
                               Qt::LeftButton | Qt::RightButton, true),
              1u + 2 + 4 + 8 + 16 + 64);

    const std::pair<Qt::MouseButton, TMouseButton> known[] = {
        {Qt::LeftButton, mbLeft}, {Qt::RightButton, mbRight}, {Qt::MiddleButton, mbMiddle}};
    for (auto [qt, ours] : known) {
        TMouseButton b = mbMiddle;
        ASSERT_TRUE(MouseButtonFromQt(qt, b));
        EXPECT_EQ(b, ours);
    }
    TMouseButton b = mbLeft;
    EXPECT_FALSE(MouseButtonFromQt(Qt::BackButton, b));
}
