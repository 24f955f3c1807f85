#!/usr/bin/env bash
# Signs one Windows program in place with osslsigncode (Authenticode,
# SHA-256), from the certificate and key in the PKCS#12 file
# KEYLOOM_SIGN_PFX, whose password is KEYLOOM_SIGN_PASSWORD. With
# KEYLOOM_TIMESTAMP_URL set, the signature gets an RFC 3161 timestamp from
# that server, so that it stays valid after the certificate expires.
#
#   scripts/sign.sh FILE [COPY]
#
# COPY, when given, receives a copy of the signed file: makensis signs the
# uninstaller in a temporary file that it then packs into the setup program,
# and the copy is what can be checked afterwards.
#
# scripts/package.sh calls this for each program, and makensis calls it from
# the setup script's !finalize and !uninstfinalize. The password reaches
# osslsigncode through a pipe, never on a command line.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: sign.sh FILE [COPY]" >&2
    exit 2
fi
file="$1"
: "${KEYLOOM_SIGN_PFX:?sign.sh: KEYLOOM_SIGN_PFX is not set}"
: "${KEYLOOM_SIGN_PASSWORD?sign.sh: KEYLOOM_SIGN_PASSWORD is not set}"

args=(sign -pkcs12 "$KEYLOOM_SIGN_PFX" -h sha256 -n "Keyloom")
if [[ -n "${KEYLOOM_TIMESTAMP_URL:-}" ]]; then
    args+=(-ts "$KEYLOOM_TIMESTAMP_URL")
fi

signed="$(mktemp "$(dirname "$file")/.signing.XXXXXX")"
trap 'rm -f "$signed"' EXIT
# osslsigncode refuses to write over an existing output file.
rm -f "$signed"
if ! osslsigncode "${args[@]}" -readpass <(printf '%s' "$KEYLOOM_SIGN_PASSWORD") \
        -in "$file" -out "$signed" >/dev/null; then
    echo "sign.sh: osslsigncode could not sign $file" >&2
    exit 1
fi
# Keeps the file's own name and mode; the signed bytes replace the others.
cat "$signed" >"$file"
if [[ $# -eq 2 ]]; then
    mkdir -p "$(dirname "$2")"
    cp "$file" "$2"
fi
echo "sign.sh: signed $file" >&2
