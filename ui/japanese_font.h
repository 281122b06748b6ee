#pragma once

#include <QFont>
#include <QString>
#include <QStringView>

namespace zumora {

// The designs' font, "ＭＳ Ｐゴシック", is not on Linux. IPA's proportional gothic has its
// metrics, so every caption fits its control as designed; where it is missing, another
// Japanese proportional gothic stands in, and after these whatever fontconfig offers for
// Japanese.
inline constexpr QStringView kDesignFontFamily = u"IPAPGothic";

// The designs' font at `points`.
QFont design_font(double points);

// The line for standard error when no installed font can show Japanese, or an empty text.
QString missing_japanese_font_message();

} // namespace zumora
