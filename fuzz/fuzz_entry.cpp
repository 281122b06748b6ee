// Any bytes, read as UTF-8, as a number entry under a Japanese, a German and a French locale.
//
// Checked for every text:
// - the conversion gives a finite double or nothing;
// - the forms a Japanese input method types for the text (full-width digits, signs, full stop
//   and comma; U+2212 or U+30FC for '-'; the ideographic full stop and comma) read as the very
//   same double, signed zero included;
// - under German the text with its full stops and commas exchanged reads as the text does under
//   Japanese, since the two locales differ only in which of them groups and which separates;
// - under French, whose group separator is U+202F, a plain space and U+00A0 group alike;
// - under Japanese, the text reads as the rules users are given say, written out apart from the
//   program's reader;
// - where the text holds only the characters of plain numbers and Qt's own conversion gives a
//   finite number, ours gives the same, but for a grouped number whose lead group is zeros
//   ("0,001"), which ours refuses; where Qt refuses and ours does not, ours is a magnitude too
//   small for a normal double, which Qt refuses and users expect as zero or a subnormal.
#include "fuzz_locales.h"
#include "number_text.h"
#include "reference_entry.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

using namespace zumora;
using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const char* what, const QString& text) {
    std::fprintf(stderr, "fuzz_entry: %s\n  text: \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

QByteArray describe(const std::optional<double>& v) {
    return v ? QByteArray::number(*v, 'g', 17) : QByteArrayLiteral("nothing");
}

[[noreturn]] void fail_pair(const char* what, const QString& text, const std::optional<double>& a,
                            const std::optional<double>& b) {
    std::fprintf(stderr, "fuzz_entry: %s: %s vs %s\n  text: \"%s\"\n", what,
                 describe(a).constData(), describe(b).constData(), text.toUtf8().constData());
    std::abort();
}

bool same(const std::optional<double>& a, const std::optional<double>& b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b);
}

// The full-width forms start at U+FF01 for '!'.
QChar full_width(QChar c) {
    return QChar(char16_t(c.unicode() + 0xFEE0));
}

// What a Japanese input method types for each character of a number: `variant` picks between
// the full-width form and the other form the input method types for the same key.
QString input_method_form(const QString& text, bool variant) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            c = full_width(c);
        else if (u == u'+')
            c = full_width(c);
        else if (u == u'-')
            c = variant ? QChar(u'\u2212') : QChar(u'\u30FC');
        else if (u == u'.')
            c = variant ? full_width(c) : QChar(u'\u3002');
        else if (u == u',')
            c = variant ? full_width(c) : QChar(u'\u3001');
    }
    return out;
}

// Under German the full stop groups and the comma separates, in every width.
QString as_german(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'.' || c == u'．' || c == u'。')
            c = u',';
        else if (c == u',' || c == u'，' || c == u'、')
            c = u'.';
    }
    return out;
}

// The same text with every space-like group separator replaced by `space`.
QString with_spaces(const QString& text, QChar space) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u' ' || c == u'\u00A0' || c == u'\u202F')
            c = space;
    }
    return out;
}

bool zero_lead_group(const QString& text) {
    static const QRegularExpression pattern(u"^\\s*[-+]?0+,[0-9]{3}"_s);
    return pattern.match(text).hasMatch();
}

bool plain_number_characters(const QString& text) {
    for (QChar c : text) {
        if (!u"0123456789,.-+eE "_s.contains(c))
            return false;
    }
    return true;
}

std::optional<double> checked_conversion(const QString& text, const QLocale& locale) {
    const std::optional<double> value = entry_to_number(text, locale);
    if (value && !std::isfinite(*value))
        fail("non-finite conversion", text);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The exchange of full stop and comma holds only while the two locales write numbers so.
    if (japanese().decimalPoint() != u"."_s || japanese().groupSeparator() != u","_s ||
        german().decimalPoint() != u","_s || german().groupSeparator() != u"."_s ||
        french().groupSeparator() != u"\u202F"_s ||
        japanese().negativeSign() != german().negativeSign() ||
        japanese().positiveSign() != german().positiveSign() ||
        japanese().exponential() != german().exponential()) {
        std::fprintf(stderr, "fuzz_entry: the locales' number symbols are not as assumed\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const std::optional<double> ja = checked_conversion(text, japanese());
    const std::optional<double> de = checked_conversion(text, german());
    if (!same(ja, reference::entry_value(text)))
        fail_pair("Japanese: differs from the rules", text, ja, reference::entry_value(text));

    for (const bool variant : {false, true}) {
        const QString typed = input_method_form(text, variant);
        const std::optional<double> ja_typed = checked_conversion(typed, japanese());
        if (!same(ja, ja_typed))
            fail_pair("Japanese: ASCII and input-method forms differ", text, ja, ja_typed);
        const std::optional<double> de_typed = checked_conversion(typed, german());
        if (!same(de, de_typed))
            fail_pair("German: ASCII and input-method forms differ", text, de, de_typed);
    }

    const std::optional<double> de_swapped = checked_conversion(as_german(text), german());
    if (!same(ja, de_swapped))
        fail_pair("Japanese text and its German spelling differ", text, ja, de_swapped);

    const std::optional<double> fr = checked_conversion(with_spaces(text, u'\u202F'), french());
    for (const QChar space : {QChar(u' '), QChar(u'\u00A0')}) {
        const std::optional<double> fr_typed =
            checked_conversion(with_spaces(text, space), french());
        if (!same(fr, fr_typed))
            fail_pair("French: space-like group separators differ", text, fr, fr_typed);
    }

    if (plain_number_characters(text)) {
        bool ok = false;
        const double qt = japanese().toDouble(text, &ok);
        if (ok && zero_lead_group(text)) {
            if (ja)
                fail_pair("accepts a lead group of zeros", text, ja, qt);
        } else if (ok && std::isfinite(qt)) {
            if (!ja || *ja != qt)
                fail_pair("disagrees with QLocale::toDouble", text, ja, qt);
        } else if (ja && std::fabs(*ja) >= std::numeric_limits<double>::min()) {
            fail_pair("accepts a normal number QLocale::toDouble refuses", text, ja, std::nullopt);
        }
    }
    return 0;
}
