#include "application.h"
#include "window_lookup.h"
#include "window_placement.h"

#include <QScreen>

using namespace Qt::StringLiterals;

class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void centredPosition_data();
    void centredPosition();
    void windowsLandCentred();
};

void TestWindowPlacement::centredPosition_data() {
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<QPointF>("position");

    // All in twips. (15360 - 3255) / 2 = 6052.5: the half twip stays.
    QTest::newRow("odd difference keeps the half twip")
        << QSizeF(15360, 11520) << QSizeF(3255, 4845) << QPointF(6052.5, 3337.5);
    QTest::newRow("even difference")
        << QSizeF(28800, 16200) << QSizeF(3330, 4500) << QPointF(12735, 5850);
    // (1000 - 3255) / 2 = -1127.5: a window larger than the screen starts off its top-left.
    QTest::newRow("window larger than the screen")
        << QSizeF(1000, 2000) << QSizeF(3255, 4845) << QPointF(-1127.5, -1422.5);
    // 16777217 has no float: single precision sees the screen as 16777216 twips wide.
    QTest::newRow("single precision")
        << QSizeF(16777217, 1000) << QSizeF(1, 0) << QPointF(8388607.5, 500);
}

void TestWindowPlacement::centredPosition() {
    QFETCH(QSizeF, screen);
    QFETCH(QSizeF, window);
    QFETCH(QPointF, position);
    const QPointF at = zumora::centred_position(screen, window);
    QCOMPARE(at.x(), position.x());
    QCOMPARE(at.y(), position.y());
}

// Each window is centred once, when it is built: MENU at start-up, NOTE on first opening.
void TestWindowPlacement::windowsLandCentred() {
    zumora::Application app;
    app.start();
    QWidget* menu = top_level(u"MENU"_s);
    const QRect screen = menu->screen()->geometry();
    // The offscreen platform puts a 2-pixel frame around each window, known once the window
    // is shown: MENU's outer size is 213 x 306.
    // (800 - 213) / 2 = 293.5 rounds to 294; (800 - 306) / 2 = 247.
    QCOMPARE(screen.size(), QSize(800, 800));
    QCOMPARE(menu->frameGeometry(), QRect(294, 247, 213, 306));

    QVERIFY(!top_level(u"NOTE"_s));
    QTest::mouseClick(control<QWidget>(u"MENU"_s, u"Command1"_s), Qt::LeftButton);
    // NOTE is placed before it is shown, with MENU's frame standing in for its own: outer size
    // 226 x 283. (800 - 226) / 2 = 287; (800 - 283) / 2 = 258.5 rounds to 259.
    QCOMPARE(top_level(u"NOTE"_s)->frameGeometry(), QRect(287, 259, 226, 283));
}

QTEST_MAIN(TestWindowPlacement)
#include "tst_window_placement.moc"
