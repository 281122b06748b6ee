#include "number_text.h"
#include "reference_entry.h"
#include "reference_result_text.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <limits>

using namespace zumora;
using namespace Qt::StringLiterals;

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kFrench(QLocale::French, QLocale::France);
const QLocale kSwissGerman(QLocale::German, QLocale::Switzerland);
const QLocale kAmerican(QLocale::English, QLocale::UnitedStates);
const QLocale kSwedish(QLocale::Swedish, QLocale::Sweden);

// Full-width twins of ASCII digits, signs, full stop and comma, as a Japanese input method
// types them.
QString full_width(const QString& ascii) {
    QString out;
    for (QChar c : ascii) {
        const char16_t u = c.unicode();
        out += (u >= u'0' && u <= u'9') || u == u'+' || u == u'-' || u == u'.' || u == u','
                   ? QChar(char16_t(u + 0xFEE0))
                   : c;
    }
    return out;
}

// A grouped number whose lead group is zeros ("0,001"), which Qt reads as grouped and we
// refuse.
bool zero_lead_group(const QString& text) {
    static const QRegularExpression pattern(u"^\\s*[-+]?0+,[0-9]{3}"_s);
    return pattern.match(text).hasMatch();
}

} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(kJapanese); }

    void entriesPresent_data();
    void entriesPresent();
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
    void agreesWithQLocale();
    void agreesWithTheRules();
    void formatted_data();
    void formatted();
    void formattedAnyDouble();
};

void TestNumberText::entriesPresent_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("present");

    QTest::newRow("both filled") << u"1"_s << u"2"_s << true;
    QTest::newRow("first empty") << QString() << u"2"_s << false;
    QTest::newRow("second empty") << u"1"_s << QString() << false;
    QTest::newRow("both empty") << QString() << QString() << false;
    QTest::newRow("a blank is not empty") << u" "_s << u" "_s << true;
    QTest::newRow("letters are not empty") << u"abc"_s << u"x"_s << true;
}

void TestNumberText::entriesPresent() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, present);
    QCOMPARE(entries_present(first, second), present);
}

