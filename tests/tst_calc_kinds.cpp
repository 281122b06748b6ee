#include "calc_kinds.h"
#include "kind_captions.h"

#include <QTest>
#include <bit>
#include <cstdint>

using namespace zumora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(zumora::CalcKind)
Q_DECLARE_METATYPE(zumora::ResultCode)

namespace {

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

QByteArray describe(double v) {
    return QByteArray::number(v, 'g', 17);
}

} // namespace

class TestCalcKinds : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }

    void formulaValueAndText_data();
    void formulaValueAndText();
    void faults_data();
    void faults();
    void captions_data();
    void captions();
    void captionCharacters();
    void kindNumbers();
};

void TestCalcKinds::formulaValueAndText_data() {
    QTest::addColumn<CalcKind>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    using K = CalcKind;
    // The trade's worked examples: value bit for bit, text exactly.
    QTest::newRow("1: 100 L/min in 50 mm")
        << K::FlowVelocity << u"100"_s << u"50"_s << 0.8488265397501223 << u".85"_s;
    QTest::newRow("1: 200 L/min in 25 mm")
        << K::FlowVelocity << u"200"_s << u"25"_s << 6.790612318000979 << u"6.79"_s;
    QTest::newRow("2: 100 L/min at 1.5 m/s")
        << K::PipeDiameter << u"100"_s << u"1.5"_s << 37.61264281572803 << u"37.61"_s;
    QTest::newRow("2: 1000 L/min at 2 m/s")
        << K::PipeDiameter << u"1000"_s << u"2"_s << 103.00646458779434 << u"103.01"_s;
    QTest::newRow("3: 1000 L in 1000 mm")
        << K::CylinderHeight << u"1000"_s << u"1000"_s << 1273.2398096251836 << u"1273.24"_s;
    QTest::newRow("3: 500 L in 800 mm")
        << K::CylinderHeight << u"500"_s << u"800"_s << 994.7186012696745 << u"994.72"_s;
    QTest::newRow("4: 1000 L, side 1000")
        << K::SquareHeight << u"1000"_s << u"1000"_s << 1000.0 << u"1000."_s;
    QTest::newRow("4: 500 L, side 800")
        << K::SquareHeight << u"500"_s << u"800"_s << 781.25 << u"781.25"_s;
    QTest::newRow("4: 1000 L, side 300")
        << K::SquareHeight << u"1000"_s << u"300"_s << 11111.111111111113 << u"11111.11"_s;
    QTest::newRow("5: 1000 mm in 1000 mm")
        << K::CylinderVolume << u"1000"_s << u"1000"_s << 785.398 << u"785.4"_s;
    QTest::newRow("5: 12 mm in 50 mm")
        << K::CylinderVolume << u"12"_s << u"50"_s << 0.023561940000000003 << u".02"_s;
    QTest::newRow("6: 1500 mm, side 800")
        << K::SquareVolume << u"1500"_s << u"800"_s << 960.0000000000002 << u"960."_s;
    QTest::newRow("6: 1200 mm, side 1500")
        << K::SquareVolume << u"1200"_s << u"1500"_s << 2700.0 << u"2700."_s;
    QTest::newRow("6: 500 mm, side 200")
        << K::SquareVolume << u"500"_s << u"200"_s << 20.000000000000004 << u"20."_s;

    // Negative and zero entries pass through the arithmetic like any others.
    QTest::newRow("1: negative flow")
        << K::FlowVelocity << u"-100"_s << u"50"_s << -0.8488265397501223 << u"-.85"_s;
    QTest::newRow("2: both negative")
        << K::PipeDiameter << u"-100"_s << u"-1.5"_s << 37.61264281572803 << u"37.61"_s;
    // ((0 / 1000) / 60) / 0.785398 / 5 is 0, and the square root of zero is no fault.
    QTest::newRow("2: zero flow") << K::PipeDiameter << u"0"_s << u"5"_s << 0.0 << u"."_s;
    QTest::newRow("5: zero height") << K::CylinderVolume << u"0"_s << u"1000"_s << 0.0 << u"."_s;
    QTest::newRow("6: zero height") << K::SquareVolume << u"0"_s << u"800"_s << 0.0 << u"."_s;
    // A one-micrometre pipe: the integer part is never cut to five digits.
    QTest::newRow("1: 100 L/min in 0.001 mm")
        << K::FlowVelocity << u"100"_s << u"0.001"_s << 2122066349.3753061 << u"2122066349.38"_s;
    // (250/1000)^2 = 0.0625 exactly, times 2 = 0.125: an exact tie, away from zero.
    QTest::newRow("6: exact tie 0.125")
        << K::SquareVolume << u"2"_s << u"250"_s << 0.125 << u".13"_s;
    // (150/1000)^2 * 10 lands one double below 0.225: rounded as the tie the user meant.
    QTest::newRow("6: tie one ulp below 0.225")
        << K::SquareVolume << u"10"_s << u"150"_s << 0.22499999999999998 << u".23"_s;
    // 0.15 m side squared underflows nothing; a 1e-160 mm side squared in metres is 1e-326,
    // which underflows to zero: the product is zero, not a fault.
    QTest::newRow("6: underflow is no fault")
        << K::SquareVolume << u"1"_s << u"1e-160"_s << 0.0 << u"."_s;
}

