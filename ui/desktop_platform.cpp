#include "desktop_platform.h"

#include <cstring>

namespace zumora {

using namespace Qt::StringLiterals;

namespace {

// Qt starts Wayland first where the session names it or offers a Wayland display.
bool wayland_session(const DesktopEnvironment& environment) {
    return !environment.wayland_display.isEmpty() || environment.session_type == u"wayland"_s;
}

} // namespace

DesktopEnvironment current_desktop_environment(int argc, char** argv) {
    DesktopEnvironment environment{qEnvironmentVariable("QT_QPA_PLATFORM"), u"QT_QPA_PLATFORM"_s,
                                   qEnvironmentVariable("DISPLAY"),
                                   qEnvironmentVariable("WAYLAND_DISPLAY"),
                                   qEnvironmentVariable("XDG_SESSION_TYPE")};
    // Qt takes the last -platform (or --platform) argument.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            environment.platform = QString::fromLocal8Bit(argv[++i]);
            environment.platform_origin = u"-platform"_s;
        }
    }
    return environment;
}

QString preferred_platform(const DesktopEnvironment& environment) {
    if (!environment.platform.isEmpty() || environment.x_display.isEmpty() ||
        !wayland_session(environment))
        return {};
    return u"xcb;wayland"_s;
}

QStringList platforms_tried(const DesktopEnvironment& environment) {
    QString platforms = environment.platform;
    if (platforms.isEmpty())
        platforms = preferred_platform(environment);
    if (platforms.isEmpty())
        platforms = wayland_session(environment) ? u"wayland;xcb"_s : u"xcb"_s;
    QStringList keys;
    for (const QString& platform : platforms.split(u';', Qt::SkipEmptyParts))
        keys << platform.section(u':', 0, 0);
    return keys;
}

PlatformArguments::PlatformArguments(int argc, char** argv, const QString& platform)
    : m_platform(platform.toLocal8Bit()) {
    m_values.assign(argv, argv + argc);
    if (!platform.isEmpty() && !m_values.empty())
        m_values.insert(m_values.begin() + 1, {m_option.data(), m_platform.data()});
    m_count = int(m_values.size());
    // Qt, like main, expects the list to end in a null pointer.
    m_values.push_back(nullptr);
}

} // namespace zumora
