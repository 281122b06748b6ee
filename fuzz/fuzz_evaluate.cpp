// One press of the calculate button with any kind and any two entries.
//
// Input: the first byte picks the kind and the locale ('1' to '6' are kinds 1 to 6 under the
// Japanese locale, '7' to '<' the same kinds under German, other bytes wrap around); the rest is
// UTF-8 text, the first entry up to the first line feed and the second entry after it.
//
// Checked for every input:
// - a failure carries no text, a success carries one;
// - the outcome is that of converting the first entry, then the second, then evaluating the
//   formula, and a success's text is the formatted finite value of the formula;
// - the formula, written out here once more one IEEE operation at a time in plain doubles,
//   gives the same value bit for bit when the core succeeds, with every step finite and no
//   division by zero; when the core fails, the first failing step here fails the same way.
#include "calc_kinds.h"
#include "fuzz_locales.h"
#include "number_text.h"
#include "result_code.h"

#include <QLocale>
#include <QString>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

using namespace zumora;

namespace {

const char* name_of(ResultCode code) {
    switch (code) {
    case ResultCode::Ok:
        return "Ok";
    case ResultCode::FirstEntryNotANumber:
        return "FirstEntryNotANumber";
    case ResultCode::SecondEntryNotANumber:
        return "SecondEntryNotANumber";
    case ResultCode::DivisionByZero:
        return "DivisionByZero";
    case ResultCode::InvalidOperation:
        return "InvalidOperation";
    case ResultCode::Overflow:
        return "Overflow";
    }
    return "?";
}

struct Input {
    CalcKind kind;
    const QLocale* locale;
    QString first;
    QString second;
};

[[noreturn]] void fail(const char* what, const Input& in, const char* detail = "") {
    std::fprintf(stderr,
                 "fuzz_evaluate: %s%s%s\n  kind %d, %s locale\n  first: \"%s\"\n"
                 "  second: \"%s\"\n",
                 what, *detail ? " " : "", detail, kind_number(in.kind),
                 in.locale->language() == QLocale::Japanese ? "Japanese" : "German",
                 in.first.toUtf8().constData(), in.second.toUtf8().constData());
    std::abort();
}

// The formula in plain doubles. Each step is checked before and after it is taken; the first
// step that divides by zero, takes the root of a negative number or leaves the finite doubles
// is remembered with the fault it stands for.
class PlainSteps {
public:
    double div(double x, double y) {
        if (y == 0.0) {
            note(x == 0.0 ? ResultCode::InvalidOperation : ResultCode::DivisionByZero);
            return std::numeric_limits<double>::quiet_NaN();
        }
        return after(x / y);
    }
    double mul(double x, double y) { return after(x * y); }
    double root(double x) {
        if (x < 0.0) {
            note(ResultCode::InvalidOperation);
            return std::numeric_limits<double>::quiet_NaN();
        }
        return after(std::sqrt(x));
    }

    ResultCode first_fault() const { return m_fault; }

private:
    // Operands of a first faulting step are finite, so a step that leaves the finite doubles
    // without a zero divisor or a negative root has overflowed.
    double after(double result) {
        if (!std::isfinite(result))
            note(ResultCode::Overflow);
        return result;
    }
    void note(ResultCode fault) {
        if (m_fault == ResultCode::Ok)
            m_fault = fault;
    }

