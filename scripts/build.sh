#!/usr/bin/env bash
# Builds with the CMake presets: build.sh [native|windows|all] (default all).
#   native   build/native: program logic on the fake layer, unit tests
#   windows  build/windows: Keyloom.exe, contract_tests.exe, klprobe.exe
# KEYLOOM_NATIVE_DIR and KEYLOOM_WINDOWS_DIR put a build elsewhere.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs="${KEYLOOM_JOBS:-2}"

# Where ccache is installed it serves every checkout of the tree: paths are taken
# relative to the checkout, so a second working copy reuses the first one's objects.
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build_preset() {
    local preset="$1" dir="$2"
    echo "== build $preset in $dir" >&2
    cmake --preset "$preset" -B "$dir" --log-level=WARNING "${launcher[@]}"
    cmake --build "$dir" -j "$jobs"
}

native() { build_preset native "${KEYLOOM_NATIVE_DIR:-build/native}"; }
windows() { build_preset windows "${KEYLOOM_WINDOWS_DIR:-build/windows}"; }

case "${1:-all}" in
    native) native ;;
    windows) windows ;;
    all) native && windows ;;
    *) echo "usage: $0 [native|windows|all]" >&2; exit 2 ;;
esac
