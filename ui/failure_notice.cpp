#include "failure_notice.h"

#include <QAccessible>
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

void FailureNotice::show_below(const QWidget& box, const QString& message) {
    setText(message);
    adjustSize();
    QPoint at = box.mapToGlobal(QPoint(0, box.height() + 2));
    // Keep the whole message on the screen, also for a box near its right or bottom edge.
    if (const QScreen* screen = box.screen()) {
        const QRect area = screen->geometry();
        at.setX(qBound(area.left(), at.x(), area.right() + 1 - width()));
        if (at.y() + height() > area.bottom() + 1)
            at.setY(box.mapToGlobal(QPoint(0, 0)).y() - height() - 2);
    }
    move(at);
    show();
    raise();
    m_timeout.start();

    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void FailureNotice::dismiss() {
    m_timeout.stop();
    hide();
}

} // namespace zumora
