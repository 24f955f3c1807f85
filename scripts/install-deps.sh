#!/usr/bin/env bash
# Installs, from Debian's archive, the packages the build and the tests need
# that are not installed yet. Quick and silent when everything is there.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ googletest libgtest-dev
    clang lld libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64
    xvfb xdotool xclip imagemagick x11-utils
    python3
)

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
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" </dev/null
