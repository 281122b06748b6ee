#pragma once

#include <QMargins>
#include <QPointF>
#include <QSizeF>

class QWidget;

namespace zumora {

// Left and top, in twips, that centre a window of the given outer size on a screen of the
// given size: (screen - window) / 2 in single precision. An odd difference keeps its half
// twip; a window larger than the screen gets a negative position.
QPointF centred_position(QSizeF screen_twips, QSizeF window_twips);

// The frame a window manager puts around `window`: zero until the window has been mapped.
QMargins frame_margins(const QWidget& window);

// Moves `window`, keeping its size, so that its outer rectangle is centred on the whole
// screen. Before a window is first mapped its frame is not known to Qt: the window manager is
// asked for it, and where it cannot tell, `frame_estimate` stands in (the frame of another
// window of the program). The window is centred once more by its real frame as soon as that is
// known, which moves it only if the frame was guessed wrong.
void center_on_screen(QWidget& window, QMargins frame_estimate = {});

} // namespace zumora
