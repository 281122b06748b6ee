#include "desktop_required.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QList>
#include <QMutex>
#include <QPluginLoader>
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
DesktopEnvironment desktop;

// Why one platform did not start.
struct PlatformFailure {
    bool no_desktop; // its plugin loaded, and found no desktop to open
    QString cause;
};

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

void print_line(const QString& line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

void print_held_messages() {
    const QMutexLocker lock(&held_mutex);
    for (const HeldMessage& m : std::as_const(held))
        print_line(qFormatLogMessage(
            m.type, QMessageLogContext(m.file, m.line, m.function, m.category), m.text));
}

// A platform's name as the user wrote it, with where they wrote it; the program's or Qt's own
// choice needs no such note.
QString platform_named(const QString& key) {
    return desktop.platform.isEmpty() ? quoted(key)
                                      : quoted(key) + u" ("_s + desktop.platform_origin + u')';
}

bool is_wayland(const QString& key) {
    return key.startsWith(u"wayland"_s, Qt::CaseInsensitive);
}

// Qt takes a platform's plugin from the folder QT_QPA_PLATFORM_PLUGIN_PATH names, else from
// platforms/ in its library paths: the first plugin file whose keys hold the platform's name.
QString platform_plugin_file(const QString& key) {
    QStringList folders;
    if (const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.isEmpty())
        folders << own;
    for (const QString& path : QCoreApplication::libraryPaths())
        folders << path + u"/platforms"_s;
    for (const QString& folder : std::as_const(folders)) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            if (!QLibrary::isLibrary(file.fileName()))
                continue;
            const QJsonArray keys = QPluginLoader(file.filePath())
                                        .metaData()
                                        .value(u"MetaData"_s)
                                        .toObject()
                                        .value(u"Keys"_s)
                                        .toArray();
            for (const QJsonValue& plugin_key : keys) {
                if (plugin_key.toString().compare(key, Qt::CaseInsensitive) == 0)
                    return file.filePath();
            }
        }
    }
    return {};
}

// The desktop a platform that loaded looked for.
QString desktop_not_found(const QString& key) {
    if (key.compare(u"xcb"_s, Qt::CaseInsensitive) == 0)
        return desktop.x_display.isEmpty() ? u"DISPLAY is not set"_s
                                           : u"could not open the X display "_s +
                                                 quoted(desktop.x_display) + u" (DISPLAY)"_s;
    if (is_wayland(key))
        return desktop.wayland_display.isEmpty()
                   ? u"WAYLAND_DISPLAY is not set"_s
                   : u"could not open the Wayland display "_s + quoted(desktop.wayland_display) +
                         u" (WAYLAND_DISPLAY)"_s;
    return u"could not start the platform "_s + platform_named(key);
}

PlatformFailure why_not_started(const QString& key) {
    const QString file = platform_plugin_file(key);
    if (file.isEmpty()) {
        QString cause = u"Qt has no platform plugin "_s + platform_named(key);
        // Qt's own Wayland plugins come in a package of their own.
        if (key.compare(u"wayland"_s, Qt::CaseInsensitive) == 0 ||
            key.compare(u"wayland-egl"_s, Qt::CaseInsensitive) == 0)
            cause += u" (the Debian package qt6-wayland has it)"_s;
        return {false, cause};
    }
    QLibrary plugin(file);
    if (!plugin.load())
        return {false, u"Qt's platform plugin "_s + platform_named(key) +
                           u" could not be loaded: "_s + plugin.errorString()};
    return {true, desktop_not_found(key)};
}

void hold_or_give_up(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        const QMutexLocker lock(&held_mutex);
        held.append({type, context.file, context.line, context.function, context.category, text});
        return;
    }
    if (!QGuiApplication::platformName().isEmpty()) {
        // Qt ends the program once this handler returns.
        print_held_messages();
        print_line(qFormatLogMessage(type, context, text));
        std::fflush(stderr);
        return;
    }
    bool no_desktop = true;
    QStringList causes;
    const QStringList platforms = platforms_tried(desktop);
    if (platforms.isEmpty()) {
        no_desktop = false;
        causes << desktop.platform_origin + u' ' + quoted(desktop.platform) +
                      u" names no platform"_s;
    }
    for (const QString& key : platforms) {
        const PlatformFailure failure = why_not_started(key);
        no_desktop = no_desktop && failure.no_desktop;
        causes << failure.cause;
    }
    if (no_desktop) {
        // Qt's lines would only say the same at greater length.
        print_line(u"zumora: needs a graphical desktop, but "_s + causes.join(u" and "_s));
    } else {
        print_held_messages();
        print_line(u"zumora: cannot show its windows: "_s + causes.join(u" and "_s));
    }
    std::fflush(stderr);
    // Qt is half built: nothing of it may run on the way out.
    std::_Exit(1);
}

} // namespace

void hold_messages_until_desktop_opens(const DesktopEnvironment& environment) {
    desktop = environment;
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

} // namespace zumora
