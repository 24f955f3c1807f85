# Wine and X helpers shared by run.sh, test.sh and the e2e driver.
# Source it:  . scripts/wine-env.sh
#
# One prepared prefix (build/wine-base) is made once with wineboot and then
# copied for every test group: a copy takes a second, a wineboot a minute.

KL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KL_WINE_BASE="${KL_WINE_BASE:-$KL_ROOT/build/wine-base}"
KL_XVFB_PID=""
# Changes to how the base is prepared rename this mark, so that an older
# base is made anew.
KL_BASE_MARK=".keyloom-base-3"

export WINEDEBUG=-all
# No Mono or Gecko: the first run would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

kl_log() { printf '[keyloom] %s\n' "$*" >&2; }

# Makes build/wine-base once; later calls return at once. A lock keeps two
# scripts started together from booting it twice.
kl_prepare_base() {
    mkdir -p "$(dirname "$KL_WINE_BASE")"
    (
        flock 9
        if [[ -f "$KL_WINE_BASE/$KL_BASE_MARK" ]]; then exit 0; fi
        kl_log "preparing the shared Wine prefix $KL_WINE_BASE (once)"
        rm -rf "$KL_WINE_BASE"
        WINEPREFIX="$KL_WINE_BASE" wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX="$KL_WINE_BASE" wineserver -w
        if [[ ! -f "$KL_WINE_BASE/system.reg" ]]; then
            kl_log "wineboot failed to make $KL_WINE_BASE"
            exit 1
        fi
        # Tests run with no window manager: Wine then draws the captions and
        # frames itself, so screenshots show them.
        kl_set_managed "$KL_WINE_BASE" N || exit 1
        # A program that crashes ends at once instead of waiting on the
        # crash dialog, which nobody answers in a test run.
        WINEPREFIX="$KL_WINE_BASE" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            >/dev/null 2>&1 || exit 1
        WINEPREFIX="$KL_WINE_BASE" wineserver -w
        touch "$KL_WINE_BASE/$KL_BASE_MARK"
    ) 9>"$KL_WINE_BASE.lock"
}

# kl_set_managed DIR Y|N: whether a window manager decorates Wine's windows
# (Y) or Wine draws their captions itself (N).
kl_set_managed() {
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$2" /f >/dev/null 2>&1
}

# kl_fresh_prefix DIR: DIR becomes a new copy of the prepared prefix.
kl_fresh_prefix() {
    local dir="$1"
    kl_prepare_base || return 1
    kl_kill_prefix "$dir"
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    cp -a "$KL_WINE_BASE" "$dir"
}

# kl_kill_prefix DIR: ends every Wine process of that prefix.
kl_kill_prefix() {
    local dir="$1"
    if [[ -d "$dir" ]]; then
        WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="$dir" wineserver -w >/dev/null 2>&1 || true
    fi
}

# Whether this machine runs 32-bit x86 code at all: a 96-byte i386 program
# that only exits with 42. Some virtual machines' kernels refuse every
# 32-bit program ("Exec format error"); there wine32 cannot work, and
# installing it even breaks the wine command, which then prefers the
# 32-bit loader.
kl_runs_x86_code() {
    local probe rc
    probe="$(mktemp "${TMPDIR:-/tmp}/keyloom-x86.XXXXXX")" || return 1
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    rc=$?
    rm -f "$probe"
    [[ "$rc" -eq 42 ]]
}

# Whether Wine here runs 32-bit Windows programs (the setup program's
# stub, the 32-bit Keyloom): the machine runs 32-bit code and wine32 is in.
kl_wine_runs_x86() {
    kl_runs_x86_code && [[ -x /usr/lib/wine/wine ]]
}

kl_display_usable() {
    [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1
}

# Keeps a usable DISPLAY, or starts a private Xvfb on the first free :NN
# from 95 up and exports DISPLAY. Sets KL_XVFB_PID when it started one.
kl_ensure_display() {
    if kl_display_usable; then return 0; fi
    local n
    for n in $(seq 95 140); do
        if [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]]; then continue; fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        KL_XVFB_PID=$!
        local tries
        for tries in $(seq 1 100); do
            if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                export DISPLAY=":$n"
                return 0
            fi
            if ! kill -0 "$KL_XVFB_PID" 2>/dev/null; then break; fi
            sleep 0.1
        done
        # Lost a race for this number, or the server did not come up.
        kill "$KL_XVFB_PID" 2>/dev/null || true
        wait "$KL_XVFB_PID" 2>/dev/null || true
        KL_XVFB_PID=""
    done
    kl_log "could not start Xvfb"
    return 1
}

# Stops the Xvfb that kl_ensure_display started, if any.
kl_stop_display() {
    if [[ -n "$KL_XVFB_PID" ]]; then
        kill "$KL_XVFB_PID" 2>/dev/null || true
        wait "$KL_XVFB_PID" 2>/dev/null || true
        KL_XVFB_PID=""
    fi
}
