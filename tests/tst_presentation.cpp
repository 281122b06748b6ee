// What the user reads, measured with the real fonts at the scale the run is given
// (QT_SCALE_FACTOR): results drawn whole or marked as cut, every caption whole in its control,
// and a failure notice that hides no control and stays on the screen.

#include "application.h"
#include "calc_kinds.h"
#include "note_window.h"
#include "number_text.h"
#include "user_actions.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr double kDesignPoints = 12.0;
constexpr double kFloorPoints = 8.25;

// The strip a line edit draws its text in: inside its frame, two pixels in from either side.
QRectF text_strip(const QLineEdit& edit) {
    const int frame = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit);
    return QRectF(edit.rect()).adjusted(frame + 2, frame, -frame - 2, -frame);
}

// The first and last columns, in device pixels, that hold some ink.
struct Ink {
    int left = -1;
    int right = -1;
    int width() const { return left < 0 ? 0 : right - left + 1; }
};

template <typename IsInk> Ink columns_with(const QImage& image, IsInk is_ink) {
    Ink ink;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (is_ink(image.pixelColor(x, y))) {
                if (ink.left < 0)
                    ink.left = x;
                ink.right = x;
                break;
            }
        }
    }
    return ink;
}

// Strongly red ink: the result's text and nothing else (the frame is grey, the background
// white, antialiased edges pale).
Ink red_ink(const QImage& image) {
    return columns_with(
        image, [](const QColor& c) { return c.red() > 160 && c.green() < 110 && c.blue() < 110; });
}

// Pixels of exactly `colour`, as a flat fill paints it.
Ink ink_of(const QImage& image, const QColor& colour) {
    return columns_with(image, [&colour](const QColor& c) { return c.rgb() == colour.rgb(); });
}

// `text` drawn in red, free of any box, at the device pixel ratio of the box.
QImage drawn_free(const QString& text, const QFont& font, qreal ratio) {
    const QFontMetricsF metrics(font);
    const QSize size(int(metrics.horizontalAdvance(text)) + 40, int(metrics.height()) + 20);
    QImage image(size * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QPointF(20, 10 + metrics.ascent()), text);
    return image;
}

QRect global_rect(const QWidget* w) {
    return {w->mapToGlobal(QPoint(0, 0)), w->size()};
}

} // namespace

class TestPresentation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void resultDrawnWhole_data();
    void resultDrawnWhole();
    void captionsFit_data();
    void captionsFit();
    void noticeHidesNothing_data();
    void noticeHidesNothing();

private:
    void open_notebook(int kind);
    std::unique_ptr<zumora::ApplicationController> m_app;
};

void TestPresentation::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    qInfo("scale %s, screen %dx%d", qgetenv("QT_SCALE_FACTOR").constData(),
          QGuiApplication::primaryScreen()->geometry().width(),
          QGuiApplication::primaryScreen()->geometry().height());
    m_app = std::make_unique<zumora::ApplicationController>();
    m_app->start();
    QVERIFY(QTest::qWaitForWindowExposed(top_level(u"MENU"_s)));
}

void TestPresentation::open_notebook(int kind) {
    QWidget* note = top_level(u"NOTE"_s);
    if (note && note->isVisible())
        back_to_menu();
    QTest::mouseClick(option(kind), Qt::LeftButton);
    ::open_notebook();
    QVERIFY(QTest::qWaitForWindowExposed(top_level(u"NOTE"_s)));
}

enum class Shown { Designed, Smaller, Cut };

void TestPresentation::resultDrawnWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shown");

    // IPAPGothic's digits are about 10 px wide at 12 pt; the box's text strip is 59 px.
    QTest::newRow("separator alone") << u"."_s << int(Shown::Designed);
    QTest::newRow(".85") << u".85"_s << int(Shown::Designed);
    QTest::newRow("-.85") << u"-.85"_s << int(Shown::Designed);
    QTest::newRow("1000.") << u"1000."_s << int(Shown::Designed);
    QTest::newRow("1273.24, the road of one calculation") << u"1273.24"_s << int(Shown::Smaller);
    QTest::newRow("11111.11") << u"11111.11"_s << int(Shown::Smaller);
    QTest::newRow("99999.99, the pattern's full width") << u"99999.99"_s << int(Shown::Smaller);
    QTest::newRow("-9999.99") << u"-9999.99"_s << int(Shown::Smaller);
    QTest::newRow("2122066349.38") << u"2122066349.38"_s << int(Shown::Cut);
    QTest::newRow("the largest double")
        << zumora::format_result(std::numeric_limits<double>::max()) << int(Shown::Cut);
}

