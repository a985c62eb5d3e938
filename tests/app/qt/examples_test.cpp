// The sample pages of examples/ give what examples/README.md promises.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/datetime.h"
#include "core/text.h"
#include "tests/support/cp936.h"

namespace norvique {
namespace {

struct Case {
    const char* page;
    bool found;
    const char* shown;  // UTF-8
};

constexpr Case kCases[] = {
    {"item-gbk.html", true, "2013年5月12日16时16分51秒"},
    {"item-milliseconds.html", true, "2013年5月12日16时16分51秒"},
    {"no-marker.html", false, ""},
};

TEST(ExamplesTest, PagesShowWhatTheirReadmeSays) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.page);
        std::ifstream in(std::string(NORVIQUE_EXAMPLES_DIR "/") + c.page, std::ios::binary);
        ASSERT_TRUE(in) << "cannot read the page";
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const EndTime endTime = ExtractEndTime(BytesToText(bytes.str()));
        EXPECT_EQ(endTime.found, c.found);
        if (c.found) {
            EXPECT_EQ(test::Utf8(DateTimeToText(EpochToDateTime(endTime.seconds))), c.shown);
        }
    }
}

}  // namespace
}  // namespace norvique
