#pragma once

// The six kinds' captions as the trade's table writes them, typed out once for every test that
// checks them and apart from the program's own table. Character by character: Option3's menu
// caption ends in a blank; in the notebook's captions the blanks, commas, parentheses, slashes
// and Latin letters are ASCII and the arrow is U+2192; all else is full-width.

#include <QString>
#include <QStringList>
#include <array>

struct ExpectedKindCaptions {
    QString option;       // the menu's option button
    QString menu;         // its caption
    QStringList notebook; // the notebook's Label1 to Label4
};

// Kind 1 to 6.
inline const ExpectedKindCaptions& expected_captions(int kind) {
    using namespace Qt::StringLiterals;
    // clang-format off
    static const std::array<ExpectedKindCaptions, 6> table{{
        {u"Option1"_s, u"管内径D→流速u"_s,
         {u"流量 Q,管径 D→管内流速 uを求める"_s, u"流量(L/min)"_s, u"管内径(mm)"_s, u"流速(m/sec)"_s}},
        {u"Option2"_s, u"流速u→管内径D"_s,
         {u"流量 Q,管内流速 u→管内径 Dを求める"_s, u"流量(L/min)"_s, u"流速(m/sec)"_s, u"管内径(mm)"_s}},
        {u"Option3"_s, u"円筒容器V→高さH "_s,
         {u"容積 V,円形槽内径 D→高さ Hを求める"_s, u"容積(L)"_s, u"内径(mm)"_s, u"高さ(mm)"_s}},
        {u"Option4"_s, u"矩形容器V→高さH"_s,
         {u"容積 V,矩形槽辺長 L→高さ Hを求める"_s, u"容積(L)"_s, u"辺長(mm)"_s, u"高さ(mm)"_s}},
        {u"Option5"_s, u"円筒容器H→容積V"_s,
         {u"高さ H,円形槽内径 D→容積 Vを求める"_s, u"高さ(mm)"_s, u"内径(mm)"_s, u"容積(L)"_s}},
        {u"Option6"_s, u"矩形容器H→容積V"_s,
         {u"高さ H,矩形槽辺長 L→容積 Vを求める"_s, u"高さ(mm)"_s, u"辺長(mm)"_s, u"容積(L)"_s}},
    }};
    // clang-format on
    return table[std::size_t(kind - 1)];
}
