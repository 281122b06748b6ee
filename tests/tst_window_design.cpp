#include "application.h"
#include "kind_captions.h"
#include "menu_window.h"
#include "window_lookup.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {

// A design length in twips, as the design tables give it: 15 twips make one pixel.
int px(int twips) {
    Q_ASSERT(twips % 15 == 0);
    return twips / 15;
}

QString caption_of(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    return u"?"_s;
}

} // namespace

class TestWindowDesign : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windows_data();
    void windows();
    void controls_data();
    void controls();
    void tabOrder_data();
    void tabOrder();
    void buttonsAreNeverDefault();

private:
    zumora::ApplicationController m_app;
};

void TestWindowDesign::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    m_app.start();
    m_app.note(); // build the notebook too, without showing it
}

void TestWindowDesign::windows_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("clientSize");

    QTest::newRow("MENU: empty title") << u"MENU"_s << QString() << QSize(px(3135), px(4530));
    // Five ideographic spaces (U+3000) before the title.
    QTest::newRow("NOTE") << u"NOTE"_s << u"\u3000\u3000\u3000\u3000\u3000\u30BA\u30E2\u30E9"_s
                          << QSize(px(3330), px(4185));
}

void TestWindowDesign::windows() {
    QFETCH(QString, window);
    QFETCH(QString, title);
    QFETCH(QSize, clientSize);

    QWidget* w = top_level(window);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), title);
    QCOMPARE(w->size(), clientSize);
    // Nothing re-lays the controls, so the window keeps its designed size.
    QCOMPARE(w->minimumSize(), clientSize);
    QCOMPARE(w->maximumSize(), clientSize);
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    // The program's one icon: 32 x 32.
    QVERIFY(w->windowIcon().availableSizes().contains(QSize(32, 32)));
    QCOMPARE(w->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

void TestWindowDesign::controls_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<double>("points");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("centred");

    const QString menu = u"MENU"_s;
    const QString note = u"NOTE"_s;
    const QColor none;
    const double window_font = 9.0;
    auto row = [](const QString& window, const char* name) {
        return &QTest::newRow((window + u' ' + QLatin1StringView(name)).toUtf8().constData());
    };
    auto rect = [](int l, int t, int w, int h) {
        return QRect(px(l), px(t), px(w), px(h));
    };

    *row(menu, "Label1") << menu << u"Label1"_s << u"QLabel"_s << u"ズモラ"_s
                         << rect(480, 120, 2295, 495) << 20.25 << QColor(128, 128, 255) << true;
    *row(menu, "Frame1") << menu << u"Frame1"_s << u"QGroupBox"_s << u"どれにしますか"_s
                         << rect(240, 840, 2655, 2775) << window_font << none << false;
    // Options are placed within Frame1.
    *row(menu, "Option1") << menu << u"Option1"_s << u"QRadioButton"_s << expected_captions(1).menu
                          << rect(240, 360, 2295, 375) << 11.25 << none << false;
    *row(menu, "Option2") << menu << u"Option2"_s << u"QRadioButton"_s << expected_captions(2).menu
                          << rect(240, 720, 2295, 375) << 11.25 << none << false;
    *row(menu, "Option3 ends in one blank")
        << menu << u"Option3"_s << u"QRadioButton"_s << expected_captions(3).menu
        << rect(240, 1080, 2295, 375) << 11.25 << none << false;
    *row(menu, "Option5") << menu << u"Option5"_s << u"QRadioButton"_s << expected_captions(5).menu
                          << rect(240, 1440, 2295, 375) << 11.25 << none << false;
    *row(menu, "Option4") << menu << u"Option4"_s << u"QRadioButton"_s << expected_captions(4).menu
                          << rect(240, 1800, 2295, 375) << 11.25 << none << false;
    *row(menu, "Option6") << menu << u"Option6"_s << u"QRadioButton"_s << expected_captions(6).menu
                          << rect(240, 2160, 2295, 375) << 11.25 << none << false;
    *row(menu, "Command1") << menu << u"Command1"_s << u"QPushButton"_s << u"ノモク"_s
                           << rect(840, 3840, 1455, 495) << 14.25 << none << false;

    *row(note, "Label1") << note << u"Label1"_s << u"QLabel"_s << u"Label1"_s
                         << rect(240, 240, 3135, 375) << window_font << QColor(0, 128, 0) << false;
    *row(note, "Text1") << note << u"Text1"_s << u"QLineEdit"_s << QString()
                        << rect(1680, 720, 975, 390) << 12.0 << none << false;
    *row(note, "Label2") << note << u"Label2"_s << u"QLabel"_s << u"Label2"_s
                         << rect(360, 840, 1335, 375) << 11.25 << none << false;
    *row(note, "Text2") << note << u"Text2"_s << u"QLineEdit"_s << QString()
                        << rect(1680, 1320, 975, 390) << 12.0 << none << false;
    *row(note, "Label3") << note << u"Label3"_s << u"QLabel"_s << u"Label3"_s
                         << rect(360, 1440, 1335, 375) << 11.25 << none << false;
    *row(note, "Command1") << note << u"Command1"_s << u"QPushButton"_s << u"計算"_s
                           << rect(360, 2040, 1095, 615) << 14.25 << none << false;
    *row(note, "Command2") << note << u"Command2"_s << u"QPushButton"_s << u"クリヤ"_s
                           << rect(1920, 2040, 1095, 615) << 14.25 << none << false;
    *row(note, "Text3") << note << u"Text3"_s << u"QLineEdit"_s << QString()
                        << rect(1680, 3000, 975, 375) << 12.0 << QColor(255, 0, 0) << false;
    *row(note, "Label4") << note << u"Label4"_s << u"QLabel"_s << u"Label4"_s
                         << rect(360, 3120, 1335, 375) << 11.25 << none << false;
    *row(note, "Command3") << note << u"Command3"_s << u"QPushButton"_s << u"MENU"_s
                           << rect(2160, 3600, 975, 495) << 9.75 << none << false;
}

