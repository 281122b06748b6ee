#include "number_text.h"

#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace zumora {

using namespace Qt::StringLiterals;

bool entries_present(QStringView first_entry, QStringView second_entry) {
    if (first_entry.isEmpty())
        return false;
    return !second_entry.isEmpty();
}

namespace {

// What a Japanese input method types for the characters of a number means the same as the
// ASCII character it stands for: full-width digits, signs and punctuation; for '-', the minus
// sign U+2212 (before a digit) and the prolonged sound mark U+30FC (elsewhere); for '.' and ',',
// the ideographic full stop and comma (where they do not follow a digit).
QChar ascii_twin(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'０' && u <= u'９')
        return QChar(char16_t(u'0' + (u - u'０')));
    switch (u) {
    case u'＋':
        return QChar(u'+');
    case u'－':
    case u'\u2212':
    case u'ー':
        return QChar(u'-');
    case u'．':
    case u'。':
        return QChar(u'.');
    case u'，':
    case u'、':
        return QChar(u',');
    default:
        return c;
    }
}

QString with_ascii_twins(QStringView text) {
    QString out = text.toString();
    for (QChar& c : out)
        c = ascii_twin(c);
    return out;
}

// Users type whichever of a family of look-alike group separators their keyboard gives: a
// plain space for the narrow no-break space of French, an ASCII apostrophe for the right single
// quotation mark of Swiss German. Where the locale groups with one of a family, all of it
// groups.
QStringList group_separator_forms(const QString& group) {
    static const QStringList space_like{u"\u202F"_s, u"\u00A0"_s, u" "_s};
    static const QStringList apostrophes{u"\u2019"_s, u"'"_s};
    if (space_like.contains(group))
        return space_like;
    if (apostrophes.contains(group))
        return apostrophes;
    return {group};
}

// The locale's number symbols, looked up once per locale rather than on every key press: each
// QLocale accessor builds a new string.
struct NumberSymbols {
    QLocale locale;
    QString decimal;
    QStringList groups;
    QString minus;
    QString plus;
    QString exponent;
};

const NumberSymbols& symbols_of(const QLocale& locale) {
    thread_local NumberSymbols cached;
    thread_local bool filled = false;
    if (!filled || cached.locale != locale) {
        // The symbols are read through the same twins as the entry, so that a locale whose
        // own minus sign is U+2212 still recognises it once the entry has been spelled in ASCII.
        cached = {locale,
                  with_ascii_twins(locale.decimalPoint()),
                  group_separator_forms(with_ascii_twins(locale.groupSeparator())),
                  with_ascii_twins(locale.negativeSign()),
                  with_ascii_twins(locale.positiveSign()),
                  with_ascii_twins(locale.exponential())};
        filled = true;
    }
    return cached;
}

// Reads the locale's written form of a number and spells it out for the C library:
// [-]digits[.digits][e[-]digits]. Group separators are checked and dropped.
class EntryScanner {
public:
    EntryScanner(const QString& text, const NumberSymbols& symbols)
        : m_text(text)
        , m_decimal(symbols.decimal)
        , m_groups(symbols.groups)
        , m_minus(symbols.minus)
        , m_plus(symbols.plus)
        , m_exponent(symbols.exponent) {}

    bool scan(std::string& out) {
        if (take(m_minus) || take(u"-"))
            out += '-';
        else if (!take(m_plus))
            take(u"+");

        const IntegerPart integer = integer_part(out);
        if (integer == IntegerPart::ZeroLeadGroup)
            return false;
        const bool has_integer = integer == IntegerPart::Present;
        bool has_fraction = false;
        if (take(m_decimal)) {
            out += '.';
            has_fraction = digits(out) > 0;
        }
        if (!has_integer && !has_fraction)
            return false;
        if (take_exponent_mark()) {
            out += 'e';
            if (take(m_minus) || take(u"-"))
                out += '-';
            else if (!take(m_plus))
                take(u"+");
            if (digits(out) == 0)
                return false;
        }
        return m_pos == m_text.size();
    }

private:
    enum class IntegerPart { Absent, Present, ZeroLeadGroup };

    bool at_digit() const {
        return m_pos < m_text.size() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'9';
    }

    bool at(QStringView token) const {
        return !token.isEmpty() && QStringView(m_text).sliced(m_pos).startsWith(token);
    }

    qsizetype digits(std::string& out) {
        qsizetype count = 0;
        for (; at_digit(); ++m_pos, ++count)
            out += char(m_text[m_pos].unicode());
        return count;
    }

    // Digits, optionally grouped: a lead group of one to three digits, then groups of three.
    // A number never starts with a group of zeros: "0,001" is someone's 0.001 under a locale
    // that groups with the comma, and reading it as 1 would be wrong by a factor of a thousand.
    IntegerPart integer_part(std::string& out) {
        const std::size_t lead_start = out.size();
        const qsizetype lead = digits(out);
        if (lead == 0)
            return IntegerPart::Absent;
        bool grouped = false;
        while (const qsizetype separator = group_separator_length()) {
            const qsizetype mark = m_pos;
            m_pos += separator;
            std::string group;
            if (digits(group) != 3 || (!grouped && lead > 3)) {
                m_pos = mark; // not a group: leave the separator for the caller to reject
                break;
            }
            grouped = true;
            out += group;
        }
        if (grouped && out.find_first_not_of('0', lead_start) >= lead_start + std::size_t(lead))
            return IntegerPart::ZeroLeadGroup;
        return IntegerPart::Present;
    }

