// Any bytes, read as UTF-8, as a number entry under a Japanese and a German locale.
//
// Checked for every text:
// - the conversion gives a finite double or nothing;
// - the full-width twin of the text (digits, signs and full stop as a Japanese input method
//   types them) reads as the very same double, signed zero included;
// - under German the text with its full stops and commas exchanged reads as the text does under
//   Japanese, since the two locales differ only in which of them groups and which separates;
// - where the text holds only the characters of plain numbers and Qt's own conversion gives a
//   finite number, ours gives the same; where Qt refuses and ours does not, ours is a magnitude
//   too small for a normal double, which Qt refuses and users expect as zero or a subnormal.
#include "fuzz_locales.h"
#include "number_text.h"

#include <QLocale>
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

// The full-width forms start at U+FF01 for '!'; only these characters have twins the scanner
// knows.
QString full_width(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || u == u'+' || u == u'-' || u == u'.')
            c = QChar(char16_t(u + 0xFEE0));
    }
    return out;
}

// Under German the full stop groups and the comma separates; the full-width full stop still
// means a full stop.
QString as_german(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'.' || c == u'．')
            c = u',';
        else if (c == u',')
            c = u'.';
    }
    return out;
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

    const QString wide = full_width(text);
    const std::optional<double> ja_wide = checked_conversion(wide, japanese());
    if (!same(ja, ja_wide))
        fail_pair("Japanese: ASCII and full-width forms differ", text, ja, ja_wide);
    const std::optional<double> de_wide = checked_conversion(wide, german());
    if (!same(de, de_wide))
        fail_pair("German: ASCII and full-width forms differ", text, de, de_wide);

    const std::optional<double> de_swapped = checked_conversion(as_german(text), german());
    if (!same(ja, de_swapped))
        fail_pair("Japanese text and its German spelling differ", text, ja, de_swapped);

    if (plain_number_characters(text)) {
        bool ok = false;
        const double qt = japanese().toDouble(text, &ok);
        if (ok && std::isfinite(qt)) {
            if (!ja || *ja != qt)
                fail_pair("disagrees with QLocale::toDouble", text, ja, qt);
        } else if (ja && std::fabs(*ja) >= std::numeric_limits<double>::min()) {
            fail_pair("accepts a normal number QLocale::toDouble refuses", text, ja, std::nullopt);
        }
    }
    return 0;
}
