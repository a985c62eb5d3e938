// norvique.exe as a user meets it: started as a process of its own, driven
// with real keys and clicks from this one, its exit code read at the end.
// The start-up cases use shell_probe, the same program life with window
// creation refused from outside and the exit handler counted.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "tests/app/win32/driver.h"

namespace norvique::test {
namespace {

constexpr wchar_t kMainClass[] = L"WTWindow";
constexpr wchar_t kMainCaption[] = L"Norvique";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kInformationCaption[] = L"信息：";
constexpr DWORD kExitFailure = static_cast<DWORD>(-1);

std::wstring NorviqueExe() {
    return WindowsPath(NORVIQUE_EXE);
}

// A started norvique.exe with its main window found and its controls named.
class Running {
  public:
    explicit Running(const std::wstring& arguments = L"") : program_(NorviqueExe(), arguments) {
        main_ = program_.WaitForWindow(kMainClass, kMainCaption);
        if (main_ != nullptr) {
            children_ = Children(main_);
        }
    }
    bool ready() const { return main_ != nullptr && children_.size() == kChildCount; }
    HWND main() const { return main_; }
    HWND child(Child which) const { return children_[which]; }
    HWND focus() const { return FocusIn(program_.threadId()); }
    bool WaitForFocus(Child which) const {
        return WaitUntil([&] { return focus() == child(which); });
    }
    HWND WaitForInformationBox() const {
        return program_.WaitForWindow(kDialogClass, kInformationCaption);
    }
    const Program& program() const { return program_; }
    // Up, with its controls found and the focus where it starts.
    bool readyWithFocusInFirstBox() const { return ready() && WaitForFocus(k编辑框1); }
    // Esc, then the exit code.
    std::optional<DWORD> CloseWithEscape() const {
        PressKeys({VK_ESCAPE});
        return program_.WaitForExit();
    }

  private:
    Program program_;
    HWND main_ = nullptr;
    std::vector<HWND> children_;
};

TEST(NorviqueProgram, OpensCentredAtItsFixedSizeWithItsClassCaptionAndStyle) {
    Running norvique;
    ASSERT_TRUE(norvique.ready());
    HWND main = norvique.main();
    RECT rect{};
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.right - rect.left, 451);
    EXPECT_EQ(rect.bottom - rect.top, 195);
    // Integer division, as the program does it, on this session's screen.
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 451) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 195) / 2);
    // Overlapped, caption, system menu, clip children; nothing that resizes,
    // minimises or maximises it.
    // The system adds clipping of siblings to every top-level window and the
    // window edge to every captioned one by itself.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
              0x02C80000u | WS_VISIBLE);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE)) & ~WS_EX_WINDOWEDGE, 0u);
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
    EXPECT_EQ(norvique.CloseWithEscape(), 0u);
}