    ResultCode m_fault = ResultCode::Ok;
};

struct PlainValue {
    double value;
    ResultCode fault;
};

// Each kind's formula as the core evaluates it: left operand before right, one step a line.
PlainValue plain_formula(CalcKind kind, double a, double b) {
    constexpr double milli = 1000.0;
    constexpr double per_minute = 60.0;
    constexpr double pi_quarter = 0.785398;
    PlainSteps s;
    double r = 0.0;
    switch (kind) {
    case CalcKind::FlowVelocity: { // (((a / 1000) / 60) / 0.785398) / (b / 1000)^2
        const double q_m3 = s.div(a, milli);
        const double q_m3s = s.div(q_m3, per_minute);
        const double over_area = s.div(q_m3s, pi_quarter);
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        r = s.div(over_area, d_m2);
        break;
    }
    case CalcKind::PipeDiameter: { // sqrt((((a / 1000) / 60) / 0.785398) / b) * 1000
        const double q_m3 = s.div(a, milli);
        const double q_m3s = s.div(q_m3, per_minute);
        const double over_quarter = s.div(q_m3s, pi_quarter);
        const double area = s.div(over_quarter, b);
        const double d_m = s.root(area);
        r = s.mul(d_m, milli);
        break;
    }
    case CalcKind::CylinderHeight: { // (((a / 1000) / 0.785398) / (b / 1000)^2) * 1000
        const double v_m3 = s.div(a, milli);
        const double over_quarter = s.div(v_m3, pi_quarter);
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        const double h_m = s.div(over_quarter, d_m2);
        r = s.mul(h_m, milli);
        break;
    }
    case CalcKind::SquareHeight: { // (((a / 1000) / (b / 1000)) / (b / 1000)) * 1000
        const double v_m3 = s.div(a, milli);
        const double l_m = s.div(b, milli);
        const double per_side = s.div(v_m3, l_m);
        const double l_m_again = s.div(b, milli);
        const double h_m = s.div(per_side, l_m_again);
        r = s.mul(h_m, milli);
        break;
    }
    case CalcKind::CylinderVolume: { // (0.785398 * (b / 1000)^2) * a
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        const double area = s.mul(pi_quarter, d_m2);
        r = s.mul(area, a);
        break;
    }
    case CalcKind::SquareVolume: { // (b / 1000)^2 * a
        const double l_m = s.div(b, milli);
        const double l_m2 = s.mul(l_m, l_m);
        r = s.mul(l_m2, a);
        break;
    }
    }
    return {r, s.first_fault()};
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

Input read_input(const std::uint8_t* data, std::size_t size) {
    const unsigned selector = std::uint8_t(data[0] - std::uint8_t('1'));
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    const void* line_feed = std::memchr(text, '\n', length);
    const std::size_t first_length =
        line_feed ? std::size_t(static_cast<const char*>(line_feed) - text) : length;
    const std::size_t second_start = line_feed ? first_length + 1 : length;
    return {*kind_from_number(int(selector % 6) + kFirstKind),
            (selector / 6) % 2 == 0 ? &japanese() : &german(),
            QString::fromUtf8(text, qsizetype(first_length)),
            QString::fromUtf8(text + second_start, qsizetype(length - second_start))};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return -1;
    const Input in = read_input(data, size);
    const Evaluation evaluation = evaluate_kind(in.kind, in.first, in.second, *in.locale);
    if (evaluation.succeeded() != (evaluation.code == ResultCode::Ok))
        fail("succeeded() disagrees with the code", in);
    if (evaluation.succeeded() == evaluation.text.isEmpty())
        fail(evaluation.succeeded() ? "success without text" : "failure with text", in,
             name_of(evaluation.code));

    const std::optional<double> a = entry_to_number(in.first, *in.locale);
    const std::optional<double> b = a ? entry_to_number(in.second, *in.locale) : std::nullopt;
    if (!a) {
        if (evaluation.code != ResultCode::FirstEntryNotANumber)
            fail("first entry unreadable, yet the outcome is", in, name_of(evaluation.code));
        return 0;
    }
    if (!b) {
        if (evaluation.code != ResultCode::SecondEntryNotANumber)
            fail("second entry unreadable, yet the outcome is", in, name_of(evaluation.code));
        return 0;
    }

    const FormulaValue core = evaluate_formula(in.kind, *a, *b);
    if (core.code != evaluation.code)
        fail("evaluate_kind and evaluate_formula disagree:", in, name_of(evaluation.code));
    const PlainValue plain = plain_formula(in.kind, *a, *b);
    if (plain.fault != core.code) {
        char detail[120];
        std::snprintf(detail, sizeof detail, "from the core, %s from the plain steps",
                      name_of(plain.fault));
        fail(name_of(core.code), in, detail);
    }
    if (core.code != ResultCode::Ok)
        return 0;

    if (!std::isfinite(core.value))
        fail("success with a non-finite value", in);
    if (!same_bits(core.value, plain.value))
        fail("the core's value differs from the plain steps'", in);
    if (evaluation.text != format_result(core.value, *in.locale))
        fail("the text is not the formatted value", in);
    return 0;
}
