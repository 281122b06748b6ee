// One press of the calculate button with any kind and any two entries.
//
// Input: the first byte picks the kind and the locale ('1' to '6' are kinds 1 to 6 under the
// Japanese locale, '7' to '<' the same kinds under German, other bytes wrap around); the rest is
// UTF-8 text, the first entry up to the first line feed and the second entry after it.
//
// Checked for every input:
// - a failure carries no text, a success carries one;
// - the outcome is that of converting the first entry, then the second, then evaluating the
//   formula, and a success's text is the formatted finite value of the formula;
// - the formula, written out once more one IEEE operation at a time in plain doubles (the
//   tests' reference), gives the same value bit for bit when the core succeeds, with every step
//   finite and no division by zero; when the core fails, the first failing step there fails the
//   same way.
#include "calc_kinds.h"
#include "fuzz_locales.h"
#include "number_text.h"
#include "reference_formula.h"
#include "result_code.h"

#include <QLocale>
#include <QString>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace zumora;

namespace {

const char* name_of(ResultCode code) {
    switch (code) {
    case ResultCode::Ok:
        return "Ok";
    case ResultCode::FirstEntryNotANumber:
        return "FirstEntryNotANumber";
    case ResultCode::SecondEntryNotANumber:
        return "SecondEntryNotANumber";
    case ResultCode::DivisionByZero:
        return "DivisionByZero";
    case ResultCode::InvalidOperation:
        return "InvalidOperation";
    case ResultCode::Overflow:
        return "Overflow";
    }
    return "?";
}

struct Input {
    CalcKind kind;
    const QLocale* locale;
    QString first;
    QString second;
};

[[noreturn]] void fail(const char* what, const Input& in, const char* detail = "") {
    std::fprintf(stderr,
                 "fuzz_evaluate: %s%s%s\n  kind %d, %s locale\n  first: \"%s\"\n"
                 "  second: \"%s\"\n",
                 what, *detail ? " " : "", detail, kind_number(in.kind),
                 in.locale->language() == QLocale::Japanese ? "Japanese" : "German",
                 in.first.toUtf8().constData(), in.second.toUtf8().constData());
    std::abort();
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

Input read_input(const std::uint8_t* data, std::size_t size) {
    const unsigned selector = std::uint8_t(data[0] - std::uint8_t('1'));
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    const void* line_feed = std::memchr(text, '\n', length);
    const std::size_t first_length =
        line_feed ? std::size_t(static_cast<const char*>(line_feed) - text) : length;
    const std::size_t second_start = line_feed ? first_length + 1 : length;
    return {*kind_from_number(int(selector % 6) + kFirstKind),
            (selector / 6) % 2 == 0 ? &japanese() : &german(),
            QString::fromUtf8(text, qsizetype(first_length)),
            QString::fromUtf8(text + second_start, qsizetype(length - second_start))};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return -1;
    const Input in = read_input(data, size);
    const Evaluation evaluation = evaluate_kind(in.kind, in.first, in.second, *in.locale);
    if (evaluation.succeeded() != (evaluation.code == ResultCode::Ok))
        fail("succeeded() disagrees with the code", in);
    if (evaluation.succeeded() == evaluation.text.isEmpty())
        fail(evaluation.succeeded() ? "success without text" : "failure with text", in,
             name_of(evaluation.code));

    const std::optional<double> a = entry_to_number(in.first, *in.locale);
    const std::optional<double> b = a ? entry_to_number(in.second, *in.locale) : std::nullopt;
    if (!a) {
        if (evaluation.code != ResultCode::FirstEntryNotANumber)
            fail("first entry unreadable, yet the outcome is", in, name_of(evaluation.code));
        return 0;
    }
    if (!b) {
        if (evaluation.code != ResultCode::SecondEntryNotANumber)
            fail("second entry unreadable, yet the outcome is", in, name_of(evaluation.code));
        return 0;
    }

    const FormulaValue core = evaluate_formula(in.kind, *a, *b);
    if (core.code != evaluation.code)
        fail("evaluate_kind and evaluate_formula disagree:", in, name_of(evaluation.code));
    const reference::PlainValue plain = reference::plain_formula(kind_number(in.kind), *a, *b);
    if (plain.fault != core.code) {
        char detail[120];
        std::snprintf(detail, sizeof detail, "from the core, %s from the plain steps",
                      name_of(plain.fault));
        fail(name_of(core.code), in, detail);
    }
    if (core.code != ResultCode::Ok)
        return 0;

    if (!std::isfinite(core.value))
        fail("success with a non-finite value", in);
    if (!same_bits(core.value, plain.value))
        fail("the core's value differs from the plain steps'", in);
    if (evaluation.text != format_result(core.value, *in.locale))
        fail("the text is not the formatted value", in);
    return 0;
}
