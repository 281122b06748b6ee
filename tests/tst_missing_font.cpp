#include "application.h"
#include "window_lookup.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QTimer>

using namespace Qt::StringLiterals;

// Run where fontconfig knows no font that can show Japanese (the test's environment points it
// at such a configuration).
class TestMissingFont : public QObject {
    Q_OBJECT

private slots:
    void namesThePackageToInstall();
};

void TestMissingFont::namesThePackageToInstall() {
    QVERIFY(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
    // Seen exactly once, or the test fails: the expected line is taken, a second one fails.
    QTest::ignoreMessage(QtWarningMsg,
                         "zumora: no installed font can show Japanese, so every caption is drawn "
                         "as empty boxes; install the package fonts-ipafont-gothic");
    QTest::failOnWarning(QRegularExpression(u"no installed font can show Japanese"_s));
    zumora::ApplicationController app;
    app.start();
    // The program goes on: digits and the results still show, and closing ends it as always,
    // with status 0.
    QWidget* menu = top_level(u"MENU"_s);
    QVERIFY(menu->isVisible());
    QTimer::singleShot(0, menu, &QWidget::close);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!menu->isVisible());
}

QTEST_MAIN(TestMissingFont)
#include "tst_missing_font.moc"