void TestCalcKinds::formulaValueAndText() {
    QFETCH(CalcKind, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(double, value);
    QFETCH(QString, text);

    const FormulaValue computed = evaluate_formula(kind, first.toDouble(), second.toDouble());
    QCOMPARE(computed.code, ResultCode::Ok);
    QVERIFY2(same_bits(computed.value, value),
             (describe(computed.value) + " != " + describe(value)).constData());

    const Evaluation evaluation = evaluate_kind(kind, first, second);
    QCOMPARE(evaluation.code, ResultCode::Ok);
    QCOMPARE(evaluation.text, text);
}

void TestCalcKinds::faults_data() {
    QTest::addColumn<CalcKind>("kind");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<ResultCode>("code");

    using K = CalcKind;
    using R = ResultCode;
    QTest::newRow("first entry letters")
        << K::CylinderHeight << u"abc"_s << u"1000"_s << R::FirstEntryNotANumber;
    QTest::newRow("first entry a blank")
        << K::CylinderHeight << u" "_s << u"1000"_s << R::FirstEntryNotANumber;
    QTest::newRow("both bad: first reported")
        << K::CylinderHeight << u"x"_s << u"y"_s << R::FirstEntryNotANumber;
    QTest::newRow("second entry letters")
        << K::CylinderHeight << u"1000"_s << u"1000mm"_s << R::SecondEntryNotANumber;
    QTest::newRow("first entry beyond double")
        << K::SquareVolume << u"1e309"_s << u"1"_s << R::FirstEntryNotANumber;
    QTest::newRow("entry fault before formula fault")
        << K::FlowVelocity << u"1"_s << u"zero"_s << R::SecondEntryNotANumber;

    QTest::newRow("1: zero diameter") << K::FlowVelocity << u"100"_s << u"0"_s << R::DivisionByZero;
    QTest::newRow("1: zero over zero")
        << K::FlowVelocity << u"0"_s << u"0"_s << R::InvalidOperation;
    // (1e-160 / 1000)^2 underflows to zero, and then the division faults.
    QTest::newRow("1: diameter squares to zero")
        << K::FlowVelocity << u"100"_s << u"1e-160"_s << R::DivisionByZero;
    QTest::newRow("1: overflow") << K::FlowVelocity << u"1e308"_s << u"1"_s << R::Overflow;
    // 1 / (1e157)^2: the square overflows; the quotient would quietly be zero.
    QTest::newRow("1: overflow not hidden by division")
        << K::FlowVelocity << u"1"_s << u"1e160"_s << R::Overflow;
    QTest::newRow("2: zero velocity") << K::PipeDiameter << u"100"_s << u"0"_s << R::DivisionByZero;
    QTest::newRow("2: opposite signs")
        << K::PipeDiameter << u"100"_s << u"-1.5"_s << R::InvalidOperation;
    QTest::newRow("2: overflow") << K::PipeDiameter << u"1e308"_s << u"1e-300"_s << R::Overflow;
    QTest::newRow("3: zero diameter")
        << K::CylinderHeight << u"1000"_s << u"0"_s << R::DivisionByZero;
    QTest::newRow("3: overflow not hidden by a zero volume")
        << K::CylinderHeight << u"0"_s << u"1e160"_s << R::Overflow;
    QTest::newRow("4: zero side") << K::SquareHeight << u"1000"_s << u"0"_s << R::DivisionByZero;
    QTest::newRow("4: zero over zero")
        << K::SquareHeight << u"0"_s << u"0"_s << R::InvalidOperation;
    QTest::newRow("4: overflow") << K::SquareHeight << u"1e308"_s << u"1e-300"_s << R::Overflow;
    QTest::newRow("5: overflow") << K::CylinderVolume << u"1e308"_s << u"1e160"_s << R::Overflow;
    // inf * 0 would be an invalid operation; the overflow came first.
    QTest::newRow("5: overflow not hidden by zero height")
        << K::CylinderVolume << u"0"_s << u"1e160"_s << R::Overflow;
    QTest::newRow("6: overflow not hidden by zero height")
        << K::SquareVolume << u"0"_s << u"1e160"_s << R::Overflow;
    QTest::newRow("6: overflow in the last step")
        << K::SquareVolume << u"1e300"_s << u"1e10"_s << R::Overflow;
}

void TestCalcKinds::faults() {
    QFETCH(CalcKind, kind);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(ResultCode, code);

    const Evaluation evaluation = evaluate_kind(kind, first, second);
    QCOMPARE(evaluation.code, code);
    QVERIFY(evaluation.text.isEmpty());
}

void TestCalcKinds::captions_data() {
    QTest::addColumn<int>("number");
    for (int n = 1; n <= 6; ++n)
        QTest::addRow("%s", qPrintable(expected_captions(n).menu)) << n;
}

void TestCalcKinds::captions() {
    QFETCH(int, number);

    const auto kind = static_cast<CalcKind>(number);
    const ExpectedKindCaptions& expected = expected_captions(number);
    const CalcKindRow& row = kind_row(kind);
    QCOMPARE(row.kind, kind);
    QCOMPARE(row.menu_option, expected.option);
    QCOMPARE(row.menu_caption, expected.menu);
    const KindCaptions c = captions_for_kind(kind);
    QCOMPARE((QStringList{c.problem.toString(), c.first_entry.toString(), c.second_entry.toString(),
                          c.result.toString()}),
             expected.notebook);
}

// Full-width and ASCII look alike on screen; pin which is which, code point by code point.
void TestCalcKinds::captionCharacters() {
    for (const CalcKindRow& row : CalcKindTable) {
        const KindCaptions c = row.captions;
        for (QStringView text :
             {c.problem, c.first_entry, c.second_entry, c.result, row.menu_caption}) {
            for (QChar ch : text) {
                const char16_t u = ch.unicode();
                const bool ascii = u < 0x80;
                if (ascii)
                    QVERIFY2(QStringView(u" ,()/").contains(ch) || ch.isLetter(),
                             qPrintable(text.toString()));
                else
                    QVERIFY2(u == 0x2192 || (u >= 0x3040 && u <= 0x9FFF),
                             qPrintable(text.toString()));
            }
        }
        QCOMPARE(row.menu_caption.endsWith(u' '), row.kind == CalcKind::CylinderHeight);
        QVERIFY(!row.menu_caption.endsWith(u"  "));
    }
}

void TestCalcKinds::kindNumbers() {
    for (int n = kFirstKind; n <= kLastKind; ++n) {
        QCOMPARE(kind_number(*kind_from_number(n)), n);
        QCOMPARE(kind_row(*kind_from_number(n)).menu_option, u"Option"_s + QString::number(n));
    }
    QVERIFY(!kind_from_number(0));
    QVERIFY(!kind_from_number(7));
    // The constant is the trade's 0.785398, not pi / 4 (0.7853981633974483).
    QVERIFY(same_bits(PI_QUARTER, 0.785398));
}

QTEST_APPLESS_MAIN(TestCalcKinds)
#include "tst_calc_kinds.moc"
