#pragma once

#include "calc_kinds.h"
#include "result_code.h"
#include "window_design.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace zumora {

class FailureNotice;
class ResultBox;

// NOTE: the notebook in which one calculation is done. It holds the two entries, the result
// box and the four captions; it keeps no calculation kind of its own.
class NoteWindow : public QWidget {
    Q_OBJECT

public:
    explicit NoteWindow(QWidget* parent = nullptr);

    QString first_entry() const;
    QString second_entry() const;

    // Writes the kind's captions onto Label1 to Label4, in that order.
    void apply_kind_captions(CalcKind kind);
    void focus_first_entry();
    // Puts the result into Text3, drawn whole (smaller if need be) or plainly marked as cut.
    void show_result(const QString& text);
    // Tells the user, without a dialog, why the calculation gave no result: a beep and a short
    // message beside the box concerned, which then gets the focus and carries the message for
    // a screen reader: the entry that is not a number, with its text selected, ready to be
    // typed over, or the result box after an arithmetic fault. Every box keeps its text.
    void show_failure(ResultCode code);
    // Takes a failure message off the screen, at the user's next action.
    void dismiss_failure();
    // Empties Text1, Text2 and Text3, in that order. Captions and focus stay as they are.
    void clear_boxes();

signals:
    void calculateRequested();
    void clearRequested();
    void backRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* m_problem;
    QLabel* m_first_caption;
    QLabel* m_second_caption;
    QLabel* m_result_caption;
    QLineEdit* m_first;
    QLineEdit* m_second;
    QLineEdit* m_result;
    ResultBox* m_result_box;
    FailureNotice* m_notice;
};

} // namespace zumora
