#include "line_edit_accessible.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QValidator>

using namespace Qt::StringLiterals;

namespace zumora {

namespace {

// Offset -2 stands for the caret in Qt's text interface.
constexpr int kCaretOffset = -2;

QAccessibleInterface* line_edit_factory(const QString& class_name, QObject* object) {
    if (class_name == "QLineEdit"_L1 && object && object->isWidgetType())
        return new LineEditAccessible(static_cast<QLineEdit*>(object));
    return nullptr;
}

} // namespace

LineEditAccessible::LineEditAccessible(QLineEdit* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {
    addControllingSignal(u"textChanged(QString)"_s);
    addControllingSignal(u"returnPressed()"_s);
}

QLineEdit* LineEditAccessible::box() const {
    return static_cast<QLineEdit*>(object());
}

QString LineEditAccessible::text(QAccessible::Text t) const {
    QString text;
    if (t == QAccessible::Value)
        text = box()->displayText();
    if (text.isEmpty())
        text = QAccessibleWidget::text(t);
    return text;
}

void LineEditAccessible::setText(QAccessible::Text t, const QString& text) {
    if (t != QAccessible::Value) {
        QAccessibleWidget::setText(t, text);
        return;
    }
    QString candidate = text;
    int position = 0;
    if (const QValidator* validator = box()->validator();
        validator && validator->validate(candidate, position) != QValidator::Acceptable)
        return;
    box()->setText(candidate);
}

QAccessible::State LineEditAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (box()->isReadOnly())
        state.readOnly = true;
    else
        state.editable = true;
    if (box()->echoMode() != QLineEdit::Normal)
        state.passwordEdit = true;
    state.selectableText = true;
    return state;
}

void* LineEditAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void LineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

QString LineEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    const int count = characterCount();
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = offset;
        return {};
    }
    *startOffset = 0;
    *endOffset = count;
    return {};
}

int LineEditAccessible::cursorPosition() const {
    return box()->cursorPosition();
}

// Where the character lies as laid out from the text's start, as Qt's own interface reckons it.
QRect LineEditAccessible::characterRect(int offset) const {
    const QString character = text(offset, offset + 1);
    if (character.isEmpty())
        return {};
    const QFontMetrics metrics(box()->font());
    const QRect rect(metrics.horizontalAdvance(box()->displayText().left(offset)),
                     box()->textMargins().top(), metrics.horizontalAdvance(character),
                     metrics.height());
    return rect.translated(box()->mapToGlobal(QPoint(0, 0)));
}

int LineEditAccessible::selectionCount() const {
    return box()->hasSelectedText() ? 1 : 0;
}

int LineEditAccessible::offsetAtPoint(const QPoint& point) const {
    return box()->cursorPositionAt(box()->mapFromGlobal(point));
}

void LineEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0)
        return;
    *startOffset = box()->selectionStart();
    *endOffset = box()->selectionEnd();
}

QString LineEditAccessible::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset)
        return {};
    return box()->displayText().mid(startOffset, endOffset - startOffset);
}

QString LineEditAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
    if (offset == kCaretOffset)
        offset = cursorPosition();
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
}

QString LineEditAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    if (offset == kCaretOffset)
        offset = cursorPosition();
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
}

QString LineEditAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    if (offset == kCaretOffset)
        offset = cursorPosition();
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
}

void LineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        box()->deselect();
}

void LineEditAccessible::setCursorPosition(int position) {
    box()->setCursorPosition(position);
}

void LineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        box()->setSelection(startOffset, endOffset - startOffset);
}

int LineEditAccessible::characterCount() const {
    return int(box()->displayText().size());
}

void LineEditAccessible::scrollToSubstring(int startIndex, int endIndex) {
    box()->setCursorPosition(endIndex);
    box()->setCursorPosition(startIndex);
}

void LineEditAccessible::deleteText(int startOffset, int endOffset) {
    box()->setText(box()->text().remove(startOffset, endOffset - startOffset));
}

void LineEditAccessible::insertText(int offset, const QString& text) {
    box()->setText(box()->text().insert(offset, text));
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    box()->setText(box()->text().replace(startOffset, endOffset - startOffset, text));
}

void install_line_edit_accessibility() {
    // The last factory installed is asked first, before Qt's own.
    QAccessible::installFactory(&line_edit_factory);
}

} // namespace zumora
