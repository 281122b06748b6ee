#include "desktop_platform.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which platforms the program asks Qt for in each kind of session, and which Qt then tries.
class TestDesktopPlatform : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void userChoiceFromArguments();
    void platformArgumentsGoFirst();
    void noPlatformLeavesArgumentsAlone();
};

void TestDesktopPlatform::choice_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("x_display");
    QTest::addColumn<QString>("wayland_display");
    QTest::addColumn<QString>("session_type");
    QTest::addColumn<QString>("preferred");
    QTest::addColumn<QStringList>("tried");

    const QStringList x_only{u"xcb"_s};
    const QStringList x_first{u"xcb"_s, u"wayland"_s};
    const QStringList wayland_first{u"wayland"_s, u"xcb"_s};

    QTest::newRow("X11 session") << QString() << u":0"_s << QString() << u"x11"_s << QString()
                                 << x_only;
    QTest::newRow("no desktop at all")
        << QString() << QString() << QString() << QString() << QString() << x_only;
    QTest::newRow("GNOME or KDE on Wayland: X11 through Xwayland first")
        << QString() << u":0"_s << u"wayland-0"_s << u"wayland"_s << u"xcb;wayland"_s << x_first;
    QTest::newRow("a Wayland display without a session type")
        << QString() << u":1"_s << u"wayland-1"_s << QString() << u"xcb;wayland"_s << x_first;
    QTest::newRow("a Wayland session type without WAYLAND_DISPLAY")
        << QString() << u":0"_s << QString() << u"wayland"_s << u"xcb;wayland"_s << x_first;
    QTest::newRow("an X11 session with a nested Wayland display")
        << QString() << u":0"_s << u"wayland-9"_s << u"x11"_s << u"xcb;wayland"_s << x_first;
    QTest::newRow("Wayland without Xwayland: Qt's own order")
        << QString() << QString() << u"wayland-0"_s << u"wayland"_s << QString() << wayland_first;
    QTest::newRow("the user chose Wayland")
        << u"wayland"_s << u":0"_s << u"wayland-0"_s << u"wayland"_s << QString()
        << QStringList{u"wayland"_s};
    QTest::newRow("the user chose X11 in an X11 session")
        << u"xcb"_s << u":0"_s << QString() << u"x11"_s << QString() << x_only;
    QTest::newRow("the user's list, with a platform's options and an empty entry")
        << u"wayland:nogl;;xcb"_s << u":0"_s << u"wayland-0"_s << u"wayland"_s << QString()
        << wayland_first;
    QTest::newRow("a list that names nothing")
        << u";"_s << u":0"_s << u"wayland-0"_s << u"wayland"_s << QString() << QStringList();
}

void TestDesktopPlatform::choice() {
    QFETCH(QString, platform);
    QFETCH(QString, x_display);
    QFETCH(QString, wayland_display);
    QFETCH(QString, session_type);
    QFETCH(QString, preferred);
    QFETCH(QStringList, tried);

    const zumora::DesktopEnvironment environment{platform, u"QT_QPA_PLATFORM"_s, x_display,
                                                 wayland_display, session_type};
    QCOMPARE(zumora::preferred_platform(environment), preferred);
    QCOMPARE(zumora::platforms_tried(environment), tried);
}

// Qt takes the last -platform (or --platform) argument over QT_QPA_PLATFORM; so does the
// program when it tells what was tried.
void TestDesktopPlatform::userChoiceFromArguments() {
    qputenv("QT_QPA_PLATFORM", "wayland");
    qputenv("DISPLAY", ":0");
    char program[] = "zumora";
    char option[] = "-platform";
    char first[] = "offscreen";
    char double_dash[] = "--platform";
    char last[] = "xcb";
    char* arguments[] = {program, option, first, double_dash, last, nullptr};
    const zumora::DesktopEnvironment chosen = zumora::current_desktop_environment(5, arguments);
    QCOMPARE(chosen.platform, u"xcb"_s);
    QCOMPARE(chosen.platform_origin, u"-platform"_s);
    QCOMPARE(chosen.x_display, u":0"_s);

    char* program_only[] = {program, nullptr};
    const zumora::DesktopEnvironment from_environment =
        zumora::current_desktop_environment(1, program_only);
    QCOMPARE(from_environment.platform, u"wayland"_s);
    QCOMPARE(from_environment.platform_origin, u"QT_QPA_PLATFORM"_s);

    // A -platform with nothing after it is no choice, to Qt either.
    char* dangling[] = {program, option, nullptr};
    QCOMPARE(zumora::current_desktop_environment(2, dangling).platform_origin,
             u"QT_QPA_PLATFORM"_s);
}

// The program's choice goes ahead of the user's own arguments, so that a -platform of theirs,
// coming later, still wins in Qt.
void TestDesktopPlatform::platformArgumentsGoFirst() {
    char program[] = "zumora";
    char style[] = "-style";
    char fusion[] = "fusion";
    char* argv[] = {program, style, fusion, nullptr};
    zumora::PlatformArguments arguments(3, argv, u"xcb;wayland"_s);
    QCOMPARE(arguments.count(), 5);
    QStringList seen;
    for (int i = 0; i < arguments.count(); ++i)
        seen << QString::fromLocal8Bit(arguments.values()[i]);
    QCOMPARE(seen, (QStringList{u"zumora"_s, u"-platform"_s, u"xcb;wayland"_s, u"-style"_s,
                                u"fusion"_s}));
    QCOMPARE(arguments.values()[5], nullptr);
}

void TestDesktopPlatform::noPlatformLeavesArgumentsAlone() {
    char program[] = "zumora";
    char* argv[] = {program, nullptr};
    zumora::PlatformArguments arguments(1, argv, QString());
    QCOMPARE(arguments.count(), 1);
    QCOMPARE(arguments.values()[0], program);
    QCOMPARE(arguments.values()[1], nullptr);
}

QTEST_GUILESS_MAIN(TestDesktopPlatform)
#include "tst_desktop_platform.moc"
