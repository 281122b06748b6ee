#include "calc_kinds.h"

#include <benchmark/benchmark.h>

using namespace zumora;

// One press of the calculate button: two conversions, the formula and the result text.
static void BM_EvaluateKind(benchmark::State& state) {
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    const CalcKind kind = *kind_from_number(int(state.range(0)));
    const QString first = QStringLiteral("1000");
    const QString second = QStringLiteral("1234.5");
    for (auto _ : state) {
        Evaluation evaluation = evaluate_kind(kind, first, second, locale);
        benchmark::DoNotOptimize(evaluation);
    }
}
BENCHMARK(BM_EvaluateKind)->DenseRange(kFirstKind, kLastKind);
