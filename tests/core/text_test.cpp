#include "core/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/support/cp936.h"
#include "tests/support/two_byte_walk.h"

namespace norvique {
namespace {

using namespace std::string_literals;
using test::Gbk;

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

TEST(BytesToText, StopsAtFirstNul) {
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"", ""},
        {"ab\0cd"s, "ab"},
        {"\0abc"s, ""},
        {"plain", "plain"},
        {"\xC4\xEA\0\xC4\xEA"s, "\xC4\xEA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(BytesToText(c.bytes), c.text);
    }
}

TEST(FindText, FindsOnlyAtCharacterStarts) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t position;
    } cases[] = {
        {"empty text", "", -1},
        {"exactly the marker", "ends=", 1},
        {"capitals", "ENDS=1", -1},
        {"mixed case", "Ends=1", -1},
        {"first of two", "xends=1&ends=2", 2},
        {"at the very end", "abcdeends=", 6},
        {"shorter than marker", "ends", -1},
        {"behind one GBK character",
         "\xBC\xDB"
         "ends=1368000000",
         3},
        {"behind a three-byte UTF-8 character",
         "\xE4\xB8\x8A"
         "ends=1368000000",
         -1},
        {"odd run skipped, later one found",
         "\xE4\xB8\x8A"
         "ends=1 ends=2",
         11},
        {"lead byte swallows the e",
         "\x81"
         "ends=",
         -1},
        {"run counted back to an ASCII trail byte",
         "\x81\x41\x82"
         "ends=",
         -1},
        {"even run after an ASCII trail byte",
         "\x81\x41\x82\x83"
         "ends=",
         5},
        {"GBK text around the marker", Gbk("下架时间ends=1还有"), 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindText(c.text, kMarker), c.position);
    }
}

TEST(FindText, AgreesWithTheWalkOnMixedBytes) {
    // Texts from empty to a few blocks of the screening search long, over an
    // alphabet dense in lead bytes and marker pieces.
    const std::string alphabet[] = {"e", "n", "d", "s", "=", "ends=", "\x81", "\xFE", "A", "\x40"};
    std::uint32_t state = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int parts = static_cast<int>(state % 48);
        for (int i = 0; i < parts; ++i) {
            state = state * 1664525U + 1013904223U;
            text += alphabet[(state >> 16) % std::size(alphabet)];
        }
        state = state * 1664525U + 1013904223U;
        ASSERT_EQ(FindText(text, kMarker), test::WalkFind(text, kMarker))
            << testing::PrintToString(text);
    }
}

TEST(MidText, CutsPlainBytes) {
    struct Case {
        std::string text;
        std::int32_t start;
        std::int32_t count;
        std::string slice;
    } cases[] = {
        {"abc", 3, 10, "c"}, {"abc", 4, 10, ""},
        {"abc", 0, 10, ""},  {"abc", -5, 10, ""},
        {"abc", 1, 0, ""},   {"abc", 1, -1, ""},
        {"abc", 1, 2, "ab"}, {"abc", 2, std::numeric_limits<std::int32_t>::max(), "bc"},
        {"", 1, 10, ""},     {"a\xC4\xEA", 1, 2, "a\xC4"},  // may end on a lead byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " " + std::to_string(c.start) + " " + std::to_string(c.count));
        EXPECT_EQ(MidText(c.text, c.start, c.count), c.slice);
    }
}

TEST(TextToNumber, ReadsTheLeadingNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::string text;
        double number;
    } cases[] = {
        {"", 0},
        {"  42abc", 42},
        {"\t\n\v\f\r 7", 7},
        {"1e", 1},
        {"1e+", 1},
        {"1e-", 1},
        {".5", 0.5},
        {"-.5e1", -5},
        {"5.", 5},
        {"+", 0},
        {"-", 0},
        {".", 0},
        {"+.", 0},
        {"12+5", 12},
        {"0x1A", 0},
        {"1d3", 1000},
        {"2D3", 2000},
        {"1E2", 100},
        {"1e9&x=12", 1e9},
        {"1368.75&..", 1368.75},
        {"-123456789", -123456789},
        {"+17", 17},
        {"1.2.3", 1.2},
        {"00012", 12},
        {"1,000", 1},
        {"inf", 0},
        {"nan", 0},
        {"9e99999999", inf},
        {"-9e99999999", -inf},
        {"1e-99999999", 0},
        {"0.0000e99999999", 0},
        {"\xA1\xA1"
         "7",
         7},  // ideographic space
        {"1\xA3\xB0"
         "2",
         102},                        // full-width zero
        {Gbk("１２３４５"), 12345},   // full-width digits
        {Gbk("－１．５ｅ２"), -150},  // full-width sign, point, letter
        {"42\x81", 42},               // lone lead byte at the end
        {"\x81", 0},
        {Gbk("上") + "5", 0},  // an ordinary character is no blank
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(TextToNumber(c.text), c.number);
    }
}