TEST(NorviqueProgram, IconResourceHoldsSixteenThirtyTwoAndFortyEightPixels) {
    const std::wstring exe = NorviqueExe();
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceW(module, L"DEFAULT_ICON", RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(bytes, nullptr);
    // A group icon directory: three WORDs, then 14-byte entries whose first
    // byte is the width.
    const WORD count = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
    std::set<int> widths;
    for (WORD i = 0; i < count; ++i) {
        widths.insert(bytes[6 + 14 * i]);
    }
    EXPECT_EQ(widths, (std::set<int>{16, 32, 48}));
    FreeLibrary(module);
}

TEST(NorviqueProgram, TabAndShiftTabWalkTheFocusOrderAndWrap) {
    Running norvique;
    ASSERT_TRUE(norvique.readyWithFocusInFirstBox()) << "编辑框1 has the focus at start";
    struct Step {
        const char* keys;
        bool shift;
        Child expected;
    };
    const Step steps[] = {
        {"Tab", false, k按钮1},
        {"Tab", false, k编辑框2},
        {"Tab", false, k按钮2},
        {"Tab wraps", false, k编辑框1},
        {"Shift+Tab wraps", true, k按钮2},
        {"Shift+Tab", true, k编辑框2},
        {"Shift+Tab", true, k按钮1},
        {"Shift+Tab", true, k编辑框1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.keys);
        if (step.shift) {
            PressKeys({VK_SHIFT, VK_TAB});
        } else {
            PressKeys({VK_TAB});
        }
        EXPECT_TRUE(norvique.WaitForFocus(step.expected));
    }
    EXPECT_EQ(norvique.CloseWithEscape(), 0u);
}

TEST(NorviqueProgram, KeysOutsideTheTableDoNothing) {
    Running norvique;
    ASSERT_TRUE(norvique.readyWithFocusInFirstBox());
    struct Case {
        const char* name;
        std::initializer_list<WORD> keys;
    };
    const Case cases[] = {
        {"Ctrl+Tab", {VK_CONTROL, VK_TAB}},
        {"Shift+Esc", {VK_SHIFT, VK_ESCAPE}},
        {"Enter in the edit box", {VK_RETURN}},
        {"Ctrl+Esc", {VK_CONTROL, VK_ESCAPE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The key, then a plain Tab: had the key moved the focus, closed the
        // window or opened the information box, the Tab could not end on
        // 按钮1.
        PressKeys(c.keys);
        PressKeys({VK_TAB});
        EXPECT_TRUE(norvique.WaitForFocus(k按钮1));
        EXPECT_EQ(norvique.program().FindWindow(kDialogClass, kInformationCaption), nullptr);
        PressKeys({VK_SHIFT, VK_TAB});
        ASSERT_TRUE(norvique.WaitForFocus(k编辑框1));
    }
    EXPECT_EQ(norvique.CloseWithEscape(), 0u);
}

TEST(NorviqueProgram, FocusComesBackAfterAnotherWindowWasActive) {
    Running norvique;
    ASSERT_TRUE(norvique.readyWithFocusInFirstBox());
    PressKeys({VK_TAB});
    PressKeys({VK_TAB});
    ASSERT_TRUE(norvique.WaitForFocus(k编辑框2));

    HWND other =
        CreateWindowExW(0, L"EDIT", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                        100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }));
    SetForegroundWindow(norvique.main());
    EXPECT_TRUE(norvique.WaitForFocus(k编辑框2));
    DestroyWindow(other);

    EXPECT_EQ(norvique.CloseWithEscape(), 0u);
}

TEST(NorviqueProgram, SpaceOnTheQueryButtonShowsTheInformationBox) {
    Running norvique;
    ASSERT_TRUE(norvique.readyWithFocusInFirstBox());
    PressKeys({VK_TAB});
    ASSERT_TRUE(norvique.WaitForFocus(k按钮1));
    // The address box is empty: nothing can be read.
    PressKeys({VK_SPACE});
    HWND box = norvique.WaitForInformationBox();
    ASSERT_NE(box, nullptr);

    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.text, L"请检查网址是否正确");
    EXPECT_EQ(content.buttons.size(), 1u);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_FALSE(content.hasIcon);
    EXPECT_EQ(content.owner, nullptr);
    // Task-modal: the main window takes no input while the box is open.
    EXPECT_FALSE(IsWindowEnabled(norvique.main()));

    ASSERT_TRUE(CloseMessageBox(box));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(norvique.main()) != FALSE; }));
    EXPECT_EQ(TextOf(norvique.child(k编辑框2)), L"");
    EXPECT_TRUE(norvique.WaitForFocus(k按钮1));
    EXPECT_EQ(norvique.CloseWithEscape(), 0u);
}

