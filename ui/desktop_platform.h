#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace zumora {

// What tells Qt which desktop to open: the user's own choice of platform, if any, and the
// displays the session offers.
struct DesktopEnvironment {
    QString platform;        // the user's choice: QT_QPA_PLATFORM, or Qt's -platform argument
    QString platform_origin; // where that choice was made: u"QT_QPA_PLATFORM" or u"-platform"
    QString x_display;       // DISPLAY
    QString wayland_display; // WAYLAND_DISPLAY
    QString session_type;    // XDG_SESSION_TYPE
};

// This process's environment and arguments. A -platform argument wins over QT_QPA_PLATFORM, as
// in Qt.
DesktopEnvironment current_desktop_environment(int argc, char** argv);

// The platforms the program asks Qt for, in Qt's form ("xcb;wayland": each tried in turn until
// one opens), or empty where Qt's own choice stands.
//
// A Wayland compositor places every window itself and forgets where a hidden window was; only
// through X11 can a window be centred by its frame and come back where the user left it. So
// where the user has chosen nothing and the session offers an X display next to Wayland (GNOME's
// and KDE's Wayland sessions run Xwayland), X11 comes first, and Wayland stays as the fallback
// when the X display cannot be opened.
QString preferred_platform(const DesktopEnvironment& environment);

// The platforms Qt tries, in order, once preferred_platform() is applied: the user's choice,
// else the program's, else Qt's own (Wayland first where the session says Wayland, then X11).
// Each is a plugin key without its options ("xcb", "wayland").
QStringList platforms_tried(const DesktopEnvironment& environment);

// The program's arguments as Qt is to read them: the preferred platform, where there is one, as
// a -platform argument ahead of the user's own, so that nothing is put into the environment that
// other programs could inherit. Lives as long as the application that reads it.
class PlatformArguments {
public:
    PlatformArguments(int argc, char** argv, const QString& platform);
    PlatformArguments(const PlatformArguments&) = delete;
    PlatformArguments& operator=(const PlatformArguments&) = delete;

    int& count() { return m_count; }
    char** values() { return m_values.data(); }

private:
    QByteArray m_option = QByteArrayLiteral("-platform");
    QByteArray m_platform;
    std::vector<char*> m_values;
    int m_count = 0;
};

} // namespace zumora
