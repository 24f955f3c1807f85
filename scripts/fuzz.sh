#!/usr/bin/env bash
# Runs the libFuzzer targets (tests/fuzz/*_fuzz.cpp), natively under
# AddressSanitizer and UBSan on the fake platform.
#
#   fuzz.sh [seconds]     each target for that long (default 600), starting
#                         from the corpus kept in tests/fuzz/corpus/<target>;
#                         new inputs go to build/fuzz-corpus/<target>
#   fuzz.sh --check [s]   each target over the kept corpus, then s seconds
#                         (default 3) more: what the test command runs
#
# Prints per target the executions, the coverage and whether it crashed;
# a crash's input is left in build/fuzz-crashes/. Exit code 1 on a crash.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

check=0
if [[ "${1:-}" == "--check" ]]; then
    check=1
    shift
fi
seconds="${1:-$([[ $check -eq 1 ]] && echo 3 || echo 600)}"
build="${KEYLOOM_FUZZ_DIR:-build/fuzz}"

bash scripts/install-deps.sh >&2 || exit 1
cmake --preset fuzz -B "$build" --log-level=WARNING >&2 && cmake --build "$build" -j "${KEYLOOM_JOBS:-2}" >&2 || exit 1

mkdir -p build/fuzz-crashes build/fuzz-logs
status=0
printf '%-10s %12s %8s %8s  %s\n' target executions cov features result
for binary in "$build"/*_fuzz; do
    name="$(basename "$binary" _fuzz)"
    kept="tests/fuzz/corpus/$name"
    work="build/fuzz-corpus/$name"
    mkdir -p "$kept" "$work"
    log="build/fuzz-logs/$name.log"
    # The new inputs go to the first directory; the kept corpus is read.
    "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build/fuzz-crashes/$name-" "$work" "$kept" >"$log" 2>&1
    rc=$?
    runs="$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')"
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')"
    ft="$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')"
    if [[ $rc -eq 0 ]]; then
        result=ok
    else
        result="CRASH (see $log)"
        status=1
    fi
    printf '%-10s %12s %8s %8s  %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit $status
