#pragma once

// The six formulas once more, apart from the program, in plain doubles: one IEEE operation at a
// time in the order of the trade's parentheses, with the fault of the first failing step. Tests
// and fuzzers hold the program's evaluation against it.

#include "result_code.h"

#include <cmath>
#include <limits>

namespace reference {

// Each step is checked before and after it is taken; the first step that divides by zero,
// takes the root of a negative number or leaves the finite doubles is remembered with the
// fault it stands for.
class PlainSteps {
public:
    double div(double x, double y) {
        if (y == 0.0) {
            note(x == 0.0 ? zumora::ResultCode::InvalidOperation
                          : zumora::ResultCode::DivisionByZero);
            return std::numeric_limits<double>::quiet_NaN();
        }
        return after(x / y);
    }
    double mul(double x, double y) { return after(x * y); }
    double root(double x) {
        if (x < 0.0) {
            note(zumora::ResultCode::InvalidOperation);
            return std::numeric_limits<double>::quiet_NaN();
        }
        return after(std::sqrt(x));
    }

    zumora::ResultCode first_fault() const { return m_fault; }

private:
    // Operands of a first faulting step are finite, so a step that leaves the finite doubles
    // without a zero divisor or a negative root has overflowed.
    double after(double result) {
        if (!std::isfinite(result))
            note(zumora::ResultCode::Overflow);
        return result;
    }
    void note(zumora::ResultCode fault) {
        if (m_fault == zumora::ResultCode::Ok)
            m_fault = fault;
    }

    zumora::ResultCode m_fault = zumora::ResultCode::Ok;
};

struct PlainValue {
    double value;
    zumora::ResultCode fault; // Ok, DivisionByZero, InvalidOperation or Overflow
};

// Kind 1 to 6 on its two entries, left operand before right, one step a line.
inline PlainValue plain_formula(int kind, double a, double b) {
    constexpr double milli = 1000.0;
    constexpr double per_minute = 60.0;
    constexpr double pi_quarter = 0.785398; // the trade's constant, not pi / 4
    PlainSteps s;
    double r = std::numeric_limits<double>::quiet_NaN();
    switch (kind) {
    case 1: { // flow velocity: (((a / 1000) / 60) / 0.785398) / (b / 1000)^2
        const double q_m3 = s.div(a, milli);
        const double q_m3s = s.div(q_m3, per_minute);
        const double over_area = s.div(q_m3s, pi_quarter);
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        r = s.div(over_area, d_m2);
        break;
    }
    case 2: { // pipe diameter: sqrt((((a / 1000) / 60) / 0.785398) / b) * 1000
        const double q_m3 = s.div(a, milli);
        const double q_m3s = s.div(q_m3, per_minute);
        const double over_quarter = s.div(q_m3s, pi_quarter);
        const double area = s.div(over_quarter, b);
        const double d_m = s.root(area);
        r = s.mul(d_m, milli);
        break;
    }
    case 3: { // cylinder height: (((a / 1000) / 0.785398) / (b / 1000)^2) * 1000
        const double v_m3 = s.div(a, milli);
        const double over_quarter = s.div(v_m3, pi_quarter);
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        const double h_m = s.div(over_quarter, d_m2);
        r = s.mul(h_m, milli);
        break;
    }
    case 4: { // square height: (((a / 1000) / (b / 1000)) / (b / 1000)) * 1000
        const double v_m3 = s.div(a, milli);
        const double l_m = s.div(b, milli);
        const double per_side = s.div(v_m3, l_m);
        const double l_m_again = s.div(b, milli);
        const double h_m = s.div(per_side, l_m_again);
        r = s.mul(h_m, milli);
        break;
    }
    case 5: { // cylinder volume: (0.785398 * (b / 1000)^2) * a
        const double d_m = s.div(b, milli);
        const double d_m2 = s.mul(d_m, d_m);
        const double area = s.mul(pi_quarter, d_m2);
        r = s.mul(area, a);
        break;
    }
    case 6: { // square volume: (b / 1000)^2 * a
        const double l_m = s.div(b, milli);
        const double l_m2 = s.mul(l_m, l_m);
        r = s.mul(l_m2, a);
        break;
    }
    }
    return {r, s.first_fault()};
}

} // namespace reference
