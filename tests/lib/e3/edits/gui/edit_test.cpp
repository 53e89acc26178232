#include "../../TestContainer.h"
#include "e3/edits/Edit.h"
#include "u3/FormatSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_Edit;
using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

class RecordingFeedback final : public e3::EditFeedback {
public:
    RecordingFeedback() { e3::SetEditFeedback(this); }
    ~RecordingFeedback() override { e3::SetEditFeedback(nullptr); }
    void Beep() override { ++beeps; }
    void ShowWarning(const std::string& title, const std::string& text) override
    {
        warnings.push_back(title + "|" + text);
    }

    int beeps = 0;
    std::vector<std::string> warnings;
};

class DecimalSeparator {
public:
    explicit DecimalSeparator(const std::string& separator)
        : saved_(u3::GetFormatSettings())
    {
        u3::SetFormatSettings({separator, separator == "," ? "." : ","});
    }
    ~DecimalSeparator() { u3::SetFormatSettings(saved_); }

private:
    u3::FormatSettings saved_;
};

// Types the keys into the edit's window. Besides plain characters: \b is
// Backspace, \x1b Escape, \x7f Delete, \r Enter, \x16 Ctrl+V, \x18 Ctrl+X,
// \x01 Ctrl+A, \x02 Home, \x06 Right.
void Type(QWidget* w, const std::string& keys)
{
    for (char c : keys) {
        switch (c) {
        case '\b': QTest::keyClick(w, Qt::Key_Backspace); break;
        case '\x1b': QTest::keyClick(w, Qt::Key_Escape); break;
        case '\x7f': QTest::keyClick(w, Qt::Key_Delete); break;
        case '\r': QTest::keyClick(w, Qt::Key_Return); break;
        case '\x16': QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier); break;
        case '\x18': QTest::keyClick(w, Qt::Key_X, Qt::ControlModifier); break;
        case '\x01': QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier); break;
        case '\x02': QTest::keyClick(w, Qt::Key_Home); break;
        case '\x06': QTest::keyClick(w, Qt::Key_Right); break;
        default: QTest::keyClick(w, c); break;
        }
    }
}

class EditTest : public ::testing::Test {
protected:
    EditTest() { edit.SetParent(&root); }

    QLineEdit* Window() { return edit.LineEdit(); }

    fw::TWinControl root {nullptr};
    Te3_Edit edit {nullptr};
};

struct KeyCase {
    e3::TEditTypes type;
    int integerPlaces;
    int decimalPlaces;
    const char* enumerationChar;
    const char* initial;
    const char* keys;
    const char* expected; // "D" stands for the decimal separator
};

std::string WithSeparator(std::string text, const std::string& separator)
{
    for (std::size_t at = text.find('D'); at != std::string::npos; at = text.find('D', at + separator.size()))
        text.replace(at, 1, separator);
    return text;
}

TEST_F(EditTest, TypedKeysUnderBothDecimalSeparators)
{
    using e3::etAlphaNumeric, e3::etEnumeration, e3::etFloat, e3::etInteger, e3::etString, e3::etXMLName;
    const KeyCase cases[] = {
        // the sign counts as a place before the separator
        {etFloat, 3, 2, "", "", "-123", "-12"},
        {etFloat, 3, 2, "", "", "12,5", "12D5"},
        {etFloat, 3, 2, "", "", "12.5", "12D5"},
        {etFloat, 3, 2, "", "", "1,234", "1D23"},
        {etFloat, 3, 2, "", "", "1a 2-", "12"},
        {etFloat, 3, 2, "", "", "1,,5", "1D5"},
        {etFloat, 3, 2, "", "", "\x1b", "0"},
        // Delete that would leave four places before the separator is dropped
        {etFloat, 3, 2, "", "12D34", "\x02\x06\x06\x7f", "12D34"},
        {etFloat, 3, 2, "", "12D34", "\x02\x7f", "2D34"},
        {etInteger, 5, 2, "", "", "12a 3", "123"},
        {etInteger, 5, 2, "", "123", "\x1b" "5", "5"},
        {etInteger, 3, 2, "", "", "1234", "123"},
        {etInteger, 5, 2, "", "123", "\x01" "7", "7"},
        {etXMLName, 5, 2, "", "", "a b:c_d-e.f!", "ab:c_d-e.f"},
        {etEnumeration, 5, 2, "AB", "", "AxBz", "AB"},
        {etEnumeration, 5, 2, " ", "", "Ax", "Ax"},
        {etAlphaNumeric, 5, 2, "-", "", "a-b c!", "a-b c"},
        {etString, 5, 2, "", "", "a b!", "a b!"},
    };
    for (const std::string separator : {",", "."}) {
        DecimalSeparator locale(separator);
        for (const KeyCase& c : cases) {
            SCOPED_TRACE(std::string("separator ") + separator + ", keys " + c.keys);
            edit.SetEditType(e3::etString);
            edit.SetMaxLength(0); // the number types leave theirs behind
            edit.SetEditType(c.type);
            edit.SetIntegerPlaces(c.integerPlaces);
            edit.SetDecimalPlaces(c.decimalPlaces);
            edit.SetEnumerationChar(c.enumerationChar);
            edit.SetText(WithSeparator(c.initial, separator));
            Window()->end(false);
            Type(Window(), c.keys);
            EXPECT_EQ(edit.GetText(), WithSeparator(c.expected, separator));
        }
    }
}

