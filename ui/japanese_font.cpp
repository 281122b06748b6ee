#include "japanese_font.h"

#include <QFontDatabase>
#include <QStringList>
#include <array>

namespace zumora {

using namespace Qt::StringLiterals;

namespace {

// In the order they stand in for the design's font.
constexpr std::array<QStringView, 4> kJapaneseGothics = {kDesignFontFamily, u"Noto Sans CJK JP",
                                                         u"VL PGothic", u"TakaoPGothic"};

} // namespace

QString japanese_font_family() {
    // A font naming several families has its fallbacks looked up at once, over every installed
    // font: on a desktop with thousands of fonts that costs more than all the rest of start-up's
    // font work. One installed gothic draws every caption alone, so it is asked for alone.
    static const QString family = [] {
        for (QStringView gothic : kJapaneseGothics) {
            if (QFontDatabase::hasFamily(gothic.toString()))
                return gothic.toString();
        }
        return kDesignFontFamily.toString();
    }();
    return family;
}

QFont design_font(double points) {
    QFont font(japanese_font_family());
    font.setPointSizeF(points);
    return font;
}

QString missing_japanese_font_message() {
    if (!QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
        return {};
    return u"zumora: no installed font can show Japanese, so every caption is drawn as empty "
           u"boxes; install the package fonts-ipafont-gothic"_s;
}

} // namespace zumora
