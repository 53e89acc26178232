#include "../TestContainer.h"
#include "e3/numbers/RegNoEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_RegNoEdit;
using e3test::TextByName;
using e3test::WriteByName;
using namespace u3;

// Types keys: \b Backspace, \x7f Delete, \x02 Home, \x03 End, \x04 Left,
// \x06 Right; anything else as the character.
void Type(QWidget* w, const std::string& keys)
{
    for (char c : keys) {
        switch (c) {
        case '\b': QTest::keyClick(w, Qt::Key_Backspace); break;
        case '\x7f': QTest::keyClick(w, Qt::Key_Delete); break;
        case '\x02': QTest::keyClick(w, Qt::Key_Home); break;
        case '\x03': QTest::keyClick(w, Qt::Key_End); break;
        case '\x04': QTest::keyClick(w, Qt::Key_Left); break;
        case '\x06': QTest::keyClick(w, Qt::Key_Right); break;
        default: QTest::keyClick(w, c); break;
        }
    }
}

// The edit in a shown, active window beside a second field to leave to.
class RegNoEditTest : public ::testing::Test {
protected:
    RegNoEditTest()
    {
        window.resize(300, 100);
        other = new QLineEdit(&window);
        other->move(0, 50);
        edit.SetParent(&host);
        edit.LineEdit()->setParent(&window);
        edit.LineEdit()->show();
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit.OnExit = [this](fw::TObject*) { events.push_back("exit"); };
        edit.OnInvalidRegNo = [this](fw::TObject*, bool& previous, const std::string& error) {
            events.push_back("invalid " + error);
            previous = keepPrevious;
        };
    }

    QLineEdit* Window() { return edit.LineEdit(); }
    std::string Shown() { return Window()->text().toStdString(); }
    std::string Selected() { return Window()->selectedText().toStdString(); }
    void Enter(Qt::FocusReason reason = Qt::TabFocusReason)
    {
        Window()->setFocus(reason);
        QCoreApplication::processEvents();
    }
    void Leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void Mode(TRegNoMode mode) { WriteByName(edit, "InputMode", int64_t(mode)); }

    QWidget window;
    QLineEdit* other;
    fw::TWinControl host {nullptr};
    Te3_RegNoEdit edit {nullptr};
    std::vector<std::string> events;
    bool keepPrevious = true;
};

TEST_F(RegNoEditTest, InputModeShapesTheEdit)
{
    EXPECT_EQ(Shown(), "0.0");
    EXPECT_EQ(edit.GetMaxLength(), 7);
    const struct {
        TRegNoMode mode;
        const char* zero;
        int maxLength;
        bool visible;
    } rows[] = {
        {rnmESDNI, "0-T", 10, true},  {rnmBRCPF, "0", 11, false},  {rnmESAN, "0.0", 11, true},
        {rnmSEAN, "0-0", 9, true},    {rnmBRCNPJ, "0", 14, false}, {rnmBRVeskGRU, "0", 17, false},
        {rnmESPBC, "0", 11, false},
    };
    for (const auto& r : rows) {
        Mode(r.mode);
        EXPECT_EQ(Shown(), r.zero) << RegNoModeName(r.mode);
        EXPECT_EQ(edit.GetMaxLength(), r.maxLength) << RegNoModeName(r.mode);
        EXPECT_EQ(edit.GetVisibleCheckDigit(), r.visible) << RegNoModeName(r.mode);
    }
    // E-mail and other texts keep the length they had.
    WriteByName(edit, "RegNoLength", int64_t(30));
    Mode(rnmEMAIL);
    EXPECT_EQ(edit.GetRegNoLength(), 30);
    EXPECT_EQ(edit.GetMaxLength(), 30);
    EXPECT_EQ(Shown(), "");
}