void TestPresentation::resultDrawnWhole() {
    QFETCH(QString, text);
    QFETCH(int, shown);

    if (!top_level(u"NOTE"_s) || !top_level(u"NOTE"_s)->isVisible())
        open_notebook(3);
    auto* note = static_cast<zumora::NoteWindow*>(top_level(u"NOTE"_s));
    QLineEdit* result = box(u"Text3"_s);
    box(u"Text1"_s)->setFocus(); // the box shows its result, not a cursor
    note->show_result(text);

    // The whole result stays the box's text, for selecting, copying and screen readers; a
    // result drawn cut also shows whole on hovering.
    QCOMPARE(result->text(), text);
    QCOMPARE(result->toolTip(), Shown(shown) == Shown::Cut ? text : QString());
    QCOMPARE(QAccessible::queryAccessibleInterface(result)->text(QAccessible::Value), text);
    // In its designed place, size, colour and family.
    QCOMPARE(result->geometry(), QRect(112, 200, 65, 25));
    QCOMPARE(result->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(result->fontInfo().family(), u"IPAPGothic"_s);

    const double points = result->font().pointSizeF();
    const QRectF strip = text_strip(*result);
    const double advance = QFontMetricsF(result->font(), result).horizontalAdvance(text);
    switch (Shown(shown)) {
    case Shown::Designed:
        QCOMPARE(points, kDesignPoints);
        break;
    case Shown::Smaller:
        QVERIFY2(points < kDesignPoints && points >= kFloorPoints,
                 qPrintable(QString::number(points)));
        break;
    case Shown::Cut:
        QCOMPARE(points, kFloorPoints);
        QVERIFY(advance > strip.width()); // too wide even at the floor: cutting was needed
        break;
    }
    const QString expected =
        Shown(shown) == Shown::Cut
            ? QFontMetricsF(result->font(), result).elidedText(text, Qt::ElideRight, strip.width())
            : text;
    if (Shown(shown) == Shown::Cut)
        QVERIFY(expected.endsWith(u'\u2026'));
    else
        QVERIFY2(advance <= strip.width(),
                 qPrintable(u"%1 px at %2 pt in a strip of %3 px"_s.arg(advance).arg(points).arg(
                     strip.width())));

    // What is on the screen: the box's red ink is as wide as the expected text drawn free of
    // any box, and lies inside the strip; also once the box has the focus, as an arithmetic
    // fault gives it.
    const qreal ratio = result->devicePixelRatioF();
    const Ink free = red_ink(drawn_free(expected, result->font(), ratio));
    for (bool focused : {false, true}) {
        if (focused)
            result->setFocus(Qt::OtherFocusReason);
        const Ink in_box = red_ink(result->grab().toImage());
        QVERIFY2(qAbs(in_box.width() - free.width()) <= 1,
                 qPrintable(u"%1 drawn %2 device px wide in the box%3, %4 px free"_s.arg(expected)
                                .arg(in_box.width())
                                .arg(focused ? u" with the focus"_s : QString())
                                .arg(free.width())));
        QVERIFY(in_box.left >= strip.left() * ratio - 1);
        QVERIFY(in_box.right <= strip.right() * ratio + 1);
    }

    // Selected whole, as Tab leaves it: the highlight lies behind the text as drawn, inside
    // the strip, and the text is drawn in the highlight's own colour.
    result->selectAll();
    const QImage selected = result->grab().toImage();
    const Ink highlight = ink_of(selected, result->palette().color(QPalette::Highlight));
    const double shown_advance =
        QFontMetricsF(result->font(), result).horizontalAdvance(expected) * ratio;
    QVERIFY2(qAbs(highlight.width() - shown_advance) <= 2,
             qPrintable(
                 u"highlight %1 device px wide behind %2, drawn %3 px wide"_s.arg(highlight.width())
                     .arg(expected)
                     .arg(shown_advance)));
    QVERIFY(highlight.left >= strip.left() * ratio - 1);
    QVERIFY(highlight.right <= strip.right() * ratio + 1);
    QCOMPARE(red_ink(selected).width(), 0);
}

void TestPresentation::captionsFit_data() {
    QTest::addColumn<int>("kind"); // on the notebook; 0: the menu
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");

    for (const char* name : {"Label1", "Frame1", "Option1", "Option2", "Option3", "Option4",
                             "Option5", "Option6", "Command1"})
        QTest::addRow("MENU %s", name) << 0 << u"MENU"_s << QString::fromLatin1(name);
    // Label1's problem statement reaches beyond the notebook's right edge by design.
    for (int kind = 1; kind <= 6; ++kind) {
        for (const char* name : {"Label2", "Label3", "Label4", "Command1", "Command2", "Command3"})
            QTest::addRow("NOTE kind %d %s", kind, name)
                << kind << u"NOTE"_s << QString::fromLatin1(name);
    }
}

void TestPresentation::captionsFit() {
    QFETCH(int, kind);
    QFETCH(QString, window);
    QFETCH(QString, name);

    if (kind)
        open_notebook(kind);
    QWidget* w = control(window, name);
    QVERIFY(w);
    const QFontMetricsF metrics(w->font(), w);
    QString caption;
    QRectF room;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        caption = label->text();
        room = QRectF(label->contentsRect())
                   .adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        caption = group->title();
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = caption;
        option.lineWidth = 1;
        option.textAlignment = group->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        room = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                              QStyle::SC_GroupBoxLabel, group);
        QVERIFY(QRectF(group->rect()).contains(room));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        caption = button->text();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = caption;
        const bool radio = qobject_cast<QRadioButton*>(w);
        room = button->style()->subElementRect(radio ? QStyle::SE_RadioButtonContents
                                                     : QStyle::SE_PushButtonContents,
                                               &option, button);
    }
    QVERIFY(!caption.isEmpty());
    const QRectF needed(0, 0, metrics.horizontalAdvance(caption), metrics.height());
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
             qPrintable(u"%1 needs %2 x %3 px, has %4 x %5"_s.arg(caption)
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(room.width())
                            .arg(room.height())));
}

