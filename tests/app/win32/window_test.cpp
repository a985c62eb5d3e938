// The main window built in the test's own process by the shell's own code,
// then read back through the window system: the controls, their fonts and
// styles, the edit boxes' centred line, and the box accessors.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/win32/shell.h"
#include "core/query.h"
#include "tests/support/cp936.h"

namespace norvique {
namespace {

enum class Kind { kLabel, kButton, kEdit };

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kEditStyle = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kButtonStyle =
    kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;

// The window as the user sees it, written out independently of the layout
// table: kind, client-relative place and size, text, font, styles. Top of
// the stacking order first.
struct ControlCase {
    const char* name;
    Kind kind;
    RECT rect;  // left, top, right, bottom
    const wchar_t* text;
    const wchar_t* face;  // nullptr: the stock default GUI font
    int fontHeight;
    DWORD style;
    DWORD exStyle;
};
const ControlCase kControlCases[] = {
    {"透明标签3",
     Kind::kLabel,
     {11, 140, 475, 164},
     nullptr,
     L"宋体",
     -16,
     kChild,
     WS_EX_TRANSPARENT},
    {"按钮2", Kind::kButton, {376, 90, 432, 122}, L"清空", nullptr, 0, kButtonStyle, 0},
    {"透明标签2",
     Kind::kLabel,
     {8, 92, 112, 124},
     L"下架时间为：",
     L"黑体",
     -19,
     kChild,
     WS_EX_TRANSPARENT},
    {"透明标签1",
     Kind::kLabel,
     {8, 12, 112, 52},
     L"请输入网址：",
     L"黑体",
     -19,
     kChild,
     WS_EX_TRANSPARENT},
    {"编辑框2", Kind::kEdit, {120, 89, 368, 121}, L"", L"黑体", -19, kEditStyle, WS_EX_CLIENTEDGE},
    {"按钮1", Kind::kButton, {376, 19, 432, 51}, L"查询", nullptr, 0, kButtonStyle, 0},
    {"编辑框1", Kind::kEdit, {120, 20, 368, 52}, L"", L"宋体", -16, kEditStyle, WS_EX_CLIENTEDGE},
};

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(win32::ShowMainWindow());
        main_ = FindWindowW(L"WTWindow", L"Norvique");
        ASSERT_NE(main_, nullptr);
        for (HWND child = GetWindow(main_, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            children_.push_back(child);
        }
        ASSERT_EQ(children_.size(), std::size(kControlCases));
    }
    void TearDown() override {
        win32::DestroyMainWindow();
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    // By place in the stacking order, which is the order of kControlCases.
    HWND Child(const char* name) const {
        for (std::size_t i = 0; i < std::size(kControlCases); ++i) {
            if (std::string(kControlCases[i].name) == name) {
                return children_[i];
            }
        }
        return nullptr;
    }

    HWND main_ = nullptr;
    std::vector<HWND> children_;
};

TEST_F(MainWindowTest, ControlsStandInStackingOrderWithTheirPlaceTextFontAndStyle) {
    for (std::size_t i = 0; i < std::size(kControlCases); ++i) {
        const ControlCase& expected = kControlCases[i];
        SCOPED_TRACE(expected.name);
        HWND control = children_[i];

        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, expected.rect.left);
        EXPECT_EQ(rect.top, expected.rect.top);
        EXPECT_EQ(rect.right, expected.rect.right);
        EXPECT_EQ(rect.bottom, expected.rect.bottom);

        const std::wstring className = ClassOf(control);
        if (expected.kind == Kind::kEdit) {
            EXPECT_EQ(className, L"Edit");
            EXPECT_EQ(TextOf(control), L"");
        } else if (expected.kind == Kind::kButton) {
            EXPECT_EQ(className, L"Button");
            EXPECT_EQ(TextOf(control), expected.text);
        } else {
            // A class of the program's own: no background brush, so the
            // window's background shows through.
            EXPECT_NE(className, L"Edit");
            EXPECT_NE(className, L"Button");
            EXPECT_EQ(GetClassLongPtrW(control, GCL_STYLE), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
            EXPECT_EQ(GetClassLongPtrW(control, GCLP_HBRBACKGROUND), 0u);
            if (expected.text != nullptr) {
                EXPECT_EQ(TextOf(control), expected.text);
            } else {
                EXPECT_FALSE(TextOf(control).empty());
            }
        }
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE)), expected.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE)), expected.exStyle);

        HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        if (expected.face == nullptr) {
            EXPECT_EQ(font, GetStockObject(DEFAULT_GUI_FONT));
            continue;
        }
        LOGFONTW record{};
        ASSERT_EQ(GetObjectW(font, sizeof record, &record), static_cast<int>(sizeof record));
        EXPECT_STREQ(record.lfFaceName, expected.face);
        EXPECT_EQ(record.lfHeight, expected.fontHeight);
        EXPECT_EQ(record.lfWidth, 0);
        EXPECT_EQ(record.lfWeight, FW_NORMAL);
        EXPECT_FALSE(record.lfItalic || record.lfUnderline || record.lfStrikeOut);
        EXPECT_EQ(record.lfCharSet, DEFAULT_CHARSET);
        EXPECT_EQ(record.lfOutPrecision, OUT_DEFAULT_PRECIS);
        EXPECT_EQ(record.lfClipPrecision, CLIP_DEFAULT_PRECIS);
        EXPECT_EQ(record.lfQuality, PROOF_QUALITY);
        EXPECT_EQ(record.lfPitchAndFamily, DEFAULT_PITCH);
    }
}