void TestNumberText::accepted_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<double>("value");

    const QLocale ja = kJapanese;
    QTest::newRow("integer") << ja << u"100"_s << 100.0;
    QTest::newRow("blanks around") << ja << u" 100 "_s << 100.0;
    QTest::newRow("tab and ideographic space around") << ja << u"\t100\u3000"_s << 100.0;
    QTest::newRow("plus sign") << ja << u"+1.5"_s << 1.5;
    QTest::newRow("minus sign") << ja << u"-1.5"_s << -1.5;
    QTest::newRow("no integer digits") << ja << u".5"_s << 0.5;
    QTest::newRow("no fraction digits") << ja << u"12."_s << 12.0;
    QTest::newRow("grouped") << ja << u"1,234,567.5"_s << 1234567.5;
    QTest::newRow("exponent") << ja << u"1e3"_s << 1000.0;
    QTest::newRow("exponent upper case, signed") << ja << u"2.5E-3"_s << 0.0025;
    QTest::newRow("nearest double to 0.1") << ja << u"0.1"_s << 0.1;
    QTest::newRow("full-width digits and full stop") << ja << u"１２．５"_s << 12.5;
    QTest::newRow("full-width minus") << ja << u"－１００"_s << -100.0;
    QTest::newRow("full-width plus") << ja << u"＋７"_s << 7.0;
    QTest::newRow("largest double")
        << ja << u"1.7976931348623157e308"_s << std::numeric_limits<double>::max();
    QTest::newRow("too small: subnormal")
        << ja << u"5e-324"_s << std::numeric_limits<double>::denorm_min();
    QTest::newRow("too small: zero") << ja << u"1e-400"_s << 0.0;
    QTest::newRow("German decimal comma") << kGerman << u"1,5"_s << 1.5;
    QTest::newRow("German grouping") << kGerman << u"1.234,5"_s << 1234.5;

    // What ibus-mozc in hiragana mode types for the keys 100, 1.5, -100, -1.5, 1,000, .5, -.5:
    // '-' before a digit is U+2212, elsewhere U+30FC; '.' and ',' after a digit are full-width,
    // elsewhere the ideographic full stop and comma.
    QTest::newRow("input method: 100") << ja << u"\uFF11\uFF10\uFF10"_s << 100.0;
    QTest::newRow("input method: 1.5") << ja << u"\uFF11\uFF0E\uFF15"_s << 1.5;
    QTest::newRow("input method: -100") << ja << u"\u2212\uFF11\uFF10\uFF10"_s << -100.0;
    QTest::newRow("input method: -1.5") << ja << u"\u2212\uFF11\uFF0E\uFF15"_s << -1.5;
    QTest::newRow("input method: 1,000") << ja << u"\uFF11\uFF0C\uFF10\uFF10\uFF10"_s << 1000.0;
    QTest::newRow("input method: .5") << ja << u"\u3002\uFF15"_s << 0.5;
    QTest::newRow("input method: -.5") << ja << u"\u30FC\u3002\uFF15"_s << -0.5;
    QTest::newRow("input method: prolonged sound mark before a digit")
        << ja << u"\u30FC\uFF11\uFF10\uFF10"_s << -100.0;
    QTest::newRow("input method: negative exponent") << ja << u"1e\u22123"_s << 0.001;
    QTest::newRow("input method, German: 1,5") << kGerman << u"\uFF11\uFF0C\uFF15"_s << 1.5;
    QTest::newRow("input method, German: ,5") << kGerman << u"\u3001\uFF15"_s << 0.5;
    QTest::newRow("input method, German: 1.000")
        << kGerman << u"\uFF11\uFF0E\uFF10\uFF10\uFF10"_s << 1000.0;

    // French groups with U+202F; a plain space and U+00A0 are what keyboards give.
    QTest::newRow("French: narrow no-break space") << kFrench << u"1\u202F000"_s << 1000.0;
    QTest::newRow("French: no-break space") << kFrench << u"1\u00A0000"_s << 1000.0;
    QTest::newRow("French: plain space") << kFrench << u"1 000"_s << 1000.0;
    QTest::newRow("French: mixed spaces, decimal comma")
        << kFrench << u"-1 234\u00A0567,25"_s << -1234567.25;
    // Swiss German groups with U+2019; the ASCII apostrophe is what keyboards give.
    QTest::newRow("Swiss German: right single quotation mark")
        << kSwissGerman << u"1\u2019000.5"_s << 1000.5;
    QTest::newRow("Swiss German: apostrophe") << kSwissGerman << u"1'000.5"_s << 1000.5;
    // Swedish writes its own minus sign, U+2212; the ASCII one still reads.
    QTest::newRow("Swedish minus sign") << kSwedish << u"\u22121\u00A0000,5"_s << -1000.5;
    QTest::newRow("Swedish ASCII minus") << kSwedish << u"-2,5"_s << -2.5;
    // A lead group of non-zero digits is an ordinary grouped number, also after a zero.
    QTest::newRow("lead group after a zero digit") << ja << u"01,000"_s << 1000.0;
    QTest::newRow("zero without grouping") << ja << u"0001"_s << 1.0;
}

void TestNumberText::accepted() {
    QFETCH(QLocale, locale);
    QFETCH(QString, entry);
    QFETCH(double, value);

    const std::optional<double> converted = entry_to_number(entry, locale);
    QVERIFY(converted.has_value());
    QCOMPARE(*converted, value);
    QCOMPARE(std::signbit(*converted), std::signbit(value));
}