void TestPresentation::noticeHidesNothing_data() {
    QTest::addColumn<double>("across"); // 0: left edge of the screen, 0.5 middle, 1 right edge
    QTest::addColumn<double>("down");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("about");

    struct Place {
        double across;
        double down;
        const char* name;
    };
    const Place places[]{
        {0.0, 0.0, "top left"},    {0.5, 0.0, "top"},    {1.0, 0.0, "top right"},
        {0.0, 0.5, "left"},        {0.5, 0.5, "middle"}, {1.0, 0.5, "right"},
        {0.0, 1.0, "bottom left"}, {0.5, 1.0, "bottom"}, {1.0, 1.0, "bottom right"}};
    for (const auto& [across, down, place] : places) {
        QTest::addRow("%s, Text1", place) << across << down << u"x"_s << u"1"_s << u"Text1"_s;
        QTest::addRow("%s, Text2", place) << across << down << u"1"_s << u"x"_s << u"Text2"_s;
        QTest::addRow("%s, Text3", place) << across << down << u"100"_s << u"0"_s << u"Text3"_s;
    }
}

void TestPresentation::noticeHidesNothing() {
    QFETCH(double, across);
    QFETCH(double, down);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, about);

    open_notebook(1);
    QWidget* note = top_level(u"NOTE"_s);
    const QRect screen = note->screen()->geometry();
    const QRect frame = note->frameGeometry();
    note->move(screen.left() + int(across * (screen.width() - frame.width())),
               screen.top() + int(down * (screen.height() - frame.height())));
    QVERIFY(screen.contains(note->frameGeometry()));
    type_into(u"Text1"_s, first);
    type_into(u"Text2"_s, second);
    calculate();

    QLabel* notice = visible_notice();
    QVERIFY(notice);
    const QRect placed = notice->geometry();
    QVERIFY2(screen.contains(placed), qPrintable(u"notice at %1,%2 %3x%4"_s.arg(placed.x())
                                                     .arg(placed.y())
                                                     .arg(placed.width())
                                                     .arg(placed.height())));
    for (QWidget* w : note->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow() && w->isVisible())
            QVERIFY2(!global_rect(w).intersects(placed), qPrintable(w->objectName()));
    }
    // Level with the box it is about.
    const QRect concerned = global_rect(box(about));
    QVERIFY(placed.center().y() >= concerned.top() && placed.center().y() <= concerned.bottom());
    clear_boxes();
    QVERIFY(!visible_notice());
}

QTEST_MAIN(TestPresentation)
#include "tst_presentation.moc"
