#pragma once

// An entry read by the rules the notebook gives its users under the Japanese locale, written
// apart from the program's own reader so that tests can hold one against the other:
// - blanks (Unicode's white space) around the number are ignored;
// - one optional sign, then digits with an optional decimal full stop, then an optional
//   exponent (e or E, an optional sign, digits); a digit before or after the full stop;
// - the integer digits either ungrouped, or a lead group of one to three digits that is not all
//   zeros followed by groups of three, each after a comma;
// - what a Japanese input method types counts as the ASCII character meant: full-width digits,
//   signs, full stop and comma; U+2212 and U+30FC for the minus sign; the ideographic full
//   stop and comma;
// - the value is the double nearest to the decimal written; one too small for a double is zero
//   (or the nearest subnormal), one too large is no number.

#include <QStringView>
#include <charconv>
#include <optional>
#include <string>
#include <system_error>

namespace reference {

constexpr bool is_blank(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

// The ASCII character a Japanese input method's character stands for in a number.
constexpr char16_t meant(char16_t c) {
    if (c >= 0xFF10 && c <= 0xFF19) // full-width digits
        return char16_t(u'0' + (c - 0xFF10));
    switch (c) {
    case 0xFF0B: // full-width plus
        return u'+';
    case 0xFF0D: // full-width hyphen-minus
    case 0x2212: // minus sign
    case 0x30FC: // prolonged sound mark
        return u'-';
    case 0xFF0E: // full-width full stop
    case 0x3002: // ideographic full stop
        return u'.';
    case 0xFF0C: // full-width comma
    case 0x3001: // ideographic comma
        return u',';
    default:
        return c;
    }
}

class EntryReader {
public:
    explicit EntryReader(QStringView entry) {
        qsizetype begin = 0;
        qsizetype end = entry.size();
        while (begin < end && is_blank(entry[begin].unicode()))
            ++begin;
        while (end > begin && is_blank(entry[end - 1].unicode()))
            --end;
        for (qsizetype i = begin; i < end; ++i)
            m_text += meant(entry[i].unicode());
    }

    std::optional<double> value() {
        const bool negative = sign() == u'-';
        std::string integer;
        if (!integer_digits(integer))
            return std::nullopt;
        std::string fraction;
        if (take(u'.'))
            digits(fraction);
        if (integer.empty() && fraction.empty())
            return std::nullopt;
        long long exponent = 0;
        if (take(u'e') || take(u'E')) {
            const bool exponent_negative = sign() == u'-';
            std::string e;
            if (digits(e) == 0)
                return std::nullopt;
            for (char d : e)
                exponent = std::min(exponent * 10 + (d - '0'), 1'000'000'000LL);
            if (exponent_negative)
                exponent = -exponent;
        }
        if (m_pos != m_text.size())
            return std::nullopt;
        const std::optional<double> magnitude = nearest_double(integer, fraction, exponent);
        if (!magnitude)
            return std::nullopt;
        return negative ? -*magnitude : *magnitude;
    }

private:
    bool at_digit() const {
        return m_pos < m_text.size() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'9';
    }
    bool take(char16_t c) {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    char16_t sign() {
        if (take(u'-'))
            return u'-';
        return take(u'+') ? u'+' : u'\0';
    }
    std::size_t digits(std::string& out) {
        const std::size_t start = out.size();
        for (; at_digit(); ++m_pos)
            out += char(m_text[m_pos]);
        return out.size() - start;
    }

    // False where commas stand that do not group the integer digits.
    bool integer_digits(std::string& out) {
        const std::size_t lead = digits(out);
        if (m_pos == m_text.size() || m_text[m_pos] != u',')
            return true;
        // "0,001" is someone's 0.001, never a thousand times more.
        if (lead == 0 || lead > 3 || out.find_first_not_of('0') == std::string::npos)
            return false;
        while (take(u',')) {
            std::string group;
            if (digits(group) != 3)
                return false;
            out += group;
        }
        return true;
    }

    static std::optional<double> nearest_double(const std::string& integer,
                                                const std::string& fraction, long long exponent) {
        const std::string mantissa = integer + fraction;
        const std::size_t first = mantissa.find_first_not_of('0');
        if (first == std::string::npos)
            return 0.0;
        std::string spelled = (integer.empty() ? std::string("0") : integer) + '.' + fraction +
                              'e' + std::to_string(exponent);
        double value = 0.0;
        const auto read = std::from_chars(spelled.data(), spelled.data() + spelled.size(), value);
        if (read.ec == std::errc())
            return value;
        // Out of range: the power of ten of the leading digit tells too small from too large.
        const long long order = (long long)integer.size() - 1 - (long long)first + exponent;
        if (order < 0)
            return 0.0;
        return std::nullopt;
    }

    std::u16string m_text;
    std::size_t m_pos = 0;
};

inline std::optional<double> entry_value(QStringView entry) {
    return EntryReader(entry).value();
}

} // namespace reference
