#!/usr/bin/env bash
# Installs, from Debian's archive, the packages the build, the tests and the
# packaging need that are not installed yet. Quick and silent when
# everything is there.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
. scripts/wine-env.sh

PACKAGES=(
    cmake ninja-build g++ googletest libgtest-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
    clang lld libclang-rt-14-dev
    nsis osslsigncode openssl python3-yaml
    wine wine64
    xvfb xdotool xclip imagemagick x11-utils
    python3
    nlohmann-json3-dev
)

# The 32-bit setup program and the 32-bit Keyloom run under Wine only with
# wine32 from Debian's i386 architecture, and only on a machine that runs
# 32-bit x86 code (see kl_runs_x86_code): elsewhere it is left out, and the
# e2e tests install with the 64-bit twin of the setup program instead.
need_i386=0
if kl_runs_x86_code; then
    PACKAGES+=(wine32:i386)
    need_i386=1
fi

missing=()
for package in "${PACKAGES[@]}"; do
    status="$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)"
    if [[ "$status" != "installed" ]]; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

as_root=()
if [[ "$(id -u)" -ne 0 ]]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: missing ${missing[*]}, and not root and no sudo to install them" >&2
        exit 1
    fi
    as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}" >&2
if [[ "$need_i386" -eq 1 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" </dev/null
