#include "e3/dates/Calendar.h"
#include "e3/dates/DateEdit.h"
#include "u3/StrLib.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Dotted(u3::TDateTime date)
{
    return u3::DateToDottedText(date);
}

class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override { e3::SetDateEditClock([] { return u3::EncodeDate(2024, 3, 15); }); }
    void TearDown() override { e3::SetDateEditClock(nullptr); }
};

TEST_F(CalendarTest, DayNamesAndTitlesComeFromTheLanguageTables)
{
    e3::TRxCalendar calendar(nullptr);
    EXPECT_EQ(Dotted(calendar.GetCalendarDate()), "15.03.2024") << "starts on today";
    EXPECT_EQ(calendar.GetStartOfWeek(), e3::Mon);
    calendar.SetLang("de");
    calendar.SetStartOfWeek(e3::Sun);
    const std::vector<std::string> german {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
    for (int col = 0; col < 7; ++col)
        EXPECT_EQ(calendar.CellText(col, 0), german[static_cast<size_t>(col)]);
    calendar.SetStartOfWeek(e3::Wed);
    EXPECT_EQ(calendar.CellText(0, 0), "Mi.");
    EXPECT_EQ(calendar.CellText(6, 0), "Di.");

    EXPECT_EQ(e3::CalendarTitle(3, 2024, "de"), "M\u00e4rz, 2024");
    EXPECT_EQ(e3::CalendarTitle(3, 2024, "pt"), "Mar\u00e7o, 2024");
    EXPECT_EQ(e3::CalendarTitle(12, 987, "en"), "December, 0987");
}

TEST_F(CalendarTest, GridPlacesDaysAndTheSelection)
{
    e3::TRxCalendar calendar(nullptr);
    // September 2024 begins on a Sunday: with Monday first, day 1 stands in the
    // last column of the first day row.
    calendar.SetCalendarDate(u3::EncodeDate(2024, 9, 1));
    EXPECT_EQ(calendar.CellDay(6, 1), 1);
    EXPECT_EQ(calendar.CellText(0, 1), "");
    EXPECT_EQ(calendar.SelectedCell(), QPoint(6, 1));
    calendar.SetDay(30);
    EXPECT_EQ(calendar.SelectedCell(), QPoint(0, 6));
    EXPECT_EQ(calendar.CellText(0, 6), "30");
    calendar.SetStartOfWeek(e3::Sun);
    EXPECT_EQ(calendar.SelectedCell(), QPoint(1, 5));
    EXPECT_EQ(calendar.CellDay(0, 1), 1);

    // Weekends by weekday, wherever the week starts.
    calendar.SetWeekends(e3::DaySet(e3::Sat) | e3::DaySet(e3::Sun));
    EXPECT_TRUE(calendar.IsWeekendColumn(0));
    EXPECT_TRUE(calendar.IsWeekendColumn(6));
    EXPECT_FALSE(calendar.IsWeekendColumn(1));
    calendar.SetStartOfWeek(e3::Mon);
    EXPECT_TRUE(calendar.IsWeekendColumn(5));
    EXPECT_FALSE(calendar.IsWeekendColumn(0));

    // Cell sizes share the client area less the grid lines.
    calendar.SetBounds(0, 0, 223, 120);
    EXPECT_EQ(calendar.CellRect(0, 0), QRect(0, 0, 31, 16));
    EXPECT_EQ(calendar.CellRect(6, 6), QRect(192, 102, 31, 16));
}

TEST_F(CalendarTest, SettersAndNavigation)
{
    e3::TRxCalendar calendar(nullptr);
    int changes = 0;
    calendar.OnChange = [&](fw::TObject*) { ++changes; };
    const struct {
        const char* from;
        std::function<void(e3::TRxCalendar&)> step;
        const char* to;
    } cases[] = {
        {"15.05.2024", [](auto& c) { c.SetMonth(0); }, "15.05.2024"},
        {"31.05.2024", [](auto& c) { c.SetMonth(13); }, "31.05.2024"},
        {"31.05.2024", [](auto& c) { c.SetMonth(2); }, "29.02.2024"},
        {"10.02.2023", [](auto& c) { c.SetDay(29); }, "10.02.2023"},
        {"10.02.2023", [](auto& c) { c.SetDay(0); }, "10.02.2023"},
        {"10.02.2023", [](auto& c) { c.SetDay(28); }, "28.02.2023"},
        {"10.02.2023", [](auto& c) { c.SetYear(0); }, "10.02.2023"},
        {"29.02.2024", [](auto& c) { c.SetYear(2025); }, "28.02.2025"},
        {"29.02.2024", [](auto& c) { c.PrevYear(); }, "28.02.2023"},
        {"29.02.2024", [](auto& c) { c.NextYear(); }, "28.02.2025"},
        {"31.01.2024", [](auto& c) { c.NextMonth(); }, "29.02.2024"},
        {"31.01.2023", [](auto& c) { c.NextMonth(); }, "28.02.2023"},
        {"31.03.2024", [](auto& c) { c.PrevMonth(); }, "29.02.2024"},
        {"15.12.2024", [](auto& c) { c.NextMonth(); }, "15.01.2025"},
        {"15.01.2024", [](auto& c) { c.PrevMonth(); }, "15.12.2023"},
        {"01.03.2024", [](auto& c) { c.PrevDay(); }, "29.02.2024"},
        {"31.12.2023", [](auto& c) { c.NextDay(); }, "01.01.2024"},
        {"01.01.2000", [](auto& c) { c.GoToToday(); }, "15.03.2024"},
    };
    for (const auto& c : cases) {
        calendar.SetCalendarDate(u3::DottedTextToDate(c.from));
        changes = 0;
        c.step(calendar);
        EXPECT_EQ(Dotted(calendar.GetCalendarDate()), c.to) << c.from;
        EXPECT_EQ(changes, std::string(c.from) == c.to ? 0 : 1) << c.from;
    }
    EXPECT_FALSE(calendar.GetUseCurrentDate());
}

TEST_F(CalendarTest, MouseAndKeysInTheGrid)
{
    e3::TRxCalendar calendar(nullptr);
    calendar.SetBounds(0, 0, 223, 120);
    calendar.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(calendar.Widget()));
    calendar.SetCalendarDate(u3::EncodeDate(2024, 9, 10));
    QWidget* grid = calendar.Widget();
    const auto click = [&](int col, int row) {
        QTest::mouseClick(grid, Qt::LeftButton, {}, calendar.CellRect(col, row).center());
    };
    click(0, 5); // Monday 23 September
    EXPECT_EQ(Dotted(calendar.GetCalendarDate()), "23.09.2024");
    click(0, 1); // empty
    click(3, 0); // the header
    EXPECT_EQ(Dotted(calendar.GetCalendarDate()), "23.09.2024");
    calendar.SetReadOnly(true);
    click(1, 2);
    EXPECT_EQ(Dotted(calendar.GetCalendarDate()), "23.09.2024");
    calendar.SetReadOnly(false);
    click(1, 2);
    EXPECT_EQ(Dotted(calendar.GetCalendarDate()), "03.09.2024");

    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* to;
    } keys[] = {
        {Qt::Key_Left, Qt::NoModifier, "02.09.2024"},       {Qt::Key_Left, Qt::NoModifier, "01.09.2024"},
        {Qt::Key_Left, Qt::NoModifier, "31.08.2024"},       {Qt::Key_Right, Qt::NoModifier, "01.09.2024"},
        {Qt::Key_Minus, Qt::KeypadModifier, "31.08.2024"},  {Qt::Key_Plus, Qt::KeypadModifier, "01.09.2024"},
        {Qt::Key_Minus, Qt::NoModifier, "01.09.2024"},      {Qt::Key_T, Qt::NoModifier, "15.03.2024"},
    };
    for (const auto& k : keys) {
        QTest::keyClick(grid, k.key, k.modifiers);
        EXPECT_EQ(Dotted(calendar.GetCalendarDate()), k.to) << k.key;
    }
}

