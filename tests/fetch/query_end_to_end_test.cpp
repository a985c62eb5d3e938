// The query command with the real page fetch against the local web server;
// only the boxes and the information box are stand-ins.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/query.h"
#include "tests/support/cp936.h"
#include "tests/support/page_server.h"

namespace norvique {

namespace {

std::map<Control, Text> boxes;
std::vector<Text> messages;

}  // namespace

Text ReadControlText(Control box) {
    return boxes[box];
}

void WriteControlText(Control box, const Text& text) {
    boxes[box] = text;
}

void ShowMessage(const Text& message) {
    messages.push_back(message);
}

namespace {

TEST(QueryEndToEndTest, ReadsTheEndTimeFromARealPageOrShowsTheMessage) {
    const test::PageServer server = test::PageServer::FromEnvironment();
    const std::string before = test::Gbk("旧的结果");
    const struct Case {
        const char* name;
        std::string address;
        std::string shown;  // UTF-8; the box's content afterwards
        bool message;
    } cases[] = {
        {"page with the marker", server.Http("/ends/1368346611"), "2013年5月12日16时16分51秒",
         false},
        {"404 page without the marker", server.Http("/missing"), "旧的结果", true},
        {"nothing listening", "http://127.0.0.1:" + std::to_string(server.closedPort()) + "/",
         "旧的结果", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes = {{Control::编辑框1, c.address}, {Control::编辑框2, before}};
        messages.clear();
        OnQueryClicked();
        EXPECT_EQ(test::Utf8(boxes[Control::编辑框2]), c.shown);
        EXPECT_EQ(boxes[Control::编辑框1], c.address);
        if (c.message) {
            EXPECT_EQ(messages, std::vector<Text>{Text(kCheckAddressMessage)});
        } else {
            EXPECT_TRUE(messages.empty());
        }
    }
}

}  // namespace
}  // namespace norvique
