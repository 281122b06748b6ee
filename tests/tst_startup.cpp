#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The program started where Qt cannot start a platform: never Qt's abort, always status 1, and a
// cause that is the real one. With no desktop to open, one plain line that says where the
// program looked; with a platform plugin missing or unloadable, Qt's own lines that explain it,
// then the program's line naming the plugin and the reason.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void failedStart_data();
    void failedStart();
};

namespace {

bool wayland_plugin_installed() {
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                             u"/platforms/libqwayland-generic.so"_s);
}

} // namespace

void TestStartup::failedStart_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("needs_wayland_plugin");
    QTest::addColumn<QString>("output");

    const QString no_desktop = u"zumora: needs a graphical desktop, but "_s;
    const QString no_windows = u"zumora: cannot show its windows: "_s;

    QTest::newRow("no display at all")
        << QStringList() << QStringList() << false << no_desktop + u"DISPLAY is not set\n"_s;
    // The benchmark and the desktop checks use displays below :139.
    QTest::newRow("an X display that does not exist")
        << QStringList{u"DISPLAY=:139"_s} << QStringList() << false
        << no_desktop + u"could not open the X display \":139\" (DISPLAY)\n"_s;
    QTest::newRow("a Wayland display that does not exist, chosen by the user")
        << QStringList{u"QT_QPA_PLATFORM=wayland"_s, u"WAYLAND_DISPLAY=zumora-w-none"_s}
        << QStringList() << true
        << no_desktop +
               u"could not open the Wayland display \"zumora-w-none\" (WAYLAND_DISPLAY)\n"_s;
    QTest::newRow("a Wayland session: X first, then Wayland, neither there")
        << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"WAYLAND_DISPLAY=zumora-w-none"_s,
                       u"DISPLAY=:139"_s}
        << QStringList() << true
        << no_desktop + u"could not open the X display \":139\" (DISPLAY) and could not open "
                        u"the Wayland display \"zumora-w-none\" (WAYLAND_DISPLAY)\n"_s;
    QTest::newRow("a Wayland display without X: Wayland first, then X")
        << QStringList{u"WAYLAND_DISPLAY=zumora-w-none"_s} << QStringList() << true
        << no_desktop + u"could not open the Wayland display \"zumora-w-none\" "
                        u"(WAYLAND_DISPLAY) and DISPLAY is not set\n"_s;
    QTest::newRow("X chosen by Qt's argument in a Wayland session")
        << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"WAYLAND_DISPLAY=zumora-w-none"_s,
                       u"DISPLAY=:139"_s}
        << QStringList{u"-platform"_s, u"xcb"_s} << false
        << no_desktop + u"could not open the X display \":139\" (DISPLAY)\n"_s;
    QTest::newRow("a platform Qt does not have")
        << QStringList{u"QT_QPA_PLATFORM=zumora-none"_s} << QStringList() << false
        << u"qt.qpa.plugin: Could not find the Qt platform plugin \"zumora-none\" in \"\"\n"_s +
               no_windows + u"Qt has no platform plugin \"zumora-none\" (QT_QPA_PLATFORM)\n"_s;
    QTest::newRow("no display, then a platform Qt does not have")
        << QStringList{u"QT_QPA_PLATFORM=xcb;zumora-none"_s, u"DISPLAY=:139"_s} << QStringList()
        << false
        << u"qt.qpa.xcb: could not connect to display :139\n"
           u"qt.qpa.plugin: Could not load the Qt platform plugin \"xcb\" in \"\" even though it "
           u"was found.\n"
           u"qt.qpa.plugin: Could not find the Qt platform plugin \"zumora-none\" in \"\"\n"_s +
               no_windows +
               u"could not open the X display \":139\" (DISPLAY) and Qt has no platform plugin "
               u"\"zumora-none\" (QT_QPA_PLATFORM)\n"_s;
    QTest::newRow("a list that names no platform")
        << QStringList{u"QT_QPA_PLATFORM=;"_s, u"DISPLAY=:139"_s} << QStringList() << false
        << no_windows + u"QT_QPA_PLATFORM \";\" names no platform\n"_s;
#ifdef ZUMORA_BROKEN_PLUGIN
    QTest::newRow("a platform plugin whose library is missing")
        << QStringList{u"QT_QPA_PLATFORM=zumora-broken"_s,
                       u"QT_PLUGIN_PATH=" ZUMORA_BROKEN_PLUGIN_PATH ""_s}
        << QStringList() << false
        << u"qt.qpa.plugin: Could not load the Qt platform plugin \"zumora-broken\" in \"\" even "
           u"though it was found.\n"_s +
               no_windows +
               u"Qt's platform plugin \"zumora-broken\" (QT_QPA_PLATFORM) could not be loaded: "
               u"Cannot load library " ZUMORA_BROKEN_PLUGIN ": (libzumora_missing.so.1: cannot "
               u"open shared object file: No such file or directory)\n"_s;
#endif
}

void TestStartup::failedStart() {
    QFETCH(QStringList, environment);
    QFETCH(QStringList, arguments);
    QFETCH(bool, needs_wayland_plugin);
    QFETCH(QString, output);

    if (needs_wayland_plugin && !wayland_plugin_installed())
        QSKIP("Qt's Wayland platform plugin (Debian package qt6-wayland) is not installed");

    const QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE",
                             "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_MESSAGE_PATTERN",
                             "QT_LOGGING_RULES", "QT_DEBUG_PLUGINS"})
        env.remove(QString::fromLatin1(name));
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    for (const QString& assignment : environment)
        env.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ZUMORA_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), output);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
