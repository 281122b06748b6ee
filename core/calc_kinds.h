#pragma once

#include "result_code.h"

#include <QLocale>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>
#include <optional>

namespace zumora {

// The six questions the calculator answers. Kind n belongs to the menu option `Option<n>`.
enum class CalcKind {
    FlowVelocity = 1,   // pipe: flow rate and inner diameter -> velocity
    PipeDiameter = 2,   // pipe: flow rate and velocity -> inner diameter
    CylinderHeight = 3, // cylindrical vessel: volume and diameter -> liquid height
    SquareHeight = 4,   // square vessel: volume and side length -> liquid height
    CylinderVolume = 5, // cylindrical vessel: height and diameter -> volume
    SquareVolume = 6,   // square vessel: height and side length -> volume
};

inline constexpr int kFirstKind = 1;
inline constexpr int kLastKind = 6;

// The kind numbered n, if n is one of 1 to 6.
std::optional<CalcKind> kind_from_number(int n);
constexpr int kind_number(CalcKind kind) {
    return static_cast<int>(kind);
}

// Area of a circle of unit diameter as the trade has always written it: 0.785398, not pi/4.
inline constexpr double PI_QUARTER = 0.785398;

// The four notebook captions of one kind.
struct KindCaptions {
    QStringView problem;      // problem statement, notebook Label1
    QStringView first_entry;  // caption of Text1, notebook Label2
    QStringView second_entry; // caption of Text2, notebook Label3
    QStringView result;       // caption of Text3, notebook Label4
};

// A physical quantity as entered or shown: its symbol and its fixed unit. The formulas'
// conversions assume these units.
struct Quantity {
    QStringView symbol;
    QStringView unit;
};

struct CalcKindRow {
    CalcKind kind;
    QStringView menu_option; // object name of the menu's option button
    QStringView menu_caption;
    KindCaptions captions;
    Quantity first_entry;
    Quantity second_entry;
    Quantity result;
};

// One row per kind, in kind order.
// clang-format off
inline constexpr std::array<CalcKindRow, 6> CalcKindTable = {{
    {CalcKind::FlowVelocity,
     u"Option1",
     u"管内径D→流速u",
     {u"流量 Q,管径 D→管内流速 uを求める", u"流量(L/min)", u"管内径(mm)", u"流速(m/sec)"},
     {u"Q", u"L/min"},
     {u"D", u"mm"},
     {u"u", u"m/sec"}},
    {CalcKind::PipeDiameter,
     u"Option2",
     u"流速u→管内径D",
     {u"流量 Q,管内流速 u→管内径 Dを求める", u"流量(L/min)", u"流速(m/sec)", u"管内径(mm)"},
     {u"Q", u"L/min"},
     {u"u", u"m/sec"},
     {u"D", u"mm"}},
    {CalcKind::CylinderHeight,
     u"Option3",
     u"円筒容器V→高さH ",
     {u"容積 V,円形槽内径 D→高さ Hを求める", u"容積(L)", u"内径(mm)", u"高さ(mm)"},
     {u"V", u"L"},
     {u"D", u"mm"},
     {u"H", u"mm"}},
    {CalcKind::SquareHeight,
     u"Option4",
     u"矩形容器V→高さH",
     {u"容積 V,矩形槽辺長 L→高さ Hを求める", u"容積(L)", u"辺長(mm)", u"高さ(mm)"},
     {u"V", u"L"},
     {u"L", u"mm"},
     {u"H", u"mm"}},
    {CalcKind::CylinderVolume,
     u"Option5",
     u"円筒容器H→容積V",
     {u"高さ H,円形槽内径 D→容積 Vを求める", u"高さ(mm)", u"内径(mm)", u"容積(L)"},
     {u"H", u"mm"},
     {u"D", u"mm"},
     {u"V", u"L"}},
    {CalcKind::SquareVolume,
     u"Option6",
     u"矩形容器H→容積V",
     {u"高さ H,矩形槽辺長 L→容積 Vを求める", u"高さ(mm)", u"辺長(mm)", u"容積(L)"},
     {u"H", u"mm"},
     {u"L", u"mm"},
     {u"V", u"L"}},
}};
// clang-format on

namespace table_check {

constexpr bool same_at(QStringView text, qsizetype at, QStringView part) {
    if (at < 0 || at + part.size() > text.size())
        return false;
    for (qsizetype i = 0; i < part.size(); ++i) {
        if (text[at + i] != part[i])
            return false;
    }
    return true;
}

// "容積(L)" names the unit "L".
constexpr bool names_unit(QStringView caption, const Quantity& quantity) {
    const qsizetype close = caption.size() - 1;
    const qsizetype open = close - quantity.unit.size() - 1;
    return same_at(caption, close, u")") && same_at(caption, open, u"(") &&
           same_at(caption, open + 1, quantity.unit);
}

// "流量 Q,管径 D→管内流速 uを求める" names Q, D and u, each after a blank.
constexpr bool names_symbol(QStringView problem, const Quantity& quantity) {
    for (qsizetype at = 0; at + 1 < problem.size(); ++at) {
        if (same_at(problem, at, u" ") && same_at(problem, at + 1, quantity.symbol))
            return true;
    }
    return false;
}

constexpr bool names_its_quantities(const CalcKindRow& row) {
    return names_unit(row.captions.first_entry, row.first_entry) &&
           names_unit(row.captions.second_entry, row.second_entry) &&
           names_unit(row.captions.result, row.result) &&
           names_symbol(row.captions.problem, row.first_entry) &&
           names_symbol(row.captions.problem, row.second_entry) &&
           names_symbol(row.captions.problem, row.result);
}

} // namespace table_check

// What the user reads beside each box must be the quantity its formula expects.
static_assert(std::ranges::all_of(CalcKindTable, table_check::names_its_quantities),
              "a caption disagrees with its kind's quantities");

constexpr const CalcKindRow& kind_row(CalcKind kind) {
    return CalcKindTable[static_cast<std::size_t>(kind_number(kind) - kFirstKind)];
}
KindCaptions captions_for_kind(CalcKind kind);

// The value of the kind's formula, or the fault of its first failing step.
struct FormulaValue {
    double value = 0.0;
    ResultCode code = ResultCode::Ok;
};
FormulaValue evaluate_formula(CalcKind kind, double first, double second);

// The outcome of one press of the calculate button: the result text, or why there is none.
struct Evaluation {
    ResultCode code = ResultCode::Ok;
    QString text; // empty unless code is Ok

    bool succeeded() const { return code == ResultCode::Ok; }
};

// Converts the first entry, then the second, evaluates the formula and formats its value,
// stopping at the first failure. Numbers are read and written under `locale`.
Evaluation evaluate_kind(CalcKind kind, QStringView first_entry, QStringView second_entry,
                         const QLocale& locale = QLocale());

} // namespace zumora
