#pragma once

#include <QFont>
#include <QString>
#include <QStringView>

namespace zumora {

// The designs' font, "ＭＳ Ｐゴシック", is not on Linux. IPA's proportional gothic has its
// metrics, so every caption fits its control as designed.
inline constexpr QStringView kDesignFontFamily = u"IPAPGothic";

// The family the windows are drawn in: the design's where installed, otherwise the first
// installed of the other Japanese proportional gothics, and where none of them is, the design's
// name, for which fontconfig draws whatever it has for Japanese.
QString japanese_font_family();

// The designs' font at `points`.
QFont design_font(double points);

// The line for standard error when no installed font can show Japanese, or an empty text.
QString missing_japanese_font_message();

} // namespace zumora
