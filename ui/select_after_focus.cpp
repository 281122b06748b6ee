#include "select_after_focus.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>

namespace zumora {

namespace {

// The reasons for which a line edit selects its text as the focus arrives.
bool selects_on_focus(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

} // namespace

SelectAfterFocus::SelectAfterFocus(QLineEdit& box)
    : QObject(&box)
    , m_box(box) {
    m_box.installEventFilter(this);
}

bool SelectAfterFocus::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_box)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn: {
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (!selects_on_focus(focus->reason()) || m_box.hasSelectedText())
            return false;
        // The box takes the focus as for any other reason, which leaves its text unselected;
        // the selection follows once the focus has been announced.
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&m_box, &plain);
        // An empty box has nothing to select, and a screen reader nothing more to hear.
        m_pending = !m_box.text().isEmpty();
        if (m_pending)
            QMetaObject::invokeMethod(this, &SelectAfterFocus::select_pending,
                                      Qt::QueuedConnection);
        return true;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
        select_pending();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::FocusOut:
        m_pending = false;
        break;
    default:
        break;
    }
    return false;
}

void SelectAfterFocus::select_pending() {
    if (!m_pending)
        return;
    m_pending = false;
    if (m_box.hasFocus())
        m_box.selectAll();
}

} // namespace zumora
