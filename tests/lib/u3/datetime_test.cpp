#include "u3/DateTime.h"
#include "u3/StrLib.h"

#include <gtest/gtest.h>

#include <ctime>

namespace u3 {
namespace {

TEST(DayNumbers, KnownDates)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(1970, 1, 1), 25569);
    EXPECT_EQ(EncodeDate(2024, 3, 5), 45356);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
}

TEST(DayNumbers, EncodeDecodeRoundTripOverTheWholeRange)
{
    TDateTime previous = EncodeDate(1, 1, 1) - 1;
    for (int year : {1, 4, 100, 1600, 1899, 1900, 2000, 2023, 2024, 2100, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                TDateTime d = 0;
                if (!TryEncodeDate(year, month, day, d))
                    continue;
                int y = 0, m = 0, dd = 0;
                DecodeDate(d, y, m, dd);
                ASSERT_EQ(y * 10000 + m * 100 + dd, year * 10000 + month * 100 + day);
                ASSERT_GT(d, previous);
                previous = d;
            }
        }
    }
}

TEST(DayNumbers, InvalidDatesAndTimes)
{
    TDateTime d = 123;
    for (auto [y, m, dd] : {std::tuple {2023, 2, 29}, {2024, 2, 30}, {1900, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                            {2024, 0, 1}, {2024, 1, 0}, {0, 1, 1}, {10000, 1, 1}}) {
        EXPECT_FALSE(TryEncodeDate(y, m, dd, d)) << y << "-" << m << "-" << dd;
        EXPECT_THROW(EncodeDate(y, m, dd), DateTimeError);
    }
    EXPECT_EQ(d, 123) << "untouched on failure";
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, d));
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), DateTimeError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), DateTimeError);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (86400000.0 - 1) / 86400000.0);
}

TEST(DayNumbers, NegativeValuesCountTheTimeAwayFromZero)
{
    // 29.12.1899 06:00 is -1.25, not -0.75.
    int y = 0, m = 0, d = 0;
    DecodeDate(-1.25, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    DecodeDate(-0.5, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
}

TEST(DayNumbers, NowIsTheLocalWallClock)
{
    const std::time_t t = std::time(nullptr);
    std::tm local {};
    localtime_r(&t, &local);
    const TDateTime expected = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)
        + EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
    EXPECT_NEAR(Now(), expected, 5.0 / 86400);
}

TEST(DottedDates, TextToDate)
{
    struct Case {
        std::string text;
        TDateTime expected;
    };
    const std::vector<Case> cases = {
        {"05.03.2024", 45356},
        {"5.3.2024", 45356},
        {" 5. 3.2024", 45356},
        {"05.03.2024.x", 45356},
        {"29.02.2024", 45351},
        {"1.1.1", -693593},
        {"31.02.2024", 0},
        {"29.02.2023", 0},
        {"05.03.2024 ", 0},   // a trailing blank spoils the year
        {"05.03.24", EncodeDate(24, 3, 5)}, // the year is taken as written
        {"05.03", 0},
        {"", 0},
        {"   ", 0},
        {"a.b.c", 0},
        {"05-03-2024", 0},
        {"0.0.0", 0},
        {"99999999999.1.2024", 0},
        {"-1.3.2024", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DottedTextToDate(c.text), c.expected) << "'" << c.text << "'";
}

TEST(DottedDates, DateToText)
{
    EXPECT_EQ(DateToDottedText(EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(DateToDottedText(EncodeDate(2024, 12, 31) + 0.99), "31.12.2024");
    EXPECT_EQ(DateToDottedText(EncodeDate(5, 1, 9)), "09.01.05");
    EXPECT_EQ(DateToDottedText(EncodeDate(1850, 6, 1) - 0.5), "01.06.1850");
    EXPECT_EQ(DottedTextToDate(DateToDottedText(45356.75)), 45356);
}

TEST(SecondsDiff, WholeSecondsWithSign)
{
    const TDateTime a = EncodeDate(2024, 3, 5) + EncodeTime(10, 0, 0, 0);
    const double second = 1.0 / 86400;
    struct Case {
        TDateTime from, to;
        int64_t expected;
    };
    const std::vector<Case> cases = {
        {a, a, 0},
        {a, a + 1.5 * second, 1},
        {a + 1.5 * second, a, -1},
        {a, a + 0.4 * second, 0},
        {a, a + 0.9996 * second, 1}, // rounded to the millisecond first
        {a + 1, a, -86400},
        {a, a + 1 + EncodeTime(1, 2, 3, 400), 86400 + 3723},
        {a, a + 10000, int64_t {10000} * 86400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SignedSecondsDiff(c.from, c.to), c.expected) << c.from << " -> " << c.to;
}

} // namespace
} // namespace u3
