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
    void menuOnPointerMonitor_data();
    void menuOnPointerMonitor();
    void noteOnMenuMonitor_data();
    void noteOnMenuMonitor();
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
const QSize kMenuOuter = kMenuClient.grownBy(kFrame);
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

namespace {

// L is 1280 x 1024 (19200 x 15360 twips) at 0,0, R is 1920 x 1080 (28800 x 16200 twips) right
// of it: the corner below L, from y 1024 to 1079, is on no monitor.
const QList<QRect> kSideBySide{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
// T is 1920 x 1080 at 0,0, B is 1280 x 1024 below it, from x 320.
const QList<QRect> kStacked{{0, 0, 1920, 1080}, {320, 1080, 1280, 1024}};

// MENU framed by kFrame is 217 x 330 pixels, 3255 x 4950 twips. Centred on
//   1920 x 1080: left (28800 - 3255) / 2 = 12772.5 tw = 851.5 px -> 852,
//                top (16200 - 4950) / 2 = 5625 tw = 375 px;
//   1280 x 1024: left (19200 - 3255) / 2 = 7972.5 tw = 531.5 px -> 532,
//                top (15360 - 4950) / 2 = 5205 tw = 347 px.
const QPoint kMenuOn1920(852, 375);
const QPoint kMenuOn1280(532, 347);

// NOTE's client area, 3330 x 4185 twips; framed by kFrame, 230 x 307 pixels, 3450 x 4605
// twips. Centred on
//   1920 x 1080: left (28800 - 3450) / 2 = 12675 tw = 845 px,
//                top (16200 - 4605) / 2 = 5797.5 tw = 386.5 px -> 387;
//   1280 x 1024: left (19200 - 3450) / 2 = 7875 tw = 525 px,
//                top (15360 - 4605) / 2 = 5377.5 tw = 358.5 px -> 359.
const QSize kNoteClient(222, 279);
const QPoint kNoteOn1920(845, 387);
const QPoint kNoteOn1280(525, 359);

} // namespace

// MENU at start-up: centred, by its outer frame, on the monitor the pointer is on, in that
// monitor's own twips and from that monitor's corner.
void TestWindowPlacement::menuOnPointerMonitor_data() {
    QTest::addColumn<QList<QRect>>("monitors");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("corner");

    QTest::newRow("one monitor") << QList<QRect>{{0, 0, 1920, 1080}} << QPoint(100, 100)
                                 << kMenuOn1920;
    QTest::newRow("one monitor, pointer beyond it")
        << QList<QRect>{{0, 0, 1920, 1080}} << QPoint(-50, 3000) << kMenuOn1920;
    QTest::newRow("pointer on the left monitor") << kSideBySide << QPoint(640, 512) << kMenuOn1280;
    QTest::newRow("pointer on the right monitor")
        << kSideBySide << QPoint(2240, 540) << QPoint(1280, 0) + kMenuOn1920;
    QTest::newRow("pointer on the left monitor's last column")
        << kSideBySide << QPoint(1279, 0) << kMenuOn1280;
    QTest::newRow("pointer on the right monitor's first column")
        << kSideBySide << QPoint(1280, 1079) << QPoint(1280, 0) + kMenuOn1920;
    // 27 pixels below L, 680 left of R.
    QTest::newRow("pointer below the shorter monitor: the nearest")
        << kSideBySide << QPoint(600, 1050) << kMenuOn1280;
    // 47 pixels below L, 10 left of R.
    QTest::newRow("pointer below the shorter monitor, nearer the other")
        << kSideBySide << QPoint(1270, 1070) << QPoint(1280, 0) + kMenuOn1920;
    // 10 pixels below L and 10 left of R.
    QTest::newRow("pointer as near to both: the first listed")
        << kSideBySide << QPoint(1270, 1033) << kMenuOn1280;
    // 1920 x 1080 from -1920: -1920 + 852 = -1068.
    QTest::newRow("monitor left of the primary")
        << QList<QRect>{{0, 0, 1280, 1024}, {-1920, 0, 1920, 1080}} << QPoint(-100, 500)
        << QPoint(-1068, 375);
    // 1280 x 1024 from -1024: -1024 + 347 = -677.
    QTest::newRow("monitor above the primary")
        << QList<QRect>{{0, 0, 1920, 1080}, {0, -1024, 1280, 1024}} << QPoint(10, -10)
        << QPoint(532, -677);
    QTest::newRow("pointer on the lower of two stacked monitors")
        << kStacked << QPoint(960, 1592) << QPoint(320, 1080) + kMenuOn1280;
    // 1366 x 768 is 20490 x 11520 twips: left (20490 - 3255) / 2 = 8617.5 tw = 574.5 px -> 575,
    // top (11520 - 4950) / 2 = 3285 tw = 219 px.
    QTest::newRow("a smaller monitor right of the primary")
        << QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1366, 768}} << QPoint(2500, 300)
        << QPoint(1920 + 575, 219);
    // 160 x 240 is 2400 x 3600 twips: left (2400 - 3255) / 2 = -427.5 tw = -28.5 px -> -29,
    // top (3600 - 4950) / 2 = -675 tw = -45 px.
    QTest::newRow("monitor smaller than the window: off its top-left")
        << QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 160, 240}} << QPoint(2000, 100)
        << QPoint(1920 - 29, -45);
}

