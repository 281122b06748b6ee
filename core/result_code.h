#pragma once

namespace zumora {

// Why an evaluation gave no result text. The notebook tells the user which one happened.
enum class ResultCode {
    // Both entries converted and every step of the formula gave a finite number.
    Ok,
    // The first entry is not a number (letters, blanks only, trailing characters) or its
    // magnitude lies beyond the range of a double. The first entry is converted first, so
    // this wins when both entries are bad.
    FirstEntryNotANumber,
    // The first entry converted, but the second did not, for the same reasons as above.
    SecondEntryNotANumber,
    // A non-zero number divided by zero: a diameter or side length of 0, a velocity of 0, or
    // a diameter so small that its square in metres underflows to zero.
    DivisionByZero,
    // An operation with no meaningful value: 0 divided by 0, or the square root of a
    // negative number (flow rate and velocity of opposite signs).
    InvalidOperation,
    // A step gave a magnitude beyond the range of a double.
    Overflow,
};

} // namespace zumora