void TestNumberText::rejected_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("entry");

    const QLocale ja = kJapanese;
    QTest::newRow("a blank only") << ja << u" "_s;
    QTest::newRow("ideographic spaces only") << ja << u"\u3000\u3000"_s;
    QTest::newRow("letters") << ja << u"abc"_s;
    QTest::newRow("trailing unit") << ja << u"100mm"_s;
    QTest::newRow("blank inside") << ja << u"1 00"_s;
    QTest::newRow("two signs") << ja << u"--1"_s;
    QTest::newRow("sign alone") << ja << u"-"_s;
    QTest::newRow("separator alone") << ja << u"."_s;
    QTest::newRow("two separators") << ja << u"1.2.3"_s;
    QTest::newRow("misplaced group") << ja << u"1,00"_s;
    QTest::newRow("group after long lead") << ja << u"1234,567"_s;
    QTest::newRow("group in fraction") << ja << u"1.234,567"_s;
    QTest::newRow("leading group") << ja << u",100"_s;
    QTest::newRow("exponent without digits") << ja << u"1e"_s;
    QTest::newRow("exponent without mantissa") << ja << u"e3"_s;
    QTest::newRow("hexadecimal") << ja << u"0x10"_s;
    QTest::newRow("hexadecimal float") << ja << u"0x1p3"_s;
    QTest::newRow("infinity") << ja << u"inf"_s;
    QTest::newRow("signed infinity") << ja << u"-infinity"_s;
    QTest::newRow("not a number") << ja << u"nan"_s;
    QTest::newRow("beyond the double range") << ja << u"1e309"_s;
    QTest::newRow("negative beyond the range") << ja << u"-2e308"_s;
    QTest::newRow("full-width letters") << ja << u"１ｅ３"_s;
    QTest::newRow("German full stop as decimal") << kGerman << u"1.5"_s;

    // Two signs in the exponent, whatever their width.
    QTest::newRow("exponent with two plus signs") << ja << u"1e++5"_s;
    QTest::newRow("exponent with plus and full-width plus") << ja << u"1e+\uFF0B5"_s;
    QTest::newRow("input method: two minus signs") << ja << u"\u30FC\u2212\uFF15"_s;
    // Look-alikes that no input method types for a number.
    QTest::newRow("small hyphen-minus") << ja << u"\uFE631"_s;
    QTest::newRow("hyphen") << ja << u"\u20101"_s;
    QTest::newRow("en dash") << ja << u"\u20131"_s;
    QTest::newRow("katakana middle dot as separator") << ja << u"1\u30FB5"_s;
    // A space groups only where the locale groups with a space.
    QTest::newRow("Japanese: space is no group separator") << ja << u"1 000"_s;
    QTest::newRow("French: misplaced space") << kFrench << u"1 00"_s;
    QTest::newRow("Swiss German: apostrophe in the fraction") << kSwissGerman << u"1.000'5"_s;

    // A lead group of zeros: read as grouped, the number would be a thousand times too large.
    QTest::newRow("German 0.001") << kGerman << u"0.001"_s;
    QTest::newRow("Japanese 0,001") << ja << u"0,001"_s;
    QTest::newRow("American 0,001") << kAmerican << u"0,001"_s;
    QTest::newRow("negative 0,001") << ja << u"-0,001"_s;
    QTest::newRow("0,001 with a fraction") << ja << u"0,001.5"_s;
    QTest::newRow("lead group of two zeros") << ja << u"00,001"_s;
    QTest::newRow("zero grouped") << ja << u"0,000"_s;
    QTest::newRow("input method: 0,001") << ja << u"\uFF10\uFF0C\uFF10\uFF10\uFF11"_s;
    QTest::newRow("French 0 001") << kFrench << u"0 001"_s;
}

void TestNumberText::rejected() {
    QFETCH(QLocale, locale);
    QFETCH(QString, entry);
    QVERIFY(!entry_to_number(entry, locale).has_value());
}

