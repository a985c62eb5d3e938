#include "core/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

namespace norvique {

namespace {

constexpr double kOneSecond = 1.0 / 86400.0;
constexpr double kHalfSecond = 1.0 / 172800.0;
// 1970-01-01 is day 25569 of the DateTime scale.
constexpr std::int64_t kUnixEpochDay = 25569;

// The unit characters of the date-time text, in code page 936.
constexpr std::string_view kYearChar = "\xC4\xEA";    // 年
constexpr std::string_view kMonthChar = "\xD4\xC2";   // 月
constexpr std::string_view kDayChar = "\xC8\xD5";     // 日
constexpr std::string_view kHourChar = "\xCA\xB1";    // 时
constexpr std::string_view kMinuteChar = "\xB7\xD6";  // 分
constexpr std::string_view kSecondChar = "\xC3\xEB";  // 秒

// Days since 1970-01-01 of a proleptic Gregorian date, and back: the
// era-based civil calendar arithmetic, exact for every 64-bit day count used
// here.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, std::int32_t& year, std::int32_t& month, std::int32_t& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<std::int32_t>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<std::int32_t>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<std::int32_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool FieldsInRange(const DateTimeFields& f) {
    return f.year >= 100 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour <= 23 && f.minute >= 0 &&
           f.minute <= 59 && f.second >= 0 && f.second <= 59;
}

// Reads up to `maxDigits` digits at `at`; no digit reads as 0.
std::int32_t ReadField(std::string_view s, std::size_t& at, int maxDigits) {
    std::int32_t value = 0;
    for (int n = 0; n < maxDigits && at < s.size() && s[at] >= '0' && s[at] <= '9'; ++n, ++at) {
        value = value * 10 + (s[at] - '0');
    }
    return value;
}

void SkipSeparator(std::string_view s, std::size_t& at, std::string_view unitChar, bool spaceToo) {
    if (at >= s.size()) {
        return;
    }
    const char c = s[at];
    if (c == '-' || c == '/' || c == ':' || c == '.' || (spaceToo && c == ' ')) {
        ++at;
    } else if (s.substr(at, unitChar.size()) == unitChar) {
        at += unitChar.size();
    }
}

// Start of a continuous day scale on which adding a span is plain addition:
// below zero the OLE convention runs the time of day backwards.
double ToContinuous(double v) {
    return v < 0 ? 2 * std::ceil(v) - v : v;
}
double FromContinuous(double w) {
    return w < 0 ? 2 * std::floor(w) - w : w;
}

DateTime AddCalendarMonths(DateTime start, std::int64_t years, std::int64_t months) {
    // The start has been clamped into range, so it always splits.
    const DateTimeFields f = SplitDateTime(start).value_or(DateTimeFields{100, 1, 1, 0, 0, 0});
    // Any move of more than 20000 years ends at a bound of the year range, so
    // the counts are limited to that first and the sums cannot overflow. The
    // month keeps its residue, which still decides the month field.
    constexpr std::int64_t kFarBeyond = 20000;
    std::int64_t year = f.year + std::clamp(years, -kFarBeyond, kFarBeyond) +
                        std::clamp<std::int64_t>(months / 12, -kFarBeyond, kFarBeyond);
    std::int64_t month = f.month + months % 12;
    if (month > 12) {
        month -= 12;
        ++year;
    } else if (month < 1) {
        month += 12;
        --year;
    }
    DateTimeFields out = f;
    out.year = static_cast<std::int32_t>(std::clamp<std::int64_t>(year, 100, 9999));
    out.month = static_cast<std::int32_t>(month);
    out.day = std::min(out.day, DaysInMonth(out.year, out.month));
    return MakeDateTime(out);
}

}  // namespace

std::int32_t DaysInMonth(std::int64_t year, std::int32_t month) {
    static constexpr std::int32_t kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kLengths[month - 1];
}

DateTime MakeDateTime(const DateTimeFields& f) {
    const double day = static_cast<double>(DaysFromCivil(f.year, f.month, f.day) + kUnixEpochDay);
    const double time = static_cast<double>(f.hour * 3600 + f.minute * 60 + f.second) * kOneSecond;
    return day < 0 ? day - time : day + time;
}

std::optional<DateTimeFields> SplitDateTime(DateTime value) {
    if (!(value >= kMinDateTime && value <= kMaxDateTime)) {
        return std::nullopt;
    }
    const double rounded = value > 0 ? value + kHalfSecond : value - kHalfSecond;
    const auto dayNumber = static_cast<std::int64_t>(std::trunc(rounded));
    const double magnitude = std::fabs(rounded);
    auto seconds = static_cast<std::int32_t>((magnitude - std::floor(magnitude)) * 86400.0);
    seconds = std::clamp(seconds, 0, 86399);
    DateTimeFields f;
    CivilFromDays(dayNumber - kUnixEpochDay, f.year, f.month, f.day);
    f.hour = seconds / 3600;
    f.minute = seconds / 60 % 60;
    f.second = seconds % 60;
    return f;
}

