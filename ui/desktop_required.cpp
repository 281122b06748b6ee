#include "desktop_required.h"

#include <QList>
#include <QMutex>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace zumora {

using namespace Qt::StringLiterals;

namespace {

// Qt's texts of a message's context are literals, which live as long as the program.
struct HeldMessage {
    QtMsgType type;
    const char* file;
    int line;
    const char* function;
    const char* category;
    QString text;
};

QMutex held_mutex;
QList<HeldMessage> held;
QtMessageHandler qt_handler = nullptr;

QString environment(const char* name) {
    return qEnvironmentVariable(name);
}

void hold_or_give_up(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        const QMutexLocker lock(&held_mutex);
        held.append({type, context.file, context.line, context.function, context.category, text});
        return;
    }
    const QString line =
        no_desktop_message(environment("QT_QPA_PLATFORM"), environment("DISPLAY"),
                           environment("WAYLAND_DISPLAY"), environment("XDG_SESSION_TYPE"));
    std::fprintf(stderr, "%s\n", qPrintable(line));
    std::fflush(stderr);
    // Qt is half built: nothing of it may run on the way out.
    std::_Exit(1);
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

} // namespace

void hold_messages_until_desktop_opens() {
    qt_handler = qInstallMessageHandler(hold_or_give_up);
}

void desktop_opened() {
    qInstallMessageHandler(qt_handler);
    QList<HeldMessage> messages;
    {
        const QMutexLocker lock(&held_mutex);
        messages.swap(held);
    }
    for (const HeldMessage& m : messages)
        qt_message_output(m.type, QMessageLogContext(m.file, m.line, m.function, m.category),
                          m.text);
}

QString no_desktop_message(const QString& platform, const QString& x_display,
                           const QString& wayland_display, const QString& session_type) {
    // Qt looks for an X display unless told otherwise, and for a Wayland one first in a Wayland
    // session or when told to.
    const bool x = platform.isEmpty() || platform.contains(u"xcb"_s);
    const bool wayland =
        platform.contains(u"wayland"_s) || (platform.isEmpty() && session_type == u"wayland"_s);
    QStringList how;
    if (wayland)
        how << (wayland_display.isEmpty() ? u"WAYLAND_DISPLAY is not set"_s
                                          : u"could not open the Wayland display "_s +
                                                quoted(wayland_display) + u" (WAYLAND_DISPLAY)"_s);
    if (x)
        how << (x_display.isEmpty()
                    ? u"DISPLAY is not set"_s
                    : u"could not open the X display "_s + quoted(x_display) + u" (DISPLAY)"_s);
    if (!x && !wayland)
        how << u"could not start the platform "_s + quoted(platform) + u" (QT_QPA_PLATFORM)"_s;
    return u"zumora: needs a graphical desktop, but "_s + how.join(u" and "_s);
}

} // namespace zumora
