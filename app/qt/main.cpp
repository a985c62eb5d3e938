// norvique: the Linux program.
#include <QApplication>
#include <cstdlib>

#include "app/qt/main_window.h"
#include "app/qt/program.h"

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt ends a fatal error (no display to connect to, above all) with abort();
// the program's fatal errors end with their own exit code instead, after the
// message has been written.
void EndFatalErrors(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (qtHandler != nullptr) {
        qtHandler(type, context, message);
    }
    if (type == QtFatalMsg) {
        std::_Exit(norvique::kExitFatal);
    }
}

}  // namespace

int main() {
    qtHandler = qInstallMessageHandler(EndFatalErrors);
    // The command line is ignored, Qt's own options included: whatever the
    // user passes, the window is the same.
    int argc = 1;
    char name[] = "norvique";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    return norvique::ProgramMain(norvique::ShowMainWindow);
}
