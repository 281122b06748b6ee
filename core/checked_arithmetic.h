#pragma once

#include "result_code.h"

#include <cmath>

namespace zumora {

// A double carried through a formula one IEEE operation at a time. The first faulting step
// freezes the fault: later steps keep it, so an early fault is never hidden by a later one.
// Underflow is not a fault; the step continues with zero or the nearest tiny value.
class Checked {
public:
    constexpr Checked(double value)
        : m_value(value) {} // NOLINT: formulas mix in constants

    constexpr double value() const { return m_value; }
    constexpr ResultCode fault() const { return m_fault; }
    constexpr bool ok() const { return m_fault == ResultCode::Ok; }

    friend Checked operator*(Checked a, Checked b) {
        if (!a.ok() || !b.ok())
            return first_fault(a, b);
        return finite_or_overflow(a.m_value * b.m_value);
    }

    friend Checked operator/(Checked a, Checked b) {
        if (!a.ok() || !b.ok())
            return first_fault(a, b);
        if (b.m_value == 0.0)
            return failed(a.m_value == 0.0 ? ResultCode::InvalidOperation
                                           : ResultCode::DivisionByZero);
        return finite_or_overflow(a.m_value / b.m_value);
    }

    friend Checked square(Checked a) { return a * a; }

    friend Checked square_root(Checked a) {
        if (!a.ok())
            return a;
        // sqrt(-0.0) is -0.0 in IEEE arithmetic and raises nothing.
        if (a.m_value < 0.0)
            return failed(ResultCode::InvalidOperation);
        return Checked(std::sqrt(a.m_value));
    }

private:
    static constexpr Checked failed(ResultCode fault) {
        Checked c(0.0);
        c.m_fault = fault;
        return c;
    }

    // The left operand stands earlier in the formula, so its fault is the one to report.
    static constexpr Checked first_fault(Checked a, Checked b) { return a.ok() ? b : a; }

    // Operands are finite here, so a non-finite product or quotient can only be an overflow.
    static Checked finite_or_overflow(double result) {
        return std::isfinite(result) ? Checked(result) : failed(ResultCode::Overflow);
    }

    double m_value;
    ResultCode m_fault = ResultCode::Ok;
};

} // namespace zumora
