#include "../../u3/ProgramOutput.h"
#include "e3/dates/DateTexts.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <unistd.h>

using namespace e3;

namespace {

TEST(DateTexts, LanguageTables)
{
    EXPECT_EQ(ShortMonthName(3, de), "M\u00e4rz");
    EXPECT_EQ(ShortMonthName(1, es), "En");
    EXPECT_EQ(ShortMonthName(8, pt), "Ago");
    EXPECT_EQ(LongMonthName(3, "pt"), "Mar\u00e7o");
    EXPECT_EQ(LongMonthName(11, "es"), "Noviembre");
    EXPECT_EQ(LongMonthName(2, "fr"), "f\u00e9vrier");
    EXPECT_EQ(DayName(1, "de"), "So.");
    EXPECT_EQ(DayName(7, "de"), "Sa.");
    EXPECT_EQ(DayName(4, "es"), "Mier");
    EXPECT_EQ(Placeholder(en), "dd.mm.aaaa");
    EXPECT_EQ(Placeholder(fr), "jj.mm.aaaa");
    EXPECT_EQ(Placeholder(de), "TT.MM.JJJJ");
    EXPECT_EQ(Placeholder(ru), "\u0434\u0434.\u043c\u043c.\u0433\u0433\u0433\u0433");
    EXPECT_EQ(CalendarHint(3, de), "N\u00e4chster Monat");
    EXPECT_EQ(CalendarHint(1, sys), "");
    // Every language has all its names; the system's come from the locale.
    for (int lang = en; lang <= sys; ++lang) {
        const auto l = static_cast<TDateLanguages>(lang);
        for (int m = 1; m <= 12; ++m) {
            EXPECT_FALSE(ShortMonthName(m, l).empty()) << lang << " " << m;
            EXPECT_FALSE(LongMonthName(m, LanguageCode(l)).empty()) << lang << " " << m;
        }
        for (int d = 1; d <= 7; ++d)
            EXPECT_FALSE(DayName(d, LanguageCode(l)).empty()) << lang << " " << d;
    }
    EXPECT_EQ(ShortMonthName(0, en), "");
    EXPECT_EQ(ShortMonthName(13, en), "");
}

TEST(DateTexts, DaysInMonth)
{
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2024, 4), 30);
    EXPECT_EQ(DaysInMonth(2024, 0), 0);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
}

