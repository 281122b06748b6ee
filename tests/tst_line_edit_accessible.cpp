#include "application.h"
#include "user_actions.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
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

// The columns of the box, in its own coordinates, where its text left ink: dark pixels inside
// the frame.
std::pair<int, int> inked_columns(QLineEdit& edit) {
    const QImage image = edit.grab().toImage();
    const double ratio = image.devicePixelRatio();
    int first = image.width();
    int last = -1;
    for (int y = 3; y < image.height() - 3; ++y) {
        for (int x = 3; x < image.width() - 3; ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {int(first / ratio), int(last / ratio)};
}

// Chooses `kind` on the menu, opens the notebook, enters both numbers and presses 計算.
void calculate_with(int kind, const QString& first, const QString& second) {
    option(kind)->click();
    open_notebook();
    box(u"Text1"_s)->setText(first);
    box(u"Text2"_s)->setText(second);
    calculate();
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
    void charactersWhereDrawn_data();
    void charactersWhereDrawn();
    void screenReaderEditsTheBox();
    void editsAreTheUsersOwn();
    void focusAnnouncedBeforeSelection_data();
    void focusAnnouncedBeforeSelection();
    void tabSelectsForTypingOver_data();
    void tabSelectsForTypingOver();

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
    QTest::addColumn<QString>("description");

    QTest::newRow("entry not a number, selected after the failure")
        << 3 << u"abc"_s << u"1000"_s << u"Text1"_s << u"abc"_s << true
        << u"「容積(L)」が数値ではありません"_s;
    QTest::newRow("number typed, caret at its end")
        << 3 << u"1000"_s << u"1000"_s << u"Text2"_s << u"1000"_s << false << QString();
    QTest::newRow("a single digit")
        << 3 << u"1000"_s << u"5"_s << u"Text2"_s << u"5"_s << false << QString();
    // ((1000 / 1000) / 0.785398) / (1000 / 1000)^2 * 1000 = 1273.2398...
    QTest::newRow("result, caret at its start")
        << 3 << u"1000"_s << u"1000"_s << u"Text3"_s << u"1273.24"_s << false << QString();
    // (100 / 60000) / (0.785398 * 0.000001^2) = 2122066349.38..., drawn cut, with the whole
    // result as its tooltip: still heard once
    QTest::newRow("result drawn cut")
        << 1 << u"100"_s << u"0.001"_s << u"Text3"_s << u"2122066349.38"_s << false << QString();
}

void TestLineEditAccessible::boxIsReadWhole() {
    QFETCH(int, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, name);
    QFETCH(QString, heard);
    QFETCH(bool, selected);
    QFETCH(QString, description);

    calculate_with(kind, first, second);

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
    // Orca speaks the description after the line: a failure's message, never the value again.
    QCOMPARE(QAccessible::queryAccessibleInterface(box(name))->text(QAccessible::Description),
             description);
    // The box's text is drawn in one font and colour: every offset's run is the whole text.
    for (int offset = 0; offset < text->characterCount(); ++offset) {
        int start = -1;
        int end = -1;
        text->attributes(offset, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, int(heard.size())));
    }
}

void TestLineEditAccessible::charactersWhereDrawn_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("start_shown");
    QTest::addColumn<bool>("end_shown");

    QTest::newRow("short text, all in view") << u"1000"_s << 4 << true << true;
    // 20 digits are about three times the box's width: it shows the part around the caret.
    QTest::newRow("long text scrolled to its end")
        << u"12345678901234567890"_s << 20 << false << true;
    QTest::newRow("long text at its start") << u"12345678901234567890"_s << 0 << true << false;
}

