#!/usr/bin/env bash
# Runs every libFuzzer program of a fuzz build for a chosen time each:
#
#     fuzz/run_fuzzers.sh SECONDS [BUILD_DIR] [-- LIBFUZZER_OPTIONS...]
#
# BUILD_DIR defaults to build-fuzz (configured with CC=clang CXX=clang++
# -DPIXMILL_FUZZ=ON).  SECONDS 0 means no time limit (give -runs=N then).
# Each harness starts from its seeds (fuzz/corpus/NAME) and reproducers
# (fuzz/regression/NAME); inputs it finds go to BUILD_DIR/fuzz-corpus/NAME,
# so the tree is not written.  A finding stops the run with a non-zero exit
# and leaves its reproducer in BUILD_DIR/fuzz-findings/; copy it into
# fuzz/regression/NAME/ once the fault is mended.
#
# PIXMILL_CPU_MAX (scalar, sse2, avx, avx2, avx512; see README.md) caps the
# vector path the library takes, so that any path this processor has can be
# fuzzed; the logs and reproducers of a capped run carry its value.
# PIXMILL_FUZZ_HARNESSES (names, e.g. "conversion adjustments") runs only
# those harnesses.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run_fuzzers.sh SECONDS [BUILD_DIR] [-- LIBFUZZER_OPTIONS...]}
shift
build=build-fuzz
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build=$1; shift; fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift

shopt -s nullglob
harnesses=("$build"/fuzz/fuzz_*)
if [ ${#harnesses[@]} -eq 0 ]; then
    echo "no fuzz programs in $build/fuzz (configure with CC=clang CXX=clang++ -DPIXMILL_FUZZ=ON)" >&2
    exit 1
fi
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"
cap=${PIXMILL_CPU_MAX:-}
ran=0
for program in "${harnesses[@]}"; do
    name=${program##*/fuzz_}
    if [ -n "${PIXMILL_FUZZ_HARNESSES:-}" ] && [[ " $PIXMILL_FUZZ_HARNESSES " != *" $name "* ]]; then continue; fi
    ran=$((ran + 1))
    # Capped runs share the corpus but keep their own logs and reproducers.
    tag=$name${cap:+-${cap//[^A-Za-z0-9]/_}}
    work="$build/fuzz-corpus/$name"
    mkdir -p "$work"
    echo "== fuzz_$name${cap:+ (PIXMILL_CPU_MAX=$cap)}: $([ "$seconds" = 0 ] && echo "no time limit" || echo "${seconds} s")"
    dirs=("$work" "fuzz/corpus/$name")
    [ -d "fuzz/regression/$name" ] && dirs+=("fuzz/regression/$name")
    log="$build/fuzz-logs/$tag.log"
    if ! ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$program" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$tag-" "$@" "${dirs[@]}" >"$log" 2>&1; then
        tail -n 80 "$log" >&2
        echo "fuzz_$name: FINDING${cap:+ with PIXMILL_CPU_MAX=$cap}; reproducer in $build/fuzz-findings/ (log $log)" >&2
        ls -l "$build/fuzz-findings/" >&2
        exit 1
    fi
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$log"
done
if [ "$ran" -eq 0 ]; then
    echo "no fuzz program in $build/fuzz is named in PIXMILL_FUZZ_HARNESSES ($PIXMILL_FUZZ_HARNESSES)" >&2
    exit 1
fi
