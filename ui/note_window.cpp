#include "note_window.h"

#include "failure_notice.h"
#include "result_box.h"
#include "select_after_focus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

namespace zumora {

namespace {

constexpr QRgb kProblemGreen = qRgb(0, 128, 0);
constexpr QRgb kResultRed = qRgb(255, 0, 0);

using T = ControlType;
// From top to bottom as they appear. Label1 reaches 45 twips beyond the client area's right
// edge; the end of a long problem statement is clipped there.
// clang-format off
//                      type             name        caption      left   top   width height tab points colour
constexpr std::array kNoteControls{
    ControlDesign{T::Label,      u"Label1",   u"Label1",   240,  240, 3135,  375, 0,  0.0,  kProblemGreen},
    ControlDesign{T::TextBox,    u"Text1",    u"",        1680,  720,  975,  390, 1, 12.0},
    ControlDesign{T::Label,      u"Label2",   u"Label2",   360,  840, 1335,  375, 2, 11.25},
    ControlDesign{T::TextBox,    u"Text2",    u"",        1680, 1320,  975,  390, 3, 12.0},
    ControlDesign{T::Label,      u"Label3",   u"Label3",   360, 1440, 1335,  375, 4, 11.25},
    ControlDesign{T::PushButton, u"Command1", u"計算",     360, 2040, 1095,  615, 6, 14.25},
    ControlDesign{T::PushButton, u"Command2", u"クリヤ",  1920, 2040, 1095,  615, 7, 14.25},
    ControlDesign{T::TextBox,    u"Text3",    u"",        1680, 3000,  975,  375, 5, 12.0, kResultRed},
    ControlDesign{T::Label,      u"Label4",   u"Label4",   360, 3120, 1335,  375, 9, 11.25},
    ControlDesign{T::PushButton, u"Command3", u"MENU",    2160, 3600,  975,  495, 8,  9.75},
};
// clang-format on

// Five ideographic spaces, then the program's title.
constexpr WindowDesign kNoteDesign{u"NOTE", u"\u3000\u3000\u3000\u3000\u3000ズモラ", 3330, 4185,
                                   kNoteControls};

template <typename W> W* control(const Controls& controls, QStringView name) {
    auto* widget = qobject_cast<W*>(controls.value(name.toString()));
    Q_ASSERT(widget);
    return widget;
}

} // namespace

NoteWindow::NoteWindow(QWidget* parent)
    : QWidget(parent, kFixedWindowFlags)
    , m_notice(new FailureNotice(this)) {
    const Controls controls = build_window(*this, kNoteDesign);
    m_problem = control<QLabel>(controls, u"Label1");
    m_first_caption = control<QLabel>(controls, u"Label2");
    m_second_caption = control<QLabel>(controls, u"Label3");
    m_result_caption = control<QLabel>(controls, u"Label4");
    m_first = control<QLineEdit>(controls, u"Text1");
    m_second = control<QLineEdit>(controls, u"Text2");
    m_result = control<QLineEdit>(controls, u"Text3");
    m_result_box = new ResultBox(*m_result);
    for (QLineEdit* box : {m_first, m_second, m_result})
        new SelectAfterFocus(*box);

    // A screen reader names each box by its caption.
    m_first_caption->setBuddy(m_first);
    m_second_caption->setBuddy(m_second);
    m_result_caption->setBuddy(m_result);

    // Any next action takes a failure message away: a press of a button, or typing.
    for (QStringView name : {u"Command1", u"Command2", u"Command3"})
        connect(control<QPushButton>(controls, name), &QPushButton::pressed, this,
                &NoteWindow::dismiss_failure);
    for (QLineEdit* box : {m_first, m_second, m_result})
        connect(box, &QLineEdit::textEdited, this, &NoteWindow::dismiss_failure);

    connect(control<QPushButton>(controls, u"Command1"), &QPushButton::clicked, this,
            &NoteWindow::calculateRequested);
    connect(control<QPushButton>(controls, u"Command2"), &QPushButton::clicked, this,
            &NoteWindow::clearRequested);
    connect(control<QPushButton>(controls, u"Command3"), &QPushButton::clicked, this,
            &NoteWindow::backRequested);
}

QString NoteWindow::first_entry() const {
    return m_first->text();
}
QString NoteWindow::second_entry() const {
    return m_second->text();
}

void NoteWindow::apply_kind_captions(CalcKind kind) {
    const KindCaptions captions = captions_for_kind(kind);
    m_problem->setText(captions.problem.toString());
    m_first_caption->setText(captions.first_entry.toString());
    m_second_caption->setText(captions.second_entry.toString());
    m_result_caption->setText(captions.result.toString());
}

void NoteWindow::focus_first_entry() {
    m_first->setFocus(Qt::OtherFocusReason);
}

void NoteWindow::show_result(const QString& text) {
    dismiss_failure();
    m_result_box->show_result(text);
}

void NoteWindow::show_failure(ResultCode code) {
    QLineEdit* box = m_result;
    QString caption;
    if (code == ResultCode::FirstEntryNotANumber) {
        box = m_first;
        caption = m_first_caption->text();
    } else if (code == ResultCode::SecondEntryNotANumber) {
        box = m_second;
        caption = m_second_caption->text();
    }
    QApplication::beep();
    // The box concerned carries the message before the focus moves to it: a screen reader
    // speaks the description of the control that gains the focus along with its name. (Orca 43
    // fails on the description-change event of Qt 6.4, so a change alone would go unheard.)
    m_notice->show_beside(*box, failure_message(code, caption));
    box->setFocus(Qt::OtherFocusReason);
    if (box != m_result)
        box->selectAll(); // ready to be typed over
}

void NoteWindow::dismiss_failure() {
    m_notice->dismiss();
}

void NoteWindow::clear_boxes() {
    dismiss_failure();
    m_first->clear();
    m_second->clear();
    m_result_box->clear();
}

void NoteWindow::closeEvent(QCloseEvent* event) {
    event->accept(); // closing the notebook always ends the program
    emit closed();
}

void NoteWindow::hideEvent(QHideEvent* event) {
    dismiss_failure();
    QWidget::hideEvent(event);
}

} // namespace zumora