TEST_F(CalendarTest, PopupTitleHintsKeysAndChoice)
{
    e3::TPopupCalendar popup(nullptr);
    EXPECT_GE(popup.GetWidth(), 180);
    EXPECT_GE(popup.GetHeight(), 120);
    EXPECT_FALSE(popup.Calendar()->Widget()->focusPolicy() & Qt::TabFocus);
    popup.Setup(e3::Sun, fw::clBlue, e3::DaySet(e3::Sat), "de", {"Voriges Jahr", "", "N\u00e4chster Monat", "X", "Y"});
    EXPECT_EQ(popup.ButtonHint(0), "Voriges Jahr");
    EXPECT_EQ(popup.ButtonHint(1), "Previous Month|") << "an empty hint keeps the default";
    EXPECT_EQ(popup.ButtonHint(3), "X");
    EXPECT_EQ(popup.Button(1)->toolTip().toStdString(), "Previous Month");
    EXPECT_EQ(popup.Calendar()->GetLang(), "de");
    EXPECT_EQ(popup.Calendar()->GetStartOfWeek(), e3::Sun);

    popup.Popup(QPoint(10, 10), 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup.Widget()));
    EXPECT_EQ(popup.Title(), "M\u00e4rz, 2024") << "opens on today";
    QTest::keyClick(popup.Widget(), Qt::Key_PageDown);
    EXPECT_EQ(popup.Title(), "April, 2024");
    QTest::keyClick(popup.Widget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(popup.Title(), "April, 2023");
    QTest::keyClick(popup.Widget(), Qt::Key_Left);
    EXPECT_EQ(Dotted(popup.Calendar()->GetCalendarDate()), "14.04.2023") << "other keys reach the grid";
    popup.Button(3)->click();
    EXPECT_EQ(popup.Title(), "April, 2024");

    u3::TDateTime chosen = 0;
    popup.OnDateChosen = [&](u3::TDateTime date) { chosen = date; };
    e3::TLocCalendar* grid = popup.Calendar();
    QTest::mouseClick(grid->Widget(), Qt::LeftButton, {}, grid->CellRect(0, 1).center()); // empty cell
    EXPECT_TRUE(popup.IsOpen());
    EXPECT_EQ(chosen, 0);
    QTest::mouseClick(grid->Widget(), Qt::LeftButton, {}, grid->CellRect(3, 2).center());
    EXPECT_FALSE(popup.IsOpen());
    EXPECT_EQ(Dotted(chosen), "10.04.2024");
}

