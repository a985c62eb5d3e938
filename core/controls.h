// The controls of the main window, by the names of the window layout. These
// names are the only way the program's own code refers to a control.
#pragma once

namespace norvique {

// In the order in which the layout stores them, which is also their stacking
// order, top first.
enum class Control {
    透明标签3,
    按钮2,
    透明标签2,
    透明标签1,
    编辑框2,
    按钮1,
    编辑框1,
};

}  // namespace norvique
