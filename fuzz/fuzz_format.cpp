// Any eight bytes as a double, written as a result under the Japanese locale.
//
// Checked for every finite value:
// - the text has the shape -?digits.digits with at most two fraction digits, none of them a
//   trailing zero, and no minus sign in front of a bare separator;
// - the text reads back within half a hundredth of the value, plus the tie allowance of 4 ulps
//   and 2 more for reading back and subtracting;
// - exactly: the text is the hundredth just below or just above the value's exact decimal
//   expansion: the upper one from a tie upwards and within the tie allowance below a tie, the
//   lower one otherwise.
#include "fuzz_locales.h"
#include "number_text.h"

#include <QLocale>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using namespace zumora;
using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const char* what, double value, const QString& text) {
    std::fprintf(stderr, "fuzz_format: %s\n  value: %.17g (%a)\n  text: \"%s\"\n", what, value,
                 value, text.toUtf8().constData());
    std::abort();
}

bool is_digit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// -?[0-9]*\.[0-9]{0,2} and no trailing zero after the separator.
bool has_result_shape(const QString& text) {
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    while (i < text.size() && is_digit(text[i]))
        ++i;
    if (i == text.size() || text[i] != u'.')
        return false;
    const qsizetype fraction = text.size() - i - 1;
    if (fraction > 2)
        return false;
    for (qsizetype j = i + 1; j < text.size(); ++j) {
        if (!is_digit(text[j]))
            return false;
    }
    return fraction == 0 || text.back() != u'0';
}

// A non-negative decimal as integer digits (no leading zeros, empty for zero) and the fraction
// digits, both exact.
struct Decimal {
    std::string integer;
    std::string fraction;
};

// Every double has a finite decimal expansion, at most 1074 fraction digits long.
Decimal exact_expansion(double magnitude) {
    static char buffer[2000];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, 1100);
    if (written.ec != std::errc())
        std::abort();
    const std::string s(buffer, written.ptr);
    const std::size_t dot = s.find('.');
    Decimal d{s.substr(0, dot), s.substr(dot + 1)};
    d.integer.erase(0, std::min(d.integer.find_first_not_of('0'), d.integer.size()));
    d.fraction.erase(d.fraction.find_last_not_of('0') + 1);
    return d;
}

// The text without its sign, written as integer digits and exactly two fraction digits.
Decimal shown_hundredths(const QString& text) {
    const QString digits = text.startsWith(u'-') ? text.sliced(1) : text;
    const qsizetype dot = digits.indexOf(u'.');
    Decimal d{digits.first(dot).toStdString(), digits.sliced(dot + 1).toStdString()};
    d.integer.erase(0, std::min(d.integer.find_first_not_of('0'), d.integer.size()));
    d.fraction.resize(2, '0');
    return d;
}

// One hundredth more than `d`, which holds exactly two fraction digits.
Decimal next_hundredth(Decimal d) {
    std::string all = d.integer + d.fraction;
    int i = int(all.size()) - 1;
    for (; i >= 0 && all[std::size_t(i)] == '9'; --i)
        all[std::size_t(i)] = '0';
    if (i < 0)
        all.insert(all.begin(), '1');
    else
        ++all[std::size_t(i)];
    Decimal up{all.substr(0, all.size() - 2), all.substr(all.size() - 2)};
    up.integer.erase(0, std::min(up.integer.find_first_not_of('0'), up.integer.size()));
    return up;
}

bool operator==(const Decimal& a, const Decimal& b) {
    return a.integer == b.integer && a.fraction == b.fraction;
}

// The double nearest to a plain decimal, whatever the process's locale.
double read_decimal(const std::string& decimal) {
    double value = 0.0;
    const auto read = std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    if (read.ec != std::errc() || read.ptr != decimal.data() + decimal.size())
        std::abort();
    return value;
}

enum class Side { Below, Tie, Above };

// Where the digits beyond the hundredths lie against the tie 0.005: compares "rest" with "5".
Side side_of_tie(const std::string& beyond_hundredths) {
    if (beyond_hundredths.empty() || beyond_hundredths[0] < '5')
        return Side::Below;
    if (beyond_hundredths[0] > '5')
        return Side::Above;
    return beyond_hundredths.size() == 1 ? Side::Tie : Side::Above; // trailing zeros are gone
}

void check_exact_rounding(double value, const QString& text) {
    const double magnitude = std::fabs(value);
    const Decimal exact = exact_expansion(magnitude);
    std::string hundredths =
        exact.fraction.substr(0, std::min<std::size_t>(2, exact.fraction.size()));
    hundredths.resize(2, '0');
    const Decimal down{exact.integer, hundredths};
    const Decimal up = next_hundredth(down);
    const std::string beyond = exact.fraction.size() > 2 ? exact.fraction.substr(2) : std::string();
    const Decimal shown = shown_hundredths(text);

    if (!(shown == down) && !(shown == up))
        fail("not a neighbouring hundredth of the exact value", value, text);
    const Side side = side_of_tie(beyond);
    if (side != Side::Below) {
        if (!(shown == up))
            fail("a tie or above it rounded down", value, text);
        return;
    }
    // Below the tie the text rounds up exactly where the tie allowance of 4 ulps reaches, and
    // the allowance only applies while an ulp is at most a millionth. The distance is worked out
    // in doubles; the margin covers the rounding of the tie itself to a double (at most an ulp of
    // the tie) and of this estimate, and either outcome is accepted within it.
    const double ulp =
        std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
    const double tie = read_decimal("0." + hundredths + "5");
    const double margin = std::nextafter(tie, 1.0) - tie + 1e-18;
    const double distance = 0.005 - read_decimal("0.00" + beyond);
    const bool allowance = ulp <= 1e-6;
    if (shown == up && (!allowance || distance > 4.0 * ulp + margin))
        fail("rounded up from clearly below a tie", value, text);
    if (shown == down && allowance && distance < 4.0 * ulp - margin)
        fail("rounded down within the tie allowance", value, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > sizeof(double))
        return -1; // keep the corpus to one input per double
    double value = 0.0;
    std::memcpy(&value, data, size);
    if (!std::isfinite(value))
        return 0;

    const QString text = format_result(value, japanese());
    if (!has_result_shape(text))
        fail("text does not have the result's shape", value, text);
    if (text == u"-."_s)
        fail("minus sign before a bare separator", value, text);
    if (text.startsWith(u'-') != (value < 0.0 && text != u"."_s))
        fail("sign of the text differs from the value's", value, text);

    const double back = japanese().toDouble(text == u"."_s ? u"0"_s : text);
    const double magnitude = std::fabs(value);
    const double ulp =
        std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
    if (!(std::fabs(back - value) <= 0.005 + 6.0 * ulp))
        fail("reads back too far from the value", value, text);

    check_exact_rounding(value, text);
    return 0;
}
