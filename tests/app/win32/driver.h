// Drives a program's windows from another process under Wine or Windows:
// starts it, finds its windows, sends real keyboard and mouse input, and
// reads focus, texts and message boxes back. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norvique::test {

// Places of the main window's controls among its children, which the system
// keeps in stacking order, top first.
enum Child : std::size_t {
    k透明标签3,
    k按钮2,
    k透明标签2,
    k透明标签1,
    k编辑框2,
    k按钮1,
    k编辑框1,
    kChildCount
};

// ASCII text (an address) as a window text.
inline std::wstring WidenAscii(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// Long enough for a loaded machine under Wine; a healthy wait ends far sooner.
inline constexpr DWORD kWaitMilliseconds = 30000;

// Polls `done` until it holds or `milliseconds` have passed, handling the
// calling thread's own messages meanwhile. True when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds = kWaitMilliseconds);

// A Unix path as Wine's drive Z: names it.
std::wstring WindowsPath(const std::string& unixPath);

// One started program, ended by force if a test leaves it running.
class Program {
  public:
    Program(const std::wstring& exe, const std::wstring& arguments = L"");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD id() const { return process_.dwProcessId; }
    // The thread that owns the windows: the program's first thread.
    DWORD threadId() const { return process_.dwThreadId; }

    // The top-level window of this process with the class and caption, once
    // it exists; nullptr if it does not appear in time.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption) const;
    // The window now, without waiting.
    HWND FindWindow(const wchar_t* className, const wchar_t* caption) const;
    // The exit code once the process has ended; none if it runs on.
    std::optional<DWORD> WaitForExit() const;

  private:
    PROCESS_INFORMATION process_{};
};

// The children of `parent`, top of the stacking order first.
std::vector<HWND> Children(HWND parent);

std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);

// The window with the keyboard focus in the given GUI thread.
HWND FocusIn(DWORD threadId);

// Presses the keys in order and lets them go in reverse: {VK_SHIFT, VK_TAB}
// is Shift+Tab. Goes to the foreground window, like a real keyboard.
void PressKeys(std::initializer_list<WORD> keys);
// Types the text as characters into the focused control.
void TypeText(const std::wstring& text);
// A left click in the middle of the window.
void ClickOn(HWND window);

// What a message box shows.
struct MessageBoxContent {
    std::wstring text;
    std::vector<std::wstring> buttons;
    bool hasIcon = false;
    HWND owner = nullptr;
};
MessageBoxContent ReadMessageBox(HWND box);
// Clicks the box's only button; true once the box is gone.
bool CloseMessageBox(HWND box);

}  // namespace norvique::test
