#include "application.h"
#include "user_actions.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QAccessibleTextInterface* text_of(QLineEdit* edit) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
    return accessible ? accessible->textInterface() : nullptr;
}

// The line Orca 43 speaks for a text box that gains the focus: the line around the caret (the
// character before it when the caret ends the text), cut where the last attribute run it walks
// through from the line's start ends.
QString line_orca_speaks(const QAccessibleTextInterface& text) {
    const int count = text.characterCount();
    if (count == 0)
        return {};
    int start = 0;
    int end = 0;
    const QString line = text.textAtOffset(std::min(text.cursorPosition(), count - 1),
                                           QAccessible::LineBoundary, &start, &end);
    int runs_end = start;
    for (int offset = start; offset < end;) {
        int run_start = 0;
        text.attributes(offset, &run_start, &runs_end);
        offset = std::max(runs_end, offset + 1);
    }
    return line.left(std::max(0, runs_end - start));
}

} // namespace

class TestLineEditAccessible : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void init();
    void cleanup();

    void boxIsReadWhole_data();
    void boxIsReadWhole();
    void screenReaderEditsTheBox();

private:
    std::unique_ptr<zumora::ApplicationController> m_app;
};

void TestLineEditAccessible::init() {
    m_app = std::make_unique<zumora::ApplicationController>();
    m_app->start();
    QVERIFY(QTest::qWaitForWindowExposed(top_level(u"MENU"_s)));
}

void TestLineEditAccessible::cleanup() {
    m_app.reset();
}

void TestLineEditAccessible::boxIsReadWhole_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("heard");
    QTest::addColumn<bool>("selected");

    QTest::newRow("entry not a number, selected after the failure")
        << 3 << u"abc"_s << u"1000"_s << u"Text1"_s << u"abc"_s << true;
    QTest::newRow("number typed, caret at its end")
        << 3 << u"1000"_s << u"1000"_s << u"Text2"_s << u"1000"_s << false;
    QTest::newRow("a single digit") << 3 << u"1000"_s << u"5"_s << u"Text2"_s << u"5"_s << false;
    // ((1000 / 1000) / 0.785398) / (1000 / 1000)^2 * 1000 = 1273.2398...
    QTest::newRow("result, caret at its start")
        << 3 << u"1000"_s << u"1000"_s << u"Text3"_s << u"1273.24"_s << false;
    // (100 / 60000) / (0.785398 * 0.000001^2) = 2122066349.38..., drawn cut
    QTest::newRow("result drawn cut")
        << 1 << u"100"_s << u"0.001"_s << u"Text3"_s << u"2122066349.38"_s << false;
}

void TestLineEditAccessible::boxIsReadWhole() {
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, name);
    QFETCH(QString, heard);
    QFETCH(bool, selected);

    control<QRadioButton>(u"MENU"_s, u"Option"_s + QString::number(kind))->click();
    control<QPushButton>(u"MENU"_s, u"Command1"_s)->click();
    box(u"Text1"_s)->setText(first);
    box(u"Text2"_s)->setText(second);
    control<QPushButton>(u"NOTE"_s, u"Command1"_s)->click();

    QAccessibleTextInterface* text = text_of(box(name));
    QVERIFY(text);
    QCOMPARE(text->text(0, text->characterCount()), heard);
    QCOMPARE(text->selectionCount(), selected ? 1 : 0);
    if (selected) {
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, int(heard.size())));
    }
    QCOMPARE(line_orca_speaks(*text), heard);
    // The box's text is drawn in one font and colour: every offset's run is the whole text.
    for (int offset = 0; offset < text->characterCount(); ++offset) {
        int start = -1;
        int end = -1;
        text->attributes(offset, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, int(heard.size())));
    }
}

// The interface stands in for Qt's own: what a screen reader does through it lands in the box.
void TestLineEditAccessible::screenReaderEditsTheBox() {
    control<QPushButton>(u"MENU"_s, u"Command1"_s)->click();
    QLineEdit* edit = box(u"Text1"_s);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
    QVERIFY(accessible && accessible->editableTextInterface());
    QVERIFY(accessible->state().editable);
    QAccessibleTextInterface* text = accessible->textInterface();

    accessible->setText(QAccessible::Value, u"1273.24"_s);
    QCOMPARE(edit->text(), u"1273.24"_s);
    text->setSelection(0, 1, 4);
    QCOMPARE(edit->selectedText(), u"273"_s);
    text->removeSelection(0);
    QVERIFY(!edit->hasSelectedText());
    text->setCursorPosition(2);
    QCOMPARE(edit->cursorPosition(), 2);
    QCOMPARE(text->cursorPosition(), 2);
    accessible->editableTextInterface()->replaceText(4, 7, u"0"_s);
    QCOMPARE(edit->text(), u"12730"_s);
    accessible->editableTextInterface()->insertText(0, u"-"_s);
    accessible->editableTextInterface()->deleteText(5, 6);
    QCOMPARE(edit->text(), u"-1273"_s);
    QCOMPARE(accessible->text(QAccessible::Value), u"-1273"_s);
}

QTEST_MAIN(TestLineEditAccessible)
#include "tst_line_edit_accessible.moc"
