// The Windows shell: the main window, its key handling, and the program's
// life from start-up to the end. The box accessors and the information box of
// core/query.h are met in main_window.cpp.
#pragma once

#include <windows.h>

#include <string_view>

namespace norvique::win32 {

// --- Main window (main_window.cpp) -------------------------------------------

// Creates the main window with its seven controls and shows it; the focus ends
// in 编辑框1. False when the window or a control could not be created; what
// was made so far is left for DestroyMainWindow.
bool ShowMainWindow();

// Whether the main window, the program's one window, still exists.
bool MainWindowExists();

// Makes the main window the active one again, if it still exists; after a
// modal box without owner the system would leave another window active.
void ReactivateMainWindow();

// Destroys the main window if it still exists.
void DestroyMainWindow();

// The main window's key handling, offered every message before it is
// dispatched. True when the message was consumed: Tab, Shift+Tab and Esc
// addressed to the main window or one of its controls.
bool HandleWindowKey(const MSG& message);

// --- Program life (program.cpp) ----------------------------------------------

using ExitHandler = void (*)();

// The one routine to run when the program ends; emptied once it has run and
// on a fatal error, so it runs at most once and never after a fatal error.
extern ExitHandler exitHandlerSlot;

// Set when ProgramMain reaches the message loop; only then does the end of
// the last window end the loop.
extern bool loopStarted;

// Registers OnProgramExit, shows the main window and runs the message loop
// until the quit request. Returns the quit request's code, which is 0; a
// window that cannot be created ends the process through FatalError instead.
int ProgramMain();

// The exit handler: releases lastPageText.
void OnProgramExit();

// ProgramMain followed by the end of the program: any window left destroyed,
// the exit handler run once. Returns the process exit code, the code of the
// quit request.
int RunProgram();

// One message of the loop: offered to HandleWindowKey, else translated and
// dispatched.
void HandleMessage(const MSG& message);

// Called when the main window is gone (WM_NCDESTROY): with no window of the
// program left and the loop running, posts the quit request with code 0.
void OnProgramWindowGone();

// Ends the process with exit code -1 after showing `message` (code page 936)
// in an error box; the exit handler does not run.
[[noreturn]] void FatalError(std::string_view message);

// "启动窗口载入失败": the start-up window failed to load.
inline constexpr std::string_view kWindowFailedMessage =
    "\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xD4\xD8\xC8\xEB\xCA\xA7\xB0\xDC";
// "内存不足": out of memory.
inline constexpr std::string_view kOutOfMemoryMessage = "\xC4\xDA\xB4\xE6\xB2\xBB\xD7\xE3";

}  // namespace norvique::win32
