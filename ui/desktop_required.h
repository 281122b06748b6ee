#pragma once

#include <QString>

namespace zumora {

// Qt aborts, with a core file where cores are on, when it cannot open the desktop it was told to
// use, after advice that misleads ("Reinstalling the application may fix this problem"). From
// this call until desktop_opened(), Qt's messages are held back; should Qt give up on the
// desktop, the program prints one line that says how it looked for one and exits with status 1.
void hold_messages_until_desktop_opens();

// The desktop is open: Qt's messages go to standard error again, the held ones first.
void desktop_opened();

// The line printed when no desktop could be opened, from the environment that tells Qt where to
// look: QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY and XDG_SESSION_TYPE.
QString no_desktop_message(const QString& platform, const QString& x_display,
                           const QString& wayland_display, const QString& session_type);

} // namespace zumora
