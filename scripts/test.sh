#!/usr/bin/env bash
# Installs what is missing, builds both presets, runs the native unit tests,
# the contract tests under Wine, the e2e tests and a quick run of every
# benchmark (scripts/bench.sh --quick), and ends with one line
# "N passed, N failed" over all of them. Exit code 1 when anything failed,
# a build included.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

# Other places for the builds and the prefixes, e.g. to test beside
# someone else's build: KEYLOOM_NATIVE_DIR, KEYLOOM_WINDOWS_DIR,
# KEYLOOM_E2E_PREFIXES, KEYLOOM_E2E_SHOTS, KEYLOOM_TEST_LOGS.
# KEYLOOM_E2E_KEEP_PREFIXES=1 keeps the test prefixes to look at afterwards.
NATIVE_DIR="$(realpath -m "${KEYLOOM_NATIVE_DIR:-build/native}")"
WINDOWS_DIR="$(realpath -m "${KEYLOOM_WINDOWS_DIR:-build/windows}")"
export KEYLOOM_NATIVE_DIR="$NATIVE_DIR" KEYLOOM_WINDOWS_DIR="$WINDOWS_DIR"
export KEYLOOM_E2E_PREFIXES="$(realpath -m "${KEYLOOM_E2E_PREFIXES:-build/e2e-prefixes}")"
LOGS="$(realpath -m "${KEYLOOM_TEST_LOGS:-build/test-logs}")"
started=$SECONDS
passed=0
failed=0
problems=()

problem() {
    failed=$((failed + 1))
    problems+=("$1")
    echo "test.sh: FAILED: $1" >&2
}

# Adds a gtest run's summary to the totals. A run that failed without a
# summary (a crash, a sanitizer abort) counts as one failure.
count_gtest() {
    local name="$1" log="$2" rc="$3" ok bad
    ok="$(grep -a -o '^\[  PASSED  \] [0-9]* test' "$log" | grep -o '[0-9]*' | tail -1)"
    bad="$(grep -a -o '^\[  FAILED  \] [0-9]* test' "$log" | grep -o '[0-9]*' | tail -1)"
    ok="${ok:-0}"
    bad="${bad:-0}"
    passed=$((passed + ok))
    failed=$((failed + bad))
    if [[ "$rc" -ne 0 && "$bad" -eq 0 ]]; then
        problem "$name exited with $rc without a test summary (see $log)"
    elif [[ "$bad" -ne 0 ]]; then
        problems+=("$name: $bad failed (see $log)")
    fi
    echo "test.sh: $name: $ok passed, $bad failed" >&2
}

mkdir -p "$LOGS"

if ! bash scripts/install-deps.sh; then
    problem "installing packages"
fi

native_ok=0
if bash scripts/build.sh native; then
    native_ok=1
else
    problem "native build"
fi

contract_built=0
if bash scripts/build.sh windows; then
    contract_built=1
else
    problem "windows build"
    # Salvage what can still run without Keyloom.exe.
    if cmake --build "$WINDOWS_DIR" -j "${KEYLOOM_JOBS:-2}" --target contract_tests klprobe; then
        contract_built=1
    fi
fi

# The Windows sources with a second compiler (clang, lld), warnings as
# errors: built only.
if ! cmake --preset clang --log-level=WARNING >/dev/null || ! cmake --build --preset clang -j "${KEYLOOM_JOBS:-2}"; then
    problem "clang build"
fi

# The release builds, the setup program and the portable zip, which the
# installer e2e cases use, signed with a throwaway self-signed certificate
# made here; then each signed program is checked with osslsigncode verify,
# against that certificate, and the winget manifests for their fields.
signing="$LOGS/signing"
rm -rf "$signing"
mkdir -p "$signing"
packaged=0
if openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Keyloom test signing" \
        -addext "extendedKeyUsage=codeSigning" -keyout "$signing/key.pem" -out "$signing/cert.pem" \
        >"$signing/openssl.log" 2>&1 \
   && openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/test.pfx" \
        -passout pass:throwaway >>"$signing/openssl.log" 2>&1; then
    if KEYLOOM_SIGN_PFX="$signing/test.pfx" KEYLOOM_SIGN_PASSWORD=throwaway bash scripts/package.sh; then
        packaged=1
    else
        problem "packaging (scripts/package.sh)"
    fi
else
    problem "making the throwaway signing certificate (see $signing/openssl.log)"
    bash scripts/package.sh && packaged=1 || problem "packaging (scripts/package.sh)"
fi
if [[ "$packaged" -eq 1 ]]; then
    echo "== signatures" >&2
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-x64/CMakeCache.txt)"
    signed=(build/release-x64/Keyloom.exe build/release-x86/Keyloom.exe
            "build/dist/Keyloom-$version-setup.exe" "build/setup-amd64/Keyloom-$version-setup-amd64.exe"
            build/signed/Uninstall.exe build/signed/Uninstall-amd64.exe)
    for program in build/release-x64/keyloomc.exe build/release-x86/keyloomc.exe; do
        [[ -f "$program" ]] && signed+=("$program")
    done
    for program in "${signed[@]}"; do
        if osslsigncode verify -CAfile "$signing/cert.pem" -in "$program" >"$LOGS/verify-$(basename "$program").log" 2>&1 \
           && grep -q "Signer's certificate" "$LOGS/verify-$(basename "$program").log"; then
            passed=$((passed + 1))
            echo "test.sh: signed and verified: $program" >&2
        else
            problem "signature of $program (see $LOGS/verify-$(basename "$program").log)"
        fi
    done
    python3 tests/packaging/check_winget.py build/dist "$version" </dev/null 2>&1 | tee "$LOGS/winget.log"
    summary="$(grep -a -E '^winget: [0-9]+ passed, [0-9]+ failed$' "$LOGS/winget.log" | tail -1)"
    if [[ -n "$summary" ]]; then
        read -r _ winget_ok _ winget_bad _ <<<"${summary//,/}"
        passed=$((passed + winget_ok))
        failed=$((failed + winget_bad))
        [[ "$winget_bad" -ne 0 ]] && problems+=("winget manifests: $winget_bad failed (see $LOGS/winget.log)")
    else
        problem "the winget check printed no summary (see $LOGS/winget.log)"
    fi
