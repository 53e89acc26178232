#pragma once
// What the date edit and its calendar know about dates without any widget:
// the language tables (month and day names, placeholders, calendar hints),
// the two fixed edit formats with their key-by-key rules for day and month,
// the display form with the month name, and the layout of a month grid.
//
// Texts are UTF-8.
#include "u3/DateTime.h"

#include <optional>
#include <string>
#include <string_view>

namespace e3 {

enum TDateLanguages : int { en = 0, fr = 1, de = 2, es = 3, pt = 4, ru = 5, sys = 6 };
inline constexpr int DateLanguageCount = 7;

// "en" .. "ru"; empty for sys.
std::string LanguageCode(TDateLanguages language);
// The language of a code from the tables; sys for any other text.
TDateLanguages LanguageOfCode(std::string_view code);

// Month 1..12, in the display form; the system's long name for sys.
std::string ShortMonthName(int month, TDateLanguages language);
// Month 1..12, in calendar titles.
std::string LongMonthName(int month, std::string_view languageCode);
// Day 1 = Sunday .. 7 = Saturday, in the calendar header; the system's short
// name for a code without a table.
std::string DayName(int day, std::string_view languageCode);
std::string Placeholder(TDateLanguages language);
// 1 previous year, 2 previous month, 3 next month, 4 next year; empty for sys.
std::string CalendarHint(int index, TDateLanguages language);

// The two formats that switch on the language edit's own behaviour.
inline constexpr std::string_view DottedFormat = "DD.MM.YYYY";
inline constexpr std::string_view IsoFormat = "YYYY-MM-DD";
inline constexpr std::string_view DottedMask = "99.99.9999;1;_";
inline constexpr std::string_view IsoMask = "9999-99-99;1;_";
inline constexpr std::string_view DottedEmpty = "__.__.____";
inline constexpr std::string_view IsoEmpty = "____-__-__";

// 28..31, or 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// The year of a two-digit year, as the system's century window places it.
int ExpandYear(int year, int currentYear);

struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};

// A text that holds a whole real date in the format (DottedFormat or
// IsoFormat) with its separator.
std::optional<DateParts> CompleteDate(std::string_view text, std::string_view format, int currentYear);

// "5 March 2024", "5. März 2024": the day, "." for de and pt, the display
// month name and the four-digit year.
std::string DisplayForm(const DateParts& date, TDateLanguages language);
std::optional<DateParts> ParseDisplayForm(std::string_view text, TDateLanguages language);

// A digit typed into a masked date text (the edit text of DottedMask or
// IsoMask) at the caret, with the day and month rules applied.
struct TypedDigit {
    bool accepted = false;
    std::string text; // the edit text afterwards
    int caret = 0;
};
TypedDigit TypeDateDigit(std::string_view format, std::string_view text, int caret, char digit);

// The ISO text completed for display: a missing day becomes the last day of
// the month. Nothing when year or month are not numbers.
std::optional<std::string> CompleteIsoText(std::string_view text);

// Weekday 1 = Sunday .. 7 = Saturday.
int DayOfWeek(int year, int month, int day);

// The month grid: 7 columns, day rows 1..6; startOfWeek 0 = Sunday.
int CalendarOffset(int year, int month, int startOfWeek);
// The day shown in a cell, or 0 for an empty one.
int CalendarCellDay(int year, int month, int startOfWeek, int col, int row);

} // namespace e3
