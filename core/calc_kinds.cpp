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

std::optional<CalcKind> kind_from_number(int n) {
    if (n < kFirstKind || n > kLastKind)
        return std::nullopt;
    return static_cast<CalcKind>(n);
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
