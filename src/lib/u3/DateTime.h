#pragma once
// Date-times as the engine's protocol carries them: days since 30.12.1899 as a
// double, the fraction being the time of day.
//
// Before 30.12.1899 the value is negative, and the fraction still counts the
// time of day away from zero: -1.25 is 29.12.1899 06:00. The whole-day part is
// therefore the value truncated toward zero, which is what DecodeDate uses.
// Differences are taken on the plain numbers, so a span across that turn is
// off by the time of day; no caller meets dates that old.
#include <cstdint>
#include <stdexcept>

namespace u3 {

using TDateTime = double;

// A date or time that does not exist (31 February, hour 24).
class DateTimeError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Years 1 to 9999. False for a date that does not exist; result untouched then.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// Throws DateTimeError for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
void DecodeDate(TDateTime date, int& year, int& month, int& day);

// The fraction of a day; throws DateTimeError for hour > 23, minute or second
// > 59 or millisecond > 999.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Local wall-clock time, to the millisecond.
TDateTime Now();

} // namespace u3
