#include "../../TestContainer.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/display/UnicodeLabel.h"
#include "e3/common/UnicodeText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3test::TestContainer;
using e3test::TextByName;
using e3test::WriteByName;

const std::string Journal = "\u0416\u0443\u0440\u043D\u0430\u043B"; // Cyrillic
const std::string JournalBase64 = "0JbRg9GA0L3QsNC7";

TEST(UnicodeLabel, CaptionArrivesAsBase64AndReadsBackTheSame)
{
    e3::Te3_UnicodeLabel label(nullptr);
    WriteByName(label, "UnicodeCaption", JournalBase64);
    EXPECT_EQ(label.GetWideCaption(), Journal);
    EXPECT_EQ(label.GetText(), Journal);
    EXPECT_EQ(TextByName(label, "unicodecaption"), JournalBase64);

    WriteByName(label, "UnicodeCaption", std::string("0Jb!Rg9G"));
    EXPECT_EQ(label.GetWideCaption(), "") << "not Base64";

    WriteByName(label, "UnicodeCaption", std::string("77u/0JbRg9GA0L3QsNC7"));
    EXPECT_EQ(label.GetWideCaption(), Journal);
    EXPECT_EQ(TextByName(label, "UnicodeCaption"), JournalBase64) << "no byte-order mark on the way back";

    WriteByName(label, "UnicodeCaption", std::string("wyg="));
    EXPECT_EQ(label.GetWideCaption(), "");
    EXPECT_EQ(TextByName(label, "UnicodeCaption"), "");
}

TEST(UnicodeLabel, DrawsTheWholeCaptionWhateverScaleSays)
{
    TestContainer root(nullptr);
    root.SetBounds(0, 0, 400, 100);
    auto* label = new e3::Te3_UnicodeLabel(&root);
    label->SetParent(&root);
    label->SetWidth(40);
    label->SetScale(true);
    const std::string caption = Journal + " " + Journal + " " + Journal;
    label->SetUnicodeCaption(e3::TextToUnicodeCaption(caption));
    EXPECT_EQ(label->ShownText(), caption);
    EXPECT_EQ(label->GetScale(), true) << "Scale is kept, it just does not shorten";
}

TEST(UnicodeLabel, AutoSizeMeasuresTheCaptionAndKeepsOneLineWhenEmpty)
{
    TestContainer root(nullptr);
    root.SetBounds(0, 0, 400, 100);
    auto* label = new e3::Te3_UnicodeLabel(&root);
    label->SetParent(&root);
    WriteByName(*label, "AutoSize", int64_t {1});
    label->SetUnicodeCaption(e3::TextToUnicodeCaption("x"));
    const int lineHeight = label->GetHeight();
    const int narrow = label->GetWidth();
    EXPECT_GT(lineHeight, 0);

    label->SetUnicodeCaption(e3::TextToUnicodeCaption(Journal + Journal));
    EXPECT_GT(label->GetWidth(), narrow);
    EXPECT_EQ(label->GetHeight(), lineHeight);

    label->SetUnicodeCaption("");
    EXPECT_EQ(label->GetHeight(), lineHeight);
    // One blank wide, so that it stays to be seen and clicked; so is a lone
    // accelerator mark, which shows nothing itself.
    const QFontMetrics metrics(label->GetFont()->ToQFont());
    const int blank = metrics.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, " ").width();
    EXPECT_GT(blank, 0);
    EXPECT_EQ(label->GetWidth(), blank);
    label->SetUnicodeCaption(e3::TextToUnicodeCaption("&"));
    EXPECT_EQ(label->GetWidth(), blank);
    label->SetShowAccelChar(false);
    EXPECT_EQ(label->GetWidth(), metrics.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, "&").width());
}

TEST(UnicodeLabel, ACaptionEqualToItsNameFollowsARename)
{
    TestContainer root(nullptr);
    auto* label = new e3::Te3_UnicodeLabel(&root);
    label->SetName("Label1");
    EXPECT_EQ(label->GetWideCaption(), "Label1");
    label->SetName("Title");
    EXPECT_EQ(label->GetUnicodeCaption(), e3::TextToUnicodeCaption("Title"));
    label->SetUnicodeCaption(e3::TextToUnicodeCaption(Journal));
    label->SetName("Other");
    EXPECT_EQ(label->GetWideCaption(), Journal);
}

