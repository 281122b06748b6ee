// The menu window of zumora and nothing else: same widgets, captions, fonts and geometry, no
// calculations, no icon, no other windows. What it costs to start is the floor for the program.
#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The window was laid out in twips; 15 twips make one pixel at 96 dpi.
constexpr int px(int twips) {
    return (twips + 7) / 15;
}

void setGeometryTwips(QWidget& widget, int left, int top, int width, int height) {
    widget.setGeometry(px(left), px(top), px(width), px(height));
}

void setGothic([[maybe_unused]] QWidget& widget, [[maybe_unused]] qreal points) {
#ifndef FLOOR_DEFAULT_FONT
    QFont font(u"IPAPGothic"_s);
    font.setPointSizeF(points);
    widget.setFont(font);
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    QWidget window;
    window.resize(px(3135), px(4530));
    window.setWindowTitle(QString());
    // The window's own font, which the group box and its caption take: the program's 9-point
    // gothic.
    setGothic(window, 9);

    QLabel title(u"ズモラ"_s, &window);
    setGeometryTwips(title, 480, 120, 2295, 495);
    setGothic(title, 20.25);
    QPalette titlePalette = title.palette();
    titlePalette.setColor(QPalette::WindowText, QColor(128, 128, 255));
    title.setPalette(titlePalette);
    title.setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    QGroupBox frame(u"どれにしますか"_s, &window);
    setGeometryTwips(frame, 240, 840, 2655, 2775);

    struct Choice {
        QString caption;
        int top;
    };
    const Choice choices[] = {
        {u"管内径D→流速u"_s, 360},    {u"流速u→管内径D"_s, 720},    {u"円筒容器V→高さH "_s, 1080},
        {u"円筒容器H→容積V"_s, 1440}, {u"矩形容器V→高さH"_s, 1800}, {u"矩形容器H→容積V"_s, 2160},
    };
    for (const Choice& choice : choices) {
        auto* option = new QRadioButton(choice.caption, &frame);
        setGeometryTwips(*option, 240, choice.top, 2295, 375);
        setGothic(*option, 11.25);
    }

    QPushButton go(u"ノモク"_s, &window);
    setGeometryTwips(go, 840, 3840, 1455, 495);
    setGothic(go, 14.25);

    window.show();
    return app.exec();
}
