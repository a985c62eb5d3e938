#include "core/text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace norvique {

namespace {

bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

Text BytesToText(Bytes bytes) {
    const auto nul = bytes.find('\0');
    if (nul != Bytes::npos) {
        bytes.resize(nul);
    }
    return bytes;
}

namespace {

// The first occurrence of `sought` (two bytes or more) at or after `from`, or
// npos. Blocks of bytes are first screened for a position whose first and last
// bytes both match; the screen is a branch-free loop that compilers turn into
// vector instructions, so the scan runs at a good fraction of memory speed
// even on pages full of the marker's letters. Only a block that passes the
// screen is compared byte by byte.
std::size_t NextOccurrence(std::string_view text, std::string_view sought, std::size_t from) {
    constexpr std::size_t kBlock = 32;
    const std::size_t span = sought.size() - 1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto first = static_cast<unsigned char>(sought.front());
    const auto last = static_cast<unsigned char>(sought.back());
    const auto matchesAt = [&](std::size_t at) {
        return bytes[at] == first && bytes[at + span] == last &&
               text.compare(at, sought.size(), sought) == 0;
    };
    while (text.size() - from >= kBlock + span) {
        unsigned hit = 0;
        for (std::size_t i = 0; i < kBlock; ++i) {
            hit |= static_cast<unsigned>(bytes[from + i] == first) &
                   static_cast<unsigned>(bytes[from + i + span] == last);
        }
        if (hit != 0) {
            for (std::size_t i = 0; i < kBlock; ++i) {
                if (matchesAt(from + i)) {
                    return from + i;
                }
            }
        }
        from += kBlock;
    }
    for (; text.size() - from > span; ++from) {
        if (matchesAt(from)) {
            return from;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::int32_t FindText(std::string_view text, std::string_view sought) {
    if (text.empty() || sought.empty() || sought.size() > text.size()) {
        return -1;
    }
    // Walking the text character by character is equivalent to this: the byte
    // after any byte below 0x80 always starts a character, so a candidate is a
    // character start exactly when the run of bytes of 0x80 and above right
    // before it has even length. That lets the search jump between candidates
    // instead of stepping through every byte.
    std::size_t from = 0;
    while (true) {
        const std::size_t at = sought.size() == 1 ? text.find(sought.front(), from)
                                                  : NextOccurrence(text, sought, from);
        if (at == std::string_view::npos) {
            return -1;
        }
        std::size_t run = 0;
        while (run < at && IsLeadByte(text[at - run - 1])) {
            ++run;
        }
        if (run % 2 == 0) {
            if (at >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
                return -1;  // not representable as a position
            }
            return static_cast<std::int32_t>(at + 1);
        }
        from = at + 1;
    }
}

Text MidText(std::string_view text, std::int32_t start, std::int32_t count) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || count <= 0) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

Text FoldFullWidth(std::string_view text) {
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!IsLeadByte(c)) {
            folded.push_back(c);
            continue;
        }
        if (i + 1 == text.size()) {
            break;  // a lead byte without its second byte is dropped
        }
        const auto lead = static_cast<unsigned char>(c);
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        ++i;
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded.push_back(static_cast<char>(trail - 0x80));
        } else if (lead == 0xA1 && trail == 0xA1) {
            folded.push_back(' ');
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded.push_back('~');
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded.push_back('*');
        } else {
            folded.push_back(static_cast<char>(lead));
            folded.push_back(static_cast<char>(trail));
        }
    }
    return folded;
}

double TextToNumber(std::string_view text) {
    const Text folded = FoldFullWidth(text);
    const std::string_view s = folded;
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // The number is rebuilt in the one form std::from_chars reads the same way
    // everywhere: no '+', 'e' for the exponent, and no dependence on the locale.
    std::string normal = negative ? "-" : "";
    std::size_t digits = 0;
    std::int64_t leadingZerosAfterPoint = 0;
    std::int64_t integerDigits = 0;
    bool significant = false;
    while (i < s.size() && IsDigit(s[i])) {
        normal.push_back(s[i]);
        significant = significant || s[i] != '0';
        if (significant) {
            ++integerDigits;
        }
        ++digits;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        if (digits == 0) {
            normal.push_back('0');  // from_chars wants a digit before the point
        }
        normal.push_back('.');
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            normal.push_back(s[i]);
            if (!significant && s[i] == '0') {
                ++leadingZerosAfterPoint;
            }
            significant = significant || s[i] != '0';
            ++digits;
            ++i;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    if (normal.back() == '.') {
        normal.pop_back();
    }
    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponentNegative = s[j] == '-';
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            normal.push_back('e');
            if (exponentNegative) {
                normal.push_back('-');
            }
            for (; j < s.size() && IsDigit(s[j]); ++j) {
                normal.push_back(s[j]);
                if (exponent < 100000) {
                    exponent = exponent * 10 + (s[j] - '0');
                }
            }
            if (exponentNegative) {
                exponent = -exponent;
            }
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double. The decimal order of magnitude
        // tells which: beyond the range is infinite, below it is zero.
        const std::int64_t order =
            exponent + (integerDigits > 0 ? integerDigits : -leadingZerosAfterPoint);
        const double magnitude = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return value;
}

std::int64_t TruncateToInt64(double value) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!(value >= -kTwoTo63 && value < kTwoTo63)) {
        // NaN and infinities fail both comparisons as well.
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(std::trunc(value));
}

EndTime ExtractEndTime(std::string_view pageText) {
    const std::int32_t position = FindText(pageText, kMarker);
    if (position == -1) {
        return {};
    }
    const Text slice =
        MidText(pageText, position + static_cast<std::int32_t>(kMarker.size()), kSliceLength);
    return {true, TruncateToInt64(TextToNumber(slice))};
}

}  // namespace norvique