TEST_F(MainWindowTest, WindowShowsTheProgramIconLargeAndSmall) {
    struct Case {
        const char* name;
        WPARAM which;
        int sizeMetric;
    };
    const Case cases[] = {{"large", ICON_BIG, SM_CXICON}, {"small", ICON_SMALL, SM_CXSMICON}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HICON icon = reinterpret_cast<HICON>(SendMessageW(main_, WM_GETICON, c.which, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(c.sizeMetric));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(MainWindowTest, WindowClassHasItsStylesAndNoBackgroundBrush) {
    EXPECT_EQ(GetClassLongPtrW(main_, GCL_STYLE), CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
    EXPECT_EQ(GetClassLongPtrW(main_, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(main_, WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(MainWindowTest, EditBoxLineIsOneLetterHighAndCentredWithTheOddPixelBelow) {
    for (const char* name : {"编辑框1", "编辑框2"}) {
        SCOPED_TRACE(name);
        HWND box = Child(name);
        // The line height measured here with the box's own font.
        HDC dc = GetDC(box);
        HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
        SIZE letter{};
        GetTextExtentPoint32W(dc, L"W", 1, &letter);
        SelectObject(dc, previous);
        ReleaseDC(box, dc);

        RECT window{};
        GetWindowRect(box, &window);
        RECT client{};
        GetClientRect(box, &client);
        MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const int edge = GetSystemMetrics(SM_CYEDGE);
        const int inside = (window.bottom - window.top) - 2 * edge;
        const int above = client.top - (window.top + edge);
        const int below = (window.bottom - edge) - client.bottom;
        EXPECT_EQ(client.bottom - client.top, letter.cy);
        EXPECT_EQ(above + below, inside - letter.cy);
        EXPECT_EQ(below - above, (inside - letter.cy) % 2);

        // The strips are frame: a click there is a click on the border.
        const int middleX = (client.left + client.right) / 2;
        const auto hitAt = [&](int y) {
            return SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(middleX, y));
        };
        if (above > 0) {
            EXPECT_EQ(hitAt(client.top - 1), HTBORDER);
        }
        EXPECT_EQ(hitAt(client.bottom), HTBORDER);
        EXPECT_EQ(hitAt((client.top + client.bottom) / 2), HTCLIENT);
    }
}

TEST_F(MainWindowTest, BoxAccessorsCarryCodePage936BytesWhateverTheSystemCodePage) {
    struct Case {
        const char* name;
        std::string written;  // code page 936
        std::wstring shown;   // what the box holds
    };
    const Case cases[] = {
        {"empty", "", L""},
        {"ascii", "abc", L"abc"},
        {"chinese", test::Gbk("中文测试"), L"中文测试"},
        {"mixed", test::Gbk("http://127.0.0.1/页面?a=1"), L"http://127.0.0.1/页面?a=1"},
    };
    for (Control box : {Control::编辑框1, Control::编辑框2}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            WriteControlText(box, c.written);
            HWND handle = Child(box == Control::编辑框1 ? "编辑框1" : "编辑框2");
            EXPECT_EQ(TextOf(handle), c.shown);
            EXPECT_EQ(ReadControlText(box), c.written);
        }
    }
    // What the user types arrives as code page 936 bytes too.
    SetWindowTextW(Child("编辑框1"), L"下架");
    EXPECT_EQ(ReadControlText(Control::编辑框1), test::Gbk("下架"));
}

TEST_F(MainWindowTest, ClearCommandEmptiesBothBoxes) {
    WriteControlText(Control::编辑框1, "abc");
    WriteControlText(Control::编辑框2, test::Gbk("中文"));
    SendMessageW(Child("按钮2"), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Child("编辑框1")), L"");
    EXPECT_EQ(TextOf(Child("编辑框2")), L"");
}

}  // namespace
}  // namespace norvique
