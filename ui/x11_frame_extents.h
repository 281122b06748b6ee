#pragma once

#include <QMargins>
#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace zumora {

// The frame an X11 window manager puts around a window, which Qt learns only after the map, if
// at all. Elsewhere (Wayland, the offscreen platform) these tell nothing.

// The frame the window manager will put around `window` once it is mapped, asked before the
// first map so that the window can be placed by its outer size from the start. Waits for the
// answer, for at most 30 ms; none when the window manager cannot tell or has not answered.
std::optional<QMargins> frame_before_map(QWidget& window);

// Calls `on_frame`, from the event loop, each time the window manager sets or changes the frame
// it puts around `window`, until `context` is destroyed. Some window managers tell the frame
// only after the map, and some only well after it.
void watch_frame_extents(QWidget& window, QObject& context, std::function<void(QMargins)> on_frame);

} // namespace zumora