    // The length of the group separator at the current position, 0 where there is none.
    qsizetype group_separator_length() const {
        for (const QString& separator : m_groups) {
            if (at(separator))
                return separator.size();
        }
        return 0;
    }

    bool take_exponent_mark() {
        if (m_pos < m_text.size() && (m_text[m_pos] == u'e' || m_text[m_pos] == u'E')) {
            ++m_pos;
            return true;
        }
        return take(m_exponent);
    }

    bool take(QStringView token) {
        if (!at(token))
            return false;
        m_pos += token.size();
        return true;
    }

    const QString& m_text;
    const QString& m_decimal;
    const QStringList& m_groups;
    const QString& m_minus;
    const QString& m_plus;
    const QString& m_exponent;
    qsizetype m_pos = 0;
};

// The C library's conversion is correctly rounded; it runs under the "C" locale so that the
// process's own numeric locale cannot change the meaning of the spelled-out number.
std::optional<double> c_locale_to_double(const std::string& spelled) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char* end = nullptr;
    const double value = strtod_l(spelled.c_str(), &end, c_locale);
    if (end != spelled.c_str() + spelled.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> entry_to_number(QStringView entry, const QLocale& locale) {
    const QString text = with_ascii_twins(entry.trimmed());
    std::string spelled;
    spelled.reserve(std::size_t(text.size()) + 2);
    if (!EntryScanner(text, symbols_of(locale)).scan(spelled))
        return std::nullopt;
    return c_locale_to_double(spelled);
}

namespace {

// A result has as many fraction digits as ResultFormat has digit placeholders after its decimal
// placeholder. The placeholders before it set no limit: every integer digit is shown.
constexpr int fraction_places(QStringView pattern) {
    int places = 0;
    bool after_point = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i].unicode();
        if (c == u'.')
            after_point = true;
        else if (after_point && c == u'#')
            ++places;
    }
    return places;
}
constexpr int power_of_ten(int n) {
    return n == 0 ? 1 : 10 * power_of_ten(n - 1);
}
constexpr int kFractionPlaces = fraction_places(ResultFormat);
// Units of the last fraction digit in a whole: 100, so a result counts in hundredths.
constexpr int kFractionUnits = power_of_ten(kFractionPlaces);
static_assert(kFractionPlaces >= 1 && kFractionPlaces <= 9, "one to nine fraction digits");

// The user's decimal arithmetic lands a few units in the last place beside a tie (0.15 squared
// times 10 is 0.22499999999999998); such a value rounds as the tie it stands for.
constexpr double kTieUlps = 4.0;
// Beyond this spacing of doubles the tie allowance would reach across to ordinary values, so
// large magnitudes round by their exact value alone.
constexpr double kLargestTieUlp = 1e-6;

struct Rounded {
    double integer_part; // a whole number
    int fraction_units;  // 0 to kFractionUnits - 1: hundredths
};

// |value| rounded to the nearest hundredth, ties away from zero.
Rounded round_to_fraction_units(double magnitude) {
    constexpr double units = kFractionUnits;
    double integer_part = std::trunc(magnitude);
    const double fraction = magnitude - integer_part; // exact
    // floor(fraction * units) may be one too high when the product rounds up to a whole number;
    // the comparison with the tie below still picks the right neighbour then.
    const double lower = std::floor(fraction * units);
    const double tie = (2.0 * lower + 1.0) / (2.0 * units); // the double nearest the tie
    const double ulp =
        std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
    const bool near_tie = ulp <= kLargestTieUlp && tie - fraction <= kTieUlps * ulp;
    int fraction_units = static_cast<int>(lower) + (fraction >= tie || near_tie ? 1 : 0);
    if (fraction_units >= kFractionUnits) {
        integer_part += 1.0; // exact: a fraction only exists below 2^52
        fraction_units -= kFractionUnits;
    }
    return {integer_part, fraction_units};
}

// The fraction digits of `units`, without trailing zeros; nothing for zero.
void append_fraction_digits(QString& text, int units) {
    if (units == 0)
        return;
    int places = kFractionPlaces;
    for (; units % 10 == 0; units /= 10)
        --places;
    char16_t digits[kFractionPlaces];
    for (int i = places - 1; i >= 0; --i, units /= 10)
        digits[i] = char16_t(u'0' + units % 10);
    text.append(QStringView(digits, places));
}

} // namespace

QString format_result(double value, const QLocale& locale) {
    Q_ASSERT(std::isfinite(value));
    const Rounded r = round_to_fraction_units(std::fabs(value));
    const NumberSymbols& symbols = symbols_of(locale);
    QString text;
    text.reserve(16);
    if (value < 0.0 && (r.integer_part > 0.0 || r.fraction_units > 0))
        text += symbols.minus;
    if (r.integer_part > 0.0) {
        char digits[400]; // the largest double has 309 integer digits
        const auto written =
            std::to_chars(digits, digits + sizeof digits, r.integer_part, std::chars_format::fixed);
        text += QLatin1StringView(digits, written.ptr - digits);
    }
    text += symbols.decimal;
    append_fraction_digits(text, r.fraction_units);
    return text;
}

} // namespace zumora
