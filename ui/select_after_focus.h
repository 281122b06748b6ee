#pragma once

#include <QObject>

class QLineEdit;

namespace zumora {

// Selects a text box's whole text when Tab, Backtab or a shortcut brings the focus to it, as a
// line edit always does, but only once the focus has been announced to assistive technology.
// A line edit selects inside its focus-in handling, before Qt announces the focus, so a screen
// reader hears the selection of a box that is not yet its focus and then the focus with that
// selection: the number twice. Selected after the announcement, the selection is already part
// of the focus and is heard once.
//
// The selection is made on the next turn of the event loop, or sooner, before any key or input
// method event reaches the box, so that typing straight after Tab replaces the text as it always
// has. A click in the box before then places the cursor instead, as it would have anyway.
class SelectAfterFocus : public QObject {
    Q_OBJECT

public:
    explicit SelectAfterFocus(QLineEdit& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void select_pending();

    QLineEdit& m_box;
    bool m_pending = false;
};

} // namespace zumora
