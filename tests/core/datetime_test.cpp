#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/cp936.h"

namespace norvique {
namespace {

using test::Gbk;
using test::Utf8;

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

TEST(EpochToDateTime, RendersTheShownText) {
    struct Case {
        std::int64_t value;
        std::optional<bool> inSeconds;
        std::optional<bool> utcPlus8;
        const char* shown;  // UTF-8 here, code page 936 in the program
    } cases[] = {
        {1368346611, {}, {}, "2013年5月12日16时16分51秒"},
        {0, {}, {}, "1970年1月1日8时"},
        {-28800, {}, {}, "1970年1月1日"},
        {1, {}, {}, "1970年1月1日8时0分1秒"},
        {60, {}, {}, "1970年1月1日8时1分"},
        {3600, {}, {}, "1970年1月1日9时"},
        {57600, {}, {}, "1970年1月2日"},
        {-123456789, {}, {}, "1966年2月2日10时26分51秒"},
        // Past 2038 the whole 64-bit count is used, so the year stays right.
        {2147483647, {}, {}, "2038年1月19日11时14分7秒"},
        {2147483648, {}, {}, "2038年1月19日11时14分8秒"},
        {2147483649, {}, {}, "2038年1月19日11时14分9秒"},
        {4294967295, {}, {}, "2106年2月7日14时28分15秒"},
        {4294967296, {}, {}, "2106年2月7日14时28分16秒"},
        {9999999999, {}, {}, "2286年11月21日1时46分39秒"},
        {-2147483649, {}, {}, "1901年12月14日4时45分51秒"},
        {kInt64Min, {}, {}, "100年1月1日"},
        {kInt64Max, {}, {}, "9999年12月31日"},
        {1368346611, {}, false, "2013年5月12日8时16分51秒"},
        {1368346611, true, true, "2013年5月12日16时16分51秒"},
        {1368346611000, false, {}, "2013年5月12日16时16分51秒"},
        {1368346611999, false, {}, "2013年5月12日16时16分51秒"},
        {-1500, false, {}, "1970年1月1日7时59分59秒"},
        {kInt64Min, false, {}, "100年1月1日"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Utf8(DateTimeToText(EpochToDateTime(c.value, c.inSeconds, c.utcPlus8))), c.shown);
    }
}

TEST(DateTimeToText, ClampsToTheBounds) {
    struct Case {
        DateTime value;
        const char* shown;
    } cases[] = {
        {kMinDateTime, "100年1月1日"},
        {kMinDateTime - 1e9, "100年1月1日"},
        {kMaxDateTime, "9999年12月31日"},
        {kMaxDateTime + 0.5, "9999年12月31日"},
        {-std::numeric_limits<double>::infinity(), "100年1月1日"},
        {std::numeric_limits<double>::infinity(), "9999年12月31日"},
        {std::numeric_limits<double>::quiet_NaN(), "100年1月1日"},
        {0.0, "1899年12月30日"},
        {-1.25, "1899年12月29日6时"},
        {-1.75, "1899年12月29日18时"},
        {MakeDateTime({2024, 12, 31, 23, 59, 59}), "2024年12月31日23时59分59秒"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Utf8(DateTimeToText(c.value)), c.shown);
    }
    // The longest text fits the 26 bytes the result box is sized for.
    EXPECT_EQ(DateTimeToText(MakeDateTime({2024, 12, 31, 23, 59, 59})).size(), 26U);
}

TEST(ParseDateTime, ReadsBothBasesAndRejectsBadFields) {
    const DateTime eightOClock = 25569.0 + 1.0 / 3.0;
    struct Case {
        std::string text;  // UTF-8
        DateTime value;
    } cases[] = {
        {"1970-01-01 08:00:00", eightOClock},
        {"1970-01-01 00:00:00", 25569.0},
        {"1970年1月1日8时0分0秒", eightOClock},
        {"1970/1/1 8:0:0", eightOClock},
        {"1970.1.1 8.0.0", eightOClock},
        {"１９７０－０１－０１　０８：００：００", eightOClock},
        {"1970-01-01", 25569.0},
        {"1970-01-01 08:00:00秒 and more", eightOClock},
        {"1899-12-30", 0.0},
        {"100-01-01", kMinDateTime},
        {"9999-12-31", kMaxDateTime},
        {"2024-02-29", MakeDateTime({2024, 2, 29, 0, 0, 0})},
        {"", kFailedDateTime},
        {"1970-13-01", kFailedDateTime},
        {"1970-02-30", kFailedDateTime},
        {"1900-02-29", kFailedDateTime},
        {"99-01-01", kFailedDateTime},
        {"1970-01-01 24:00:00", kFailedDateTime},
        {"1970-01-01 08:60:00", kFailedDateTime},
        {"1970-01-01 08:00:00x", kFailedDateTime},
        {"abc", kFailedDateTime},
        // Valid fields, but past the ends of the range: these could not be
        // shown as themselves.
        {"9999-12-31 00:00:01", kFailedDateTime},
        {"9999/12/319/12", kFailedDateTime},
        {"100-01-01 12:00:00", kFailedDateTime},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDateTime(Gbk(c.text)), c.value);
    }
    EXPECT_EQ(ParseDateTime("1970-01-01 08:00:00"), 25569.333333333332);
}

TEST(SplitDateTime, RoundsToTheNearestSecondAndRejectsOutOfRange) {
    const double second = 1.0 / 86400.0;
    EXPECT_EQ(SplitDateTime(25569.0 + 0.4 * second), (DateTimeFields{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(SplitDateTime(25569.0 + 0.6 * second), (DateTimeFields{1970, 1, 1, 0, 0, 1}));
    EXPECT_EQ(SplitDateTime(25570.0 - 0.4 * second), (DateTimeFields{1970, 1, 2, 0, 0, 0}));
    EXPECT_EQ(SplitDateTime(-1.25), (DateTimeFields{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(SplitDateTime(kMinDateTime), (DateTimeFields{100, 1, 1, 0, 0, 0}));
    EXPECT_EQ(SplitDateTime(kMaxDateTime), (DateTimeFields{9999, 12, 31, 0, 0, 0}));
    EXPECT_EQ(SplitDateTime(kMaxDateTime + second), std::nullopt);
    EXPECT_EQ(SplitDateTime(kMinDateTime - 1), std::nullopt);
    EXPECT_EQ(SplitDateTime(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(MakeDateTime, RoundTripsEveryDayOfTheRange) {
    // Every 97th day across the range, at a time of day that changes with it.
    // (On the first day only midnight is in range: below zero the time of day
    // counts away from zero.)
    for (std::int64_t day = static_cast<std::int64_t>(kMinDateTime) + 1;
         day <= static_cast<std::int64_t>(kMaxDateTime); day += 97) {
        const auto noTime = SplitDateTime(static_cast<double>(day));
        ASSERT_TRUE(noTime.has_value()) << day;
        DateTimeFields f = *noTime;
        f.hour = static_cast<std::int32_t>(day % 24 < 0 ? -(day % 24) : day % 24);
        f.minute = 59;
        f.second =
            static_cast<std::int32_t>((day / 7) % 60 < 0 ? -((day / 7) % 60) : (day / 7) % 60);
        ASSERT_EQ(SplitDateTime(MakeDateTime(f)), f) << day;
    }
}

TEST(AddToDateTime, MovesByEachUnit) {
    const DateTime start = MakeDateTime({2024, 1, 31, 10, 30, 0});
    struct Case {
        std::int32_t unit;
        std::int64_t count;
        DateTimeFields result;
    } cases[] = {
        {kYears, 1, {2025, 1, 31, 10, 30, 0}},
        {kYears, -1924, {100, 1, 31, 10, 30, 0}},
        {kYears, 100000, {9999, 1, 31, 10, 30, 0}},
        {kYears, kInt64Max, {9999, 1, 31, 10, 30, 0}},
        {kQuarters, 1, {2024, 4, 30, 10, 30, 0}},
        {kQuarters, -1, {2023, 10, 31, 10, 30, 0}},
        {kQuarters, kInt64Min, {100, 1, 31, 10, 30, 0}},
        {kMonths, 1, {2024, 2, 29, 10, 30, 0}},
        {kMonths, 13, {2025, 2, 28, 10, 30, 0}},
        {kMonths, -1, {2023, 12, 31, 10, 30, 0}},
        {kMonths, -12, {2023, 1, 31, 10, 30, 0}},
        {kMonths, -13, {2022, 12, 31, 10, 30, 0}},
        {kMonths, kInt64Min, {100, 5, 31, 10, 30, 0}},  // -2^63 is 4 mod 12
        {kWeeks, 1, {2024, 2, 7, 10, 30, 0}},
        {kDays, -31, {2023, 12, 31, 10, 30, 0}},
        {kHours, 14, {2024, 2, 1, 0, 30, 0}},
        {kMinutes, -630, {2024, 1, 31, 0, 0, 0}},
        {kMinutes, -631, {2024, 1, 30, 23, 59, 0}},
        {kSeconds, 1, {2024, 1, 31, 10, 30, 1}},
        {0, 1, {2025, 1, 31, 10, 30, 0}},   // below 1 counts as years
        {99, 1, {2024, 1, 31, 10, 30, 1}},  // above 8 counts as seconds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.unit) + " " + std::to_string(c.count));
        EXPECT_EQ(SplitDateTime(AddToDateTime(start, c.unit, c.count)), c.result);
    }
}

TEST(AddToDateTime, ZeroCountKeepsTheStartBitForBit) {
    for (const DateTime start : {kMaxDateTime * 10, -1e300, -1.25, 25569.5}) {
        for (std::int32_t unit = 0; unit <= 9; ++unit) {
            EXPECT_EQ(AddToDateTime(start, unit, 0), start);
        }
    }
    EXPECT_TRUE(std::isnan(AddToDateTime(std::numeric_limits<double>::quiet_NaN(), kDays, 0)));
}

TEST(AddToDateTime, CrossesZeroByTheOleConvention) {
    // 1899-12-30 06:00 minus one day is 1899-12-29 06:00, which is -1.25.
    EXPECT_DOUBLE_EQ(AddToDateTime(0.25, kDays, -1), -1.25);
    EXPECT_DOUBLE_EQ(AddToDateTime(-1.25, kHours, 24), 0.25);
    EXPECT_DOUBLE_EQ(AddToDateTime(-1.75, kHours, 3), -1.875);
    EXPECT_DOUBLE_EQ(AddToDateTime(-1.75, kHours, 12), 0.25);
}

TEST(AddToDateTime, MostNegativeSecondsCount) {
    const DateTime start = 25569.0;
    const DateTime moved = AddToDateTime(start, kSeconds, -2147483648LL);
    EXPECT_EQ(SplitDateTime(moved), (DateTimeFields{1901, 12, 13, 20, 45, 52}));
    EXPECT_LT(AddToDateTime(start, kSeconds, kInt64Min), kMinDateTime);
}

// An independent calendar: days since 1970-01-01 to a date by walking whole
// 400-year cycles, then years, then months.
DateTimeFields ExpectedFields(std::int64_t seconds, std::int64_t offset) {
    const std::int64_t total = seconds + offset;
    std::int64_t days = total / 86400;
    std::int64_t secondOfDay = total % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    std::int64_t year = 1970;
    constexpr std::int64_t kCycle = 146097;  // days in 400 years
    year += 400 * (days / kCycle);
    days %= kCycle;
    if (days < 0) {
        days += kCycle;
        year -= 400;
    }
    auto leap = [](std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    while (days >= (leap(year) ? 366 : 365)) {
        days -= leap(year) ? 366 : 365;
        ++year;
    }
    const int lengths[] = {31, leap(year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (days >= lengths[month]) {
        days -= lengths[month];
        ++month;
    }
    return {static_cast<std::int32_t>(year),
            month + 1,
            static_cast<std::int32_t>(days + 1),
            static_cast<std::int32_t>(secondOfDay / 3600),
            static_cast<std::int32_t>(secondOfDay / 60 % 60),
            static_cast<std::int32_t>(secondOfDay % 60)};
}

TEST(EpochToDateTime, AgreesWithExactArithmeticOverTheTenDigitRange) {
    std::vector<std::int64_t> counts = {0,
                                        1,
                                        -1,
                                        59,
                                        60,
                                        86399,
                                        86400,
                                        -86400,
                                        951782400,
                                        2147483647,
                                        2147483648,
                                        -2147483648LL,
                                        -2147483649LL,
                                        4294967295,
                                        4294967296,
                                        9999999999,
                                        -9999999999};
    for (std::int64_t v = -9999999999; v <= 9999999999; v += 999983) {  // a prime step
        counts.push_back(v);
    }
    for (const std::int64_t seconds : counts) {
        SCOPED_TRACE(seconds);
        ASSERT_EQ(SplitDateTime(EpochToDateTime(seconds)), ExpectedFields(seconds, 28800));
        ASSERT_EQ(SplitDateTime(EpochToDateTime(seconds, true, false)), ExpectedFields(seconds, 0));
        for (const std::int64_t millis : {0, 999, -999}) {
            const std::int64_t value = seconds * 1000 + millis;
            ASSERT_EQ(SplitDateTime(EpochToDateTime(value, false, {})),
                      ExpectedFields(value / 1000, 28800));
            ASSERT_EQ(SplitDateTime(EpochToDateTime(value, false, false)),
                      ExpectedFields(value / 1000, 0));
        }
    }
}

}  // namespace
}  // namespace norvique
