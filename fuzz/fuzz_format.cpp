// Any eight bytes as a double, written as a result under the Japanese locale.
//
// Checked for every finite value:
// - the text has the shape -?digits.digits with at most two fraction digits, none of them a
//   trailing zero, and no minus sign in front of a bare separator;
// - the text reads back within half a hundredth of the value, plus the tie allowance of 4 ulps
//   and 2 more for reading back and subtracting;
// - exactly: the text is the one that the value's exact decimal expansion gives, the hundredth
//   just above it from a tie upwards and within the tie allowance below a tie, the one just
//   below it otherwise.
#include "fuzz_locales.h"
#include "number_text.h"
#include "reference_result_text.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

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

    if (!reference::result_text(value).accepts(text))
        fail("not the text the exact decimal expansion gives", value, text);
    return 0;
}
