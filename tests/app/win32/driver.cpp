#include "tests/app/win32/driver.h"

#include <algorithm>

namespace norvique::test {

bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (true) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) {
            return true;
        }
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(20);
    }
}

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return path;
}

Program::Program(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
        process_ = {};
    }
}

Program::~Program() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kWaitMilliseconds);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND Program::FindWindow(const wchar_t* className, const wchar_t* caption) const {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        const wchar_t* caption;
        HWND found;
    } search{process_.dwProcessId, className, caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Search& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && IsWindowVisible(window) && ClassOf(window) == s.className &&
                TextOf(window) == s.caption) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::WaitForWindow(const wchar_t* className, const wchar_t* caption) const {
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindWindow(className, caption);
        return found != nullptr;
    });
    return found;
}

std::optional<DWORD> Program::WaitForExit() const {
    if (process_.hProcess == nullptr) {
        return std::nullopt;
    }
    bool ended =
        WaitUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; });
    DWORD code = 0;
    if (!ended || !GetExitCodeProcess(process_.hProcess, &code)) {
        return std::nullopt;
    }
    return code;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT rather than GetWindowText, which does not ask a window of
    // another process for its text.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kWaitMilliseconds, &length);
    return std::wstring(text, std::min<DWORD_PTR>(length, std::size(text)));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

HWND FocusIn(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

namespace {

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void Send(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        inputs.push_back(KeyInput(key, false));
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        inputs.push_back(KeyInput(*key, true));
    }
    Send(inputs);
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    Send(inputs);
}

void ClickOn(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    // The move travels in the same batch as the button presses: a separate
    // SetCursorPos may not have reached the input queue when they do.
    const auto normalised = [](LONG pixel, int metric) {
        return static_cast<LONG>(pixel * 65535 / (GetSystemMetrics(metric) - 1));
    };
    std::vector<INPUT> inputs(3);
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
    }
    inputs[0].mi.dx = normalised((rect.left + rect.right) / 2, SM_CXSCREEN);
    inputs[0].mi.dy = normalised((rect.top + rect.bottom) / 2, SM_CYSCREEN);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send(inputs);
}

MessageBoxContent ReadMessageBox(HWND box) {
    MessageBoxContent content;
    content.owner = GetWindow(box, GW_OWNER);
    for (HWND child : Children(box)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        const std::wstring className = ClassOf(child);
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (className == L"Button") {
            content.buttons.push_back(TextOf(child));
        } else if (className == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            // The box keeps an icon control even when it shows no icon.
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kWaitMilliseconds,
                                &icon);
            content.hasIcon = content.hasIcon || icon != 0;
        } else if (className == L"Static") {
            content.text += TextOf(child);
        }
    }
    return content;
}

bool CloseMessageBox(HWND box) {
    for (HWND child : Children(box)) {
        if (IsWindowVisible(child) && ClassOf(child) == L"Button") {
            PostMessageW(child, BM_CLICK, 0, 0);
            break;
        }
    }
    return WaitUntil([&] { return !IsWindow(box); });
}

}  // namespace norvique::test
