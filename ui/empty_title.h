#pragma once

class QWidget;

namespace zumora {

// Qt puts the program's name in the title bar of a window whose title is empty. A window
// designed with an empty title must show an empty title bar, so on X11 the window's name
// properties are written empty again. Call it whenever the window is about to be mapped.
void show_empty_title_as_empty(QWidget& window);

} // namespace zumora