TEST(DateTexts, CompleteDates)
{
    const struct {
        const char* text;
        std::string_view format;
        bool complete;
        int y, m, d;
    } cases[] = {
        {"05.03.2024", DottedFormat, true, 2024, 3, 5},
        {"29.02.2024", DottedFormat, true, 2024, 2, 29},
        {"29.02.2023", DottedFormat, false, 0, 0, 0},
        {"31.04.2024", DottedFormat, false, 0, 0, 0},
        {"__.__.____", DottedFormat, false, 0, 0, 0},
        {"5.3.24", DottedFormat, true, 2024, 3, 5},   // two-digit years by the century window
        {"5.3.80", DottedFormat, true, 1980, 3, 5},
        {"2024-02-10", IsoFormat, true, 2024, 2, 10},
        {"2024-02-__", IsoFormat, false, 0, 0, 0},
        {"2024.02.10", IsoFormat, false, 0, 0, 0},
        {"00.01.2024", DottedFormat, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto date = CompleteDate(c.text, c.format, 2026);
        ASSERT_EQ(date.has_value(), c.complete) << c.text;
        if (date) {
            EXPECT_EQ(date->year, c.y) << c.text;
            EXPECT_EQ(date->month, c.m) << c.text;
            EXPECT_EQ(date->day, c.d) << c.text;
        }
    }
}

TEST(DateTexts, DisplayFormBothWays)
{
    EXPECT_EQ(DisplayForm({2024, 3, 5}, en), "5 March 2024");
    EXPECT_EQ(DisplayForm({2024, 3, 5}, de), "5. M\u00e4rz 2024");
    EXPECT_EQ(DisplayForm({2024, 8, 15}, pt), "15. Ago 2024");
    EXPECT_EQ(DisplayForm({2024, 8, 15}, fr), "15 Ao\u00fbt 2024");
    for (int lang = en; lang <= sys; ++lang) {
        const auto l = static_cast<TDateLanguages>(lang);
        for (const DateParts d : {DateParts {2024, 3, 5}, DateParts {1999, 12, 31}, DateParts {2000, 1, 1}}) {
            const auto back = ParseDisplayForm(DisplayForm(d, l), l);
            ASSERT_TRUE(back.has_value()) << DisplayForm(d, l);
            EXPECT_EQ(back->year, d.year);
            EXPECT_EQ(back->month, d.month);
            EXPECT_EQ(back->day, d.day);
        }
    }
    // A month name of another language is no month.
    EXPECT_FALSE(ParseDisplayForm("5 M\u00e4rz 2024", en).has_value());
    EXPECT_FALSE(ParseDisplayForm("31 February 2024", en).has_value());
    EXPECT_FALSE(ParseDisplayForm("", en).has_value());
}

// Digits typed into the masked text at a caret: refused, or the text they
// leave with the caret after them.
TEST(DateTexts, TypedDigitsFollowTheDayAndMonthRules)
{
    const struct {
        std::string_view format;
        const char* before;
        int caret;
        char digit;
        bool accepted;
        const char* after;
    } cases[] = {
        {DottedFormat, "__.__.____", 0, '4', false, "__.__.____"},
        {DottedFormat, "__.__.____", 0, '3', true, "3_.__.____"},
        {DottedFormat, "_5.__.____", 0, '3', true, "3_.__.____"},  // 35 is no day
        {DottedFormat, "3_.__.____", 1, '2', false, "3_.__.____"},
        {DottedFormat, "0_.__.____", 1, '0', false, "0_.__.____"},
        {DottedFormat, "3_.02.2024", 1, '1', true, "31.__.2024"},  // 31 February: the month goes
        {DottedFormat, "31.__.2024", 3, '2', false, "31.__.2024"},
        {DottedFormat, "31.__.2024", 3, '0', true, "31.0_.2024"},
        {DottedFormat, "31.0_.2024", 4, '4', true, "30.04.2024"},  // April has 30 days
        {DottedFormat, "29.02.202_", 9, '3', true, "28.02.2023"},  // not a leap year
        {DottedFormat, "__.__.____", 3, '1', true, "__.1_.____"},
        {DottedFormat, "__._5.____", 3, '1', true, "__.1_.____"},  // 15 is no month
        {DottedFormat, "__.1_.____", 4, '3', false, "__.1_.____"},
        {DottedFormat, "12.__.____", 2, '0', true, "12.0_.____"},  // on the separator: skipped
        // While the month is no month yet the day is left alone.
        {DottedFormat, "3_.__.____", 1, '1', true, "31.__.____"},
        {DottedFormat, "3_.00.2024", 1, '1', true, "31.00.2024"},
        {DottedFormat, "31.1_.2024", 4, '9', false, "31.1_.2024"},
        {IsoFormat, "2024-__-31", 5, '0', true, "2024-0_-31"},
        {IsoFormat, "2024-0_-31", 6, '2', true, "2024-02-29"},
        {IsoFormat, "2024-02-__", 8, '4', false, "2024-02-__"},
    };
    for (const auto& c : cases) {
        const TypedDigit typed = TypeDateDigit(c.format, c.before, c.caret, c.digit);
        EXPECT_EQ(typed.accepted, c.accepted) << c.before << " @" << c.caret << " " << c.digit;
        EXPECT_EQ(typed.text, c.after) << c.before << " @" << c.caret << " " << c.digit;
    }
    const TypedDigit typed = TypeDateDigit(DottedFormat, "1_.__.____", 1, '2');
    EXPECT_EQ(typed.caret, 3); // past the separator
}

TEST(DateTexts, IsoTextsAreCompletedToTheLastDay)
{
    EXPECT_EQ(CompleteIsoText("2024-02-__"), "2024-02-29");
    EXPECT_EQ(CompleteIsoText("2023-02-__"), "2023-02-28");
    EXPECT_EQ(CompleteIsoText("2100-02-__"), "2100-02-28");
    EXPECT_EQ(CompleteIsoText("2000-02-__"), "2000-02-29");
    EXPECT_EQ(CompleteIsoText("2024-02-10"), "2024-02-10");
    EXPECT_FALSE(CompleteIsoText("____-02-__").has_value());
    EXPECT_FALSE(CompleteIsoText("2024-__-__").has_value());
}

TEST(DateTexts, CalendarGridPlacesTheFirstDay)
{
    // September 2024 begins on a Sunday: with Monday first it stands last.
    EXPECT_EQ(DayOfWeek(2024, 9, 1), 1);
    EXPECT_EQ(CalendarCellDay(2024, 9, 1, 6, 1), 1);
    EXPECT_EQ(CalendarCellDay(2024, 9, 1, 0, 1), 0);
    EXPECT_EQ(CalendarCellDay(2024, 9, 0, 0, 1), 1);
}

// Every month of 1900 to 2100 with every first weekday, cell by cell, against
// Python's calendar module.
TEST(DateTexts, CalendarGridAgreesWithPython)
{
    const std::string python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    const std::string output =
        e3test::RunProgram({python, std::string(E3_TEST_DATA_DIR) + "/calendar_layout.py"});
    std::istringstream lines(output);
    std::string line;
    int months = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int year = 0, month = 0, start = 0;
        fields >> year >> month >> start;
        for (int row = 1; row <= 6; ++row) {
            for (int col = 0; col < 7; ++col) {
                int expected = -1;
                fields >> expected;
                ASSERT_EQ(CalendarCellDay(year, month, start, col, row), expected)
                    << year << "-" << month << " start " << start << " cell " << col << "," << row;
            }
        }
        ++months;
    }
    EXPECT_EQ(months, 201 * 12 * 7);
}

} // namespace