DateTime ParseDateTime(std::string_view text) {
    const Text folded = FoldFullWidth(text);
    const std::string_view s = folded;
    if (s.empty()) {
        return kFailedDateTime;
    }
    std::size_t at = 0;
    DateTimeFields f;
    f.year = ReadField(s, at, 4);
    SkipSeparator(s, at, kYearChar, false);
    f.month = ReadField(s, at, 2);
    SkipSeparator(s, at, kMonthChar, false);
    f.day = ReadField(s, at, 2);
    SkipSeparator(s, at, kDayChar, true);
    f.hour = ReadField(s, at, 2);
    SkipSeparator(s, at, kHourChar, false);
    f.minute = ReadField(s, at, 2);
    SkipSeparator(s, at, kMinuteChar, false);
    f.second = ReadField(s, at, 2);
    if (at != s.size() && s.substr(at, kSecondChar.size()) != kSecondChar) {
        return kFailedDateTime;
    }
    if (!FieldsInRange(f)) {
        return kFailedDateTime;
    }
    // Valid fields can still name an instant past the range: any time after
    // midnight on 9999-12-31, or on 100-01-01 (which lies below the minimum
    // by the convention for negative values). Such a value could not be
    // split or shown as itself, so it is no successful parse either.
    const DateTime value = MakeDateTime(f);
    if (value < kMinDateTime || value > kMaxDateTime) {
        return kFailedDateTime;
    }
    return value;
}

DateTime AddToDateTime(DateTime start, std::int32_t unit, std::int64_t count) {
    if (count == 0) {
        return start;
    }
    unit = std::clamp(unit, static_cast<std::int32_t>(kYears), static_cast<std::int32_t>(kSeconds));
    start = std::clamp(start, kMinDateTime, kMaxDateTime);
    switch (unit) {
        case kYears:
            return AddCalendarMonths(start, count, 0);
        case kQuarters:
            // Three months a quarter, split so that nothing overflows.
            return AddCalendarMonths(start, count / 4, count % 4 * 3);
        case kMonths:
            return AddCalendarMonths(start, 0, count);
        default:
            break;
    }
    // The magnitude as a double is exact for -2^63 too, where negation would
    // overflow.
    double span = std::fabs(static_cast<double>(count));
    switch (unit) {
        case kWeeks:
            span *= 7.0;
            break;
        case kHours:
            span *= 1.0 / 24.0;
            break;
        case kMinutes:
            span *= 1.0 / 1440.0;
            break;
        case kSeconds:
            span *= kOneSecond;
            break;
        default:
            break;
    }
    const double w = ToContinuous(start) + (count > 0 ? span : -span);
    return FromContinuous(w);
}

DateTime EpochToDateTime(std::int64_t value, std::optional<bool> inSeconds,
                         std::optional<bool> utcPlus8) {
    static const DateTime kBaseUtcPlus8 = ParseDateTime("1970-01-01 08:00:00");
    static const DateTime kBaseUtc = ParseDateTime("1970-01-01 00:00:00");
    const DateTime base = utcPlus8.value_or(true) ? kBaseUtcPlus8 : kBaseUtc;
    // Milliseconds are divided exactly, in integers, toward zero.
    const std::int64_t seconds = inSeconds.value_or(true) ? value : value / 1000;
    return AddToDateTime(base, kSeconds, seconds);
}

Text DateTimeToText(DateTime value) {
    // NaN has no nearer bound; it is shown as the lower one.
    value = std::isnan(value) ? kMinDateTime : std::clamp(value, kMinDateTime, kMaxDateTime);
    const DateTimeFields f = SplitDateTime(value).value_or(DateTimeFields{100, 1, 1, 0, 0, 0});
    Text text;
    text.reserve(26);
    auto field = [&text](std::int32_t number, std::string_view unitChar) {
        text += std::to_string(number);
        text += unitChar;
    };
    field(f.year, kYearChar);
    field(f.month, kMonthChar);
    field(f.day, kDayChar);
    if (f.second != 0) {
        field(f.hour, kHourChar);
        field(f.minute, kMinuteChar);
        field(f.second, kSecondChar);
    } else if (f.minute != 0) {
        field(f.hour, kHourChar);
        field(f.minute, kMinuteChar);
    } else if (f.hour != 0) {
        field(f.hour, kHourChar);
    }
    return text;
}

Text EndTimeText(std::int64_t seconds) {
    return DateTimeToText(EpochToDateTime(seconds));
}

}  // namespace norvique
