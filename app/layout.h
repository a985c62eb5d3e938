// The main window as data: its size, caption, the seven controls and their
// fonts, the focus order and the key-code table. Both shells build their window
// from these tables, so every number of the layout stands here once.
// Texts are code page 936 bytes, like every text of the program.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/controls.h"

namespace norvique::layout {

inline constexpr std::string_view kCaption = "Norvique";
inline constexpr std::string_view kWindowClassName = "WTWindow";
inline constexpr std::string_view kIconName = "DEFAULT_ICON";

// Outer size on Windows, frame and caption bar included.
inline constexpr int kWindowWidth = 451;
inline constexpr int kWindowHeight = 195;
// What that outer size leaves inside on Windows 10 and 11 at 100 %; a toolkit
// that sizes the client area directly uses this.
inline constexpr int kClientWidth = 445;
inline constexpr int kClientHeight = 166;

enum class ControlKind { kTransparentLabel, kPushButton, kEditBox };

// A stored font record: a negative height is the character height in pixels,
// internal leading excluded; weight 400, upright, plain.
struct FontRecord {
    int height;
    std::string_view faceName;
};

// "宋体" (SimSun) and "黑体" (SimHei).
inline constexpr FontRecord kSongTi16{-16, "\xCB\xCE\xCC\xE5"};
inline constexpr FontRecord kHeiTi19{-19, "\xBA\xDA\xCC\xE5"};

struct ControlLayout {
    Control control;
    ControlKind kind;
    int left;
    int top;
    int width;
    int height;
    std::string_view text;
    // None: the stock default GUI font.
    std::optional<FontRecord> font;
};

// "欢迎来信提出意见与建议": feedback and suggestions are welcome.
inline constexpr std::string_view kCreditText =
    "\xBB\xB6\xD3\xAD\xC0\xB4\xD0\xC5\xCC\xE1\xB3\xF6\xD2\xE2\xBC\xFB\xD3\xEB\xBD\xA8\xD2\xE9";
// "清空": clear.
inline constexpr std::string_view kClearText = "\xC7\xE5\xBF\xD5";
// "下架时间为：": the end time is.
inline constexpr std::string_view kEndTimeLabelText =
    "\xCF\xC2\xBC\xDC\xCA\xB1\xBC\xE4\xCE\xAA\xA3\xBA";
// "请输入网址：": please enter the address.
inline constexpr std::string_view kAddressLabelText =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xCD\xF8\xD6\xB7\xA3\xBA";
// "查询": query.
inline constexpr std::string_view kQueryText = "\xB2\xE9\xD1\xAF";

// In stacking order, top first, which is also the order of creation. The
// credit label reaches past the client area's right edge and is clipped.
inline constexpr std::array<ControlLayout, 7> kControls{{
    {Control::透明标签3, ControlKind::kTransparentLabel, 11, 140, 464, 24, kCreditText, kSongTi16},
    {Control::按钮2, ControlKind::kPushButton, 376, 90, 56, 32, kClearText, std::nullopt},
    {Control::透明标签2, ControlKind::kTransparentLabel, 8, 92, 104, 32, kEndTimeLabelText,
     kHeiTi19},
    {Control::透明标签1, ControlKind::kTransparentLabel, 8, 12, 104, 40, kAddressLabelText,
     kHeiTi19},
    {Control::编辑框2, ControlKind::kEditBox, 120, 89, 248, 32, {}, kHeiTi19},
    {Control::按钮1, ControlKind::kPushButton, 376, 19, 56, 32, kQueryText, std::nullopt},
    {Control::编辑框1, ControlKind::kEditBox, 120, 20, 248, 32, {}, kSongTi16},
}};

// The controls that Tab visits, in order; the labels are not among them.
inline constexpr std::array<Control, 4> kFocusOrder{Control::编辑框1, Control::按钮1,
                                                    Control::编辑框2, Control::按钮2};

// Key codes as the window forms them: the virtual key plus these flags for
// the modifiers held down (a modifier key adds no flag of its own).
inline constexpr int kCtrlFlag = 0x2000;
inline constexpr int kShiftFlag = 0x4000;
inline constexpr int kAltFlag = 0x8000;

inline constexpr int kVirtualKeyTab = 0x09;
inline constexpr int kVirtualKeyEscape = 0x1B;

enum class KeyAction { kFocusNext, kFocusPrevious, kClose };

struct KeyBinding {
    int keyCode;
    KeyAction action;
};

// Only these exact codes are consumed; Enter, Ctrl+Tab, Shift+Esc and every
// other code pass on to the focused control.
inline constexpr std::array<KeyBinding, 3> kKeyBindings{{
    {kVirtualKeyTab, KeyAction::kFocusNext},
    {kShiftFlag | kVirtualKeyTab, KeyAction::kFocusPrevious},
    {kVirtualKeyEscape, KeyAction::kClose},
}};

constexpr std::optional<KeyAction> FindKeyAction(int keyCode) {
    for (const KeyBinding& binding : kKeyBindings) {
        if (binding.keyCode == keyCode) {
            return binding.action;
        }
    }
    return std::nullopt;
}

constexpr const ControlLayout& FindControl(Control control) {
    for (const ControlLayout& entry : kControls) {
        if (entry.control == control) {
            return entry;
        }
    }
    return kControls[0];  // unreachable: every control has a row
}

// The control `steps` places from `current` in the focus order, wrapping at
// both ends; `isAvailable` says whether a control is visible and enabled.
// Returns `current` when no other control is available.
template <typename Available>
constexpr Control StepFocus(Control current, int steps, Available isAvailable) {
    constexpr int count = static_cast<int>(kFocusOrder.size());
    int index = 0;
    for (int i = 0; i < count; ++i) {
        if (kFocusOrder[static_cast<std::size_t>(i)] == current) {
            index = i;
        }
    }
    for (int tried = 0; tried < count; ++tried) {
        index = ((index + steps) % count + count) % count;
        Control candidate = kFocusOrder[static_cast<std::size_t>(index)];
        if (isAvailable(candidate)) {
            return candidate;
        }
    }
    return current;
}

}  // namespace norvique::layout