// Random texts over the characters of numbers: where Qt's own conversion gives a finite
// number, ours gives the same double (but for a lead group of zeros, which ours refuses), and the
// full-width form reads the same as the ASCII one.
void TestNumberText::agreesWithQLocale() {
    const QString alphabet = u"0123456789,.-+eE "_s;
    QRandomGenerator random(20261210);
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = random.bounded(1, 12);
        for (int j = 0; j < length; ++j)
            text += alphabet[random.bounded(int(alphabet.size()))];
        bool ok = false;
        const double expected = kJapanese.toDouble(text, &ok);
        const std::optional<double> ours = entry_to_number(text, kJapanese);
        if (ok && std::isfinite(expected) && !zero_lead_group(text)) {
            QVERIFY2(ours.has_value(), qPrintable(text));
            QCOMPARE(*ours, expected);
        } else if (ok && zero_lead_group(text)) {
            QVERIFY2(!ours.has_value(), qPrintable(text));
        } else if (ours.has_value()) {
            // Qt fails what underflows; we give the nearest double, as users expect.
            QVERIFY2(std::fabs(*ours) < std::numeric_limits<double>::min(), qPrintable(text));
        }
        QCOMPARE(entry_to_number(full_width(text), kJapanese), ours);
    }
}

// Random texts over the characters of numbers in every form users type them, blanks and a few
// strangers: ours reads each exactly as the rules users are given say, signed zero included.
void TestNumberText::agreesWithTheRules() {
    const QString alphabet = u"0123456789,.-+eE \t\u3000\u00A0０１９．，。、－＋\u2212ー"
                             u"ｅx\u200B"_s;
    const QString separators = u",.，．、。"_s;
    QRandomGenerator random(20261211);
    for (int i = 0; i < 40000; ++i) {
        // Runs of one to four digits between single characters, so that groups of three (and
        // lead groups of zeros) come up often.
        QString text;
        const int pieces = random.bounded(1, 7);
        for (int j = 0; j < pieces; ++j) {
            if (random.bounded(5) < 3) {
                const bool zeros = random.bounded(4) == 0;
                for (int d = random.bounded(5) == 0 ? 3 : random.bounded(1, 5); d > 0; --d)
                    text += QChar(char16_t(u'0' + (zeros ? 0 : random.bounded(10))));
            } else {
                const QString& from = random.bounded(2) == 0 ? separators : alphabet;
                text += from[random.bounded(int(from.size()))];
            }
        }
        const std::optional<double> ours = entry_to_number(text, kJapanese);
        const std::optional<double> rules = reference::entry_value(text);
        QVERIFY2(ours.has_value() == rules.has_value(), qPrintable(text));
        if (ours) {
            QVERIFY2(*ours == *rules && std::signbit(*ours) == std::signbit(*rules),
                     qPrintable(text + u" read as "_s + QString::number(*ours, 'g', 17) +
                                u", not "_s + QString::number(*rules, 'g', 17)));
        }
    }
}

void TestNumberText::formatted_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole number keeps the separator") << 12.0 << u"12."_s;
    QTest::newRow("no zero before the separator") << 0.5 << u".5"_s;
    QTest::newRow("zero") << 0.0 << u"."_s;
    QTest::newRow("rounds down to zero") << 0.004 << u"."_s;
    QTest::newRow("trailing zero dropped") << 785.398 << u"785.4"_s;
    QTest::newRow("two digits") << 1273.2398096251836 << u"1273.24"_s;
    QTest::newRow("five integer digits") << 11111.111111111113 << u"11111.11"_s;
    QTest::newRow("more than five integer digits") << 1234567.891 << u"1234567.89"_s;
    QTest::newRow("carry into the integer part") << 99999.999 << u"100000."_s;
    QTest::newRow("negative") << -0.8488265397501223 << u"-.85"_s;
    QTest::newRow("just above a whole number") << 960.0000000000002 << u"960."_s;
    // Ties and near ties round away from zero.
    QTest::newRow("exact tie") << 0.125 << u".13"_s;
    QTest::newRow("negative exact tie") << -0.125 << u"-.13"_s;
    QTest::newRow("one ulp below 0.225") << 0.22499999999999998 << u".23"_s;
    QTest::newRow("nearest double to 2.675 (below it)") << 2.675 << u"2.68"_s;
    QTest::newRow("nearest double to 1.005 (below it)") << 1.005 << u"1.01"_s;
    QTest::newRow("clearly below a tie") << 0.12499 << u".12"_s;
    // A negative value that rounds to zero shows the separator alone.
    QTest::newRow("negative rounding to zero") << -0.001 << u"."_s;
    QTest::newRow("negative zero") << -0.0 << u"."_s;
    QTest::newRow("smallest subnormal") << 5e-324 << u"."_s;
    // 2^53 + 2: no fraction exists, every integer digit shows.
    QTest::newRow("beyond 2^53") << 9007199254740994.0 << u"9007199254740994."_s;
    // 2^40 + 0.0078125 has a fraction finer than a hundredth; no tie allowance at this size.
    QTest::newRow("large with fine fraction") << 1099511627776.0078125 << u"1099511627776.01"_s;
    QTest::newRow("large whole number stays whole") << 1e14 << u"100000000000000."_s;
    // At 2^33 and above a double's spacing is 2^-19 or more: an exact tie still rounds away
    // from zero, and the double just below it rounds down, with no tie allowance.
    QTest::newRow("exact tie at 2^33") << 8589934592.125 << u"8589934592.13"_s;
    QTest::newRow("one ulp below a tie at 2^33")
        << 8589934592.1249980926513671875 << u"8589934592.12"_s;
    // Every digit of the exact value of the largest double, 2^1024 - 2^971.
    QTest::newRow("largest double") << std::numeric_limits<double>::max()
                                    << u"1797693134862315708145274237317043567980705675258449965989"
                                       u"1747680315726078002853876058955"
                                       "86327668781715404589535143824642343213268894641827684675467"
                                       "035375169860499105765512820762454"
                                       "90090389328944075868508455133942304583236903222948165808559"
                                       "332123348274797826204144723168738"
                                       "177180919299881250404026184124858368."_s;
}

