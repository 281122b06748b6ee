#include "calc_kinds.h"

#include "checked_arithmetic.h"
#include "number_text.h"

namespace zumora {

namespace {

constexpr double kMilli = 1000.0; // millimetres per metre, litres per cubic metre
constexpr double kSecondsPerMin = 60.0;

// Each formula is written as the trade writes it, one operation at a time and in this order;
// regrouping would change the last bits of the result.
Checked formula(CalcKind kind, Checked a, Checked b) {
    switch (kind) {
    case CalcKind::FlowVelocity: { // a = Q (L/min), b = D (mm) -> u (m/s)
        return (((a / kMilli) / kSecondsPerMin) / PI_QUARTER) / square(b / kMilli);
    }
    case CalcKind::PipeDiameter: { // a = Q (L/min), b = u (m/s) -> D (mm)
        return square_root((((a / kMilli) / kSecondsPerMin) / PI_QUARTER) / b) * kMilli;
    }
    case CalcKind::CylinderHeight: { // a = V (L), b = D (mm) -> H (mm)
        return (((a / kMilli) / PI_QUARTER) / square(b / kMilli)) * kMilli;
    }
    case CalcKind::SquareHeight: { // a = V (L), b = L (mm) -> H (mm); divides twice by L
        return (((a / kMilli) / (b / kMilli)) / (b / kMilli)) * kMilli;
    }
    case CalcKind::CylinderVolume: { // a = H (mm), b = D (mm) -> V (L)
        return (PI_QUARTER * square(b / kMilli)) * a;
    }
    case CalcKind::SquareVolume: { // a = H (mm), b = L (mm) -> V (L)
        return square(b / kMilli) * a;
    }
    }
    Q_UNREACHABLE();
    return Checked(0.0);
}

} // namespace

const std::array<CalcKindRow, 6> CalcKindTable = {{
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

std::optional<CalcKind> kind_from_number(int n) {
    if (n < kFirstKind || n > kLastKind)
        return std::nullopt;
    return static_cast<CalcKind>(n);
}

const CalcKindRow& kind_row(CalcKind kind) {
    return CalcKindTable[static_cast<std::size_t>(kind_number(kind) - kFirstKind)];
}

KindCaptions captions_for_kind(CalcKind kind) {
    return kind_row(kind).captions;
}

FormulaValue evaluate_formula(CalcKind kind, double first, double second) {
    const Checked result = formula(kind, first, second);
    return {result.value(), result.fault()};
}

Evaluation evaluate_kind(CalcKind kind, QStringView first_entry, QStringView second_entry,
                         const QLocale& locale) {
    const std::optional<double> first = entry_to_number(first_entry, locale);
    if (!first)
        return {ResultCode::FirstEntryNotANumber, {}};
    const std::optional<double> second = entry_to_number(second_entry, locale);
    if (!second)
        return {ResultCode::SecondEntryNotANumber, {}};
    const FormulaValue value = evaluate_formula(kind, *first, *second);
    if (value.code != ResultCode::Ok)
        return {value.code, {}};
    return {ResultCode::Ok, format_result(value.value, locale)};
}

} // namespace zumora
