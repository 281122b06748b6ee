#!/usr/bin/env bash
# Builds the libFuzzer targets of the calculation core with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each briefly from its seed corpus.
# Usage: scripts/fuzz.sh [--minutes N] [build-dir]      (default build-dir: build-fuzz)
#   --minutes N   run each fuzzer for N minutes instead, as many at once as there are cores,
#                 and print libFuzzer's figures; new inputs go to <build-dir>/fuzz/corpus/
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=
build=build-fuzz
while [ $# -gt 0 ]; do
    case $1 in
    --minutes)
        minutes=${2:?--minutes needs a number}
        shift 2
        ;;
    *)
        build=$1
        shift
        ;;
    esac
done

# clang-14 with its runtimes: libFuzzer, ASan and UBSan live in libclang-rt-14-dev.
scripts/deps.sh clang-14 libclang-rt-14-dev

fuzzers=(fuzz_entry fuzz_format fuzz_evaluate)
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZUMORA_BUILD_FUZZERS=ON \
    -DZUMORA_BUILD_TESTS=OFF \
    -DZUMORA_BUILD_BENCHMARKS=OFF
cmake --build "$build" --target "${fuzzers[@]}"

if [ -z "$minutes" ]; then
    ctest --test-dir "$build/fuzz" --output-on-failure
    exit 0
fi

# The same flags as the short runs under CTest, for longer.
seconds=$((minutes * 60))
logs="$build/fuzz/logs"
mkdir -p "$logs" "$build/fuzz/artifacts"
run() {
    local name=$1 extra=()
    case $name in
    fuzz_format) extra=(-max_len=8 -use_value_profile=1) ;;
    *) extra=(-dict=fuzz/entry.dict) ;;
    esac
    mkdir -p "$build/fuzz/corpus/$name"
    "$build/fuzz/$name" "${extra[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/artifacts/$name-" \
        "$build/fuzz/corpus/$name" "fuzz/corpus/$name" >"$logs/$name.log" 2>&1
}

declare -A status name_of
running=0
reap_one() {
    local pid rc=0
    wait -n -p pid || rc=$?
    status[${name_of[$pid]}]=$rc
    running=$((running - 1))
}
for name in "${fuzzers[@]}"; do
    # Never more runs at once than cores, so that none is starved of time.
    while [ "$running" -ge "$(nproc)" ]; do
        reap_one
    done
    echo "fuzz.sh: $name for $minutes min, log in $logs/$name.log"
    run "$name" &
    name_of[$!]=$name
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    reap_one
done

failed=0
for name in "${fuzzers[@]}"; do
    echo "== $name (exit ${status[$name]})"
    # The last progress line (executions, cov and ft) and the final statistics.
    grep -E '^#[0-9]+' "$logs/$name.log" | tail -n 1 || true
    grep -E '^stat::' "$logs/$name.log" || true
    if [ "${status[$name]}" -ne 0 ]; then
        failed=1
        grep -E -A 30 '^(fuzz_[a-z]+:|==[0-9]+==ERROR|SUMMARY|.*runtime error:)' "$logs/$name.log" | head -n 60 || true
    fi
done
exit "$failed"
