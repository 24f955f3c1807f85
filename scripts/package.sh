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
#
# Signing: with KEYLOOM_SIGN_PFX (a PKCS#12 file) and KEYLOOM_SIGN_PASSWORD
# set, Keyloom.exe, keyloomc.exe (where it is built), the uninstaller and
# the setup program are signed with osslsigncode (scripts/sign.sh), with an
# RFC 3161 timestamp from KEYLOOM_TIMESTAMP_URL when that is set. Without
# them everything is built unsigned, and this says so. Copies of the signed
# uninstallers are kept in build/signed/ to be checked.
#
# winget: build/dist/winget/manifests/t/TallowLabs/Keyloom/VERSION/ holds the
# release's manifest set (version, installer, default locale). The
# installer's address is KEYLOOM_DOWNLOAD_URL/Keyloom-VERSION-setup.exe;
# KEYLOOM_DOWNLOAD_URL is where the release is published.
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
SIGNED="$ROOT/build/signed"

rm -rf "$DIST" "$TWIN" "$SIGNED"
mkdir -p "$DIST" "$TWIN"
setup="$DIST/Keyloom-$version-setup.exe"
twin="$TWIN/Keyloom-$version-setup-amd64.exe"
nsis_defines=(-DVERSION="$version" -DX64_EXE="$x64" -DX86_EXE="$x86")
# keyloomc.exe, built beside each Keyloom.exe, goes where it goes.
nsis_defines+=(-DX64_KEYLOOMC="${x64%Keyloom.exe}keyloomc.exe" -DX86_KEYLOOMC="${x86%Keyloom.exe}keyloomc.exe")

sign=0
if [[ -n "${KEYLOOM_SIGN_PFX:-}" && -n "${KEYLOOM_SIGN_PASSWORD+set}" ]]; then
    sign=1
    if [[ ! -r "$KEYLOOM_SIGN_PFX" ]]; then
        echo "package: cannot read KEYLOOM_SIGN_PFX ($KEYLOOM_SIGN_PFX)" >&2
        exit 1
    fi
    echo "== package: signing with $KEYLOOM_SIGN_PFX${KEYLOOM_TIMESTAMP_URL:+, timestamps from $KEYLOOM_TIMESTAMP_URL}" >&2
    for dir in build/release-x64 build/release-x86; do
        for program in Keyloom.exe keyloomc.exe; do
            if [[ -f "$dir/$program" ]]; then
                bash scripts/sign.sh "$ROOT/$dir/$program"
            fi
        done
    done
    if [[ -z "${KEYLOOM_TIMESTAMP_URL:-}" ]]; then
        echo "package: no KEYLOOM_TIMESTAMP_URL: the signatures carry no timestamp" >&2
    fi
else
    echo "package: KEYLOOM_SIGN_PFX and KEYLOOM_SIGN_PASSWORD are not set: building UNSIGNED" >&2
fi

# makensis runs the signing command on the uninstaller before packing it
# and on the finished setup program; each keeps its uninstaller's copy.
nsis_sign() {
    if [[ "$sign" -eq 1 ]]; then
        printf '%s\n' "-DSIGN=bash \"$ROOT/scripts/sign.sh\"" "-DUNINSTALLER_COPY=$SIGNED/$1"
    fi
}
echo "== package: $setup" >&2
mapfile -t signing < <(nsis_sign Uninstall.exe)
makensis -V2 -WX "${nsis_defines[@]}" "${signing[@]}" -DOUTFILE="$setup" installer/keyloom.nsi
mapfile -t signing < <(nsis_sign Uninstall-amd64.exe)
makensis -V2 -WX "${nsis_defines[@]}" "${signing[@]}" -DTARGET=amd64-unicode \
    -DOUTFILE="$twin" installer/keyloom.nsi

portable="$DIST/Keyloom-$version-portable.zip"
echo "== package: $portable" >&2
python3 - "$portable" "$x64" "$x86" installer/portable-readme.txt <<'PY'
import sys, zipfile
out, x64, x86, note = sys.argv[1:]
text = open(note, encoding="utf-8").read().replace("\r\n", "\n").replace("\n", "\r\n")
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(x64, "x64/Keyloom.exe")
    z.write(x86, "x86/Keyloom.exe")
    for arch, program in (("x64", x64), ("x86", x86)):
        z.write(program.replace("Keyloom.exe", "keyloomc.exe"), f"{arch}/keyloomc.exe")
    z.writestr("Where Keyloom keeps its data.txt", text)
PY

# The winget manifest set, in the layout of the community repository.
download="${KEYLOOM_DOWNLOAD_URL:-https://downloads.tallowlabs.example/keyloom/$version}"
if [[ -z "${KEYLOOM_DOWNLOAD_URL:-}" ]]; then
    echo "package: no KEYLOOM_DOWNLOAD_URL: the winget manifest points at $download" >&2
fi
winget="$DIST/winget/manifests/t/TallowLabs/Keyloom/$version"
echo "== package: $winget" >&2
python3 - "$winget" "$version" "$download/$(basename "$setup")" "$setup" <<'PY'
import hashlib, os, sys
folder, version, url, setup = sys.argv[1:]
sha = hashlib.sha256(open(setup, "rb").read()).hexdigest().upper()
ident = "TallowLabs.Keyloom"
head = ("# Written by scripts/package.sh for winget.\n"
        f"PackageIdentifier: {ident}\nPackageVersion: {version}\n")
tail = "ManifestVersion: 1.6.0\n"
files = {
    f"{ident}.yaml": head + "DefaultLocale: en-US\nManifestType: version\n" + tail,
    f"{ident}.installer.yaml": head + (
        "InstallerType: nullsoft\n"
        "Scope: machine\n"
        "ElevationRequirement: elevatesSelf\n"
        "UpgradeBehavior: install\n"
        "InstallModes:\n  - interactive\n  - silent\n  - silentWithProgress\n"
        "InstallerSwitches:\n"
        "  Silent: /S\n"
        "  SilentWithProgress: /S\n"
        "  InstallLocation: /D=<INSTALLPATH>\n"
        "ProductCode: Keyloom\n"
        "Installers:\n"
        "  - Architecture: x86\n"
        f"    InstallerUrl: {url}\n"
        f"    InstallerSha256: {sha}\n"
        "ManifestType: installer\n") + tail,
    f"{ident}.locale.en-US.yaml": head + (
        "PackageLocale: en-US\n"
        "Publisher: Tallow Labs\n"
        "PackageName: Keyloom\n"
        "License: Proprietary\n"
        "Copyright: Copyright (C) 2000 Tallow Labs\n"
        "ShortDescription: Keyboard macros and recordings of keyboard and mouse, started by hot keys from the tray.\n"
        "Moniker: keyloom\n"
        "ManifestType: defaultLocale\n") + tail,
}
os.makedirs(folder, exist_ok=True)
for name, text in files.items():
    with open(os.path.join(folder, name), "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
PY

ls -l "$DIST" "$TWIN" "$winget"
