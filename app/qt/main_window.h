// The main window in Qt Widgets, built from the shared layout tables, and the
// application-level key handling that plays the window's keys.
#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "app/layout.h"
#include "core/controls.h"

class QEvent;
class QObject;

namespace norvique {

class MainWindow final : public QWidget {
  public:
    MainWindow();

    // The widget that stands for `control`; never null while the window lives.
    QWidget* ControlWidget(Control control) const;

    // Moves the focus `steps` places along the focus order, wrapping.
    void StepFocus(int steps);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<Control> FocusedControl() const;

    std::array<QWidget*, layout::kControls.size()> widgets_{};
};

// Creates the main window with its controls, centred on the primary screen,
// and shows it with the focus in 编辑框1. False when it could not be created.
bool ShowMainWindow();

// The window that ShowMainWindow made, until it is destroyed (closing it
// destroys it); null before and after.
MainWindow* TheMainWindow();

// The main window's key handling, given every event before its receiver:
// true when the event was consumed. Only key presses addressed to the main
// window or one of its controls count, and only the codes of the key table.
bool HandleWindowKey(QObject* receiver, QEvent* event);

}  // namespace norvique