void TestWindowPlacement::menuOnPointerMonitor() {
    QFETCH(QList<QRect>, monitors);
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, corner);
    const QRect monitor = zumora::monitor_at(monitors, pointer);
    QCOMPARE(zumora::centred_outer_corner(monitor, kMenuClient, kFrame), corner);
}

// NOTE, the first time: centred on the monitor that shows the largest part of MENU's outer
// rectangle, wherever the user has dragged MENU.
void TestWindowPlacement::noteOnMenuMonitor_data() {
    QTest::addColumn<QList<QRect>>("monitors");
    QTest::addColumn<QRect>("menu");
    QTest::addColumn<QPoint>("corner");

    QTest::newRow("MENU where it started, on the left monitor")
        << kSideBySide << QRect(QPoint(532, 347), kMenuOuter) << kNoteOn1280;
    QTest::newRow("MENU dragged onto the right monitor")
        << kSideBySide << QRect(QPoint(2000, 200), kMenuOuter) << QPoint(1280, 0) + kNoteOn1920;
    // 80 columns on L, 137 on R.
    QTest::newRow("MENU across the edge, more on the right")
        << kSideBySide << QRect(QPoint(1200, 300), kMenuOuter) << QPoint(1280, 0) + kNoteOn1920;
    // 130 columns on L, 87 on R.
    QTest::newRow("MENU across the edge, more on the left")
        << kSideBySide << QRect(QPoint(1150, 300), kMenuOuter) << kNoteOn1280;
    // On L 110 x 224 = 24640 pixels (rows 800 to 1023), on R 107 x 280 = 29960 (rows 800 to
    // 1079); its centre, 1278,965, is on L.
    QTest::newRow("MENU across the edge, its centre on the shorter monitor, more on the other")
        << kSideBySide << QRect(QPoint(1170, 800), kMenuOuter) << QPoint(1280, 0) + kNoteOn1920;
    // 109 columns on each.
    QTest::newRow("MENU shared equally: the first listed")
        << kSideBySide << QRect(1171, 300, 218, 330) << kNoteOn1280;
    // Wholly below L; its centre, 208,1195, is 172 pixels below L and 1072 left of R.
    QTest::newRow("MENU on no monitor: the one nearest its centre")
        << kSideBySide << QRect(QPoint(100, 1030), kMenuOuter) << kNoteOn1280;
    QTest::newRow("MENU dragged onto the lower of two stacked monitors")
        << kStacked << QRect(QPoint(700, 1300), kMenuOuter) << QPoint(320, 1080) + kNoteOn1280;
}

void TestWindowPlacement::noteOnMenuMonitor() {
    QFETCH(QList<QRect>, monitors);
    QFETCH(QRect, menu);
    QFETCH(QPoint, corner);
    const QRect monitor = zumora::monitor_showing(monitors, menu);
    QCOMPARE(zumora::centred_outer_corner(monitor, kNoteClient, kFrame), corner);
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
