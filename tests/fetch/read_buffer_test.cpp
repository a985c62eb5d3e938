// The read-buffer size chosen from a declared Content-Length.
#include "fetch/read_buffer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace norvique {
namespace {

TEST(ReadBufferSizeTest, FollowsTheDeclaredLengthWithinItsBounds) {
    const struct Case {
        const char* name;
        std::optional<std::string_view> contentLength;
        std::uint32_t expected;
    } cases[] = {
        {"no length declared", std::nullopt, 10240},
        {"zero", "0", 10240},
        {"negative", "-5", 10240},
        {"no digits", "abc", 10240},
        {"empty text", "", 10240},
        {"sign alone", "+", 10240},
        {"one", "1", 2},
        {"plus one", "+1", 2},
        {"leading white space", " \t 1", 2},
        {"digits up to the first other character", "12abc", 13},
        {"blank inside ends the number", "1 2", 2},
        {"a small page", "1234", 1235},
        {"one below the largest", "102398", 102399},
        {"largest by n + 1", "102399", 102400},
        {"just past", "102400", 102400},
        {"largest 32-bit", "2147483647", 102400},
        {"past 32 bits stays large", "2147483648", 102400},
        {"far past 32 bits", "99999999999999999999", 102400},
        {"far below 32 bits", "-99999999999999999999", 10240},
        {"smallest 32-bit", "-2147483648", 10240},
        {"leading zeros", "0007", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadBufferSize(c.contentLength), c.expected);
    }
}

}  // namespace
}  // namespace norvique
