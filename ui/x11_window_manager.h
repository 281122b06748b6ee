#pragma once

#include <QMargins>
#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace zumora {

// What the program asks of an X11 window manager directly, where Qt offers no way. Elsewhere
// (Wayland, the offscreen platform) these do nothing.

// Qt puts the program's name in the title bar of a window whose title is empty. A window
// designed with an empty title must show an empty title bar, so its name properties are written
// empty again. Call it whenever the window is about to be mapped.
void show_empty_title_as_empty(QWidget& window);

// The frame the window manager will put around `window` once it is mapped, asked before the
// first map so that the window can be placed by its outer size from the start. None when the
// window manager cannot tell (or does not answer at once).
std::optional<QMargins> frame_before_map(QWidget& window);

// Calls `on_frame`, from the event loop, each time the window manager sets or changes the frame
// it puts around `window`, until `context` is destroyed. Some window managers tell the frame
// only after the map, and some only well after it.
void watch_frame_extents(QWidget& window, QObject& context, std::function<void(QMargins)> on_frame);

} // namespace zumora
