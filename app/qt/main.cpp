// norvique: the Linux program.
#include <QApplication>

#include "app/qt/main_window.h"
#include "app/qt/program.h"

int main() {
    // The command line is ignored, Qt's own options included: whatever the
    // user passes, the window is the same.
    int argc = 1;
    char name[] = "norvique";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    return norvique::ProgramMain(norvique::ShowMainWindow);
}
