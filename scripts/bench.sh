#!/usr/bin/env bash
# Runs every benchmark and prints one table of their figures, each beside its
# goal; the table is also written to build/bench.md.
#
#   bash scripts/bench.sh [--quick] [filter ...]
#
# The benchmarks are bench/*_native.cpp, built with the bench preset
# (optimised, no sanitizers) and run here, and bench/*_win32.cpp, built with
# the windows preset and run under Wine, each in a fresh prefix. A filter
# runs only the benchmarks whose name contains it.
#
# --quick runs each with few rounds and small inputs (KEYLOOM_BENCH_QUICK=1)
# and writes build/bench-quick.md: a smoke run that says each benchmark still
# builds, runs and prints its figures. It judges no time.
#
# A benchmark reports each figure on a line of its own:
#   BENCH<TAB>what is measured<TAB>the figure<TAB>its goal, or -<TAB>met or missed
# (bench/bench_line.h); the benchmark judges its own figure against its goal.
# A benchmark that exits with an error or prints no such line counts as
# failed. On a full run a figure that missed its goal is marked MISSED in
# the table and counts too; --quick judges no figure. The last line is
# "bench.sh: N benchmarks, N failed" (on a full run followed by ", N figures
# missed their goals"); the exit code is 1 when any failed or, on a full
# run, missed.
#
# KEYLOOM_BENCH_DIR and KEYLOOM_WINDOWS_DIR put the builds elsewhere;
# KEYLOOM_BENCH_LOGS holds each benchmark's whole output (default
# build/bench-logs); KEYLOOM_E2E_KEEP_PREFIXES=1 keeps the Wine prefixes.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

quick=0
filters=()
for arg in "$@"; do
    case "$arg" in
        --quick) quick=1 ;;
        -h | --help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "usage: $0 [--quick] [filter ...]" >&2; exit 2 ;;
        *) filters+=("$arg") ;;
    esac
done

jobs="${KEYLOOM_JOBS:-2}"
BENCH_DIR="$(realpath -m "${KEYLOOM_BENCH_DIR:-build/bench}")"
WINDOWS_DIR="$(realpath -m "${KEYLOOM_WINDOWS_DIR:-build/windows}")"
LOGS="$(realpath -m "${KEYLOOM_BENCH_LOGS:-build/bench-logs}")"
PREFIXES="$(realpath -m "${KEYLOOM_BENCH_PREFIXES:-build/bench-prefixes}")"
if [[ "$quick" -eq 1 ]]; then
    export KEYLOOM_BENCH_QUICK=1
    TABLE="$ROOT/build/bench-quick.md"
    mode="quick run (few rounds, small inputs): figures say only that each benchmark works"
else
    # A full run takes the full rounds, whatever the environment says.
    unset KEYLOOM_BENCH_QUICK
    TABLE="$ROOT/build/bench.md"
    mode="full run"
fi
# Generous guards against a hung benchmark, not time limits.
guard="${KEYLOOM_BENCH_TIMEOUT:-$([[ "$quick" -eq 1 ]] && echo 600 || echo 3600)}"

wanted() {
    local name="$1" filter
    [[ "${#filters[@]}" -eq 0 ]] && return 0
    for filter in "${filters[@]}"; do
        [[ "$name" == *"$filter"* ]] && return 0
    done
    return 1
}

