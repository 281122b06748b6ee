#pragma once

class QWidget;

namespace zumora {

// On Wayland Qt sends the program's name as the title of a window whose title is empty. A
// window designed with an empty title must not be listed under the program's name, so its
// title is sent empty again once its shell surface exists. Call it whenever the window is
// about to be shown; elsewhere it does nothing.
void send_empty_title_on_wayland(QWidget& window);

} // namespace zumora
