#!/usr/bin/env bash
# Builds with the CMake presets: build.sh [native|windows|all] (default all).
#   native   build/native: program logic on the fake layer, unit tests
#   windows  build/windows: Keyloom.exe, contract_tests.exe, klprobe.exe
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs="${KEYLOOM_JOBS:-2}"

build_preset() {
    echo "== build $1" >&2
    cmake --preset "$1" --log-level=WARNING
    cmake --build --preset "$1" -j "$jobs"
}

case "${1:-all}" in
    native) build_preset native ;;
    windows) build_preset windows ;;
    all) build_preset native && build_preset windows ;;
    *) echo "usage: $0 [native|windows|all]" >&2; exit 2 ;;
esac
