// The program's life: start-up, the message loop and the end.
#pragma once

namespace norvique {

inline constexpr int kExitNormal = 0;
inline constexpr int kExitFatal = -1;

// The exit handler: releases lastPageText.
void OnProgramExit();

// Registers OnProgramExit, shows the main window through `showMainWindow`,
// runs the event loop until the window is gone and then ends the program's
// part: remaining windows destroyed, the exit handler run once. Returns the
// process exit code: kExitNormal, or kExitFatal after the start-up window
// failed, when an error box has said so and the exit handler did not run.
// Needs the QApplication to exist.
int ProgramMain(bool (*showMainWindow)());

}  // namespace norvique
