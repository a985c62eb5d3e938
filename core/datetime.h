// Calendar date-times as days since 1899-12-30 (the OLE Automation date
// convention), the conversion of a Unix time to UTC+8 and the Chinese
// date-time text shown to the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text.h"

namespace norvique {

// Days from 1899-12-30 00:00:00, proleptic Gregorian; the fraction is the time
// of day. Below zero the whole part, taken toward zero, is the day and the
// magnitude of the fraction the time of day.
using DateTime = double;

inline constexpr DateTime kMinDateTime = -657434.0;  // 100-01-01 00:00:00
inline constexpr DateTime kMaxDateTime = 2958465.0;  // 9999-12-31 00:00:00
// ParseDateTime's failure value; indistinguishable from kMinDateTime.
inline constexpr DateTime kFailedDateTime = kMinDateTime;

struct DateTimeFields {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    friend bool operator==(const DateTimeFields&, const DateTimeFields&) = default;
};

enum DateTimeUnit : std::int32_t {
    kYears = 1,
    kQuarters = 2,
    kMonths = 3,
    kWeeks = 4,
    kDays = 5,
    kHours = 6,
    kMinutes = 7,
    kSeconds = 8,
};

// A Unix time as a DateTime. `inSeconds` (default true) says whether the value
// counts seconds or milliseconds; `utcPlus8` (default true) picks the base
// 1970-01-01 08:00:00 instead of 00:00:00. The whole 64-bit count is used, so
// times after January 2038 keep their year.
DateTime EpochToDateTime(std::int64_t value, std::optional<bool> inSeconds = std::nullopt,
                         std::optional<bool> utcPlus8 = std::nullopt);

// Reads "yyyy-mm-dd hh:mm:ss" and its variants (separators - / : . or the unit
// characters 年月日时分秒, full-width digits allowed); kFailedDateTime when the
// text cannot be read or a field is out of range.
DateTime ParseDateTime(std::string_view text);

// Moves `start` by `count` of `unit` (brought into 1-8 first). The result is
// not range-checked.
DateTime AddToDateTime(DateTime start, std::int32_t unit, std::int64_t count);

// "2013年5月12日16时16分51秒", with trailing zero time fields left out; an
// out-of-range value is first moved to the nearer bound. Never empty.
Text DateTimeToText(DateTime value);

// How a listing's end time is shown: the count of seconds since 1970-01-01
// 00:00:00 UTC as the Chinese date-time text of UTC+8.
Text EndTimeText(std::int64_t seconds);

// Fields must be in range; the caller checks them.
DateTime MakeDateTime(const DateTimeFields& fields);

// Rounds to the nearest second and splits; no value outside the valid range.
std::optional<DateTimeFields> SplitDateTime(DateTime value);

// Length of a month in the proleptic Gregorian calendar.
std::int32_t DaysInMonth(std::int64_t year, std::int32_t month);

}  // namespace norvique
