#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace zumora {

// Makes a narrow text box show a calculation's result whole: at the box's own (designed) size
// when the text fits, else at the largest size that fits down to a legible floor, and beyond
// that cut with a visible ellipsis, with the whole result as its tooltip. The box stays an
// ordinary editable line edit: its text and accessible value are always the whole result, it
// takes typing like any text box, and typed text is shown at the designed size. A cut result stays
// drawn cut when the box gets the focus (a failure gives it to the box); once the user clicks or
// presses a key in the box it is drawn as a line edit always is, scrolled to its cursor, until the
// focus leaves.
class ResultBox : public QObject {
    Q_OBJECT

public:
    explicit ResultBox(QLineEdit& box);

    void show_result(const QString& text);
    void clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void back_to_design_size();
    void paint_cut();

    QLineEdit& m_box;
    double m_design_points;
    bool m_cut = false;         // too wide even at the floor: drawn cut
    bool m_user_in_box = false; // clicked or typed in since the focus came
};

} // namespace zumora
