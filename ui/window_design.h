#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringView>
#include <optional>
#include <span>

class QWidget;

namespace zumora {

// Lengths and places below are in twips (twips.h).

// Controls without a font of their own take the window's font: the Japanese desktop's usual
// 9-point user-interface size in the same family.
inline constexpr double kWindowFontPoints = 9.0;

// Nothing re-lays the controls when a window's size changes, so the windows keep their
// designed size: a title bar with a close box and a minimise button, and no maximise button.
inline constexpr Qt::WindowFlags kFixedWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

enum class ControlType { Label, GroupBox, OptionButton, PushButton, TextBox };

struct ControlDesign {
    ControlType type;
    QStringView name;
    QStringView caption;
    int left; // twips, from the parent's top-left corner
    int top;
    int width;
    int height;
    int tab_index;
    double font_points = 0.0; // 0: the window's font
    std::optional<QRgb> text_color = std::nullopt;
    bool centred = false;
    QStringView parent = {}; // empty: the window itself
};

struct WindowDesign {
    QStringView name;
    QStringView title;
    int client_width; // twips
    int client_height;
    std::span<const ControlDesign> controls;
};

// The window's controls by their design names.
using Controls = QHash<QString, QWidget*>;

// Gives `window` its design: name, title, fixed client size, font, and every control with its
// caption, place, size, font, colour, alignment and place in the tab order. The control that
// comes first in the tab order holds the keyboard focus when the window is first activated.
Controls build_window(QWidget& window, const WindowDesign& design);

} // namespace zumora