names_of() {
    local source
    for source in bench/*"$1".cpp; do
        [[ -e "$source" ]] || continue
        source="$(basename "$source" .cpp)"
        if wanted "$source"; then echo "$source"; fi
    done
}
mapfile -t native < <(names_of _native)
mapfile -t windows < <(names_of _win32)

rows=()
ran=0
failed=0
missed=0
failures=()
misses=()

# add_rows NAME LOG RC: the benchmark's BENCH lines as table rows, or one
# row saying how it failed.
add_rows() {
    local name="$1" log="$2" rc="$3" tag what figure goal verdict count=0
    ran=$((ran + 1))
    while IFS=$'\t' read -r tag what figure goal verdict; do
        [[ "$tag" == BENCH ]] || continue
        figure="${figure//|/\\|}"
        if [[ "$quick" -eq 0 && "$verdict" == missed ]]; then
            missed=$((missed + 1))
            misses+=("$name: $what: $figure, goal $goal")
            figure="**MISSED** $figure"
        elif [[ "$quick" -eq 0 && -n "$goal" && "$goal" != - && "$verdict" != met ]]; then
            figure="$figure (not judged)"
        fi
        rows+=("| $name | ${what//|/\\|} | $figure | ${goal:--} |")
        count=$((count + 1))
    done < <(tr -d '\r' <"$log" | grep -a $'^BENCH\t')
    local why=""
    if [[ "$rc" -ne 0 ]]; then
        why="exited with $rc"
        [[ "$rc" -eq 124 ]] && why="still running after $guard s, stopped"
    elif [[ "$count" -eq 0 ]]; then
        why="printed no figure"
    fi
    if [[ -n "$why" ]]; then
        failed=$((failed + 1))
        failures+=("$name $why (see $log)")
        rows+=("| $name | **FAILED**: $why | see ${log#"$ROOT"/} | |")
        echo "bench.sh: FAILED: $name $why (see $log)" >&2
    fi
}

# build PRESET DIR TARGET...: configures DIR with the preset when it has no
# build yet, then builds only the benchmarks.
build() {
    local preset="$1" dir="$2"
    shift 2
    [[ "$#" -gt 0 ]] || return 0
    echo "== bench: build $* ($preset in $dir)" >&2
    if [[ ! -f "$dir/build.ninja" ]]; then
        cmake --preset "$preset" -B "$dir" --log-level=WARNING >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$jobs" --target "$@"
}

mkdir -p "$LOGS"
if ! build bench "$BENCH_DIR" "${native[@]}"; then
    for name in "${native[@]}"; do
        echo "build failed" >"$LOGS/$name.log"
        add_rows "$name" "$LOGS/$name.log" 1
    done
    native=()
fi
if ! build windows "$WINDOWS_DIR" "${windows[@]}"; then
    for name in "${windows[@]}"; do
        echo "build failed" >"$LOGS/$name.log"
        add_rows "$name" "$LOGS/$name.log" 1
    done
    windows=()
fi

for name in "${native[@]}"; do
    echo "== bench: $name" >&2
    timeout "$guard" "$BENCH_DIR/$name" </dev/null >"$LOGS/$name.log" 2>&1
    rc=$?
    cat "$LOGS/$name.log" >&2
    add_rows "$name" "$LOGS/$name.log" "$rc"
done

if [[ "${#windows[@]}" -gt 0 ]]; then
    . scripts/wine-env.sh
    if ! kl_ensure_display; then
        for name in "${windows[@]}"; do
            echo "no X display for Wine" >"$LOGS/$name.log"
            add_rows "$name" "$LOGS/$name.log" 1
        done
        windows=()
    fi
    trap 'kl_stop_display' EXIT
fi

for name in "${windows[@]}"; do
    echo "== bench: $name (Wine)" >&2
    prefix="$PREFIXES/$name"
    if kl_fresh_prefix "$prefix"; then
        WINEPREFIX="$prefix" timeout "$guard" wine "$WINDOWS_DIR/$name.exe" </dev/null >"$LOGS/$name.log" 2>&1
        rc=$?
        kl_kill_prefix "$prefix"
        [[ "${KEYLOOM_E2E_KEEP_PREFIXES:-}" == 1 ]] || rm -rf "$prefix"
    else
        echo "could not make the Wine prefix $prefix" >"$LOGS/$name.log"
        rc=1
    fi
    tr -d '\r' <"$LOGS/$name.log" >&2
    add_rows "$name" "$LOGS/$name.log" "$rc"
done

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo 2>/dev/null | head -n 1)"
{
    echo "# Keyloom benchmarks"
    echo
    echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- machine: ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr)"
    echo "- Wine: $(wine --version 2>/dev/null || echo "not found")"
    echo "- $mode; *_native: the program's logic on the in-memory stand-in; *_win32: under Wine."
    if [[ "$quick" -eq 0 ]]; then
        echo "- figures that missed their goals: $missed"
    fi
    echo
    echo "| benchmark | measured | figure | goal |"
    echo "|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
} >"$TABLE"

echo
cat "$TABLE"
echo
echo "table written to ${TABLE#"$ROOT"/}; whole outputs in ${LOGS#"$ROOT"/}/"
for line in "${failures[@]}"; do
    echo "bench.sh: failed: $line"
done
for line in "${misses[@]}"; do
    echo "bench.sh: missed: $line"
done
if [[ "$quick" -eq 1 ]]; then
    # The test command reads this line as it stands.
    echo "bench.sh: $ran benchmarks, $failed failed"
else
    echo "bench.sh: $ran benchmarks, $failed failed, $missed figures missed their goals"
fi
[[ "$failed" -eq 0 && ( "$quick" -eq 1 || "$missed" -eq 0 ) ]]
