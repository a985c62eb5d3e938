// The main window of the Windows shell, built from the shared layout tables,
// and the accessors through which the commands reach its boxes.
#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

#include "app/layout.h"
#include "app/win32/shell.h"
#include "app/win32/wide_text.h"
#include "core/query.h"

namespace norvique::win32 {

namespace {

constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr UINT kMainClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
constexpr UINT kLabelClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS;
constexpr DWORD kEditStyle = kChildStyle | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kButtonStyle =
    kChildStyle | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr DWORD kLabelStyle = kChildStyle;
constexpr UINT kLabelTextFormat = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
constexpr COLORREF kEditTextColour = RGB(0, 0, 0);
constexpr COLORREF kEditBackColour = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kLabelTextColour = RGB(0, 0, 0);
// Control identifiers only need to be distinct and non-zero.
constexpr int kFirstControlId = 100;
constexpr wchar_t kLabelClassName[] = L"NorviqueTransparentLabel";

// "吴": the tall character that a single-line box must have room for.
constexpr std::string_view kTallCharacter = "\xCE\xE2";
// The letter whose height is the height of the centred text line.
constexpr wchar_t kLineLetter[] = L"W";

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

// A device context from GetDC or GetWindowDC, released on scope exit.
class WindowDc {
  public:
    WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint as one scope.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window) { BeginPaint(window_, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return paint_.hdc; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// An object selected into a DC, the previous one put back on scope exit.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

constexpr std::size_t kControlCount = layout::kControls.size();

// The one main window. The box accessors of the commands take only a control
// name, so the window is reachable from here rather than from a handle.
struct MainWindow {
    HWND window = nullptr;
    std::array<HWND, kControlCount> controls{};
    // Outlive the controls: released only once the window is gone.
    std::array<UniqueFont, kControlCount> fonts;
    HFONT windowFont = nullptr;
    HWND focusBeforeDeactivation = nullptr;
};
std::optional<MainWindow> mainWindow;

// The edit class's own procedure, which the boxes' centring hands on to.
WNDPROC editProcedure = nullptr;

std::size_t IndexOf(Control control) {
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (layout::kControls[i].control == control) {
            return i;
        }
    }
    return 0;
}

HWND HandleOf(Control control) {
    if (!mainWindow) {
        return nullptr;
    }
    return mainWindow->controls[IndexOf(control)];
}

std::optional<Control> ControlOf(HWND window) {
    if (!mainWindow || window == nullptr) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (mainWindow->controls[i] == window) {
            return layout::kControls[i].control;
        }
    }
    return std::nullopt;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

HFONT DefaultGuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

UniqueFont CreateRecordFont(const layout::FontRecord& record) {
    // Character set, precisions, quality and pitch are fixed here, whatever a
    // record could say; only height and face come from the record.
    LOGFONTW font{};
    font.lfHeight = record.height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = ToWide(record.faceName);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return UniqueFont(CreateFontIndirectW(&font));
}

HFONT FontOf(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

int TextHeight(HWND window, std::wstring_view text) {
    WindowDc dc(window, GetDC(window));
    SelectedObject font(dc.get(), FontOf(window));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
    return size.cy;
}

HBRUSH BoxBrush(HWND box, HDC dc) {
    return reinterpret_cast<HBRUSH>(SendMessageW(GetParent(box), WM_CTLCOLOREDIT,
                                                 reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(box)));
}

// --- Edit boxes: one text line centred vertically ------------------------------

bool IsSingleLine(HWND box) {
    return (GetWindowLongPtrW(box, GWL_STYLE) & ES_MULTILINE) == 0;
}

LRESULT OnBoxNcCalcSize(HWND box, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(editProcedure, box, WM_NCCALCSIZE, wParam, lParam);
    if (IsSingleLine(box)) {
        // Both forms of the message start with the proposed client rectangle.
        RECT& client = *reinterpret_cast<RECT*>(lParam);
        const int lineHeight = TextHeight(box, kLineLetter);
        // Integer division toward zero: an odd pixel goes to the strip below.
        client.top += (client.bottom - client.top - lineHeight) / 2;
        client.bottom = client.top + lineHeight;
    }
    return result;
}

// The client rectangle in the coordinates of the whole window.
RECT ClientInWindow(HWND box) {
    RECT window{};
    GetWindowRect(box, &window);
    RECT client{};
    GetClientRect(box, &client);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    return client;
}

LRESULT OnBoxNcPaint(HWND box, WPARAM wParam, LPARAM lParam) {
    {
        // The strips above and below the line belong to the frame; they are
        // filled first so that the system's edge is drawn over them.
        WindowDc dc(box, GetWindowDC(box));
        RECT window{};
        GetWindowRect(box, &window);
        OffsetRect(&window, -window.left, -window.top);
        const RECT client = ClientInWindow(box);
        ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
        FillRect(dc.get(), &window, BoxBrush(box, dc.get()));
    }
    return CallWindowProcW(editProcedure, box, WM_NCPAINT, wParam, lParam);
}

LRESULT OnBoxNcHitTest(HWND box, WPARAM wParam, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT window{};
    GetWindowRect(box, &window);
    RECT client{};
    GetClientRect(box, &client);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (PtInRect(&window, point) && !PtInRect(&client, point)) {
        return HTBORDER;
    }
    return CallWindowProcW(editProcedure, box, WM_NCHITTEST, wParam, lParam);
}

LRESULT OnBoxEraseBackground(HWND box, WPARAM wParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client{};
    GetClientRect(box, &client);
    FillRect(dc, &client, BoxBrush(box, dc));
    return 1;
}

LRESULT OnBoxSetFont(HWND box, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(editProcedure, box, WM_SETFONT, wParam, lParam);
    // The line height depends on the font: have the frame computed again.
    SetWindowPos(box, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return result;
}

LRESULT CALLBACK BoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCALCSIZE:
            return OnBoxNcCalcSize(box, wParam, lParam);
        case WM_NCPAINT:
            return OnBoxNcPaint(box, wParam, lParam);
        case WM_NCHITTEST:
            return OnBoxNcHitTest(box, wParam, lParam);
        case WM_ERASEBKGND:
            return OnBoxEraseBackground(box, wParam);
        case WM_SETFONT:
            return OnBoxSetFont(box, wParam, lParam);
        default:
            return CallWindowProcW(editProcedure, box, message, wParam, lParam);
    }
}

// --- Transparent labels --------------------------------------------------------

void OnLabelPaint(HWND label) {
    PaintScope paint(label);
    const std::wstring text = WindowText(label);
    if (text.empty()) {
        return;
    }
    SelectedObject font(paint.dc(), FontOf(label));
    SetBkMode(paint.dc(), TRANSPARENT);
    SetTextColor(paint.dc(), kLabelTextColour);
    RECT client{};
    GetClientRect(label, &client);
    DrawTextW(paint.dc(), text.c_str(), static_cast<int>(text.size()), &client, kLabelTextFormat);
}

LRESULT CALLBACK LabelProcedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            OnLabelPaint(label);
            return 0;
        // No background of its own: the window's shows through.
        case WM_ERASEBKGND:
            return 1;
        case WM_SETFONT:
            SetWindowLongPtrW(label, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrW(label, GWLP_USERDATA);
        default:
            return DefWindowProcW(label, message, wParam, lParam);
    }
}

// --- The main window -----------------------------------------------------------

void OnMainPaint(HWND window) {
    PaintScope paint(window);
    // Read at every repaint, so a change of the system colours shows at once.
    const UniqueBrush background(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    RECT client{};
    GetClientRect(window, &client);
    FillRect(paint.dc(), &client, background.get());
}

LRESULT OnMainCtlColorEdit(WPARAM wParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, kEditTextColour);
    SetBkColor(dc, kEditBackColour);
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

void RunCommand(void (*command)()) {
    // A command runs inside the window procedure, where no exception may
    // travel on into the system's frames.
    try {
        command();
    } catch (const std::bad_alloc&) {
        FatalError(kOutOfMemoryMessage);
    }
}

void OnMainCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    const std::optional<Control> source = ControlOf(reinterpret_cast<HWND>(lParam));
    if (source == Control::按钮1) {
        RunCommand(&OnQueryClicked);
    } else if (source == Control::按钮2) {
        RunCommand(&OnClearClicked);
    }
}

void OnMainActivate(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE && mainWindow) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) {
            mainWindow->focusBeforeDeactivation = focus;
        }
    }
}

