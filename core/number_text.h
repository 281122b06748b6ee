#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>

namespace zumora {

// Every result is shown through this pattern: all integer digits (none for a zero integer
// part; the integer placeholders set no limit), the decimal separator always, then as many
// fraction digits as the pattern has placeholders after its separator, trailing zeros dropped.
inline constexpr QStringView ResultFormat = u"#####.##";

// A calculation runs only when both entries hold at least one character; blanks count.
bool entries_present(QStringView first_entry, QStringView second_entry);

// The double nearest to the number written in `entry`, under `locale`.
//
// Accepted: blanks around the number; one leading sign; digits with the locale's group
// separators between groups of three; the locale's decimal separator; an exponent (1e3).
// What a Japanese input method types counts as the ASCII character it stands for: full-width
// digits, signs, full stop and comma; U+2212 and U+30FC as the minus sign; the ideographic
// full stop and comma. Where the locale groups with a space-like character, a plain space,
// U+00A0 and U+202F all group; where it groups with an apostrophe, U+2019 and ' both do.
// A magnitude too small for a double gives zero or a subnormal.
// Rejected (nullopt): anything else, including blanks only, trailing characters, hexadecimal,
// "inf" and "nan", a grouped number whose lead group is zero ("0,001"), and magnitudes beyond
// the range of a double.
std::optional<double> entry_to_number(QStringView entry, const QLocale& locale = QLocale());

// `value` rounded to the nearest hundredth and written as ResultFormat shows it. Ties round
// away from zero, and a value at most 4 units in its last place below a tie counts as that tie
// (while such a unit is at most a millionth; larger values round by their exact value): the
// user's decimal arithmetic lands there. A negative value that rounds to zero shows the
// separator alone. `value` must be finite.
QString format_result(double value, const QLocale& locale = QLocale());

} // namespace zumora
