#include "app/qt/program.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "app/qt/cp936_text.h"
#include "app/qt/main_window.h"
#include "core/query.h"

namespace norvique {

namespace {

// "启动窗口载入失败": the start-up window failed to load.
constexpr std::string_view kStartupFailedMessage =
    "\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xD4\xD8\xC8\xEB\xCA\xA7\xB0\xDC";
// "错误": error.
constexpr std::string_view kErrorCaption = "\xB4\xED\xCE\xF3";

// The exit-handler slot: at most one routine, run at most once.
void (*exitHandler)() = nullptr;

void DestroyRemainingWindows() {
    delete TheMainWindow();
}

bool AnyWindowShown() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            return true;
        }
    }
    return false;
}

int EndOnFatalError(std::string_view message) {
    exitHandler = nullptr;
    QMessageBox box(QMessageBox::Critical, FromCodePage936(kErrorCaption), FromCodePage936(message),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    DestroyRemainingWindows();
    return kExitFatal;
}

}  // namespace

void OnProgramExit() {
    // Frees the storage too; the variable is not used any more.
    Text().swap(lastPageText);
}

int ProgramMain(bool (*showMainWindow)()) {
    exitHandler = OnProgramExit;
    if (!showMainWindow()) {
        return EndOnFatalError(kStartupFailedMessage);
    }
    // Qt ends its loop when the last window closes, but only while the loop
    // runs: the loop-started rule comes with it.
    int code = kExitNormal;
    if (AnyWindowShown()) {
        code = QApplication::exec();
    }
    DestroyRemainingWindows();
    if (auto* handler = std::exchange(exitHandler, nullptr)) {
        handler();
    }
    return code;
}

}  // namespace norvique
