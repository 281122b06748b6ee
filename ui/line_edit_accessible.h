#pragma once

#include <QAccessibleWidget>

class QLineEdit;

namespace zumora {

// What a screen reader learns of a text box, and what it may do to it.
//
// The box's text is drawn in one font and one colour, so the run of same-looking text around
// any offset is the whole text. Orca ends the line it speaks where the last such run ends, so
// a box that answered with less (Qt 6.4's own line edit answers with an empty run) would be
// heard cut short: "1000" as "100", a single digit not at all.
//
// The value is the box's text. A description that only repeats it (a result drawn cut carries
// itself as its tooltip) is left out, so that the result is heard once. An edit made through
// this interface is made as the user's own typing would be: it can be undone, and the windows
// react to it as to typing.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* box);

    // QAccessibleInterface
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTextInterface: reading
    int characterCount() const override;
    QString text(int startOffset, int endOffset) const override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;

    // QAccessibleTextInterface: the caret and the one selection a line edit has
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    int selectionCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;

    // QAccessibleEditableTextInterface
    void insertText(int offset, const QString& text) override;
    void deleteText(int startOffset, int endOffset) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    QLineEdit& box() const;
    int clamped(int offset) const;
    void edit(int from, int to, const QString& replacement);
};

// From now on every line edit of the program answers screen readers through
// LineEditAccessible. Call it before the first line edit is created; calling it again does
// nothing.
void install_line_edit_accessibility();

} // namespace zumora
