// norvique.exe's own life (RunProgram from the same shell library) with two
// things added from outside the shell, for the tests that need to see what
// the shipped program cannot show:
//   shell_probe refuse <report>  the system refuses to create the main window
//                                (a CBT hook of this thread), as when it runs
//                                out of resources;
//   shell_probe run <report>     nothing refused.
// In both, the exit handler that ProgramMain registered is wrapped so that
// each run of it is written to <report>: "runs=<n> before=<bytes> after=<bytes>"
// (lastPageText's size before and after it ran).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/win32/shell.h"
#include "core/query.h"

namespace {

const char* reportPath = nullptr;
bool refuseMainWindow = false;
int exitHandlerRuns = 0;

void CountedProgramExit() {
    ++exitHandlerRuns;
    const std::size_t before = norvique::lastPageText.size();
    norvique::win32::OnProgramExit();
    const std::size_t after = norvique::lastPageText.size();
    if (FILE* report = std::fopen(reportPath, "w")) {
        std::fprintf(report, "runs=%d before=%zu after=%zu", exitHandlerRuns, before, after);
        std::fclose(report);
    }
}

LRESULT CALLBACK WatchWindowCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t className[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
        if (std::wcscmp(className, L"WTWindow") == 0) {
            // ProgramMain has registered its exit handler by now.
            if (norvique::win32::exitHandlerSlot == &norvique::win32::OnProgramExit) {
                norvique::win32::exitHandlerSlot = &CountedProgramExit;
            }
            if (refuseMainWindow) {
                return 1;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: shell_probe refuse|run <report>\n");
        return 2;
    }
    refuseMainWindow = std::strcmp(argv[1], "refuse") == 0;
    reportPath = argv[2];
    HHOOK hook = SetWindowsHookExW(WH_CBT, &WatchWindowCreation, nullptr, GetCurrentThreadId());
    const int code = norvique::win32::RunProgram();
    UnhookWindowsHookEx(hook);
    return code;
}
