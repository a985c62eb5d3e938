// norvique.exe: a GUI-subsystem program that takes nothing from its start.
#include <windows.h>

#include "app/win32/shell.h"

// The command line and the show state are ignored on purpose: the window
// always opens the same way.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return norvique::win32::RunProgram();
}
