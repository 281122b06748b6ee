#include "window_design.h"

#include "japanese_font.h"
#include "twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <vector>

namespace zumora {

namespace {

QRect pixel_rect(const ControlDesign& c) {
    return {twips_to_pixels(c.left), twips_to_pixels(c.top), twips_to_pixels(c.width),
            twips_to_pixels(c.height)};
}

QWidget* make_control(const ControlDesign& c, QWidget* parent) {
    const QString caption = c.caption.toString();
    switch (c.type) {
    case ControlType::Label: {
        auto* label = new QLabel(caption, parent);
        // Captions sit at the top of their label, where the design's text boxes expect them.
        label->setAlignment((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlType::GroupBox:
        return new QGroupBox(caption, parent);
    case ControlType::OptionButton:
        return new QRadioButton(caption, parent);
    case ControlType::PushButton: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false); // no default button: Enter presses nothing
        return button;
    }
    case ControlType::TextBox:
        return new QLineEdit(caption, parent);
    }
    Q_UNREACHABLE();
    return nullptr;
}

void apply_text_color(QWidget& control, ControlType type, QRgb rgb) {
    QPalette palette = control.palette();
    const QPalette::ColorRole role =
        type == ControlType::TextBox ? QPalette::Text : QPalette::WindowText;
    palette.setColor(role, QColor::fromRgb(rgb));
    control.setPalette(palette);
}

} // namespace

Controls build_window(QWidget& window, const WindowDesign& design) {
    window.setObjectName(design.name.toString());
    window.setWindowTitle(design.title.toString());
    window.setFixedSize(twips_to_pixels(design.client_width),
                        twips_to_pixels(design.client_height));
    window.setFont(design_font(kWindowFontPoints));

    Controls controls;
    for (const ControlDesign& c : design.controls) {
        QWidget* parent = c.parent.isEmpty() ? &window : controls.value(c.parent.toString());
        Q_ASSERT(parent);
        QWidget* control = make_control(c, parent);
        control->setObjectName(c.name.toString());
        control->setGeometry(pixel_rect(c));
        if (c.font_points > 0.0)
            control->setFont(design_font(c.font_points));
        if (c.text_color)
            apply_text_color(*control, c.type, *c.text_color);
        controls.insert(control->objectName(), control);
    }

    std::vector<const ControlDesign*> by_tab_index;
    for (const ControlDesign& c : design.controls) {
        if (controls.value(c.name.toString())->focusPolicy() & Qt::TabFocus)
            by_tab_index.push_back(&c);
    }
    std::sort(
        by_tab_index.begin(), by_tab_index.end(),
        [](const ControlDesign* a, const ControlDesign* b) { return a->tab_index < b->tab_index; });
    for (std::size_t i = 1; i < by_tab_index.size(); ++i)
        QWidget::setTabOrder(controls.value(by_tab_index[i - 1]->name.toString()),
                             controls.value(by_tab_index[i]->name.toString()));
    if (!by_tab_index.empty())
        controls.value(by_tab_index.front()->name.toString())->setFocus();
    return controls;
}

} // namespace zumora
