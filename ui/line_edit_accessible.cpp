#include "line_edit_accessible.h"

#include <QLineEdit>
#include <QTextLayout>
#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace zumora {

namespace {

// The box's text set on one line in the box's font, as the box itself sets it, for the places
// of its characters.
class TextLine {
public:
    explicit TextLine(const QLineEdit& box)
        : m_layout(box.text(), box.font(), &box) {
        m_layout.beginLayout();
        m_line = m_layout.createLine();
        m_layout.endLayout();
    }

    double x_of(int offset) const { return m_line.cursorToX(offset); }
    int character_at(double x) const { return m_line.xToCursor(x, QTextLine::CursorOnCharacter); }
    double width() const { return m_line.naturalTextWidth(); }

private:
    QTextLayout m_layout;
    QTextLine m_line;
};

// Where the box draws its line of text, in the box's own coordinates: the text's left end,
// scrolled and aligned as the box has drawn it, and the line's top and height.
struct LinePlace {
    double left;
    double top;
    double height;
};

// Qt tells input methods the caret's rectangle, centred on the caret; the text's left end lies
// the caret's distance into the text before it.
LinePlace line_place(const QLineEdit& box, const TextLine& line) {
    const QRectF caret = box.inputMethodQuery(Qt::ImCursorRectangle).toRectF();
    return {caret.center().x() - line.x_of(box.cursorPosition()), caret.top(), caret.height()};
}

QAccessibleInterface* line_edit_factory(const QString& class_name, QObject* object) {
    auto* box = class_name == "QLineEdit"_L1 ? qobject_cast<QLineEdit*>(object) : nullptr;
    return box ? new LineEditAccessible(box) : nullptr;
}

} // namespace

LineEditAccessible::LineEditAccessible(QLineEdit* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {}

QLineEdit& LineEditAccessible::box() const {
    return *static_cast<QLineEdit*>(widget());
}

int LineEditAccessible::clamped(int offset) const {
    return std::clamp(offset, 0, characterCount());
}

QString LineEditAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Value:
        return box().text();
    case QAccessible::Description: {
        QString description = QAccessibleWidget::text(t);
        return description == box().text() ? QString() : description;
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

void LineEditAccessible::setText(QAccessible::Text t, const QString& text) {
    if (t == QAccessible::Value)
        edit(0, characterCount(), text);
    else
        QAccessibleWidget::setText(t, text);
}

QAccessible::State LineEditAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.selectableText = true;
    state.readOnly = box().isReadOnly();
    state.editable = !state.readOnly;
    return state;
}

void* LineEditAccessible::interface_cast(QAccessible::InterfaceType t) {
    switch (t) {
    case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
    case QAccessible::EditableTextInterface:
        return static_cast<QAccessibleEditableTextInterface*>(this);
    default:
        return QAccessibleWidget::interface_cast(t);
    }
}

int LineEditAccessible::characterCount() const {
    return int(box().text().size());
}

QString LineEditAccessible::text(int startOffset, int endOffset) const {
    const auto [from, to] = std::minmax({clamped(startOffset), clamped(endOffset)});
    return box().text().sliced(from, to - from);
}

// The box has no attributes of its own to tell, and one run: its whole text.
QString LineEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    const bool inside = offset >= 0 && offset <= characterCount();
    *startOffset = inside ? 0 : -1;
    *endOffset = inside ? characterCount() : -1;
    return {};
}

QRect LineEditAccessible::characterRect(int offset) const {
    if (offset < 0 || offset >= characterCount())
        return {};
    const TextLine line(box());
    const LinePlace place = line_place(box(), line);
    const double left = place.left + line.x_of(offset);
    const double right = place.left + line.x_of(offset + 1);
    const QRectF character(left, place.top, right - left, place.height);
    return character.toAlignedRect().translated(box().mapToGlobal(QPoint(0, 0)));
}

int LineEditAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint in_box = box().mapFromGlobal(point);
    if (!box().rect().contains(in_box))
        return -1;
    const TextLine line(box());
    const double x = in_box.x() - line_place(box(), line).left;
    if (x < 0 || x >= line.width())
        return -1;
    return line.character_at(x);
}

// A line edit scrolls only to keep its caret in view: the caret visits the substring's end,
// then stays at its start, and the box shows as much of it as it can.
void LineEditAccessible::scrollToSubstring(int startIndex, int endIndex) {
    const auto [from, to] = std::minmax({clamped(startIndex), clamped(endIndex)});
    for (int stop : {to, from})
        box().setCursorPosition(stop);
}

int LineEditAccessible::cursorPosition() const {
    return box().cursorPosition();
}

void LineEditAccessible::setCursorPosition(int position) {
    box().setCursorPosition(clamped(position));
}

int LineEditAccessible::selectionCount() const {
    return box().hasSelectedText() ? 1 : 0;
}

void LineEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    const bool exists = selectionIndex == 0 && box().hasSelectedText();
    *startOffset = exists ? box().selectionStart() : 0;
    *endOffset = exists ? box().selectionEnd() : 0;
}

void LineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0)
        return;
    const int from = clamped(startOffset);
    box().setSelection(from, clamped(endOffset) - from);
}

// A line edit holds one selection: a new one takes the place of the old.
void LineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void LineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        box().deselect();
}

void LineEditAccessible::insertText(int offset, const QString& text) {
    edit(offset, offset, text);
}

void LineEditAccessible::deleteText(int startOffset, int endOffset) {
    edit(startOffset, endOffset, {});
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    edit(startOffset, endOffset, text);
}

// Every edit goes the way typing goes: the span is selected and typed over. So it joins the
// box's undo history, and QLineEdit::textEdited tells the windows that the user changed the
// text (a result drawn smaller goes back to the designed size, a failure notice goes).
void LineEditAccessible::edit(int from, int to, const QString& replacement) {
    std::tie(from, to) = std::minmax({clamped(from), clamped(to)});
    box().setSelection(from, to - from);
    box().insert(replacement);
}

void install_line_edit_accessibility() {
    // The last factory installed is asked first, before Qt's own.
    QAccessible::installFactory(&line_edit_factory);
}

} // namespace zumora