TEST(TextToNumber, NegativeZeroAndSignOfTinyValues) {
    EXPECT_TRUE(std::signbit(TextToNumber("-0")));
    EXPECT_TRUE(std::signbit(TextToNumber("-1e-999")));
}

TEST(FoldFullWidth, FoldsTheTableAndKeepsOtherCharacters) {
    struct Case {
        std::string text;
        std::string folded;
    } cases[] = {
        {"\xA3\xA1", "!"},
        {"\xA3\xFE", "~"},
        {"\xA1\xA1", " "},
        {"\xA1\xAB", "~"},
        {"\xA1\xEE\xA1\xEF", "**"},
        {"\xA3\xA0", "\xA3\xA0"},  // not a full-width form
        {"\xC4\xEA", "\xC4\xEA"},
        {"a\xC4", "a"},
        {"\xC4"
         "a",
         "\xC4"
         "a"},  // a lead byte takes any second byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(FoldFullWidth(c.text), c.folded);
    }
}

TEST(TruncateToInt64, DropsTheFractionOrGivesTheTopBit) {
    struct Case {
        double value;
        std::int64_t integer;
    } cases[] = {
        {2.9, 2},
        {-2.9, -2},
        {0.999, 0},
        {-0.999, 0},
        {1e19, kInt64Min},
        {-1e19, kInt64Min},
        {-9223372036854775808.0, kInt64Min},
        {9223372036854775808.0, kInt64Min},
        {9223372036854774784.0, 9223372036854774784},  // largest double below 2^63
        {std::numeric_limits<double>::infinity(), kInt64Min},
        {-std::numeric_limits<double>::infinity(), kInt64Min},
        {std::numeric_limits<double>::quiet_NaN(), kInt64Min},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TruncateToInt64(c.value), c.integer);
    }
}

TEST(ExtractEndTime, WorkedCases) {
    struct Case {
        const char* name;
        std::string page;
        bool found;
        std::int64_t seconds;
    } cases[] = {
        {"seconds", "x?ends=1368000000&t=1", true, 1368000000},
        {"milliseconds read as ten digits", "ends=1368000000123", true, 1368000000},
        {"short value at the end", "...ends=12345", true, 12345},
        {"marker ends the page", "...ends=", true, 0},
        {"letters after digits", "ends=13680abcde", true, 13680},
        {"letters", "ends=abc", true, 0},
        {"ampersand", "ends=&x=1", true, 0},
        {"negative", "ends=-123456789", true, -123456789},
        {"blank takes a byte", "ends= 13680000000", true, 136800000},
        {"fraction", "ends=1368.75&", true, 1368},
        {"exponent", "ends=1e9&x=12", true, 1000000000},
        {"d exponent", "ends=2d3", true, 2000},
        {"infinite", "ends=9e99999999", true, kInt64Min},
        {"full-width digits", "ends=" + Gbk("１２３４５"), true, 12345},
        {"behind a GBK character",
         "\xBC\xDB"
         "ends=1368000000",
         true, 1368000000},
        {"behind a UTF-8 character",
         "\xE4\xB8\x8A"
         "ends=1368000000",
         false, 0},
        {"no marker", "<html>no end time</html>", false, 0},
        {"empty page", "", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const EndTime endTime = ExtractEndTime(c.page);
        EXPECT_EQ(endTime.found, c.found);
        EXPECT_EQ(endTime.seconds, c.seconds);
    }
}

TEST(ExtractEndTime, MarkerBehindNulCountsAsMissing) {
    EXPECT_FALSE(ExtractEndTime(BytesToText("abc\0ends=1368000000"s)).found);
}

}  // namespace
}  // namespace norvique