void TestNumberText::formatted() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(format_result(value, kJapanese), text);
}

// Over many doubles of every size and sign, the text has the pattern's shape, carries no
// trailing zero, reads back within half a hundredth (plus the tie allowance) of the value, and
// is the one that the value's exact decimal expansion gives.
void TestNumberText::formattedAnyDouble() {
    static const QRegularExpression shape(u"^-?[0-9]*\\.([0-9]{0,2})$"_s);
    QRandomGenerator random(7);
    for (int i = 0; i < 200000; ++i) {
        double value = 0.0;
        switch (i % 5) {
        case 0: // any magnitude from 1e-12 to 1e16
            value = std::pow(10.0, random.generateDouble() * 28.0 - 12.0);
            break;
        case 1: { // a few ulps from a tie k / 100 + 0.005
            double tie = (2.0 * double(random.bounded(0, 2000000)) + 1.0) / 200.0;
            for (int steps = random.bounded(-6, 7); steps != 0; steps -= (steps > 0 ? 1 : -1))
                tie = std::nextafter(tie, steps > 0 ? 1e300 : -1e300);
            value = tie;
            break;
        }
        case 2: // tiny, down into the subnormals
            value = std::ldexp(random.generateDouble(), -random.bounded(0, 1075));
            break;
        case 3: // huge
            value = std::ldexp(1.0 + random.generateDouble(), random.bounded(40, 1024));
            break;
        case 4: // cents, as users type them
            value = double(random.bounded(0, 10000000)) / 100.0;
            break;
        }
        if (random.bounded(2) == 1)
            value = -value;
        const QString text = format_result(value, kJapanese);
        const QRegularExpressionMatch match = shape.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        QVERIFY2(!match.captured(1).endsWith(u'0'), qPrintable(text));

        const double back = kJapanese.toDouble(text == u"."_s ? u"0"_s : text);
        const double ulp = std::nextafter(std::fabs(value), 1e308 * 10) - std::fabs(value);
        // Half a hundredth, the tie allowance of 4 ulps, and 2 more for reading back and the
        // subtraction below.
        const double allowance = 0.005 + 6.0 * ulp;
        QVERIFY2(std::fabs(back - value) <= allowance,
                 qPrintable(QString::number(value, 'g', 17) + u" -> "_s + text));
        const reference::ResultText expected = reference::result_text(value);
        QVERIFY2(expected.accepts(text), qPrintable(QString::number(value, 'g', 17) + u" -> "_s +
                                                    text + u", not "_s + expected.text));
    }
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_number_text.moc"
