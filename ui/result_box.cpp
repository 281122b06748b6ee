#include "result_box.h"

#include "result_fit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zumora {

namespace {

// A line edit keeps this many pixels free on either side of its text, inside its frame.
constexpr int kLineEditSideMargin = 2;

// The panel a line edit draws itself with.
QStyleOptionFrame panel_of(const QLineEdit& box) {
    QStyleOptionFrame panel;
    panel.initFrom(&box);
    panel.rect = box.contentsRect();
    panel.lineWidth =
        box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, &box) : 0;
    panel.midLineWidth = 0;
    panel.state |= QStyle::State_Sunken;
    if (box.isReadOnly())
        panel.state |= QStyle::State_ReadOnly;
    panel.features = QStyleOptionFrame::None;
    return panel;
}

// The strip a line edit draws its text in.
QRect text_strip(const QLineEdit& box) {
    const QStyleOptionFrame panel = panel_of(box);
    const QRect contents = box.style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, &box)
                               .marginsRemoved(box.textMargins());
    return contents.adjusted(kLineEditSideMargin, 0, -kLineEditSideMargin, 0);
}

} // namespace

ResultBox::ResultBox(QLineEdit& box)
    : QObject(&box)
    , m_box(box)
    , m_design_points(box.font().pointSizeF()) {
    m_box.installEventFilter(this);
    // Text typed over a result is the user's own: no longer that result, shown as designed.
    connect(&m_box, &QLineEdit::textEdited, this, [this] {
        m_box.setToolTip({});
        back_to_design_size();
    });
}

void ResultBox::show_result(const QString& text) {
    QFont font = m_box.font();
    const ResultFit fit =
        fit_result(m_design_points, text_strip(m_box).width(), [&](double points) {
            font.setPointSizeF(points);
            return QFontMetricsF(font, &m_box).horizontalAdvance(text);
        });
    font.setPointSizeF(fit.points);
    m_box.setFont(font);
    m_cut = !fit.whole;
    m_user_in_box = false;
    m_box.setText(text);
    // When the box is scrolled by its cursor, the leading digits are what must show.
    m_box.setCursorPosition(0);
    // Only a result drawn cut needs its whole text shown on hovering.
    m_box.setToolTip(m_cut ? text : QString());
    m_box.update();
}

void ResultBox::clear() {
    m_box.clear();
    m_box.setToolTip({});
    back_to_design_size();
}

void ResultBox::back_to_design_size() {
    m_cut = false;
    if (m_box.font().pointSizeF() != m_design_points) {
        QFont font = m_box.font();
        font.setPointSizeF(m_design_points);
        m_box.setFont(font);
    }
    m_box.update();
}

bool ResultBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_box)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        if (m_cut && !(m_box.hasFocus() && m_user_in_box)) {
            paint_cut();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress: {
        // The user starts working in the box: from now on it is drawn as a text box, with its
        // cursor. Tab only passes through.
        const auto* key =
            event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
        if (!m_user_in_box &&
            !(key && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab))) {
            m_user_in_box = true;
            m_box.update();
        }
        break;
    }
    case QEvent::FocusOut:
        m_user_in_box = false;
        m_box.update();
        break;
    default:
        break;
    }
    return false;
}

// Draws the box as the line edit would, but with the result cut at the strip's end and an
// ellipsis in place of what does not fit, so that a cut result never reads as a shorter number.
void ResultBox::paint_cut() {
    QPainter painter(&m_box);
    const QStyleOptionFrame panel = panel_of(m_box);
    m_box.style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, &m_box);

    const QRect strip = text_strip(m_box);
    const QString shown =
        QFontMetricsF(m_box.font(), &m_box).elidedText(m_box.text(), Qt::ElideRight, strip.width());
    // Vertically where the line edit itself puts its line of text.
    const QFontMetrics metrics(m_box.font(), &m_box);
    const int line_height = qMax(metrics.boundingRect(m_box.text()).height(), metrics.height());
    const int line_top = strip.y() + (strip.height() - line_height + 1) / 2;
    painter.setClipRect(strip);
    painter.setFont(m_box.font());
    // Tab (or Ctrl+A) selects the whole result, ready to be typed over; it shows as a line
    // edit shows a selection. Selecting less takes a click or key in the box, which ends
    // drawing it cut.
    const bool selected = m_box.hasSelectedText() && m_box.selectedText() == m_box.text();
    if (selected) {
        const QRectF behind(strip.x(), line_top,
                            QFontMetricsF(m_box.font(), &m_box).horizontalAdvance(shown),
                            line_height);
        painter.fillRect(behind, m_box.palette().brush(QPalette::Highlight));
    }
    painter.setPen(m_box.palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(QPoint(strip.x(), line_top + metrics.ascent()), shown);
}

} // namespace zumora
