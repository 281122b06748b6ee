#include "failure_notice.h"

#include "notice_placement.h"

#include <QScreen>

namespace zumora {

using namespace Qt::StringLiterals;

namespace {

// Long enough to read a short sentence twice.
constexpr int kNoticeMilliseconds = 6000;

} // namespace

QString failure_message(ResultCode code, QStringView entry_caption) {
    switch (code) {
    case ResultCode::Ok:
        break;
    case ResultCode::FirstEntryNotANumber:
    case ResultCode::SecondEntryNotANumber:
        return u"「%1」が数値ではありません"_s.arg(entry_caption);
    case ResultCode::DivisionByZero:
        return u"0 で割ることになるため計算できません"_s;
    case ResultCode::InvalidOperation:
        return u"計算できない値です（負の数の平方根など）"_s;
    case ResultCode::Overflow:
        return u"結果が大きすぎて計算できません"_s;
    }
    return {};
}

FailureNotice::FailureNotice(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::BypassGraphicsProxyWidget) {
    setObjectName(u"FailureNotice"_s);
    setTextFormat(Qt::PlainText);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kNoticeMilliseconds);
    connect(&m_timeout, &QTimer::timeout, this, &FailureNotice::dismiss);
}

void FailureNotice::show_beside(QWidget& box, const QString& message) {
    dismiss();
    const QWidget* window = box.window();
    // A window of its own inherits no font: the message reads in the notebook's gothic, not in
    // whatever the desktop's default font falls back to for each script.
    setFont(window->font());
    setText(message);
    adjustSize();
    QList<QRect> controls;
    for (const QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control->isVisible())
            controls << QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
    }
    const QRect screen = box.screen() ? box.screen()->geometry() : window->frameGeometry();
    move(place_notice(QRect(box.mapToGlobal(QPoint(0, 0)), box.size()), size(),
                      window->frameGeometry(), screen, controls));
    show();
    raise();
    m_timeout.start();

    m_described = &box;
    box.setAccessibleDescription(message);
}

void FailureNotice::dismiss() {
    m_timeout.stop();
    hide();
    if (m_described)
        m_described->setAccessibleDescription({});
    m_described = nullptr;
}

} // namespace zumora
