#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The program started where it cannot open a desktop: one plain line and exit status 1, never
// Qt's abort.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void noDesktop_data();
    void noDesktop();
};

void TestStartup::noDesktop_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("line");

    QTest::newRow("no display at all")
        << QStringList() << u"zumora: needs a graphical desktop, but DISPLAY is not set"_s;
    // The benchmark and the desktop checks use displays below :139.
    QTest::newRow("an X display that does not exist")
        << QStringList{u"DISPLAY=:139"_s}
        << u"zumora: needs a graphical desktop, but could not open the X display \":139\" "
           u"(DISPLAY)"_s;
    QTest::newRow("a Wayland display that does not exist")
        << QStringList{u"QT_QPA_PLATFORM=wayland"_s, u"WAYLAND_DISPLAY=zumora-none"_s}
        << u"zumora: needs a graphical desktop, but could not open the Wayland display "
           u"\"zumora-none\" (WAYLAND_DISPLAY)"_s;
    QTest::newRow("a Wayland session, then X, neither there")
        << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"WAYLAND_DISPLAY=zumora-none"_s,
                       u"DISPLAY=:139"_s}
        << u"zumora: needs a graphical desktop, but could not open the Wayland display "
           u"\"zumora-none\" (WAYLAND_DISPLAY) and could not open the X display \":139\" "
           u"(DISPLAY)"_s;
    QTest::newRow("a platform Qt does not have")
        << QStringList{u"QT_QPA_PLATFORM=zumora-none"_s}
        << u"zumora: needs a graphical desktop, but could not start the platform "
           u"\"zumora-none\" (QT_QPA_PLATFORM)"_s;
}

void TestStartup::noDesktop() {
    QFETCH(QStringList, environment);
    QFETCH(QString, line);

    const QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        env.remove(QString::fromLatin1(name));
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    for (const QString& assignment : environment)
        env.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ZUMORA_PROGRAM), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), line + u'\n');
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
