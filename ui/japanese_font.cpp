#include "japanese_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace zumora {

using namespace Qt::StringLiterals;

QFont design_font(double points) {
    QFont font;
    font.setFamilies(
        {kDesignFontFamily.toString(), u"Noto Sans CJK JP"_s, u"VL PGothic"_s, u"TakaoPGothic"_s});
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
