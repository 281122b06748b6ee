#include "application.h"
#include "kind_captions.h"
#include "window_lookup.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

// The font that draws `c` in `font`, after Qt's own fallbacks; an invalid one where the
// character comes out as an empty box.
QRawFont drawn_font(const QFont& font, QChar c) {
    QTextLayout layout(QString(c), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1 || runs.front().glyphIndexes().contains(0))
        return {};
    return runs.front().rawFont();
}

bool is_japanese(QChar c) {
    return c.script() == QChar::Script_Han || c.script() == QChar::Script_Hiragana ||
           c.script() == QChar::Script_Katakana;
}

} // namespace

// Run where fontconfig sees every installed font but IPAPGothic, the designs' stand-in (the
// test's environment points it at such a configuration): another Japanese font draws.
class TestFallbackFont : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsDrawnInJapanese_data();
    void captionsDrawnInJapanese();

private:
    zumora::ApplicationController m_app;
};

void TestFallbackFont::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QVERIFY2(!QFontDatabase::hasFamily(u"IPAPGothic"_s),
             "the test's fontconfig should hide IPAPGothic");
    // A Japanese font is there, so the hint for a machine without any is not printed.
    QTest::failOnWarning(QRegularExpression(u"no installed font can show Japanese"_s));
    m_app.start();
    m_app.note(); // build the notebook too, without showing it
}

void TestFallbackFont::captionsDrawnInJapanese_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");

    auto add = [](const QString& window, const QString& control, const QString& text) {
        QTest::addRow("%s %s %s", qPrintable(window), qPrintable(control), qPrintable(text))
            << window << control << text;
    };
    const QString menu = u"MENU"_s;
    add(menu, u"Label1"_s, u"ズモラ"_s);
    add(menu, u"Frame1"_s, u"どれにしますか"_s);
    add(menu, u"Command1"_s, u"ノモク"_s);
    const QString note = u"NOTE"_s;
    add(note, u"Command1"_s, u"計算"_s);
    add(note, u"Command2"_s, u"クリヤ"_s);
    // Every kind's captions, each in the font of the control that shows it.
    for (int kind = 1; kind <= 6; ++kind) {
        const ExpectedKindCaptions& captions = expected_captions(kind);
        add(menu, captions.option, captions.menu);
        for (int label = 1; label <= 4; ++label)
            add(note, u"Label"_s + QString::number(label), captions.notebook[label - 1]);
    }
}

void TestFallbackFont::captionsDrawnInJapanese() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, text);

    QWidget* w = ::control(window, control);
    QVERIFY(w);
    for (QChar c : text) {
        if (c.isSpace())
            continue;
        const QRawFont drawn = drawn_font(w->font(), c);
        QVERIFY2(drawn.isValid(), qPrintable(u"%1 is drawn as an empty box"_s.arg(c)));
        if (is_japanese(c)) {
            QVERIFY2(drawn.supportedWritingSystems().contains(QFontDatabase::Japanese),
                     qPrintable(u"%1 is drawn in %2, a font without Japanese"_s.arg(c).arg(
                         drawn.familyName())));
        }
    }
}

QTEST_MAIN(TestFallbackFont)
#include "tst_fallback_font.moc"
