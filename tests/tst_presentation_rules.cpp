#include "notice_placement.h"
#include "result_fit.h"

#include <QTest>

using namespace zumora;

namespace {

// The notebook's controls in pixels at 100 %, from its client area's top-left corner.
QList<QRect> note_controls(QPoint window) {
    QList<QRect> controls{
        {16, 16, 209, 25}, {112, 48, 65, 26},  {24, 56, 89, 25},   {112, 88, 65, 26},
        {24, 96, 89, 25},  {24, 136, 73, 41},  {128, 136, 73, 41}, {112, 200, 65, 25},
        {24, 208, 89, 25}, {144, 240, 65, 33},
    };
    for (QRect& c : controls)
        c.translate(window);
    return controls;
}
const QSize kNoteSize(222, 279);
const QRect kText1(112, 48, 65, 26);
const QRect kText3(112, 200, 65, 25);

} // namespace

class TestPresentationRules : public QObject {
    Q_OBJECT

private slots:
    void resultSize_data();
    void resultSize();
    void noticePlace_data();
    void noticePlace();
};

void TestPresentationRules::resultSize_data() {
    QTest::addColumn<double>("widthAt12"); // the text's width at 12 pt; it scales with the size
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("whole");

    // A room of 58 pixels: 57 of text and one for the cursor.
    QTest::newRow("fits at the design size") << 57.0 << 12.0 << true;
    QTest::newRow("rounded as the line edit rounds it") << 57.49 << 12.0 << true;
    QTest::newRow("half a pixel too wide: one step down") << 57.5 << 11.25 << true;
    // 75 px at 12 pt: 70.3 at 11.25, 65.6 at 10.5, 60.9 at 9.75, 56.25 at 9.
    QTest::newRow("largest step that fits") << 75.0 << 9.0 << true;
    // 80 px at 12 pt: 60 at 9 does not fit, 55 at 8.25 does.
    QTest::newRow("fits only at the floor") << 80.0 << 8.25 << true;
    // 86 px at 12 pt: 59.1 at 8.25 is still too wide.
    QTest::newRow("too wide at the floor: cut") << 86.0 << 8.25 << false;
    QTest::newRow("far too wide: cut at the floor") << 1000.0 << 8.25 << false;
}

void TestPresentationRules::resultSize() {
    QFETCH(double, widthAt12);
    QFETCH(double, points);
    QFETCH(bool, whole);

    QList<double> tried;
    const ResultFit fit = fit_result(12.0, 58.0, [&](double p) {
        tried << p;
        return widthAt12 * p / 12.0;
    });
    QCOMPARE(fit.points, points);
    QCOMPARE(fit.whole, whole);
    // Never below the floor.
    for (double p : tried)
        QVERIFY2(p >= 8.25, qPrintable(QString::number(p)));
}

void TestPresentationRules::noticePlace_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("window"); // the notebook's top-left corner
    QTest::addColumn<QRect>("box");     // in the notebook
    QTest::addColumn<QSize>("notice");
    QTest::addColumn<QList<QRect>>("extra"); // further controls in the way
    QTest::addColumn<QPoint>("expected");

    const QRect screen(0, 0, 1024, 768);
    const QSize notice(190, 20);
    const int right = 1024 - 222;
    const int bottom = 768 - 279;
    // Right of the box: x = box right + 2; level with it: y = box top + (box height - 20) / 2.
    QTest::newRow("middle: right of Text1")
        << screen << QPoint(400, 200) << kText1 << notice << QList<QRect>() << QPoint(579, 251);
    QTest::newRow("middle: right of Text3")
        << screen << QPoint(400, 200) << kText3 << notice << QList<QRect>() << QPoint(579, 402);
    QTest::newRow("left edge: right of Text3")
        << screen << QPoint(0, 200) << kText3 << notice << QList<QRect>() << QPoint(179, 402);
    QTest::newRow("top left corner: right of Text1")
        << screen << QPoint(0, 0) << kText1 << notice << QList<QRect>() << QPoint(179, 51);
    // Left of the window: x = window left - 2 - 190.
    QTest::newRow("right edge: left of the window")
        << screen << QPoint(right, 200) << kText1 << notice << QList<QRect>() << QPoint(610, 251);
    QTest::newRow("top right corner: left of the window")
        << screen << QPoint(right, 0) << kText1 << notice << QList<QRect>() << QPoint(610, 51);
    QTest::newRow("bottom right corner, Text3: left of the window")
        << screen << QPoint(right, bottom) << kText3 << notice << QList<QRect>()
        << QPoint(610, bottom + 202);
    QTest::newRow("right edge of a second screen")
        << QRect(1024, 0, 1024, 768) << QPoint(2048 - 222, 200) << kText1 << notice
        << QList<QRect>() << QPoint(1634, 251);
    QTest::newRow("a control right of the box: left of the window")
        << screen << QPoint(400, 200) << kText1 << notice << QList<QRect>{{600, 250, 10, 10}}
        << QPoint(208, 251);
    // A screen 400 wide leaves no room beside the window at x 178: below it, x moved onto the
    // screen (400 - 190).
    QTest::newRow("no room beside: below the window")
        << QRect(0, 0, 400, 700) << QPoint(178, 0) << kText1 << notice << QList<QRect>()
        << QPoint(210, 281);
    QTest::newRow("no room beside or below: above the window")
        << QRect(0, 0, 400, 400) << QPoint(178, 121) << kText1 << notice << QList<QRect>()
        << QPoint(210, 99);
    QTest::newRow("no room anywhere: right of the box, moved onto the screen")
        << QRect(0, 0, 300, 300) << QPoint(0, 0) << kText1 << notice << QList<QRect>()
        << QPoint(110, 51);
    // Text1 at y 3: level would be 3 + (26 - 40) / 2 = -4, moved down onto the screen.
    QTest::newRow("window partly above the screen: level kept on it")
        << screen << QPoint(400, -45) << kText1 << QSize(190, 40) << QList<QRect>()
        << QPoint(579, 0);
}

void TestPresentationRules::noticePlace() {
    QFETCH(QRect, screen);
    QFETCH(QPoint, window);
    QFETCH(QRect, box);
    QFETCH(QSize, notice);
    QFETCH(QList<QRect>, extra);
    QFETCH(QPoint, expected);

    const QList<QRect> controls = note_controls(window) + extra;
    const QPoint at =
        place_notice(box.translated(window), notice, QRect(window, kNoteSize), screen, controls);
    QCOMPARE(at, expected);
}

QTEST_MAIN(TestPresentationRules)
#include "tst_presentation_rules.moc"