TEST(UnicodeLabel, StaysOutOfTheEnabledCascade)
{
    TestContainer outer(nullptr);
    auto* box = new TestContainer(&outer);
    box->SetParent(&outer);
    auto* label = new e3::Te3_UnicodeLabel(&outer);
    label->SetParent(box);
    label->SetEnabled(false);
    box->SetEnabled(false);
    box->SetEnabled(true);
    EXPECT_TRUE(label->GetEnabled()) << "no wish is kept: the container's pass decides";
}

// ---------------------------------------------------------------------------

TEST(UnicodeEdit, PasswordCharacterAboveLatin1IsShownAndReadBack)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    edit.SetText("abc");
    QLineEdit* line = edit.LineEdit();
    EXPECT_EQ(line->echoMode(), QLineEdit::Normal);

    struct Case {
        std::string written;
        std::string read;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"\u25CF", "\u25CF", QString::fromUtf8("\u25CF\u25CF\u25CF")},
        {"#", "#", "###"},
        {"\u0416\u0443", "\u0416", QString::fromUtf8("\u0416\u0416\u0416")}, // only the first character counts
        {"\xF0\x9F\x98\x80", "*", "***"},       // no room for a pair in one unit
        {"", "", "abc"},                          // masking off
        {"\u00B7", "\u00B7", QString::fromUtf8("\u00B7\u00B7\u00B7")},
    };
    for (const Case& c : cases) {
        WriteByName(edit, "PasswordChar", c.written);
        EXPECT_EQ(TextByName(edit, "passwordchar"), c.read) << c.written;
        EXPECT_EQ(line->displayText(), c.shown) << c.written;
        EXPECT_EQ(TextByName(edit, "Text"), "abc");
    }
}

TEST(UnicodeEdit, SelectionCountsUtf16Units)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    WriteByName(edit, "Text", std::string("a\xF0\x9F\x98\x80") + Journal);
    EXPECT_EQ(edit.GetText(), std::string("a\xF0\x9F\x98\x80") + Journal);

    edit.SetSelStart(1);
    edit.SetSelLength(2);
    EXPECT_EQ(edit.GetSelStart(), 1);
    EXPECT_EQ(edit.GetSelLength(), 2);
    EXPECT_EQ(edit.GetSelText(), "\xF0\x9F\x98\x80");

    edit.SetSelStart(3);
    EXPECT_EQ(edit.GetSelLength(), 0) << "moving the start drops the selection";
    edit.SetSelLength(100);
    EXPECT_EQ(edit.GetSelLength(), 6) << "held to the end of the text";
    EXPECT_EQ(edit.GetSelText(), Journal);

    edit.SetSelStart(-5);
    EXPECT_EQ(edit.GetSelStart(), 0);
    edit.SetSelStart(50);
    EXPECT_EQ(edit.GetSelStart(), 9);
}

TEST(UnicodeEdit, TypedAndWrittenTextRaisesOnChange)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    std::vector<std::string> seen;
    edit.OnChange = [&](fw::TObject*) { seen.push_back(edit.GetText()); };
    WriteByName(edit, "Text", Journal);
    WriteByName(edit, "Text", Journal);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u00E4"));
    QApplication::sendEvent(edit.LineEdit(), &typed);
    ASSERT_EQ(seen.size(), 2u) << "writing the same text again changes nothing";
    EXPECT_EQ(seen[0], Journal);
    EXPECT_EQ(seen[1], Journal + "\u00E4");
}

TEST(UnicodeEdit, FixedPitchFontAndPlainEditProperties)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    EXPECT_EQ(edit.GetFont()->GetName(), "Courier New");
    EXPECT_EQ(edit.GetWidth(), 121);
    EXPECT_EQ(edit.GetHeight(), 21);

    WriteByName(edit, "MaxLength", int64_t {3});
    QTest::keyClicks(edit.LineEdit(), "abcdef");
    EXPECT_EQ(edit.GetText(), "abc");
    WriteByName(edit, "MaxLength", int64_t {0});
    QTest::keyClicks(edit.LineEdit(), "d");
    EXPECT_EQ(edit.GetText(), "abcd");

    // No limit means none: Qt's default would cut at 32767 characters.
    const std::string longText = std::string(40000, 'x');
    WriteByName(edit, "Text", longText);
    EXPECT_EQ(edit.GetText(), longText);
    WriteByName(edit, "Text", std::string("abcd"));

    WriteByName(edit, "ReadOnly", int64_t {1});
    QTest::keyClicks(edit.LineEdit(), "e");
    EXPECT_EQ(edit.GetText(), "abcd");
    WriteByName(edit, "BorderStyle", int64_t {e3::bsNone});
    EXPECT_FALSE(edit.LineEdit()->hasFrame());
}