TEST_F(RegNoEditTest, TypingKeepsTheShape)
{
    Mode(rnmUKAN);
    Enter();
    Type(Window(), "\x02");
    EXPECT_EQ(Selected(), "");
    // Over the selected number part: digits replace it, letters are refused.
    Window()->setSelection(0, 1);
    Type(Window(), "1618033x9");
    EXPECT_EQ(Shown(), "16180339.0");
    // The number part is full: the entry moves on to the check digit.
    EXPECT_EQ(Selected(), "0");
    Type(Window(), "a");
    EXPECT_EQ(Shown(), "16180339.0");
    // The separator key does not insert; it selects the check part.
    Type(Window(), "\x02.");
    EXPECT_EQ(Selected(), "0");
    // A wrong check digit goes back to the default, a right one stays.
    Type(Window(), "7");
    EXPECT_EQ(Shown(), "16180339.0");
}

TEST_F(RegNoEditTest, DeletingRepairsTheText)
{
    Enter();
    Window()->selectAll();
    Type(Window(), "\b");
    EXPECT_EQ(Shown(), "0.0");
    WriteByName(edit, "Text", std::string("123.4"));
    EXPECT_EQ(Shown(), "123.0"); // 123's Luhn digit is 0, 4 was wrong
    // Backspace over the separator with the caret behind it: the check digit
    // joins the number and a new default one is appended.
    WriteByName(edit, "Text", std::string("1234.4"));
    EXPECT_EQ(Shown(), "1234.4");
    Window()->setCursorPosition(5);
    Type(Window(), "\b");
    EXPECT_EQ(Shown(), "12344.0");
    // The number would exceed RegNoLength (5): Delete is refused.
    Window()->setCursorPosition(5);
    Type(Window(), "\x7f");
    EXPECT_EQ(Shown(), "12344.0");
}

TEST_F(RegNoEditTest, CheckLettersCanBeTyped)
{
    // Typed letters used to be lowered, so "X" and the DNI letters could not
    // be entered at all.
    Mode(rnmESDNI);
    Enter();
    Window()->setSelection(0, 1);
    Type(Window(), "31415926");
    EXPECT_EQ(Selected(), "T");
    Type(Window(), "l");
    EXPECT_EQ(Shown(), "31415926-L");
    Mode(rnmESAN);
    Enter();
    Window()->setSelection(0, 1);
    Type(Window(), "080442957x");
    EXPECT_EQ(Shown(), "080442957.X");
    Leave();
    EXPECT_EQ(events, std::vector<std::string>({"exit"}));
}