fi

# --- unit tests (native) ----------------------------------------------------
if [[ "$native_ok" -eq 1 ]]; then
    echo "== unit tests" >&2
    "$NATIVE_DIR/unit_tests" </dev/null 2>&1 | tee "$LOGS/unit.log"
    count_gtest "unit tests" "$LOGS/unit.log" "${PIPESTATUS[0]}"
fi

# --- fuzz targets, briefly, over their kept corpus ------------------------------
echo "== fuzz targets" >&2
bash scripts/fuzz.sh --check 3 </dev/null 2>"$LOGS/fuzz-build.log" | tee "$LOGS/fuzz.log"
while read -r name _ _ _ result _; do
    case "$result" in
        ok) passed=$((passed + 1)) ;;
        CRASH) problem "fuzz target $name (see build/fuzz-logs/$name.log)" ;;
    esac
done < <(tail -n +2 "$LOGS/fuzz.log")
if [[ "$(tail -n +2 "$LOGS/fuzz.log" | wc -l)" -eq 0 ]]; then
    problem "fuzz targets did not build (see $LOGS/fuzz-build.log)"
fi

# --- contract tests (real layer under Wine) ----------------------------------
. scripts/wine-env.sh
if ! kl_ensure_display; then
    problem "no X display for the Wine tests"
fi
trap 'kl_stop_display' EXIT

if [[ "$contract_built" -eq 1 ]]; then
    echo "== contract tests" >&2
    contract_prefix="$KEYLOOM_E2E_PREFIXES/contract"
    if kl_fresh_prefix "$contract_prefix"; then
        WINEPREFIX="$contract_prefix" timeout 600 wine "$WINDOWS_DIR/contract_tests.exe" </dev/null 2>&1 | tee "$LOGS/contract.log"
        rc="${PIPESTATUS[0]}"
        kl_kill_prefix "$contract_prefix"
        [[ "${KEYLOOM_E2E_KEEP_PREFIXES:-}" == 1 ]] || rm -rf "$contract_prefix"
        count_gtest "contract tests" "$LOGS/contract.log" "$rc"
    else
        problem "making the Wine prefix for the contract tests"
    fi
else
    problem "contract_tests.exe not built"
fi

# --- e2e tests ----------------------------------------------------------------
echo "== e2e tests" >&2
python3 tests/e2e/run_e2e.py </dev/null 2>&1 | tee "$LOGS/e2e.log"
e2e_rc="${PIPESTATUS[0]}"
summary="$(grep -a -E '^[0-9]+ passed, [0-9]+ failed$' "$LOGS/e2e.log" | tail -1)"
if [[ -n "$summary" ]]; then
    read -r e2e_ok _ e2e_bad _ <<<"${summary//,/}"
    passed=$((passed + e2e_ok))
    failed=$((failed + e2e_bad))
    [[ "$e2e_bad" -ne 0 ]] && problems+=("e2e: $e2e_bad failed (see $LOGS/e2e.log)")
elif [[ "$e2e_rc" -ne 0 ]]; then
    problem "e2e driver exited with $e2e_rc without a summary (see $LOGS/e2e.log)"
fi

# --- benchmarks, quick --------------------------------------------------------
# Each benchmark once with small inputs, so that none rots: one that fails or
# prints no figure counts as a failed test. No time is judged.
echo "== benchmarks (quick)" >&2
bash scripts/bench.sh --quick </dev/null 2>&1 | tee "$LOGS/bench.log"
bench_rc="${PIPESTATUS[0]}"
summary="$(grep -a -E '^bench\.sh: [0-9]+ benchmarks, [0-9]+ failed$' "$LOGS/bench.log" | tail -1)"
if [[ -n "$summary" ]]; then
    read -r _ bench_ran _ bench_bad _ <<<"${summary//,/}"
    passed=$((passed + bench_ran - bench_bad))
    failed=$((failed + bench_bad))
    [[ "$bench_bad" -ne 0 ]] && problems+=("benchmarks: $bench_bad failed (see $LOGS/bench.log)")
elif [[ "$bench_rc" -ne 0 ]]; then
    problem "bench.sh --quick exited with $bench_rc without a summary (see $LOGS/bench.log)"
fi

kl_stop_display

echo >&2
for line in "${problems[@]}"; do
    echo "test.sh: $line" >&2
done
echo "test.sh: took $((SECONDS - started)) s; screenshots in ${KEYLOOM_E2E_SHOTS:-build/e2e-shots}, logs in $LOGS" >&2
echo "$passed passed, $failed failed"
[[ "$failed" -eq 0 ]]