void TestWindowDesign::controls() {
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(double, points);
    QFETCH(QColor, color);
    QFETCH(bool, centred);

    QWidget* w = control(window, name);
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), type);
    QCOMPARE(caption_of(w), caption);
    QCOMPARE(w->geometry(), geometry);
    // The designs' "ＭＳ Ｐゴシック" is not on Linux; IPA's metric-compatible gothic stands in,
    // and every place and size above holds for its metrics. The family drawn is checked, not
    // the one asked for: where IPAPGothic is missing, another Japanese gothic draws instead.
    QVERIFY2(w->fontInfo().family() == u"IPAPGothic"_s,
             qPrintable(u"drawn in %1, not IPAPGothic: install the package fonts-ipafont-gothic "
                        u"(scripts/deps.sh does)"_s.arg(w->fontInfo().family())));
    QCOMPARE(w->font().pointSizeF(), points);
    QCOMPARE(w->font().weight(), QFont::Normal);
    QVERIFY(!w->font().italic() && !w->font().underline() && !w->font().strikeOut());
    if (color.isValid()) {
        const QPalette::ColorRole role =
            qobject_cast<QLineEdit*>(w) ? QPalette::Text : QPalette::WindowText;
        QCOMPARE(w->palette().color(role), color);
    }
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QVERIFY(!edit->isReadOnly()); // the result box too: the user may type into it
        QCOMPARE(edit->echoMode(), QLineEdit::Normal);
    }
}

void TestWindowDesign::tabOrder_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("MENU by tab index")
        << u"MENU"_s << QStringList{u"Option1"_s,  u"Option2"_s, u"Option3"_s, u"Option4"_s,
                                    u"Command1"_s, u"Option5"_s, u"Option6"_s};
    QTest::newRow("NOTE by tab index")
        << u"NOTE"_s << QStringList{u"Text1"_s,    u"Text2"_s,    u"Text3"_s,
                                    u"Command1"_s, u"Command2"_s, u"Command3"_s};
}

void TestWindowDesign::tabOrder() {
    QFETCH(QString, window);
    QFETCH(QStringList, order);

    // One full turn of the focus chain from the first control, as Tab walks it.
    QStringList chain;
    QWidget* const first = control(window, order.first());
    QWidget* next = first;
    do {
        if (next->focusPolicy() & Qt::TabFocus)
            chain << next->objectName();
        next = next->nextInFocusChain();
    } while (next != first);
    QCOMPARE(chain, order);
}

void TestWindowDesign::buttonsAreNeverDefault() {
    for (const QString& window : {u"MENU"_s, u"NOTE"_s}) {
        for (QPushButton* button : top_level(window)->findChildren<QPushButton*>()) {
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->text().contains(u'&')); // no access keys
        }
    }
}

QTEST_MAIN(TestWindowDesign)
#include "tst_window_design.moc"