TEST_F(RegNoEditTest, TabMovesBetweenThePartsBeforeLeaving)
{
    Mode(rnmUKAN);
    WriteByName(edit, "Text", std::string("16180339.0"));
    Enter(Qt::TabFocusReason);
    EXPECT_EQ(Selected(), "16180339");
    QTest::keyClick(Window(), Qt::Key_Tab);
    EXPECT_TRUE(Window()->hasFocus());
    EXPECT_EQ(Selected(), "0");
    QTest::keyClick(Window(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(Window()->hasFocus());
    EXPECT_EQ(Selected(), "16180339");
    Leave();
    Enter(Qt::BacktabFocusReason);
    EXPECT_EQ(Selected(), "0");
}

TEST_F(RegNoEditTest, LeavingWithAnInvalidNumber)
{
    Mode(rnmUKAN);
    WriteByName(edit, "Text", std::string("16180339.0"));
    Enter();
    // Set by code: the check is not reset while typing, only on leaving.
    edit.LineEdit()->setText("16180338.0");
    EXPECT_EQ(Shown(), "16180338.0");
    Leave();
    EXPECT_EQ(events, std::vector<std::string>({"invalid 2", "exit"}));
    EXPECT_EQ(Shown(), "16180339.0"); // the last valid number is back

    events.clear();
    keepPrevious = false;
    Enter();
    edit.LineEdit()->setText("16180338.0");
    Leave();
    EXPECT_EQ(events, std::vector<std::string>({"invalid 2", "exit"}));
    EXPECT_EQ(Shown(), "16180338.0");

    // Without a visible check digit the text is never restored.
    events.clear();
    keepPrevious = true;
    Mode(rnmBRCPF);
    Enter();
    edit.LineEdit()->setText("1114447773");
    Leave();
    EXPECT_EQ(events, std::vector<std::string>({"invalid 2", "exit"}));
    EXPECT_EQ(Shown(), "1114447773");
}

TEST_F(RegNoEditTest, FullLengthInvalidNumberFallsBackToItsDefault)
{
    Mode(rnmESPBC);
    Enter();
    Window()->selectAll();
    Type(Window(), "2718281822");
    EXPECT_EQ(Shown(), "2718281822");
    Type(Window(), "4");
    EXPECT_EQ(Shown(), "0");
    EXPECT_EQ(Selected(), "0");
    Window()->selectAll();
    Type(Window(), "27182818223");
    EXPECT_EQ(Shown(), "27182818223");
}

TEST_F(RegNoEditTest, GruNumbersTakeSeventeenDigits)
{
    Mode(rnmBRVeskGRU);
    Enter();
    Window()->selectAll();
    Type(Window(), "22360679774997826");
    EXPECT_EQ(Shown(), "22360679774997826");
    Type(Window(), "1");
    EXPECT_EQ(Shown(), "22360679774997826");
}

TEST_F(RegNoEditTest, CdsNumberGrowsWithoutItsCheckDigit)
{
    Mode(rnmCDS);
    Enter();
    Window()->selectAll();
    Type(Window(), "12345");
    EXPECT_EQ(Shown(), "12345.0");
    EXPECT_EQ(Window()->cursorPosition(), 5);
    Type(Window(), "67");
    EXPECT_FALSE(edit.GetVisibleCheckDigit());
    EXPECT_EQ(Shown(), "1234567");
    EXPECT_EQ(edit.GetRegNoLength(), 7);
    Type(Window(), "\b\b\b\b");
    EXPECT_TRUE(edit.GetVisibleCheckDigit());
    EXPECT_EQ(Shown(), "123.0");
    EXPECT_EQ(edit.GetRegNoLength(), 5);
}

TEST_F(RegNoEditTest, TextSetByCode)
{
    WriteByName(edit, "Text", std::string("12a.3"));
    EXPECT_EQ(Shown(), "0.0"); // breaks the syntax: dropped
    WriteByName(edit, "Text", std::string("7992739871.3"));
    EXPECT_EQ(Shown(), "0.0"); // longer than RegNoLength
    WriteByName(edit, "RegNoLength", int64_t(10));
    WriteByName(edit, "Text", std::string("7992739871.3"));
    EXPECT_EQ(TextByName(edit, "Text"), "7992739871.3");
    WriteByName(edit, "Text", std::string());
    EXPECT_EQ(Shown(), "0.0");
}

TEST_F(RegNoEditTest, EMailWithAndWithoutVerify)
{
    WriteByName(edit, "RegNoLength", int64_t(40));
    Mode(rnmEMAIL);
    Enter();
    Type(Window(), "ab12");
    EXPECT_EQ(Shown(), "12"); // with Verify only a plain number gets through
    WriteByName(edit, "Verify", false);
    Window()->selectAll();
    Type(Window(), "Tom@Example.com");
    EXPECT_EQ(Shown(), "tom@example.com");
    Leave();
    EXPECT_EQ(events, std::vector<std::string>({"exit"}));
}

TEST_F(RegNoEditTest, CursorIsPublishedAndShownOverTheEdit)
{
    WriteByName(edit, "Cursor", int64_t(fw::crHandPoint));
    EXPECT_EQ(e3test::OrdinalByName(edit, "Cursor"), fw::crHandPoint);
    EXPECT_EQ(Window()->cursor().shape(), Qt::PointingHandCursor);
    WriteByName(edit, "Cursor", int64_t(fw::crDefault));
    EXPECT_EQ(Window()->cursor().shape(), Qt::IBeamCursor); // the edit's own
}

} // namespace
