#include "menu_window.h"

#include "empty_title.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>
#include <array>

namespace zumora {

using namespace Qt::StringLiterals;

namespace {

constexpr QRgb kTitleBlue = qRgb(128, 128, 255);

using T = ControlType;
using K = CalcKind;
// From top to bottom as they appear. Each option's name and caption come from its kind's row,
// so kind and option cannot drift apart. The options read kinds 1, 2, 3, 5, 4, 6 from the top:
// the two cylindrical vessels together, then the two square ones.
// clang-format off
//             type             name        caption                                        left   top  width height tab points colour centred parent
constexpr std::array kMenuControls{
    ControlDesign{T::Label,        u"Label1",   u"ズモラ",             480,  120, 2295,  495, 5, 20.25, kTitleBlue, true},
    ControlDesign{T::GroupBox,     u"Frame1",   u"どれにしますか",     240,  840, 2655, 2775, 0},
    ControlDesign{T::OptionButton, kind_row(K::FlowVelocity).menu_option, kind_row(K::FlowVelocity).menu_caption, 240,  360, 2295,  375, 1, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::OptionButton, kind_row(K::PipeDiameter).menu_option, kind_row(K::PipeDiameter).menu_caption, 240,  720, 2295,  375, 2, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::OptionButton, kind_row(K::CylinderHeight).menu_option, kind_row(K::CylinderHeight).menu_caption, 240, 1080, 2295,  375, 3, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::OptionButton, kind_row(K::CylinderVolume).menu_option, kind_row(K::CylinderVolume).menu_caption, 240, 1440, 2295,  375, 7, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::OptionButton, kind_row(K::SquareHeight).menu_option, kind_row(K::SquareHeight).menu_caption, 240, 1800, 2295,  375, 4, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::OptionButton, kind_row(K::SquareVolume).menu_option, kind_row(K::SquareVolume).menu_caption, 240, 2160, 2295,  375, 8, 11.25, {}, false, u"Frame1"},
    ControlDesign{T::PushButton,   u"Command1", u"ノモク",             840, 3840, 1455,  495, 6, 14.25},
};
// clang-format on

constexpr WindowDesign kMenuDesign{u"MENU", u"", 3135, 4530, kMenuControls};

} // namespace

MenuWindow::MenuWindow(QWidget* parent)
    : QWidget(parent, kFixedWindowFlags)
    , m_options(new QButtonGroup(this)) {
    const Controls controls = build_window(*this, kMenuDesign);
    // Button ids are the kinds, so the group answers with a kind directly.
    for (const CalcKindRow& row : CalcKindTable) {
        auto* button = qobject_cast<QAbstractButton*>(controls.value(row.menu_option.toString()));
        Q_ASSERT(button);
        m_options->addButton(button, kind_number(row.kind));
        button->installEventFilter(this);
    }
    auto* open = qobject_cast<QPushButton*>(controls.value(u"Command1"_s));
    connect(open, &QPushButton::clicked, this, &MenuWindow::openNotebookRequested);
}

std::optional<CalcKind> MenuWindow::selected_kind() const {
    for (int n = kFirstKind; n <= kLastKind; ++n) {
        if (m_options->button(n)->isChecked())
            return kind_from_number(n);
    }
    return std::nullopt;
}

void MenuWindow::showEvent(QShowEvent* event) {
    // The native window exists now and is not mapped yet.
    keep_title_empty(*this);
    QWidget::showEvent(event);
}

// An arrow key moves to the neighbouring option on screen and selects it, whichever option
// holds the focus, as on a Japanese Windows desktop. Qt itself selects only when moving from the
// selected option, so the first arrow press after start-up would select nothing. The group ends
// at its top and bottom options; Left and Right act as Up and Down. The keypad's arrows (NumLock
// off) are the same keys: they differ only by the keypad modifier.
bool MenuWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* option = qobject_cast<QAbstractButton*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!option || m_options->id(option) < 0 ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    int step = 0;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)
        step = -1;
    else if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)
        step = 1;
    else
        return false;

    QList<QAbstractButton*> on_screen = m_options->buttons();
    std::sort(on_screen.begin(), on_screen.end(),
              [](const QAbstractButton* a, const QAbstractButton* b) { return a->y() < b->y(); });
    const qsizetype next = on_screen.indexOf(option) + step;
    if (next >= 0 && next < on_screen.size()) {
        QAbstractButton* neighbour = on_screen[next];
        neighbour->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        neighbour->setChecked(true);
    }
    return true;
}

void MenuWindow::closeEvent(QCloseEvent* event) {
    event->accept(); // closing the menu always ends the program
    emit closed();
}

} // namespace zumora