TEST(NorviqueProgram, EveryWayOfClosingEndsTheProcessWithExitCodeZero) {
    enum class Way { kEscape, kEscapeInSecondBox, kAltF4, kCloseButton };
    struct Case {
        const char* name;
        Way way;
    };
    const Case cases[] = {
        {"Esc in 编辑框1", Way::kEscape},
        {"Esc in 编辑框2", Way::kEscapeInSecondBox},
        {"Alt+F4", Way::kAltF4},
        {"close button", Way::kCloseButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Running norvique;
        ASSERT_TRUE(norvique.readyWithFocusInFirstBox());
        switch (c.way) {
            case Way::kEscape:
                PressKeys({VK_ESCAPE});
                break;
            case Way::kEscapeInSecondBox:
                PressKeys({VK_TAB});
                PressKeys({VK_TAB});
                ASSERT_TRUE(norvique.WaitForFocus(k编辑框2));
                PressKeys({VK_ESCAPE});
                break;
            case Way::kAltF4:
                PressKeys({VK_MENU, VK_F4});
                break;
            case Way::kCloseButton:
                // What the close button sends.
                PostMessageW(norvique.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
        }
        EXPECT_EQ(norvique.program().WaitForExit(), 0u);
    }
}

TEST(NorviqueProgram, ArgumentsChangeNothingAndCopiesRunSideBySide) {
    Running first(L"--anything C:\\no\\such\\file /x");
    Running second;
    ASSERT_TRUE(first.ready());
    ASSERT_TRUE(second.ready());
    EXPECT_NE(first.main(), second.main());
    for (const Running* copy : {&first, &second}) {
        RECT rect{};
        GetWindowRect(copy->main(), &rect);
        EXPECT_EQ(rect.right - rect.left, 451);
        EXPECT_EQ(rect.bottom - rect.top, 195);
        EXPECT_EQ(TextOf(copy->child(k编辑框1)), L"");
    }
    for (const Running* copy : {&first, &second}) {
        PostMessageW(copy->main(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(copy->program().WaitForExit(), 0u);
    }
}

// --- Start-up and end, seen through shell_probe -----------------------------------

std::wstring TempReportPath(const wchar_t* name) {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    std::wstring path = std::wstring(directory) + L"norvique-" + name + L"-" +
                        std::to_wstring(GetCurrentProcessId()) + L".txt";
    DeleteFileW(path.c_str());
    return path;
}

std::string ReadReport(const std::wstring& path) {
    std::ifstream in{std::filesystem::path(path)};
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(NorviqueStartUp, WindowThatCannotBeCreatedEndsWithTheErrorBoxAndExitCodeMinusOne) {
    const std::wstring report = TempReportPath(L"refused");
    Program probe(WindowsPath(NORVIQUE_PROBE_EXE), L"refuse \"" + report + L"\"");
    ASSERT_TRUE(probe.started());
    HWND box = probe.WaitForWindow(kDialogClass, kMainCaption);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadMessageBox(box).text, L"启动窗口载入失败");
    EXPECT_EQ(probe.FindWindow(kMainClass, kMainCaption), nullptr);
    ASSERT_TRUE(CloseMessageBox(box));
    EXPECT_EQ(probe.WaitForExit(), kExitFailure);
    EXPECT_EQ(ReadReport(report), "") << "the exit handler must not run after a fatal error";
}

TEST(NorviqueStartUp, ClosingAfterSeveralQueriesRunsTheExitHandlerOnce) {
    const std::wstring report = TempReportPath(L"queries");
    Program probe(WindowsPath(NORVIQUE_PROBE_EXE), L"run \"" + report + L"\"");
    HWND main = probe.WaitForWindow(kMainClass, kMainCaption);
    ASSERT_NE(main, nullptr);
    const std::vector<HWND> children = Children(main);
    ASSERT_EQ(children.size(), static_cast<std::size_t>(kChildCount));
    for (int query = 0; query < 3; ++query) {
        SCOPED_TRACE(query);
        PostMessageW(children[k按钮1], BM_CLICK, 0, 0);
        HWND box = probe.WaitForWindow(kDialogClass, kInformationCaption);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(CloseMessageBox(box));
    }
    EXPECT_EQ(ReadReport(report), "") << "nothing runs the handler while the window lives";
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(probe.WaitForExit(), 0u);
    EXPECT_EQ(ReadReport(report).substr(0, 7), "runs=1 ");
    EXPECT_NE(ReadReport(report).find("after=0"), std::string::npos) << ReadReport(report);
}

}  // namespace
}  // namespace norvique::test
