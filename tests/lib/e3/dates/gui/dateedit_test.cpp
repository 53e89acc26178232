#include "../../TestContainer.h"
#include "e3/dates/DateEdit.h"
#include "e3/dates/Calendar.h"
#include "framework/Strings.h"
#include "u3/StrLib.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QLocale>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_DateEdit;
using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

class RecordingFeedback final : public e3::EditFeedback {
public:
    RecordingFeedback() { e3::SetEditFeedback(this); }
    ~RecordingFeedback() override { e3::SetEditFeedback(nullptr); }
    void Beep() override {}
    void ShowWarning(const std::string& title, const std::string& text) override
    {
        boxes.push_back(title + "|" + text);
    }
    std::vector<std::string> boxes;
};

// The edit in a shown, active window beside a field to leave to; today is
// 11 December 2026.
class DateEditTest : public ::testing::Test {
protected:
    DateEditTest()
    {
        e3::SetDateEditClock([] { return u3::EncodeDate(2026, 12, 11); });
        window.resize(300, 100);
        other = new QLineEdit(&window);
        other->move(0, 50);
        edit.SetParent(&host);
        edit.LineEdit()->setParent(&window);
        edit.LineEdit()->show();
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit.OnChange = [this](fw::TObject*) { ++changes; };
    }
    ~DateEditTest() override { e3::SetDateEditClock({}); }

