#pragma once

// The text the result box shows for a value, worked out apart from the program from the
// double's exact decimal expansion, by the rules it gives its users under the Japanese locale:
// - the value rounded to the nearest hundredth, ties away from zero; a value below a tie by at
//   most 4 units in its last place counts as the tie, while such a unit is at most a millionth;
// - all integer digits, none for a zero integer part; the full stop always; the hundredths
//   with trailing zeros dropped;
// - a minus sign before a negative value, but not before one that rounds to zero.

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace reference {

// A non-negative decimal: integer digits without leading zeros (none for zero) and fraction
// digits.
struct Decimal {
    std::string integer;
    std::string fraction;

    friend bool operator==(const Decimal&, const Decimal&) = default;
};

inline void drop_leading_zeros(std::string& digits) {
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
}

// Every double is a binary fraction with a finite decimal expansion: as many fraction digits as
// its unit in the last place has, at most 1074. This is all of it, trailing zeros dropped.
inline Decimal exact_expansion(double magnitude) {
    static thread_local char buffer[1500];
    int exponent = 0;
    std::frexp(magnitude, &exponent); // magnitude = f * 2^exponent, f in [0.5, 1)
    const int places = std::clamp(53 - exponent, 0, 1074);
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, places);
    if (written.ec != std::errc())
        std::abort();
    const std::string s(buffer, written.ptr);
    const std::size_t dot = s.find('.'); // none for a whole number written without places
    Decimal d{s.substr(0, dot), dot == std::string::npos ? std::string() : s.substr(dot + 1)};
    drop_leading_zeros(d.integer);
    d.fraction.erase(d.fraction.find_last_not_of('0') + 1);
    return d;
}

// One hundredth more than `d`, which holds exactly two fraction digits.
inline Decimal next_hundredth(const Decimal& d) {
    std::string all = d.integer + d.fraction;
    std::size_t i = all.size();
    while (i > 0 && all[i - 1] == '9')
        all[--i] = '0';
    if (i == 0)
        all.insert(all.begin(), '1');
    else
        ++all[i - 1];
    Decimal up{all.substr(0, all.size() - 2), all.substr(all.size() - 2)};
    drop_leading_zeros(up.integer);
    return up;
}

// The double nearest to a plain decimal.
inline double read_decimal(const std::string& decimal) {
    double value = 0.0;
    const auto read = std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    if (read.ec != std::errc() || read.ptr != decimal.data() + decimal.size())
        std::abort();
    return value;
}

// Two fraction digits as shown: trailing zeros dropped, the sign only before a non-zero text.
inline QString shown(bool negative, const Decimal& hundredths) {
    std::string fraction = hundredths.fraction;
    fraction.erase(fraction.find_last_not_of('0') + 1);
    const bool zero = hundredths.integer.empty() && fraction.empty();
    const std::string text = (negative && !zero ? "-" : "") + hundredths.integer + '.' + fraction;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// What the result box may show for a finite value.
struct ResultText {
    QString text;
    // The other neighbouring hundredth, for a value below a tie by so nearly 4 units in its last
    // place that doubles cannot tell on which side of the allowance it lies; otherwise empty.
    QString alternative;

    bool accepts(const QString& shown_text) const {
        return shown_text == text || (!alternative.isEmpty() && shown_text == alternative);
    }
};

inline ResultText result_text(double value) {
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    const Decimal exact = exact_expansion(magnitude);
    std::string hundredths =
        exact.fraction.substr(0, std::min<std::size_t>(2, exact.fraction.size()));
    hundredths.resize(2, '0');
    const Decimal down{exact.integer, hundredths};
    const Decimal up = next_hundredth(down);
    // The digits beyond the hundredths, against the tie "5".
    const std::string beyond = exact.fraction.size() > 2 ? exact.fraction.substr(2) : std::string();
    if (!beyond.empty() && beyond >= "5")
        return {shown(negative, up), {}}; // the tie or above it
    if (beyond.empty())
        return {shown(negative, down), {}};

    const double ulp =
        std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
    if (ulp > 1e-6)
        return {shown(negative, down), {}};
    // The distance below the tie, worked out in doubles. The margin covers the rounding of the
    // tie itself to a double (at most a unit of the tie) and of this estimate.
    const double tie = read_decimal("0." + hundredths + "5");
    const double margin = std::nextafter(tie, 1.0) - tie + 1e-18;
    const double distance = 0.005 - read_decimal("0.00" + beyond);
    if (distance > 4.0 * ulp + margin)
        return {shown(negative, down), {}};
    if (distance < 4.0 * ulp - margin)
        return {shown(negative, up), {}};
    return {shown(negative, up), shown(negative, down)};
}

} // namespace reference