void OnMainSetFocus(HWND window) {
    if (!mainWindow) {
        return;
    }
    HWND target = mainWindow->focusBeforeDeactivation;
    if (target == nullptr || !IsWindow(target) || !IsChild(window, target)) {
        target = HandleOf(layout::kFocusOrder.front());
    }
    if (target != nullptr) {
        SetFocus(target);
    }
}

void OnMainNcDestroy() {
    // The controls are gone by now, so their fonts can go too.
    mainWindow.reset();
    OnProgramWindowGone();
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            OnMainPaint(window);
            return 0;
        case WM_CTLCOLOREDIT:
            return OnMainCtlColorEdit(wParam);
        case WM_COMMAND:
            OnMainCommand(wParam, lParam);
            return 0;
        case WM_ACTIVATE:
            OnMainActivate(window, wParam);
            break;
        case WM_SETFOCUS:
            OnMainSetFocus(window);
            return 0;
        case WM_SETFONT:
            if (mainWindow) {
                mainWindow->windowFont = reinterpret_cast<HFONT>(wParam);
            }
            return 0;
        case WM_GETFONT:
            return mainWindow ? reinterpret_cast<LRESULT>(mainWindow->windowFont) : 0;
        case WM_NCDESTROY:
            OnMainNcDestroy();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterWindowClass(const std::wstring& name, UINT style, WNDPROC procedure, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(ProgramInstance(), name.c_str(), &existing)) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No class brush: the window paints its own background.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = name.c_str();
    return RegisterClassExW(&windowClass) != 0;
}