TEST_F(EditTest, PasteCutAndClearOnlyWhenTheResultIsValid)
{
    using e3::etFloat, e3::etInteger, e3::etString;
    struct Case {
        e3::TEditTypes type;
        int maxLength;
        const char* initial;
        const char* clipboard;
        const char* keys;
        const char* expected;
    } cases[] = {
        {etInteger, 0, "1", "2a", "\x16", "1"},
        {etInteger, 0, "1", "42", "\x16", "142"},
        {etInteger, 0, "1", "-", "\x16", "1"},
        {etFloat, 0, "", "3D14", "\x16", "3D14"},
        {etFloat, 0, "", "12345", "\x16", ""},
        {etString, 5, "abc", "defgh", "\x16", "abcde"},
        // cutting everything out of a number edit leaves an empty, valid text
        {etInteger, 0, "12", "", "\x01\x18", ""},
    };
    for (const std::string separator : {",", "."}) {
        DecimalSeparator locale(separator);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string("separator ") + separator + ", paste " + c.clipboard);
            edit.SetEditType(e3::etString);
            edit.SetEditType(c.type);
            edit.SetIntegerPlaces(3);
            edit.SetDecimalPlaces(2);
            edit.SetMaxLength(c.maxLength);
            edit.SetText(c.initial);
            Window()->end(false);
            QApplication::clipboard()->setText(QString::fromStdString(WithSeparator(c.clipboard, separator)));
            Type(Window(), c.keys);
            EXPECT_EQ(edit.GetText(), WithSeparator(c.expected, separator));
        }
    }
    edit.SetEditType(etInteger);
    edit.SetText("5");
    edit.SetReadOnly(true);
    QApplication::clipboard()->setText("7");
    Type(Window(), "\x16" "8");
    EXPECT_EQ(edit.GetText(), "5");
}

