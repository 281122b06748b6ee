#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer (gcc),
# runs every test and fails on any sanitizer report, leaks included.
# Usage: scripts/sanitize.sh [build-dir]      (default: build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}

# g++ brings libasan and libubsan with it; nothing beyond the usual build packages is needed.
scripts/deps.sh

# Debug keeps Q_ASSERT live, so a broken precondition stops the test as loudly as a bad read.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug \
    -DZUMORA_SANITIZE=ON \
    -DZUMORA_BUILD_TESTS=ON \
    -DZUMORA_BUILD_BENCHMARKS=OFF \
    -DZUMORA_BUILD_FUZZERS=OFF
cmake --build "$build"

# Any report ends the process with a failing status; leaks are checked at exit. Qt on the
# offscreen platform leaks nothing at exit, so no leak is suppressed.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen

status=0
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" \
    --test-output-size-passed 4000000 --test-output-size-failed 4000000 || status=$?

# A report from a helper process whose exit status a test ignores would go unnoticed by ctest;
# the log of the whole run shows it all the same.
log="$build/Testing/Temporary/LastTest.log"
if grep -En '(ERROR|WARNING): [A-Za-z]+Sanitizer|SUMMARY: [A-Za-z]+Sanitizer|runtime error:' "$log"; then
    echo "sanitize.sh: sanitizer report in $log" >&2
    status=1
fi
exit "$status"
