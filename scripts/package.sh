#!/usr/bin/env bash
# Release builds for x86-64 and 32-bit x86, each from a fresh build folder
# (build/release-x64, build/release-x86), and from them in build/dist/:
#   Keyloom-VERSION-setup.exe     the setup program (32-bit, so that it runs
#                                 on every Windows; it installs the 64-bit
#                                 program on 64-bit Windows)
#   Keyloom-VERSION-portable.zip  both programs and a note on where Keyloom
#                                 keeps its data
# and build/setup-amd64/Keyloom-VERSION-setup-amd64.exe, the same setup
# script on the 64-bit stub, for testing on machines that run no 32-bit code.
# VERSION is project(Keyloom VERSION ...) in CMakeLists.txt.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

jobs="${KEYLOOM_JOBS:-2}"
DIST="$ROOT/build/dist"
TWIN="$ROOT/build/setup-amd64"

bash scripts/install-deps.sh

release() {
    local preset="$1" dir="$ROOT/build/$1"
    echo "== package: $preset in $dir" >&2
    rm -rf "$dir"
    cmake --preset "$preset" --log-level=WARNING >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
}
release release-x64
release release-x86

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-x64/CMakeCache.txt)"
if [[ -z "$version" ]]; then
    echo "package: no project version in build/release-x64/CMakeCache.txt" >&2
    exit 1
fi
x64="$ROOT/build/release-x64/Keyloom.exe"
x86="$ROOT/build/release-x86/Keyloom.exe"

rm -rf "$DIST" "$TWIN"
mkdir -p "$DIST" "$TWIN"
setup="$DIST/Keyloom-$version-setup.exe"
nsis_defines=(-DVERSION="$version" -DX64_EXE="$x64" -DX86_EXE="$x86")
echo "== package: $setup" >&2
makensis -V2 -WX "${nsis_defines[@]}" -DOUTFILE="$setup" installer/keyloom.nsi
makensis -V2 -WX "${nsis_defines[@]}" -DTARGET=amd64-unicode \
    -DOUTFILE="$TWIN/Keyloom-$version-setup-amd64.exe" installer/keyloom.nsi

portable="$DIST/Keyloom-$version-portable.zip"
echo "== package: $portable" >&2
python3 - "$portable" "$x64" "$x86" installer/portable-readme.txt <<'PY'
import sys, zipfile
out, x64, x86, note = sys.argv[1:]
text = open(note, encoding="utf-8").read().replace("\r\n", "\n").replace("\n", "\r\n")
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(x64, "x64/Keyloom.exe")
    z.write(x86, "x86/Keyloom.exe")
    z.writestr("Where Keyloom keeps its data.txt", text)
PY

ls -l "$DIST" "$TWIN"