HICON LoadProgramIcon(int sizeMetricX, int sizeMetricY) {
    // Shared: the system owns the loaded icon and frees it with the module.
    const std::wstring name = ToWide(layout::kIconName);
    return static_cast<HICON>(LoadImageW(ProgramInstance(), name.c_str(), IMAGE_ICON,
                                         GetSystemMetrics(sizeMetricX),
                                         GetSystemMetrics(sizeMetricY), LR_SHARED));
}

void SetFont(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// A single-line box lower than its font's tall character plus its edges is
// made that tall; the layout's boxes are tall enough already.
void EnsureBoxHeight(HWND box) {
    const int needed = TextHeight(box, ToWide(kTallCharacter)) + 2 * GetSystemMetrics(SM_CYEDGE);
    RECT rect{};
    GetWindowRect(box, &rect);
    if (rect.bottom - rect.top < needed) {
        SetWindowPos(box, nullptr, 0, 0, rect.right - rect.left, needed,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND CreateControl(std::size_t index) {
    const layout::ControlLayout& entry = layout::kControls[index];
    const std::wstring text = ToWide(entry.text);
    DWORD exStyle = 0;
    DWORD style = 0;
    const wchar_t* className = nullptr;
    switch (entry.kind) {
        case layout::ControlKind::kEditBox:
            exStyle = WS_EX_CLIENTEDGE;
            style = kEditStyle;
            className = L"EDIT";
            break;
        case layout::ControlKind::kPushButton:
            style = kButtonStyle;
            className = L"BUTTON";
            break;
        case layout::ControlKind::kTransparentLabel:
            exStyle = WS_EX_TRANSPARENT;
            style = kLabelStyle;
            className = kLabelClassName;
            break;
    }
    const auto id = static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index));
    HWND control = CreateWindowExW(exStyle, className, text.c_str(), style, entry.left, entry.top,
                                   entry.width, entry.height, mainWindow->window,
                                   reinterpret_cast<HMENU>(id), ProgramInstance(), nullptr);
    if (control == nullptr) {
        return nullptr;
    }
    if (entry.font) {
        mainWindow->fonts[index] = CreateRecordFont(*entry.font);
    }
    HFONT font = entry.font ? mainWindow->fonts[index].get() : DefaultGuiFont();
    if (entry.kind == layout::ControlKind::kEditBox) {
        editProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxProcedure)));
        SetFont(control, font);
        EnsureBoxHeight(control);
        // 0 leaves the system's maximum rather than a limit of our own.
        SendMessageW(control, EM_LIMITTEXT, 0, 0);
        SendMessageW(control, EM_SETSEL, 0, 0);
        SendMessageW(control, EM_SCROLLCARET, 0, 0);
    } else {
        SetFont(control, font);
    }
    return control;
}

}  // namespace