TEST_F(CalendarTest, DateDialogKeysAndResult)
{
    // Keys the dialog sees before its controls.
    {
        e3::TSelectDateDlg dialog(nullptr);
        EXPECT_EQ(dialog.GetText(), "Select a Date");
        EXPECT_EQ(dialog.ClientWidth(), 222);
        EXPECT_EQ(dialog.ClientHeight(), 154);
        dialog.Calendar()->SetCalendarDate(u3::EncodeDate(2024, 1, 31));
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* to;
        } keys[] = {
            {Qt::Key_Tab, Qt::NoModifier, "29.02.2024"},
            {Qt::Key_Tab, Qt::ShiftModifier, "29.01.2024"},
            {Qt::Key_Backtab, Qt::ShiftModifier, "29.12.2023"},
            {Qt::Key_PageDown, Qt::ControlModifier, "29.12.2024"},
            {Qt::Key_PageUp, Qt::NoModifier, "29.11.2024"},
        };
        for (const auto& k : keys) {
            QTest::keyClick(dialog.Calendar()->Widget(), k.key, k.modifiers);
            EXPECT_EQ(Dotted(dialog.Calendar()->GetCalendarDate()), k.to) << k.key;
        }
        EXPECT_EQ(dialog.Title(), "November, 2024");
    }

    // The modal run: the dialog is found among the forms once it shows.
    const auto whenShown = [](std::function<void(e3::TSelectDateDlg&)> act) {
        QTimer::singleShot(0, [act] {
            for (fw::TCustomForm* form : fw::TCustomForm::AllForms())
                if (auto* dialog = dynamic_cast<e3::TSelectDateDlg*>(form))
                    act(*dialog);
        });
    };
    u3::TDateTime date = u3::EncodeDate(2024, 5, 20);
    whenShown([](e3::TSelectDateDlg& dialog) {
        EXPECT_EQ(dialog.GetText(), "Pick");
        EXPECT_EQ(dialog.Title(), "Mai, 2024");
        EXPECT_EQ(dialog.Calendar()->CellText(0, 0), "So.");
        QTest::keyClick(dialog.Calendar()->Widget(), Qt::Key_Right);
        QTest::keyClick(dialog.Calendar()->Widget(), Qt::Key_Return);
    });
    EXPECT_TRUE(e3::SelectDate(date, "Pick", e3::Sun, "de", {}, fw::clRed, e3::DaySet(e3::Sun)));
    EXPECT_EQ(Dotted(date), "21.05.2024");

    whenShown([](e3::TSelectDateDlg& dialog) {
        QTest::keyClick(dialog.Calendar()->Widget(), Qt::Key_Right);
        dialog.CancelButton()->click();
    });
    EXPECT_FALSE(e3::SelectDate(date, "", e3::Mon, "", {}, fw::clRed, 0));
    EXPECT_EQ(Dotted(date), "21.05.2024");

    date = 0;
    whenShown([](e3::TSelectDateDlg& dialog) {
        EXPECT_EQ(dialog.GetText(), "Select a Date");
        dialog.OkButton()->click();
    });
    EXPECT_TRUE(e3::SelectDate(date, "", e3::Mon, "en", {}, fw::clRed, 0));
    EXPECT_EQ(Dotted(date), "15.03.2024") << "an empty date opens on today";
}

} // namespace