TEST_F(EditTest, ContextMenuPasteIsCheckedLikeTheKeys)
{
    edit.SetEditType(e3::etInteger);
    edit.SetText("1");
    Window()->end(false);
    for (const char* clip : {"2a", "23"}) {
        QApplication::clipboard()->setText(clip);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), Window()->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(Window(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* paste = nullptr;
        for (QAction* action : menu->actions())
            if (action->text().startsWith("&Paste"))
                paste = action;
        ASSERT_NE(paste, nullptr);
        paste->trigger();
        menu->close();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(edit.GetText(), "123");
}

TEST_F(EditTest, KeyPressHearsTheFilteredKey)
{
    DecimalSeparator locale(".");
    std::vector<int> heard;
    edit.OnKeyPress = [&](fw::TObject*, char32_t& key) {
        heard.push_back(static_cast<int>(key));
        if (key == 'x')
            key = 0;
    };
    edit.SetEditType(e3::etFloat);
    Type(Window(), "1,a\r");
    // "," arrives as the separator, a refused letter and Enter as code 15
    EXPECT_EQ(heard, (std::vector<int> {'1', '.', 15, 15}));
    EXPECT_EQ(edit.GetText(), "1.");

    heard.clear();
    edit.SetEditType(e3::etString);
    Type(Window(), "yx\r");
    EXPECT_EQ(heard, (std::vector<int> {'y', 'x'})); // Enter never reaches the handler
    EXPECT_EQ(edit.GetText(), "y");
}

TEST_F(EditTest, TextSetByTheEngineIsKeptWholeAndMaxLengthOnlyLimitsTyping)
{
    // Longer than the 32767 characters Qt keeps by default.
    const std::string longText = std::string(40000, 'x') + "end";
    WriteByName(edit, "Text", longText);
    EXPECT_EQ(TextByName(edit, "Text"), longText);

    WriteByName(edit, "MaxLength", int64_t {10});
    WriteByName(edit, "Text", longText + "!");
    EXPECT_EQ(TextByName(edit, "Text"), longText + "!");
    Window()->end(false);
    Type(Window(), "y");
    EXPECT_EQ(TextByName(edit, "Text"), longText + "!");
}

// Qt's cut of 32767 characters goes when a longer text comes by typing or
// by the engine's SelText, not only by Text; and an edit's first focus ends
// with the same caret and selection as a later one.
TEST_F(EditTest, TypingAndSelTextGoPastQtsCutAndFirstFocusActsAsAnyOther)
{
    const std::string full(32767, 'x');
    WriteByName(edit, "Text", full);
    Window()->end(false);
    Type(Window(), "y");
    EXPECT_TRUE(TextByName(edit, "Text") == full + "y");

    e3::Te3_Edit other(nullptr);
    other.SetText(std::string(32760, 'a'));
    other.LineEdit()->end(false);
    other.SetSelText(std::string(20, 'b'));
    EXPECT_TRUE(other.GetText() == std::string(32760, 'a') + std::string(20, 'b'));

    // The second edit has had its cut lifted by a long text already.
    e3::Te3_Edit first(nullptr), later(nullptr);
    later.SetText(std::string(40000, 'q'));
    for (e3::Te3_Edit* e : {&first, &later}) {
        e->SetText("abcdef");
        e->LineEdit()->setSelection(4, -3);
        QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(e->LineEdit(), &in);
    }
    EXPECT_EQ(first.LineEdit()->selectedText(), later.LineEdit()->selectedText());
    EXPECT_EQ(first.LineEdit()->cursorPosition(), later.LineEdit()->cursorPosition());
    first.SetSelText(std::string(40000, 'z'));
    later.SetSelText(std::string(40000, 'z'));
    EXPECT_EQ(first.GetText().size(), later.GetText().size());
    EXPECT_GE(first.GetText().size(), 40000u);
}

TEST_F(EditTest, WritingTheSameEditTypeKeepsTheText)
{
    edit.SetText("abc");
    WriteByName(edit, "EditType", int64_t {e3::etString});
    EXPECT_EQ(edit.GetText(), "abc");
    WriteByName(edit, "EditType", int64_t {e3::etInteger});
    EXPECT_EQ(edit.GetText(), "");
    edit.SetText("12");
    WriteByName(edit, "EditType", int64_t {e3::etInteger});
    EXPECT_EQ(edit.GetText(), "12");
    EXPECT_EQ(OrdinalByName(edit, "MaxLength"), 5);
    WriteByName(edit, "EditType", int64_t {e3::etFloat});
    EXPECT_EQ(edit.GetText(), "");
    EXPECT_EQ(OrdinalByName(edit, "MaxLength"), 8);
}

TEST_F(EditTest, DateMaskShowsBlanksAndHandsOutTheValue)
{
    struct Case {
        const char* mask;
        const char* typed;
        const char* editText;
        const char* text;
    } cases[] = {
        {"99.99.9999;1;_", "", "__.__.____", "  .  .    "},
        {"99.99.9999;1;_", "24122023", "24.12.2023", "24.12.2023"},
        {"99.99.9999;0;_", "24122023", "24.12.2023", "24122023"},
        {"99.99.9999;1;_", "2x4", "24.__.____", "24.  .    "},
        {"99.99.9999;0;*", "2412", "24.12.****", "2412"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " " + c.typed);
        WriteByName(edit, "EditMask", std::string());
        edit.SetText("");
        WriteByName(edit, "EditMask", std::string(c.mask));
        EXPECT_EQ(OrdinalByName(edit, "EditType"), e3::etMasked);
        EXPECT_EQ(OrdinalByName(edit, "MaxLength"), 8);
        Window()->setCursorPosition(0);
        Type(Window(), c.typed);
        EXPECT_EQ(TextByName(edit, "EditText"), c.editText);
        EXPECT_EQ(TextByName(edit, "Text"), c.text);
    }
    WriteByName(edit, "EditMask", std::string());
    EXPECT_EQ(OrdinalByName(edit, "EditType"), e3::etString);
    EXPECT_EQ(OrdinalByName(edit, "MaxLength"), 0);
}

TEST_F(EditTest, TextWrittenIntoAMaskIsFittedIn)
{
    RecordingFeedback feedback;
    WriteByName(edit, "EditMask", std::string("99.99.9999;1;_"));
    WriteByName(edit, "Text", std::string("01.02.2003"));
    EXPECT_EQ(edit.GetEditText(), "01.02.2003");
    WriteByName(edit, "Text", std::string("0102"));
    EXPECT_EQ(edit.GetEditText(), "01.02.____");
    // A refused key beeps and changes nothing.
    Window()->setCursorPosition(0);
    Type(Window(), "a");
    EXPECT_EQ(feedback.beeps, 1);
    EXPECT_EQ(edit.GetEditText(), "01.02.____");
}

TEST_F(EditTest, ColoursFollowEnabledAndReadOnly)
{
    const fw::TColor normal = fw::clYellow, disabled = fw::clSilver;
    WriteByName(edit, "DisabledColor", int64_t {disabled});
    WriteByName(edit, "Color", int64_t {normal});
    struct Step {
        const char* property;
        int64_t value;
        fw::TColor expected;
    } steps[] = {
        {"ReadOnly", 1, disabled},
        {"Enabled", 1, disabled}, // enabling a read-only edit keeps the read-only look
        {"ReadOnly", 0, normal},
        {"Enabled", 0, disabled},
        {"Color", fw::clAqua, fw::clAqua}, // a colour set while disabled is shown ...
        {"Enabled", 1, normal},            // ... but does not become the normal colour
        {"Color", fw::clLime, fw::clLime}, // while enabled and editable it does
        {"Enabled", 0, disabled},
        {"DisabledColor", fw::clRed, fw::clRed}, // shown at once while disabled
        {"Enabled", 1, fw::clLime},
        {"ReadOnly", 1, fw::clRed},
        {"ReadOnly", 0, fw::clLime},
    };
    int index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(index++));
        WriteByName(edit, s.property, s.value);
        EXPECT_EQ(OrdinalByName(edit, "Color"), s.expected);
    }
    EXPECT_EQ(Window()->palette().color(QPalette::Base), fw::ToQColor(fw::clLime));
}

