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
    void frameBecomesKnown_data();
    void frameBecomesKnown();
    void movesOnlyOnce();
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

namespace {

// MENU's client area, 3135 x 4530 twips, on a 1920 x 1080 screen (28800 x 16200 twips).
const QRect kScreen(0, 0, 1920, 1080);
const QSize kMenuClient(209, 302);
// A frame of 4 pixels with a 24-pixel title bar: outer size 217 x 330, 3255 x 4950 twips.
// Left (28800 - 3255) / 2 = 12772.5 twips = 851.5 pixels, rounds to 852; top 5625 = 375.
// Its client area then belongs at 856, 399.
const QMargins kFrame(4, 24, 4, 4);
const QPoint kCentredClient(856, 399);
// With no frame assumed: left (28800 - 3135) / 2 = 12832.5 = 855.5, rounds to 856;
// top (16200 - 4530) / 2 = 5835 = 389.
const QPoint kFramelessClient(856, 389);

} // namespace

// The window is first placed by the frame assumed before the map; `client_now` is where the
// client area is when the window manager tells the real frame.
void TestWindowPlacement::frameBecomesKnown_data() {
    QTest::addColumn<QMargins>("assumed");
    QTest::addColumn<QPoint>("asked");
    QTest::addColumn<bool>("hiddenBefore");
    QTest::addColumn<QMargins>("told");
    QTest::addColumn<QPoint>("clientNow");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<QPoint>("movedTo");

    QTest::newRow("answered before the map: stays")
        << kFrame << kCentredClient << false << kFrame << kCentredClient << false << QPoint();
    QTest::newRow("answered late, client where it was asked: centred by the frame")
        << QMargins() << kFramelessClient << false << kFrame << kFramelessClient << true
        << kCentredClient;
    QTest::newRow("answered late, frame put where the client was asked: centred by the frame")
        << QMargins() << kFramelessClient << false << kFrame << QPoint(860, 413) << true
        << kCentredClient;
    QTest::newRow("answered late with another window's frame: centred by its own")
        << QMargins(2, 2, 2, 2) << kFramelessClient << false << kFrame << kFramelessClient << true
        << kCentredClient;
    QTest::newRow("never answered until the window was hidden: stays")
        << QMargins() << kFramelessClient << true << kFrame << kFramelessClient << false
        << QPoint();
    QTest::newRow("user moved the window before the frame became known: stays")
        << QMargins() << kFramelessClient << false << kFrame << QPoint(300, 200) << false
        << QPoint();
    QTest::newRow("no window manager, no frame: stays")
        << QMargins() << kFramelessClient << false << QMargins() << kFramelessClient << false
        << QPoint();
}

void TestWindowPlacement::frameBecomesKnown() {
    QFETCH(QMargins, assumed);
    QFETCH(QPoint, asked);
    QFETCH(bool, hiddenBefore);
    QFETCH(QMargins, told);
    QFETCH(QPoint, clientNow);
    QFETCH(bool, moves);
    QFETCH(QPoint, movedTo);

    zumora::PlacementTracker tracker(kScreen, kMenuClient, assumed);
    QCOMPARE(tracker.client_position(), asked);
    if (hiddenBefore)
        tracker.hidden();
    const std::optional<QPoint> move = tracker.frame_known(told, clientNow);
    QCOMPARE(move.has_value(), moves);
    if (moves)
        QCOMPARE(*move, movedTo);
}

// A window is re-centred once; whatever the window manager reports afterwards, and whatever
// the user does, it is not moved again.
void TestWindowPlacement::movesOnlyOnce() {
    zumora::PlacementTracker tracker(kScreen, kMenuClient, QMargins());
    QCOMPARE(tracker.frame_known(kFrame, kFramelessClient), std::optional(kCentredClient));
    QVERIFY(tracker.settled());
    QCOMPARE(tracker.frame_known(QMargins(1, 19, 1, 1), kCentredClient), std::nullopt);

    zumora::PlacementTracker dragged(kScreen, kMenuClient, QMargins());
    QCOMPARE(dragged.frame_known(kFrame, QPoint(10, 10)), std::nullopt);
    QCOMPARE(dragged.frame_known(kFrame, kFramelessClient), std::nullopt);
}

// Each window is centred once, when it is built: MENU at start-up, NOTE on first opening.
void TestWindowPlacement::windowsLandCentred() {
    zumora::ApplicationController app;
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