// Magnifiers and mouse review ask where a character is, and which character is at a point.
void TestLineEditAccessible::charactersWhereDrawn() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(bool, start_shown);
    QFETCH(bool, end_shown);

    open_notebook();
    QLineEdit* edit = box(u"Text1"_s);
    box(u"Text2"_s)->setFocus(); // no caret drawn among the digits
    edit->setText(text);
    edit->setCursorPosition(caret);
    const auto [inked_from, inked_to] = inked_columns(*edit);
    QVERIFY(inked_from < inked_to);

    QAccessibleTextInterface* accessible = text_of(edit);
    const QPoint box_origin = edit->mapToGlobal(QPoint(0, 0));
    auto in_box = [&](int offset) {
        return accessible->characterRect(offset).translated(-box_origin);
    };
    // Side by side, on the box's line.
    for (int offset = 0; offset < text.size(); ++offset) {
        const QRect rect = in_box(offset);
        QVERIFY2(rect.width() > 0, qPrintable(QString::number(offset)));
        QVERIFY(rect.top() >= 0 && rect.bottom() < edit->height());
        if (offset > 0)
            QVERIFY(qAbs(rect.left() - in_box(offset - 1).right() - 1) <= 1);
    }
    // Where the box drew them: the first character's ink starts the ink seen, and the last's
    // ends it, unless the box is scrolled so that the character lies beyond its edge.
    const QRect first = in_box(0);
    const QRect last = in_box(int(text.size()) - 1);
    if (start_shown)
        QVERIFY2(first.left() - 1 <= inked_from && inked_from <= first.right() + 1,
                 qPrintable(u"ink from %1"_s.arg(inked_from)));
    else
        QVERIFY(first.right() < 0);
    if (end_shown)
        QVERIFY2(last.left() - 1 <= inked_to && inked_to <= last.right() + 1,
                 qPrintable(u"ink to %1"_s.arg(inked_to)));
    else
        QVERIFY(last.left() >= edit->width());

    // And back: the character at the middle of each one in view is that one; none is at a
    // point outside the box or beyond the text's end.
    for (int offset = 0; offset < text.size(); ++offset) {
        const QRect rect = accessible->characterRect(offset);
        if (edit->rect().contains(edit->mapFromGlobal(rect.center())))
            QCOMPARE(accessible->offsetAtPoint(rect.center()), offset);
    }
    QCOMPARE(accessible->offsetAtPoint(box_origin + QPoint(-3, edit->height() / 2)), -1);
    if (end_shown)
        QCOMPARE(accessible->offsetAtPoint(last.translated(box_origin).center() +
                                           QPoint(last.width(), 0)),
                 -1);
    QCOMPARE(accessible->characterRect(int(text.size())), QRect());
}

// The interface stands in for Qt's own: what a screen reader does through it lands in the box.
void TestLineEditAccessible::screenReaderEditsTheBox() {
    open_notebook();
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

    // Offsets beyond the text stop at its ends, in either order.
    QCOMPARE(text->text(-5, 99), u"-1273"_s);
    QCOMPARE(text->text(3, 1), u"12"_s);
    accessible->editableTextInterface()->insertText(99, u"0"_s);
    QCOMPARE(edit->text(), u"-12730"_s);
    accessible->editableTextInterface()->deleteText(99, 3);
    QCOMPARE(edit->text(), u"-12"_s);
    text->setSelection(0, -1, 99);
    QCOMPARE(edit->selectedText(), u"-12"_s);
}

// What a screen reader changes, the user changed: it can be undone, and the notebook reacts to
// it as to typing.
void TestLineEditAccessible::editsAreTheUsersOwn() {
    calculate_with(4, u"1000"_s, u"300"_s);
    QLineEdit* result = box(u"Text3"_s);
    QCOMPARE(result->text(), u"11111.11"_s);
    QVERIFY(result->font().pointSizeF() < 12.0); // drawn smaller to fit

    QAccessible::queryAccessibleInterface(result)->setText(QAccessible::Value, u"7"_s);
    QCOMPARE(result->text(), u"7"_s);
    QCOMPARE(result->font().pointSizeF(), 12.0); // the user's own text, at the designed size
    result->undo();
    QCOMPARE(result->text(), u"11111.11"_s);

    // A failure's notice goes as the reader edits the box, as it goes at the user's typing.
    QLineEdit* entry = box(u"Text1"_s);
    entry->setText(u"abc"_s);
    calculate();
    QVERIFY(visible_notice());
    QAccessible::queryAccessibleInterface(entry)->editableTextInterface()->replaceText(0, 3,
                                                                                       u"1"_s);
    QCOMPARE(entry->text(), u"1"_s);
    QVERIFY(!visible_notice());
}

