// The two commands against stand-ins that record what they were given: the
// page source hands out a prepared body, the boxes are two strings.
#include "core/query.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/cp936.h"

namespace norvique {

namespace {

struct StandIns {
    Bytes page;
    std::vector<Text> fetchedUrls;
    std::map<Control, Text> boxes;
    std::vector<Text> messages;
    int writes = 0;
};
StandIns standIns;

}  // namespace

Bytes FetchPage(const Text& url) {
    standIns.fetchedUrls.push_back(url);
    return standIns.page;
}

Text ReadControlText(Control box) {
    return standIns.boxes[box];
}

void WriteControlText(Control box, const Text& text) {
    ++standIns.writes;
    standIns.boxes[box] = text;
}

void ShowMessage(const Text& message) {
    standIns.messages.push_back(message);
}

namespace {

using namespace std::string_literals;
using test::Gbk;
using test::Utf8;

class QueryTest : public testing::Test {
  protected:
    void SetUp() override {
        standIns = {};
        lastPageText.clear();
    }

    // Runs one query of `page` from an address box holding `address`.
    void Query(const Bytes& page, const Text& address = "http://127.0.0.1/item") {
        standIns.page = page;
        standIns.boxes[Control::编辑框1] = address;
        OnQueryClicked();
    }

    std::string Result() { return Utf8(standIns.boxes[Control::编辑框2]); }
};

TEST_F(QueryTest, FoundMarkerWritesTheEndTime) {
    Query("<a href='x?ends=1368346611&t=1'>", Gbk(" 地址 "));
    EXPECT_EQ(standIns.fetchedUrls, std::vector<Text>{Gbk(" 地址 ")});  // passed as typed
    EXPECT_EQ(Result(), "2013年5月12日16时16分51秒");
    EXPECT_TRUE(standIns.messages.empty());
    EXPECT_EQ(Utf8(standIns.boxes[Control::编辑框1]), " 地址 ");
}

TEST_F(QueryTest, FailuresShowTheMessageAndLeaveBothBoxes) {
    const struct {
        const char* name;
        Bytes page;
        Text address;
    } cases[] = {
        {"no marker", "<html>nothing here</html>", "http://127.0.0.1/a"},
        {"marker in capitals", "ENDS=1368346611", "http://127.0.0.1/a"},
        {"marker capitalised", "Ends=1368346611", "http://127.0.0.1/a"},
        {"empty address gives empty bytes", "", ""},
        {"empty bytes", "", "http://127.0.0.1/a"},
        {"marker behind a NUL", "abc\0ends=1368346611"s, "http://127.0.0.1/a"},
        {"marker behind an odd run of high bytes",
         "\xE4\xB8\x8A"
         "ends=1368346611",
         "http://127.0.0.1/a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        standIns = {};
        standIns.boxes[Control::编辑框2] = "earlier result";
        Query(c.page, c.address);
        ASSERT_EQ(standIns.messages.size(), 1U);
        EXPECT_EQ(Utf8(standIns.messages[0]), "请检查网址是否正确");
        EXPECT_EQ(standIns.boxes[Control::编辑框1], c.address);
        EXPECT_EQ(standIns.boxes[Control::编辑框2], "earlier result");
        EXPECT_EQ(standIns.writes, 0);
        EXPECT_EQ(standIns.fetchedUrls, std::vector<Text>{c.address});
    }
}

TEST_F(QueryTest, TheMessageTextsAreTheirCp936Bytes) {
    EXPECT_EQ(Utf8(Text(kCheckAddressMessage)), "请检查网址是否正确");
    EXPECT_EQ(Utf8(Text(kMessageCaption)), "信息：");
}

TEST_F(QueryTest, FirstOfTwoMarkersIsUsed) {
    Query("ends=0&later ends=1368346611");
    EXPECT_EQ(Result(), "1970年1月1日8时");
}

TEST_F(QueryTest, MarkerEndingThePageShowsZeroSeconds) {
    Query("<p>ends=");
    EXPECT_EQ(Result(), "1970年1月1日8时");
    EXPECT_TRUE(standIns.messages.empty());
}

TEST_F(QueryTest, FailedQueryAfterASuccessKeepsTheFirstResult) {
    Query("ends=1368346611");
    Query("no marker");
    EXPECT_EQ(Result(), "2013年5月12日16时16分51秒");
    EXPECT_EQ(standIns.messages.size(), 1U);
}

TEST_F(QueryTest, EveryQueryReplacesTheLastPageText) {
    Query("first ends=1\0tail"s);
    EXPECT_EQ(lastPageText, "first ends=1");
    Query("second, no marker");
    EXPECT_EQ(lastPageText, "second, no marker");
    Query("");
    EXPECT_EQ(lastPageText, "");
}

TEST_F(QueryTest, ClearEmptiesBothBoxesAndKeepsTheLastPageText) {
    Query("ends=1368346611");
    OnClearClicked();
    EXPECT_EQ(standIns.boxes[Control::编辑框1], "");
    EXPECT_EQ(standIns.boxes[Control::编辑框2], "");
    EXPECT_EQ(lastPageText, "ends=1368346611");
    OnClearClicked();  // on empty boxes: nothing changes
    EXPECT_EQ(standIns.boxes[Control::编辑框1], "");
    EXPECT_EQ(standIns.boxes[Control::编辑框2], "");
    Query("ends=60");  // and a query afterwards works as usual
    EXPECT_EQ(Result(), "1970年1月1日8时1分");
}

}  // namespace
}  // namespace norvique
