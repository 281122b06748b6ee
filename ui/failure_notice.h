#pragma once

#include "result_code.h"

#include <QLabel>
#include <QString>
#include <QStringView>
#include <QTimer>

namespace zumora {

// The short Japanese message that tells the user why a calculation gave no result.
// `entry_caption` names the entry concerned (its label's text) when an entry is not a number.
QString failure_message(ResultCode code, QStringView entry_caption);

// A small message in a tooltip-like window just below the box it is about. It takes no focus
// and blocks nothing; it goes away on its own after a few seconds, or when dismissed at the
// user's next action.
class FailureNotice : public QLabel {
    Q_OBJECT

public:
    explicit FailureNotice(QWidget* owner);

    void show_below(const QWidget& box, const QString& message);
    void dismiss();

private:
    QTimer m_timeout;
};

} // namespace zumora