TEST_F(EditTest, ChangeIsRaisedForCodeAndUserAndAllEventsAddsExit)
{
    std::vector<std::string> events;
    edit.OnChange = [&](fw::TObject*) { events.push_back("change:" + edit.GetText()); };
    edit.OnExit = [&](fw::TObject*) { events.push_back("exit"); };
    WriteByName(edit, "Text", std::string("a"));
    WriteByName(edit, "Text", std::string("a")); // no change, nothing raised
    edit.OnChange = [&](fw::TObject*) {
        events.push_back("change:" + edit.GetText());
        if (edit.GetText() == "boom")
            throw u3::Exception("handler failed");
    };
    // A handler's failure reaches the code that set the text.
    EXPECT_THROW(WriteByName(edit, "Text", std::string("boom")), u3::Exception);
    WriteByName(edit, "Text", std::string("a"));
    WriteByName(edit, "AllEvents", int64_t {1});
    Window()->end(false);
    Type(Window(), "b");
    EXPECT_EQ(events, (std::vector<std::string> {"change:a", "change:boom", "change:a", "change:ab", "exit"}));
}

TEST_F(EditTest, StrFloatReadsWithADotAndShowsTheUsersSeparator)
{
    DecimalSeparator locale(",");
    edit.SetEditType(e3::etFloat);
    WriteByName(edit, "StrFloat", std::string("12.5"));
    EXPECT_EQ(edit.GetText(), "12,5");
    EXPECT_EQ(TextByName(edit, "StrFloat"), "12.5");
    EXPECT_THROW(WriteByName(edit, "StrFloat", std::string("abc")), u3::EConvertError);

    struct Case {
        double min, max;
        const char* text;
        const char* expected;
    } cases[] = {
        {10, 0, "5", "10"}, {10, 0, "500", "500"}, {0, 100, "-7", "0"}, {5, 5, "-7", "-7"}, {1, 3, "x", "1"},
    };
    for (const Case& c : cases) {
        edit.SetMinValue(c.min);
        edit.SetMaxValue(c.max);
        edit.SetText(c.text);
        EXPECT_EQ(TextByName(edit, "StrFloat"), c.expected) << c.min << " " << c.max << " " << c.text;
    }
}

TEST_F(EditTest, StrFloatReadsBackWhatItWrote)
{
    DecimalSeparator locale(",");
    edit.SetEditType(e3::etFloat);
    struct Case {
        const char* written;
        const char* shown;
        const char* read;
    } cases[] = {
        {"0.00005", "0,00005", "0.00005"}, {"1E15", "1E15", "1E15"}, {"1.5E-7", "1,5E-7", "1.5E-7"},
        {"-2,5e20", "-2,5E20", "-2.5E20"}, {"0", "0", "0"},
    };
    for (const Case& c : cases) {
        WriteByName(edit, "StrFloat", std::string(c.written));
        EXPECT_EQ(edit.GetText(), c.shown) << c.written;
        EXPECT_EQ(TextByName(edit, "StrFloat"), c.read) << c.written;
    }
    // A number read back from its scientific text is still held to the range.
    edit.SetMinValue(1);
    edit.SetMaxValue(3);
    WriteByName(edit, "StrFloat", std::string("1.5E-7"));
    EXPECT_EQ(TextByName(edit, "StrFloat"), "1");
}

