// The program's life: start-up, the message loop, the end, and the fatal end.
#include <windows.h>

#include <new>
#include <string>

#include "app/layout.h"
#include "app/win32/shell.h"
#include "app/win32/wide_text.h"
#include "core/query.h"

namespace norvique::win32 {

ExitHandler exitHandlerSlot = nullptr;
bool loopStarted = false;

void OnProgramExit() {
    // Released, not just emptied: the text's memory goes back now.
    Text().swap(lastPageText);
}

void HandleMessage(const MSG& message) {
    if (HandleWindowKey(message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int ProgramMain() {
    exitHandlerSlot = &OnProgramExit;
    if (!ShowMainWindow()) {
        FatalError(kWindowFailedMessage);
    }
    loopStarted = true;
    int quitCode = 0;
    if (MainWindowExists()) {
        MSG message{};
        // GetMessage gives -1 on an invalid call; that ends the loop too.
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            HandleMessage(message);
        }
        if (message.message == WM_QUIT) {
            quitCode = static_cast<int>(message.wParam);
        }
    }
    return quitCode;
}

void OnProgramWindowGone() {
    if (!MainWindowExists() && loopStarted) {
        PostQuitMessage(0);
    }
}

int RunProgram() {
    int exitCode = 0;
    try {
        exitCode = ProgramMain();
    } catch (const std::bad_alloc&) {
        FatalError(kOutOfMemoryMessage);
    }
    DestroyMainWindow();
    const ExitHandler handler = exitHandlerSlot;
    exitHandlerSlot = nullptr;
    if (handler != nullptr) {
        handler();
    }
    return exitCode;
}

void FatalError(std::string_view message) {
    // Emptied first, so that nothing on the way out can still run it.
    exitHandlerSlot = nullptr;
    DestroyMainWindow();
    const std::wstring text = ToWide(message);
    const std::wstring caption = ToWide(layout::kCaption);
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace norvique::win32
