// The two commands of the main window, the program's one lasting value, and
// the contracts that the commands need from the page fetch and the shell.
#pragma once

#include <string_view>

#include "core/controls.h"
#include "core/text.h"

namespace norvique {

// --- Contracts met elsewhere -------------------------------------------------

// Reads the page behind `url` with one GET request and returns its body.
// Synchronous, silent, never throws. Empty when no request could be made or no
// byte arrived; the bytes so far when the transfer broke off. Met by fetch/.
Bytes FetchPage(const Text& url);

// The box's current content as code page 936 bytes; empty for an empty box.
// Met by the shell.
Text ReadControlText(Control box);

// Replaces the box's whole content with a copy of `text`. Met by the shell.
void WriteControlText(Control box, const Text& text);

// The modal information box with caption kMessageCaption and one OK button;
// returns when the user has closed it. Met by the shell.
void ShowMessage(const Text& message);

// --- Defined here -------------------------------------------------------------

// "请检查网址是否正确": please check whether the address is correct.
inline constexpr std::string_view kCheckAddressMessage =
    "\xC7\xEB\xBC\xEC\xB2\xE9\xCD\xF8\xD6\xB7\xCA\xC7\xB7\xF1\xD5\xFD\xC8\xB7";
// "信息：": information, with a full-width colon.
inline constexpr std::string_view kMessageCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";

// The text of the page that the most recent query read; replaced by every
// query, found marker or not, and released when the program ends.
extern Text lastPageText;

// Click of 按钮1: reads the page named in 编辑框1 and writes its end time into
// 编辑框2, or shows the information box.
void OnQueryClicked();

// Click of 按钮2: empties both boxes.
void OnClearClicked();

}  // namespace norvique
