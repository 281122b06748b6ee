#pragma once

class QWidget;

namespace zumora {

// Qt puts the program's name where a window's title is empty: in the X11 name properties of the
// window, and first in the title it sends a Wayland compositor. A window designed with an empty
// title must be shown and listed with an empty title, so its title is written empty again for
// the window manager or compositor. Call it whenever the window is about to be shown; where the
// title is not empty, or on a platform with no window manager (offscreen), it does nothing.
void keep_title_empty(QWidget& window);

} // namespace zumora
