#pragma once

#include "desktop_platform.h"

namespace zumora {

// Qt aborts, with a core file where cores are on, when it cannot start any platform it tried,
// after advice that misleads ("Reinstalling the application may fix this problem"). From this
// call until desktop_opened(), Qt's messages are held back. Should Qt give up, the program says
// why, platform by platform, in the order Qt tried them, and exits with status 1:
// - where every platform's plugin loaded but found no desktop to open, in one line that says
//   where it looked (DISPLAY, WAYLAND_DISPLAY);
// - else, where a plugin is missing or could not be loaded, after Qt's held lines, in a line that
//   names the plugin and the loader's reason (a missing library, say).
// A fatal message with a platform running is not the platform's: it goes out in Qt's words after
// the held lines, and Qt ends the program as it always does.
void hold_messages_until_desktop_opens(const DesktopEnvironment& environment);

// The desktop is open: Qt's messages go to standard error again, the held ones first.
void desktop_opened();

} // namespace zumora