// Focus needs a shown window: the edit and a second field to move to.
TEST(UnicodeEdit, AutoSelectDecidesWhetherEnteringSelectsAll)
{
    QWidget window;
    window.resize(300, 100);
    auto* other = new QLineEdit(&window);
    other->move(0, 50);
    fw::TWinControl host(nullptr);
    e3::Te3_UnicodeEdit edit(nullptr);
    edit.SetParent(&host);
    edit.LineEdit()->setParent(&window);
    edit.LineEdit()->show();
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit.SetText(Journal);

    for (bool autoSelect : {true, false}) {
        other->setFocus(Qt::TabFocusReason);
        edit.SetSelStart(0);
        WriteByName(edit, "AutoSelect", int64_t {autoSelect});
        edit.LineEdit()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        EXPECT_EQ(edit.GetSelLength(), autoSelect ? 6 : 0) << autoSelect;
    }
}

// ---------------------------------------------------------------------------

} // namespace

// CharCase turns the text there and every typed letter, including letters
// outside Latin-1, and each typed letter is one change.
TEST(UnicodeEdit, CharCaseConvertsTheTextAndWhatIsTyped)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    WriteByName(edit, "Text", std::string("Straße \u0436"));
    std::vector<std::string> seen;
    edit.OnChange = [&](fw::TObject*) { seen.push_back(edit.GetText()); };
    WriteByName(edit, "CharCase", int64_t {e3::ecUpperCase});
    EXPECT_EQ(edit.GetText(), "STRASSE \u0416");
    edit.LineEdit()->end(false);
    seen.clear();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u00E4"));
    QApplication::sendEvent(edit.LineEdit(), &typed);
    EXPECT_EQ(seen, std::vector<std::string>{"STRASSE \u0416\u00C4"});

    WriteByName(edit, "CharCase", int64_t {e3::ecLowerCase});
    EXPECT_EQ(edit.GetText(), "strasse \u0436\u00E4");
    WriteByName(edit, "CharCase", int64_t {e3::ecNormal});
    QKeyEvent upper(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Q"));
    QApplication::sendEvent(edit.LineEdit(), &upper);
    EXPECT_EQ(edit.GetText(), "strasse \u0436\u00E4Q");
}

// Without the focus the selection shows only when HideSelection is off; AutoSize
// gives the edit the height of one line of its font.
TEST(UnicodeEdit, HideSelectionAndAutoSize)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    const QPalette& hidden = edit.LineEdit()->palette();
    EXPECT_EQ(hidden.color(QPalette::Inactive, QPalette::Highlight), hidden.color(QPalette::Inactive, QPalette::Base));
    WriteByName(edit, "HideSelection", int64_t {0});
    const QPalette& shown = edit.LineEdit()->palette();
    EXPECT_EQ(shown.color(QPalette::Inactive, QPalette::Highlight), shown.color(QPalette::Active, QPalette::Highlight));
    EXPECT_NE(shown.color(QPalette::Inactive, QPalette::Highlight), shown.color(QPalette::Inactive, QPalette::Base));
    WriteByName(edit, "Color", int64_t {0x00FFFF}); // a new colour keeps the choice
    EXPECT_EQ(edit.LineEdit()->palette().color(QPalette::Inactive, QPalette::Highlight),
              edit.LineEdit()->palette().color(QPalette::Active, QPalette::Highlight));

    edit.SetBounds(0, 0, 121, 50);
    WriteByName(edit, "AutoSize", int64_t {1});
    const int oneLine = edit.GetHeight();
    EXPECT_EQ(oneLine, edit.LineEdit()->sizeHint().height());
    edit.GetFont()->SetSize(24);
    EXPECT_GT(edit.GetHeight(), oneLine);
    WriteByName(edit, "OEMConvert", int64_t {1});
    EXPECT_EQ(e3test::OrdinalByName(edit, "OEMConvert"), 1);
}