    QLineEdit* Window() { return edit.LineEdit(); }
    QAction* CalendarButton()
    {
        for (QAction* action : Window()->actions())
            if (action->objectName() == QStringLiteral("calendarButton"))
                return action;
        return nullptr;
    }
    std::string Shown() { return Window()->text().toStdString(); }
    // Clicks the day in the open drop-down calendar.
    void ClickPopupDay(const std::string& day)
    {
        e3::TLocCalendar* grid = edit.PopupCalendar()->Calendar();
        for (int row = 1; row <= 6; ++row)
            for (int col = 0; col < 7; ++col)
                if (grid->CellText(col, row) == day)
                    QTest::mouseClick(grid->Widget(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
    }
    void Enter()
    {
        Window()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void Leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void Type(const std::string& keys)
    {
        for (char c : keys)
            QTest::keyClick(Window(), c);
    }
    void Dotted(e3::TDateLanguages language)
    {
        WriteByName(edit, "DefaultFormat", std::string("DD.MM.YYYY"));
        WriteByName(edit, "Language", int64_t(language));
    }

    RecordingFeedback feedback;
    QWidget window;
    QLineEdit* other;
    fw::TWinControl host {nullptr};
    Te3_DateEdit edit {nullptr};
    int changes = 0;
};

TEST_F(DateEditTest, PlaceholdersOfTheLanguages)
{
    Dotted(e3::en);
    EXPECT_EQ(Shown(), "dd.mm.aaaa");
    WriteByName(edit, "Language", int64_t(e3::fr));
    EXPECT_EQ(Shown(), "jj.mm.aaaa");
    WriteByName(edit, "Language", int64_t(e3::de));
    EXPECT_EQ(Shown(), "TT.MM.JJJJ");
    EXPECT_EQ(edit.GetDate(), 0);
}

TEST_F(DateEditTest, TypedDateShowsInTheDisplayFormAndBack)
{
    Dotted(e3::de);
    Enter();
    EXPECT_EQ(Shown(), "__.__.____");
    Type("05032024");
    EXPECT_EQ(Shown(), "05.03.2024");
    Leave();
    EXPECT_EQ(Shown(), "5. M\u00e4rz 2024");
    EXPECT_EQ(TextByName(edit, "_Date"), "05.03.2024");
    Enter();
    EXPECT_EQ(Shown(), "05.03.2024");
    EXPECT_GT(changes, 0);
}

TEST_F(DateEditTest, ImpossibleDigitsAreRefused)
{
    Dotted(e3::en);
    Enter();
    Type("4");                     // no day starts with 4
    EXPECT_EQ(Shown(), "__.__.____");
    Type("3100");                  // 31, a month beginning with 0, then no month 00
    EXPECT_EQ(Shown(), "31.0_.____");
    Type("4");                     // April has 30 days
    EXPECT_EQ(Shown(), "30.04.____");
}

TEST_F(DateEditTest, LanguageChangeKeepsTheDate)
{
    // The display form used to be read back in the new language, which lost
    // the date.
    Dotted(e3::de);
    WriteByName(edit, "_Date", std::string("05.03.2024"));
    EXPECT_EQ(Shown(), "5. M\u00e4rz 2024");
    WriteByName(edit, "Language", int64_t(e3::en));
    EXPECT_EQ(Shown(), "5 March 2024");
    WriteByName(edit, "Language", int64_t(e3::pt));
    EXPECT_EQ(Shown(), "5. Mar 2024");
    EXPECT_EQ(TextByName(edit, "_Date"), "05.03.2024");
}

TEST_F(DateEditTest, ImpossibleDateWithAndWithoutErrMsg)
{
    Dotted(e3::en);
    WriteByName(edit, "ErrMsg", std::string("No such day"));
    Enter();
    Window()->setText("31.02.2024");
    Leave();
    EXPECT_EQ(feedback.boxes, std::vector<std::string>({"Error|No such day"}));
    EXPECT_EQ(Shown(), "31.02.2024");
    EXPECT_TRUE(Window()->hasFocus());
    EXPECT_FALSE(edit.CheckDate(false)); // the client form asks this before a command

    WriteByName(edit, "ErrMsg", std::string());
    Leave();
    EXPECT_EQ(Shown(), "dd.mm.aaaa");
    EXPECT_EQ(edit.GetDate(), 0);
    WriteByName(edit, "DefaultToday", true);
    Enter();
    Window()->setText("31.02.2024");
    Leave();
    EXPECT_EQ(Shown(), "11 December 2026");
}

TEST_F(DateEditTest, IsoFormatCompletesTheDay)
{
    WriteByName(edit, "DefaultFormat", std::string("YYYY-MM-DD"));
    EXPECT_EQ(Shown(), "YYYY-MM-DD");
    Enter();
    EXPECT_EQ(Shown(), "____-__-__");
    Type("202402");
    Leave();
    EXPECT_EQ(Shown(), "2024-02-29");
    WriteByName(edit, "LastDay", true);
    Enter();
    Window()->setText("2024-02-10");
    Leave();
    EXPECT_EQ(Shown(), "2024-02-29");
}

TEST_F(DateEditTest, OtherFormatsUseTheSystemFormat)
{
    EXPECT_EQ(edit.GetDefaultFormat(), "dd.mm.aaaa");
    WriteByName(edit, "_Date", std::string("05.03.2024"));
    EXPECT_EQ(TextByName(edit, "_Date"), "05.03.2024");
    EXPECT_NE(Shown(), "5 March 2024");
}

TEST_F(DateEditTest, CalendarHintsStayFour)
{
    WriteByName(edit, "Language", int64_t(e3::de));
    WriteByName(edit, "Language", int64_t(e3::de));
    ASSERT_EQ(edit.CalendarHints().size(), 4u);
    EXPECT_EQ(edit.CalendarHints()[0], "Vorhergehendes Jahr");
}

TEST_F(DateEditTest, CalendarHintsAreAListTheCalendarFollows)
{
    e3::TPopupCalendar* popup = edit.PopupCalendar();
    WriteByName(edit, "Language", int64_t(e3::en));
    auto* hints = dynamic_cast<fw::TStrings*>(std::get<fw::TObject*>(e3test::ReadByName(edit, "CalendarHints")));
    ASSERT_NE(hints, nullptr);
    EXPECT_EQ(hints->GetText(), "Previous Year\r\nPrevious Month\r\nNext Month\r\nNext Year\r\n");
    // Written through the list: the open calendar takes the new hints at
    // once; an empty entry leaves its button's hint as it was.
    hints->SetText("Back a year\n\nOn a month\nOn a year");
    const std::vector<std::string> expected {"Back a year", "Previous Month", "On a month", "On a year"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(popup->ButtonHint(i), expected[static_cast<std::size_t>(i)]) << i;
    // The system's language leaves the list alone; a named one writes its four.
    WriteByName(edit, "Language", int64_t(e3::sys));
    EXPECT_EQ(edit.CalendarHints().size(), 4u);
    EXPECT_EQ(edit.CalendarHints()[0], "Back a year");
    WriteByName(edit, "Language", int64_t(e3::de));
    EXPECT_EQ(popup->ButtonHint(1), "Vorhergehender Monat");
    EXPECT_EQ(hints->GetCount(), 4);
}

TEST_F(DateEditTest, CalendarButtonAndTheAcceptedDate)
{
    // The date dialog moves one day on and is confirmed, or is cancelled;
    // OnAcceptDate sees the chosen day and may change or refuse it.
    const struct {
        const char* name;
        bool confirm;
        bool handler;
        const char* replyDate; // what the handler makes of the date, or nothing
        bool replyAccept;
        const char* shown;
        const char* log;
    } cases[] = {
        {"no handler", true, false, nullptr, true, "06.03.2024", "button dialog"},
        {"accepted as chosen", true, true, nullptr, true, "06.03.2024", "button dialog accept:06.03.2024"},
        {"changed by the handler", true, true, "01.01.2025", true, "01.01.2025", "button dialog accept:06.03.2024"},
        {"refused", true, true, nullptr, false, "05.03.2024", "button dialog accept:06.03.2024"},
        {"cancelled", false, true, "01.01.2025", true, "05.03.2024", "button dialog"},
    };
    WriteByName(edit, "DefaultFormat", std::string("DD.MM.YYYY"));
    WriteByName(edit, "Language", int64_t(e3::en));
    WriteByName(edit, "CalendarStyle", int64_t(e3::csDialog));
    QAction* button = CalendarButton();
    ASSERT_NE(button, nullptr);

    for (const auto& c : cases) {
        WriteByName(edit, "_Date", std::string("05.03.2024"));
        std::string log;
        edit.OnButtonClick = [&](fw::TObject* sender) {
            EXPECT_EQ(sender, &edit);
            log += "button";
        };
        edit.OnAcceptDate = nullptr;
        if (c.handler)
            edit.OnAcceptDate = [&](fw::TObject* sender, u3::TDateTime& date, bool& accept) {
                EXPECT_EQ(sender, &edit);
                log += " accept:" + u3::DateToDottedText(date);
                if (c.replyDate)
                    date = u3::DottedTextToDate(c.replyDate);
                accept = c.replyAccept;
            };
        QTimer::singleShot(0, [&] {
            for (fw::TCustomForm* form : fw::TCustomForm::AllForms())
                if (auto* dialog = dynamic_cast<e3::TSelectDateDlg*>(form)) {
                    log += " dialog";
                    QTest::keyClick(dialog->Calendar()->Widget(), Qt::Key_Right);
                    if (c.confirm)
                        dialog->OkButton()->click();
                    else
                        dialog->CancelButton()->click();
                }
        });
        button->trigger();
        EXPECT_EQ(log, c.log) << c.name;
        EXPECT_EQ(TextByName(edit, "_Date"), c.shown) << c.name;
    }

    // A day clicked in the drop-down calendar passes OnAcceptDate too.
    WriteByName(edit, "CalendarStyle", int64_t(e3::csPopup));
    std::string seen;
    bool acceptPopup = true;
    edit.OnButtonClick = nullptr;
    edit.OnAcceptDate = [&](fw::TObject*, u3::TDateTime& date, bool& accept) {
        seen = u3::DateToDottedText(date);
        date += 1;
        accept = acceptPopup;
    };
    for (const bool acceptIt : {true, false}) {
        acceptPopup = acceptIt;
        WriteByName(edit, "_Date", std::string("05.03.2024"));
        button->trigger();
        ASSERT_TRUE(edit.PopupCalendar()->IsOpen());
        ClickPopupDay("20");
        EXPECT_FALSE(edit.PopupCalendar()->IsOpen());
        EXPECT_EQ(seen, "20.03.2024");
        EXPECT_EQ(TextByName(edit, "_Date"), acceptIt ? "21.03.2024" : "05.03.2024");
    }

    // Alt+Down works the button from the keyboard, or the key set in ClickKey;
    // ClickKey 0 leaves the keys to the edit.
    int clicks = 0;
    edit.OnButtonClick = [&](fw::TObject*) { ++clicks; };
    edit.OnAcceptDate = nullptr;
    const auto pressCancelled = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
        QTimer::singleShot(0, [] {
            for (fw::TCustomForm* form : fw::TCustomForm::AllForms())
                if (auto* dialog = dynamic_cast<e3::TSelectDateDlg*>(form))
                    dialog->CancelButton()->click();
        });
        QTest::keyClick(Window(), key, mods);
        // A key that opened no dialog leaves the timer for the next round.
        QCoreApplication::processEvents();
    };
    pressCancelled(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    WriteByName(edit, "ClickKey", int64_t {0x4000 | 0x71}); // Ctrl+F2
    pressCancelled(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    pressCancelled(Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    WriteByName(edit, "ClickKey", int64_t {0});
    pressCancelled(Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);

    WriteByName(edit, "ButtonHint", std::string("Pick a day"));
    EXPECT_EQ(button->toolTip(), "Pick a day");
}

// The engine's glyph replaces the calendar button's arrow: the first of
// NumGlyphs images side by side; an empty glyph brings the arrow back.
TEST_F(DateEditTest, CalendarButtonShowsTheFirstImageOfItsGlyph)
{
    QAction* button = CalendarButton();
    ASSERT_NE(button, nullptr);
    const auto centre = [&] { return button->icon().pixmap(8, 8).toImage().pixelColor(4, 4); };
    const QColor arrow = centre();

    QImage glyph(16, 8, QImage::Format_ARGB32);
    glyph.fill(Qt::blue);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            glyph.setPixelColor(x, y, Qt::red);
    WriteByName(edit, "NumGlyphs", int64_t {2});
    edit.AssignGlyph(glyph);
    EXPECT_EQ(centre(), QColor(Qt::red));
    WriteByName(edit, "NumGlyphs", int64_t {1});
    EXPECT_EQ(button->icon().pixmap(16, 8).toImage().pixelColor(12, 4), QColor(Qt::blue)) << "the whole glyph";
    edit.AssignGlyph(QImage());
    EXPECT_EQ(centre(), arrow);
}

// The drop-down calendar opens under the edit from its left edge, or ending at
// its right edge, in the popup colour.
TEST_F(DateEditTest, DropDownCalendarAlignmentAndColour)
{
    QAction* button = CalendarButton();
    ASSERT_NE(button, nullptr);
    WriteByName(edit, "PopupColor", int64_t {0x00FFFF}); // yellow
    // Shown once first: a window's first showing may still settle its frame.
    button->trigger();
    edit.PopupCalendar()->ClosePopup();
    std::vector<QPoint> opened;
    for (const auto align : {e3::epaRight, e3::epaLeft}) {
        WriteByName(edit, "PopupAlign", int64_t(align));
        button->trigger();
        e3::TPopupCalendar* popup = edit.PopupCalendar();
        ASSERT_TRUE(popup->IsOpen());
        opened.push_back(popup->Widget()->pos());
        EXPECT_EQ(popup->Widget()->palette().color(popup->Widget()->backgroundRole()), QColor(Qt::yellow));
        popup->ClosePopup();
    }
    // Under the edit both times; moved left by what the calendar is wider.
    const int wider = edit.PopupCalendar()->Widget()->width() - Window()->width();
    ASSERT_GT(wider, 0);
    EXPECT_EQ(opened[1], opened[0] - QPoint(wider, 0));
}

} // namespace

namespace {

TEST_F(DateEditTest, WithoutDirectInputOnlyTheCalendarSetsTheDate)
{
    Dotted(e3::en);
    WriteByName(edit, "_Date", std::string("05.03.2024"));
    WriteByName(edit, "DirectInput", false);
    Enter();
    ASSERT_EQ(Shown(), "05.03.2024");
    QGuiApplication::clipboard()->setText(QStringLiteral("11.11.2011"));
    struct Case {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    };
    const Case cases[] = {
        {"a digit", Qt::Key_1, {}},
        {"Backspace", Qt::Key_Backspace, {}},
        {"Delete", Qt::Key_Delete, {}},
        {"Ctrl+V", Qt::Key_V, Qt::ControlModifier},
        {"Shift+Insert", Qt::Key_Insert, Qt::ShiftModifier},
        {"Ctrl+X", Qt::Key_X, Qt::ControlModifier},
        {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier},
    };
    for (const Case& c : cases) {
        Window()->setCursorPosition(1);
        Window()->selectAll();
        QTest::keyClick(Window(), c.key, c.mods);
        EXPECT_EQ(Shown(), "05.03.2024") << c.what;
    }
    // Moving and copying still work; the Edit menu sees a read-only edit and
    // its changing commands do nothing.
    Window()->setCursorPosition(0);
    QTest::keyClick(Window(), Qt::Key_End);
    EXPECT_EQ(Window()->cursorPosition(), 10);
    QTest::keyClick(Window(), Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(Window(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "05.03.2024");
    QGuiApplication::clipboard()->setText(QStringLiteral("11.11.2011"));
    EXPECT_TRUE(edit.GetEditState().readOnly);
    EXPECT_FALSE(edit.GetReadOnly());
    edit.EditPaste();
    edit.EditCut();
    edit.EditClear();
    EXPECT_EQ(Shown(), "05.03.2024");

    // The calendar button still brings a date.
    WriteByName(edit, "CalendarStyle", int64_t(e3::csPopup));
    CalendarButton()->trigger();
    ASSERT_TRUE(edit.PopupCalendar()->IsOpen());
    ClickPopupDay("20");
    EXPECT_EQ(TextByName(edit, "_Date"), "20.03.2024");

    // With direct input back, typing works again.
    WriteByName(edit, "DirectInput", true);
    EXPECT_FALSE(edit.GetEditState().readOnly);
    Window()->setCursorPosition(0);
    Type("1");
    EXPECT_EQ(Shown(), "10.03.2024");
}

} // namespace

namespace {

qsizetype YearWidth(const std::string& format)
{
    return QString::fromStdString(format).count(QLatin1Char('y'));
}

TEST_F(DateEditTest, YearDigitsWidenOrNarrowTheSystemsYear)
{
    const QString system = QLocale::system().dateFormat(QLocale::ShortFormat);
    WriteByName(edit, "_Date", std::string("05.03.2024"));
    struct Case {
        e3::TYearDigits digits;
        qsizetype width;
    };
    const Case cases[] = {{e3::dyFour, 4}, {e3::dyTwo, 2}, {e3::dyDefault, YearWidth(system.toStdString())}};
    for (const Case& c : cases) {
        WriteByName(edit, "YearDigits", int64_t(c.digits));
        EXPECT_EQ(YearWidth(edit.DateFormat()), c.width) << c.digits;
        EXPECT_EQ(Shown(), QLocale::system().toString(QDate(2024, 3, 5), QString::fromStdString(edit.DateFormat()))
                               .toStdString())
            << c.digits;
        // The date stays, also read back from a two-digit year.
        EXPECT_EQ(TextByName(edit, "_Date"), "05.03.2024") << c.digits;
    }
    // A two-digit year falls in the century window around today (2026).
    WriteByName(edit, "YearDigits", int64_t(e3::dyTwo));
    for (const auto& [year, expanded] : {std::pair {1999, 1999}, {1976, 1976}, {1975, 2075}, {2025, 2025}}) {
        Window()->setText(QLocale::system().toString(QDate(year, 3, 5), QString::fromStdString(edit.DateFormat())));
        EXPECT_EQ(TextByName(edit, "_Date"), "05.03." + std::to_string(expanded)) << year;
    }
    // The fixed formats keep their four digits.
    WriteByName(edit, "DefaultFormat", std::string("YYYY-MM-DD"));
    EXPECT_EQ(edit.DateFormat(), "YYYY-MM-DD");
}

TEST_F(DateEditTest, CheckOnExitRefusesATextThatIsNoDate)
{
    WriteByName(edit, "YearDigits", int64_t(e3::dyFour));
    const std::string march = QLocale::system()
                                  .toString(QDate(2024, 3, 5), QString::fromStdString(edit.DateFormat()))
                                  .toStdString();
    struct Case {
        bool check;
        std::string typed;
        bool refused;
        std::string shownAfter;
    };
    const Case cases[] = {
        {true, "no date", true, "no date"},
        {true, "99/99/9999", true, "99/99/9999"},
        {true, march, false, march},
        {true, "", false, ""},
        {false, "no date", false, "no date"},
    };
    for (const Case& c : cases) {
        WriteByName(edit, "CheckOnExit", c.check);
        feedback.boxes.clear();
        Enter();
        Window()->setText(QString::fromStdString(c.typed));
        Leave();
        EXPECT_EQ(feedback.boxes.size(), c.refused ? 1u : 0u) << c.typed;
        if (c.refused)
            EXPECT_EQ(feedback.boxes[0], "Error|'" + c.typed + "' is not a valid date");
        EXPECT_EQ(Window()->hasFocus(), c.refused) << c.typed;
        EXPECT_EQ(Shown(), c.shownAfter) << c.typed;
        Leave();
    }
    // The fixed formats keep their own check on leaving.
    WriteByName(edit, "CheckOnExit", true);
    Dotted(e3::en);
    feedback.boxes.clear();
    Enter();
    Type("0503");
    Leave();
    EXPECT_TRUE(feedback.boxes.empty());
}

} // namespace

namespace {

TEST_F(DateEditTest, GlyphKindChoosesTheButtonsPicture)
{
    QAction* button = CalendarButton();
    ASSERT_NE(button, nullptr);
    const auto picture = [&] { return button->icon().pixmap(12, 12).toImage(); };
    EXPECT_EQ(OrdinalByName(edit, "GlyphKind"), e3::gkDefault);
    const QImage calendar = picture();
    const QImage arrow = Window()->style()->standardIcon(QStyle::SP_ArrowDown).pixmap(12, 12).toImage();

    struct Case {
        e3::TGlyphKind kind;
        bool isCalendar;
        bool isArrow;
    };
    const Case cases[] = {
        {e3::gkDropDown, false, true},
        {e3::gkEllipsis, false, false},
        {e3::gkDefault, true, false},
        {e3::gkCustom, true, false}, // no Glyph: the small calendar
    };
    for (const Case& c : cases) {
        WriteByName(edit, "GlyphKind", int64_t(c.kind));
        EXPECT_EQ(picture() == calendar, c.isCalendar) << c.kind;
        EXPECT_EQ(picture() == arrow, c.isArrow) << c.kind;
    }

    // A Glyph makes the kind custom; another kind drops the Glyph.
    QImage glyph(12, 12, QImage::Format_ARGB32);
    glyph.fill(Qt::red);
    edit.AssignGlyph(glyph);
    EXPECT_EQ(OrdinalByName(edit, "GlyphKind"), e3::gkCustom);
    EXPECT_EQ(picture().pixelColor(6, 6), QColor(Qt::red));
    WriteByName(edit, "GlyphKind", int64_t(e3::gkEllipsis));
    EXPECT_TRUE(edit.GetGlyph()->Empty());
    EXPECT_NE(picture().pixelColor(6, 6), QColor(Qt::red));
    EXPECT_FALSE(picture() == calendar);
}

} // namespace

namespace {

TEST_F(DateEditTest, ButtonWidthSizesTheCalendarButtonAtTheRightEnd)
{
    QToolButton* button = Window()->findChild<QToolButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(OrdinalByName(edit, "ButtonWidth"), 21);
    int clicks = 0;
    edit.OnButtonClick = [&](fw::TObject*) { ++clicks; };
    WriteByName(edit, "CalendarStyle", int64_t(e3::csPopup));
    for (const int width : {21, 40, 7}) {
        WriteByName(edit, "ButtonWidth", int64_t {width});
        for (const int editWidth : {150, 220}) {
            Window()->resize(editWidth, 30);
            EXPECT_EQ(button->width(), width) << width << " " << editWidth;
            EXPECT_LE(button->geometry().right(), editWidth - 1);
            EXPECT_GE(button->geometry().right(), editWidth - 4) << "at the right end";
            EXPECT_EQ(Window()->textMargins().right(), width);
        }
        const int before = clicks;
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_EQ(clicks, before + 1) << width;
        edit.PopupCalendar()->ClosePopup();
    }
    // No width: no button, and the text runs to the end.
    WriteByName(edit, "ButtonWidth", int64_t {0});
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(Window()->textMargins().right(), 0);
}

} // namespace
