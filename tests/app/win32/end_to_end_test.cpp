// The whole program: norvique.exe started as a process, a page address of the
// local test server typed into 编辑框1, a click on 按钮1, the end time read
// from 编辑框2; a page without the marker brings the information box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/win32/driver.h"
#include "tests/support/page_server.h"

namespace norvique::test {
namespace {

TEST(NorviqueEndToEnd, TypedAddressGivesTheEndTimeOrTheInformationBox) {
    const PageServer server = PageServer::FromEnvironment();
    Program norvique(WindowsPath(NORVIQUE_EXE));
    HWND main = norvique.WaitForWindow(L"WTWindow", L"Norvique");
    ASSERT_NE(main, nullptr);
    const std::vector<HWND> children = Children(main);
    ASSERT_EQ(children.size(), 7u);
    const auto box = [&](std::size_t which) { return children[which]; };
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(norvique.threadId()) == box(k编辑框1); }));

    // Types the address into 编辑框1 in place of what it held and clicks
    // 按钮1; with `clearFirst`, 按钮2 has emptied both boxes before. The
    // buttons get the click that a mouse or the Space key gives them; the
    // box gets the focus from a real mouse click, tried again should Wine
    // drop one.
    const auto query = [&](const std::string& address, bool clearFirst) {
        if (clearFirst) {
            PostMessageW(box(k按钮2), BM_CLICK, 0, 0);
            EXPECT_TRUE(WaitUntil(
                [&] { return TextOf(box(k编辑框1)).empty() && TextOf(box(k编辑框2)).empty(); }));
        }
        const auto focused = [&] { return FocusIn(norvique.threadId()) == box(k编辑框1); };
        for (int attempt = 0; attempt < 3 && !focused(); ++attempt) {
            ClickOn(box(k编辑框1));
            WaitUntil(focused, 5000);
        }
        ASSERT_TRUE(focused());
        PressKeys({VK_END});
        PressKeys({VK_SHIFT, VK_HOME});
        TypeText(WidenAscii(address));
        EXPECT_TRUE(WaitUntil([&] { return TextOf(box(k编辑框1)) == WidenAscii(address); }));
        PostMessageW(box(k按钮1), BM_CLICK, 0, 0);
    };

    struct Case {
        const char* path;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {"/ends/1368346611", L"2013年5月12日16时16分51秒"},
        {"/ends/1368288000", L"2013年5月12日"},
        {"/ends/1368345600", L"2013年5月12日16时"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string tag = UniqueTag("e2e");
        query(server.Http(std::string(c.path) + "?" + tag), true);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(box(k编辑框2)) == c.shown; }))
            << "编辑框2 shows " << testing::PrintToString(TextOf(box(k编辑框2)));
        EXPECT_EQ(server.RequestsWith(tag).size(), 1u) << "one request per click";
    }

    // No marker: the information box, and 编辑框2 keeps the last result.
    query(server.Http("/missing"), false);
    HWND information = norvique.WaitForWindow(L"#32770", L"信息：");
    ASSERT_NE(information, nullptr);
    EXPECT_EQ(ReadMessageBox(information).text, L"请检查网址是否正确");
    ASSERT_TRUE(CloseMessageBox(information));
    EXPECT_EQ(TextOf(box(k编辑框2)), L"2013年5月12日16时");

    PressKeys({VK_ESCAPE});
    EXPECT_EQ(norvique.WaitForExit(), 0u);
}

}  // namespace
}  // namespace norvique::test