// Focus needs a shown window: the edit and a second field to move to.
class FocusTest : public ::testing::Test {
protected:
    FocusTest()
    {
        window.resize(300, 100);
        other = new QLineEdit(&window);
        other->move(0, 50);
        edit.SetParent(&host);
        edit.LineEdit()->setParent(&window);
        edit.LineEdit()->show();
        second.SetParent(&host);
        second.LineEdit()->setParent(&window);
        second.LineEdit()->move(150, 0);
        second.LineEdit()->show();
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit.OnEnter = [this](fw::TObject*) { ++enters; };
        edit.OnExit = [this](fw::TObject*) { ++exits; };
    }

    void Enter()
    {
        edit.LineEdit()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void Leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    QWidget window;
    QLineEdit* other;
    fw::TWinControl host {nullptr};
    Te3_Edit edit {nullptr};
    Te3_Edit second {nullptr};
    int enters = 0, exits = 0;
};

TEST_F(FocusTest, DecimalEditShowsItsPlacesAfterLeaving)
{
    DecimalSeparator locale(",");
    edit.SetEditType(e3::etFloat);
    edit.SetIntegerPlaces(3);
    Enter();
    Type(edit.LineEdit(), "12.5");
    Leave();
    EXPECT_EQ(edit.GetText(), "12,50");
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
}

TEST_F(FocusTest, AutoSelectSelectsAllOnEntering)
{
    edit.SetText("abc");
    Enter();
    EXPECT_EQ(edit.GetSelLength(), 3);
    Leave();
    edit.SetAutoSelect(false);
    Enter();
    EXPECT_EQ(edit.GetSelLength(), 0);
}

TEST_F(FocusTest, IncompleteMaskWarnsAndTakesTheFocusBack)
{
    RecordingFeedback feedback;
    edit.SetEditMask("00.00.0000;1;_");
    Enter();
    Type(edit.LineEdit(), "0102");
    Leave();
    QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings,
              (std::vector<std::string> {"Warning|Invalid input value.  Use escape key to abandon changes"}));
    EXPECT_EQ(feedback.beeps, 1);
    EXPECT_TRUE(edit.LineEdit()->hasFocus());
    // Coming back raised no OnEnter; the caret stands on the first empty position.
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(edit.GetSelStart(), 6);
    // Escape brings back the text the edit had when it was first entered.
    Type(edit.LineEdit(), "\x1b");
    EXPECT_EQ(edit.GetEditText(), "__.__.____");
    Leave();
    EXPECT_EQ(feedback.warnings.size(), 1u);
}

TEST_F(FocusTest, EnterValidatesAMaskWithoutLeaving)
{
    RecordingFeedback feedback;
    edit.SetEditMask("00:00;1;_");
    Enter();
    Type(edit.LineEdit(), "1\r");
    QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings.size(), 1u);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(edit.GetSelStart(), 1);
    Type(edit.LineEdit(), "234\r");
    QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings.size(), 1u);
    EXPECT_EQ(edit.GetText(), "12:34");
}

TEST_F(FocusTest, OneValidationBoxAtATime)
{
    RecordingFeedback feedback;
    edit.SetEditMask("00:00;1;_");
    Enter();
    // Enter asks for the box; leaving before it shows must not ask again.
    Type(edit.LineEdit(), "1\r");
    Leave();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings.size(), 1u);
    EXPECT_TRUE(edit.LineEdit()->hasFocus());
}

TEST_F(FocusTest, TwoInvalidMasksDoNotPullTheFocusBackAndForth)
{
    RecordingFeedback feedback;
    second.SetEditMask("00:00;1;_");
    edit.SetEditMask("00:00;1;_");

    second.LineEdit()->setFocus(Qt::TabFocusReason);
    Type(second.LineEdit(), "1");
    second.SetModified(false); // leave it without its own check
    Enter();
    Type(edit.LineEdit(), "1");
    second.SetModified(true);

    // Leaving the first for the second shows the first's box; the focus it
    // hands back leaves the second, which must not validate in turn.
    second.LineEdit()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings.size(), 1u);
    EXPECT_TRUE(edit.LineEdit()->hasFocus());

    // Once the box is over, leaving for the second validates again as usual.
    second.LineEdit()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(feedback.warnings.size(), 2u);
    EXPECT_TRUE(edit.LineEdit()->hasFocus());
}

} // namespace