bool ShowMainWindow() {
    const HICON largeIcon = LoadProgramIcon(SM_CXICON, SM_CYICON);
    const HICON smallIcon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
    const std::wstring className = ToWide(layout::kWindowClassName);
    if (!RegisterWindowClass(className, kMainClassStyle, &MainWindowProcedure, largeIcon) ||
        !RegisterWindowClass(kLabelClassName, kLabelClassStyle, &LabelProcedure, nullptr)) {
        return false;
    }
    // Signed integer division truncating toward zero, also on a screen
    // smaller than the window.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - layout::kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - layout::kWindowHeight) / 2;

    mainWindow.emplace();
    const std::wstring caption = ToWide(layout::kCaption);
    HWND window = CreateWindowExW(0, className.c_str(), caption.c_str(), kMainWindowStyle, x, y,
                                  layout::kWindowWidth, layout::kWindowHeight, nullptr, nullptr,
                                  ProgramInstance(), nullptr);
    if (window == nullptr || !mainWindow) {
        mainWindow.reset();
        return false;
    }
    mainWindow->window = window;
    RECT outer{};
    GetWindowRect(window, &outer);
    if (outer.right - outer.left != layout::kWindowWidth ||
        outer.bottom - outer.top != layout::kWindowHeight) {
        SetWindowPos(window, nullptr, x, y, layout::kWindowWidth, layout::kWindowHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    SetFont(window, DefaultGuiFont());

    for (std::size_t i = 0; i < kControlCount; ++i) {
        mainWindow->controls[i] = CreateControl(i);
        if (mainWindow->controls[i] == nullptr) {
            return false;
        }
    }
    // The table is in stacking order, top first.
    HWND above = HWND_TOP;
    for (HWND control : mainWindow->controls) {
        SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = control;
    }
    for (HWND control : mainWindow->controls) {
        ShowWindow(control, SW_SHOWNA);
    }
    // Activation gives the window the focus, which it passes on to 编辑框1.
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return true;
}

// The box has no owner, and a task-modal box enables the thread's windows
// only after it is gone: when it closes, the system finds our window still
// disabled and activates some other one, and the user's keys go nowhere.
// Hand the activation back, so that the focus returns where it was.
void ReactivateMainWindow() {
    if (!MainWindowExists()) {
        return;
    }
    if (GetForegroundWindow() != mainWindow->window) {
        SetForegroundWindow(mainWindow->window);
    }
}

bool MainWindowExists() {
    return mainWindow.has_value() && mainWindow->window != nullptr;
}

void DestroyMainWindow() {
    if (MainWindowExists()) {
        DestroyWindow(mainWindow->window);
    }
    mainWindow.reset();
}

bool HandleWindowKey(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) {
        return false;
    }
    if (!MainWindowExists()) {
        return false;
    }
    HWND window = mainWindow->window;
    if (message.hwnd != window && !IsChild(window, message.hwnd)) {
        return false;
    }
    const int virtualKey = static_cast<int>(message.wParam);
    int keyCode = virtualKey;
    // A modifier key adds no flag for itself.
    const auto addFlag = [&](int modifier, int left, int right, int flag) {
        const bool isThisKey = virtualKey == modifier || virtualKey == left || virtualKey == right;
        if (!isThisKey && GetKeyState(modifier) < 0) {
            keyCode += flag;
        }
    };
    addFlag(VK_CONTROL, VK_LCONTROL, VK_RCONTROL, layout::kCtrlFlag);
    addFlag(VK_SHIFT, VK_LSHIFT, VK_RSHIFT, layout::kShiftFlag);
    addFlag(VK_MENU, VK_LMENU, VK_RMENU, layout::kAltFlag);

    const std::optional<layout::KeyAction> action = layout::FindKeyAction(keyCode);
    if (!action) {
        return false;
    }
    if (*action == layout::KeyAction::kClose) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return true;
    }
    const auto isAvailable = [](Control control) {
        HWND handle = HandleOf(control);
        return handle != nullptr && IsWindowVisible(handle) && IsWindowEnabled(handle);
    };
    const Control current = ControlOf(GetFocus()).value_or(layout::kFocusOrder.front());
    const int steps = *action == layout::KeyAction::kFocusNext ? 1 : -1;
    SetFocus(HandleOf(layout::StepFocus(current, steps, isAvailable)));
    return true;
}

}  // namespace norvique::win32

namespace norvique {

Text ReadControlText(Control box) {
    return win32::FromWide(win32::WindowText(win32::HandleOf(box)));
}

void WriteControlText(Control box, const Text& text) {
    SetWindowTextW(win32::HandleOf(box), win32::ToWide(text).c_str());
}

void ShowMessage(const Text& message) {
    const std::wstring caption = win32::ToWide(kMessageCaption);
    MessageBoxW(nullptr, win32::ToWide(message).c_str(), caption.c_str(), MB_OK | MB_TASKMODAL);
    win32::ReactivateMainWindow();
}

}  // namespace norvique
