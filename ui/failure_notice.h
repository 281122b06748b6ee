#pragma once

#include "result_code.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTimer>

namespace zumora {

// The short Japanese message that tells the user why a calculation gave no result.
// `entry_caption` names the entry concerned (its label's text) when an entry is not a number.
QString failure_message(ResultCode code, QStringView entry_caption);

// A small message in a tooltip-like window beside the box it is about, placed so that it hides
// none of the window's controls. It takes no focus and blocks nothing; it goes away on its own
// after a few seconds, or when dismissed at the user's next action.
//
// A screen reader hears it through the box it is about, which carries the message as its
// accessible description while it shows: screen readers speak the description of the control
// that gains the focus (Orca does), whereas the notice window itself is announced by nothing.
class FailureNotice : public QLabel {
    Q_OBJECT

public:
    explicit FailureNotice(QWidget* owner);

    void show_beside(QWidget& box, const QString& message);
    void dismiss();

private:
    QTimer m_timeout;
    QPointer<QWidget> m_described;
};

} // namespace zumora