// A box reached by Tab has its text selected, but a screen reader must learn of the focus first:
// a selection in a box that is not yet the focus is spoken on its own, and the number is heard
// twice. Qt announces the focus once the Tab key's handling has given it, so the box must still
// be unselected when that handling ends. (The offscreen platform has no screen reader bridge, so
// the announcements themselves are heard in the Orca check.)
void TestLineEditAccessible::focusAnnouncedBeforeSelection_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QString>("to");

    QTest::newRow("Tab from the first entry to the second") << u"Text1"_s << false << u"Text2"_s;
    QTest::newRow("Tab from the second entry to the result") << u"Text2"_s << false << u"Text3"_s;
    QTest::newRow("Backtab from 計算 to the result") << u"Command1"_s << true << u"Text3"_s;
}

void TestLineEditAccessible::focusAnnouncedBeforeSelection() {
    QFETCH(QString, from);
    QFETCH(bool, backwards);
    QFETCH(QString, to);

    calculate_with(4, u"1000"_s, u"300"_s);
    QLineEdit* target = box(to);
    QVERIFY(!target->text().isEmpty());
    QWidget* start = control<QWidget>(u"NOTE"_s, from);
    start->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(start->hasFocus());

    QTest::keyClick(start, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                    backwards ? Qt::ShiftModifier : Qt::NoModifier);
    QVERIFY(target->hasFocus());
    QCOMPARE(target->selectedText(), QString());
    QTRY_COMPARE(target->selectedText(), target->text());
}

// Tab selects the box's text so that what is typed next replaces it, however soon it is typed.
void TestLineEditAccessible::tabSelectsForTypingOver_data() {
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("copied");

    QTest::newRow("nothing: the whole text selected") << u""_s << u"1000"_s << u"1000"_s << u""_s;
    QTest::newRow("a digit at once: it replaces the text") << u"type"_s << u"5"_s << u""_s << u""_s;
    QTest::newRow("Ctrl+C at once: the whole text copied")
        << u"copy"_s << u"1000"_s << u"1000"_s << u"1000"_s;
    QTest::newRow("a click at once: the cursor placed, nothing selected")
        << u"click"_s << u"1000"_s << u""_s << u""_s;
}

void TestLineEditAccessible::tabSelectsForTypingOver() {
    QFETCH(QString, then);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    QFETCH(QString, copied);

    open_notebook();
    QLineEdit* first = box(u"Text1"_s);
    QLineEdit* second = box(u"Text2"_s);
    second->setText(u"1000"_s);
    QGuiApplication::clipboard()->clear();
    first->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(first->hasFocus());

    // Each step is delivered at once, with no turn of the event loop in between.
    QTest::keyClick(first, Qt::Key_Tab);
    QVERIFY(second->hasFocus());
    if (then == u"type")
        QTest::keyClick(second, Qt::Key_5);
    else if (then == u"copy")
        QTest::keyClick(second, Qt::Key_C, Qt::ControlModifier);
    else if (then == u"click")
        QTest::mouseClick(second, Qt::LeftButton, {}, second->rect().center());
    QCoreApplication::processEvents();

    QCOMPARE(second->text(), text);
    QCOMPARE(second->selectedText(), selected);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

QTEST_MAIN(TestLineEditAccessible)
#include "tst_line_edit_accessible.moc"
