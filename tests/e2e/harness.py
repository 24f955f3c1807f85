"""Helpers for the e2e tests: Wine prefixes, the probe, the registry, the X
display, screenshots and keys.

Everything shell-side (the shared prepared prefix, fresh copies of it, a
private Xvfb) lives in scripts/wine-env.sh; this module calls it so that
there is one way to make a prefix.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
WINE_ENV = ROOT / "scripts" / "wine-env.sh"
WINDOWS_BUILD = Path(os.environ.get("KEYLOOM_WINDOWS_DIR", BUILD / "windows"))
KEYLOOM_EXE = Path(os.environ.get("KEYLOOM_EXE", WINDOWS_BUILD / "Keyloom.exe"))
PROBE_EXE = Path(os.environ.get("KEYLOOM_PROBE", WINDOWS_BUILD / "klprobe.exe"))
PREFIXES = Path(os.environ.get("KEYLOOM_E2E_PREFIXES", BUILD / "e2e-prefixes"))
SHOTS = Path(os.environ.get("KEYLOOM_E2E_SHOTS", BUILD / "e2e-shots"))

STORE_KEY = r"HKLM\Software\Tallow Labs\Keyloom"
MAIN_TITLE = "Keyloom"
WINE_TRAY_TITLE = "Wine System Tray"
POPUP_MENU = "class=#32768"

# Private window messages and ids the tests drive the program with.
WM_COMMAND = 0x0111
WM_SYSCOMMAND = 0x0112
WM_TRAY_NOTIFY = 0x0405
WM_LBUTTONDOWN = 0x0201
WM_RBUTTONDOWN = 0x0204
IDM_ABOUT = 0x10

# Generous: a cold Wine start on a loaded two-core machine takes seconds.
START_WAIT_MS = 30000
WAIT_MS = 15000


def wine_env():
    env = dict(os.environ)
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    env["WINEARCH"] = "win64"
    return env


def _shell(snippet, *args, timeout=600):
    """Runs snippet in bash with wine-env.sh sourced; $1.. are args."""
    return subprocess.run(
        ["bash", "-c", f'. "{WINE_ENV}" && {snippet}', "keyloom-e2e", *map(str, args)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=timeout, env=wine_env())


def ensure_display():
    """Keeps a usable DISPLAY or starts a private Xvfb.

    Returns the pid of the Xvfb it started, or None.
    """
    result = _shell('kl_ensure_display && echo "$DISPLAY ${KL_XVFB_PID:-none}"', timeout=120)
    if result.returncode != 0:
        raise RuntimeError("no X display: " + result.stderr)
    display, pid = result.stdout.split()
    os.environ["DISPLAY"] = display
    return None if pid == "none" else int(pid)


def stop_display(pid):
    if pid:
        try:
            os.kill(pid, 15)
        except ProcessLookupError:
            pass


# The probe's exit codes.
PROBE_NOT_FOUND = 1
PROBE_ERROR = 2
PROBE_AMBIGUOUS = 3  # two or more top-level windows share the title


class ProbeError(AssertionError):
    """A probe command that had to succeed did not: its exit code and what
    it said on stderr."""

    def __init__(self, args, returncode, messages):
        self.returncode = returncode
        what = {PROBE_NOT_FOUND: "not found", PROBE_AMBIGUOUS: "two windows share the title"}.get(returncode, "error")
        super().__init__(f"probe {' '.join(map(str, args))}: exit code {returncode} ({what}) {messages}".rstrip())


class ProbeResult:
    def __init__(self, returncode, stdout, args=(), messages=""):
        self.returncode = returncode
        self.stdout = stdout
        self.args = args
        self.messages = messages

    def check(self):
        """Itself when the command succeeded, else ProbeError."""
        if self.returncode != 0:
            raise ProbeError(self.args, self.returncode, self.messages)
        return self

    @property
    def ok(self):
        return self.returncode == 0

    def lines(self):
        return [line for line in self.stdout.split("\n") if line]

    def __repr__(self):
        return f"ProbeResult(rc={self.returncode}, stdout={self.stdout!r})"


def unescape(text):
    """Undoes the probe's escaping of \\r \\n \\t and backslashes."""
    return re.sub(r"\\(.)", lambda m: {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


class WineSession:
    """One fresh prefix for a group of cases, and everything run in it."""

    def __init__(self, name):
        self.name = name
        self.prefix = PREFIXES / name
        self.env = wine_env()
        self.env["WINEPREFIX"] = str(self.prefix)
        self.processes = []
        result = _shell('kl_fresh_prefix "$1"', self.prefix)
        if result.returncode != 0:
            raise RuntimeError(f"cannot make prefix {self.prefix}: {result.stderr}")

    # --- processes ----------------------------------------------------------

    def run(self, args, timeout=120):
        # The output goes through a file, not a pipe: a program that this
        # one starts and leaves running (setup starting Keyloom again, the
        # scheduler service schtasks wakes) would hold a pipe open after
        # the program itself has ended.
        with tempfile.TemporaryFile() as stdout:
            result = subprocess.run(["wine", *map(str, args)], stdout=stdout, stderr=subprocess.DEVNULL,
                                    env=self.env, timeout=timeout)
            stdout.seek(0)
            result.stdout = stdout.read()
        return result

    def start(self, args):
        process = subprocess.Popen(["wine", *map(str, args)], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.env)
        self.processes.append(process)
        return process

    def start_keyloom(self):
        if not KEYLOOM_EXE.exists():
            raise AssertionError(f"{KEYLOOM_EXE} is not built")
        process = self.start([KEYLOOM_EXE])
        found = self.probe("wait", MAIN_TITLE, START_WAIT_MS, timeout=START_WAIT_MS / 1000 + 60)
        if not found.ok:
            raise AssertionError(f"Keyloom's window did not appear: {found}")
        return process

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for process in self.processes:
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        # A prefix is some 700 MB; KEYLOOM_E2E_KEEP_PREFIXES=1 keeps them to
        # look at afterwards.
        if os.environ.get("KEYLOOM_E2E_KEEP_PREFIXES") != "1":
            shutil.rmtree(self.prefix, ignore_errors=True)

    # --- the probe ----------------------------------------------------------

    def probe(self, *args, timeout=90):
        """Runs the probe once. It answers 0, 1 or 2; an error (2, or any
        other code, which is Wine failing to start it) is never retried
        and never silent: its code and its stderr go to this run's output."""
        if not PROBE_EXE.exists():
            raise AssertionError(f"{PROBE_EXE} is not built")
        # Wine's stderr goes to a file, not a pipe: the wineserver and the
        # services the first start of a prefix launches inherit it and would
        # hold a pipe open long after the probe has ended.
        with tempfile.TemporaryFile() as stderr:
            result = subprocess.run(["wine", str(PROBE_EXE), *map(str, args)], stdout=subprocess.PIPE,
                                    stderr=stderr, env=self.env, timeout=timeout)
            stderr.seek(0)
            messages = stderr.read().decode("latin-1")
        errors = " | ".join([line for line in messages.splitlines()
                             if line.strip() and not line.startswith(("fixme:", "warn:"))][-5:])
        if result.returncode not in (0, PROBE_NOT_FOUND):
            print(f"probe {' '.join(map(str, args))}: exit code {result.returncode}: " + errors,
                  file=sys.stderr, flush=True)
        return ProbeResult(result.returncode, result.stdout.decode("latin-1"), args, errors)

    def find(self, title):
        """(exists, visible) of the top-level window with that exact title;
        ProbeError when two windows have it or the probe fails."""
        result = self.probe("find", title)
        if result.returncode == PROBE_NOT_FOUND:
            return False, False
        return True, result.check().stdout.split()[1] == "1"

    def wait_window(self, title, ms=WAIT_MS):
        return self.probe("wait", title, ms, timeout=ms / 1000 + 60).ok

    def wait_gone(self, title, ms=WAIT_MS):
        return self.probe("wait-gone", title, ms, timeout=ms / 1000 + 60).ok

    def wait_visible(self, title, visible=True, seconds=WAIT_MS / 1000):
        """Polls until the window exists with the given visibility."""
        deadline = time.monotonic() + seconds
        while True:
            exists, shown = self.find(title)
            if exists and shown == visible:
                return True
            if time.monotonic() >= deadline:
                return False
            time.sleep(0.2)

    # The readers below raise ProbeError when the probe fails, the window or
    # control missing included: an empty answer is never a failed look.

    def rect(self, title):
        """(left, top, right, bottom) of a top-level window."""
        return tuple(map(int, self.probe("rect", title).check().stdout.split()[:4]))

    def click_into(self, title):
        """Clicks the middle of a window: with no window manager that is
        what gives it the keyboard focus."""
        left, top, right, bottom = self.rect(title)
        click_at((left + right) // 2, (top + bottom) // 2)

    def post(self, title, msg, wparam=0, lparam=0):
        return self.probe("post", title, hex(msg), hex(wparam), hex(lparam)).ok

    def send(self, title, msg, wparam=0, lparam=0):
        result = self.probe("send", title, hex(msg), hex(wparam), hex(lparam))
        return int(result.stdout.strip()) if result.ok else None

    def click(self, title, control_id):
        return self.probe("click", title, control_id).ok

    def texts(self, title):
        """[(class, id, text)] with the window itself first (id "top")."""
        result = self.probe("texts", title).check()
        rows = []
        for line in result.lines():
            cls, ident, text = (line.split("\t", 2) + ["", ""])[:3]
            rows.append((cls, ident, unescape(text)))
        return rows

    def listview(self, title, control_id):
        result = self.probe("listview", title, control_id).check()
        return [[unescape(cell) for cell in line.split("\t")] for line in result.lines()]

    def listcols(self, title, control_id):
        """([(column text, width)], client width)."""
        result = self.probe("listcols", title, control_id).check()
        columns, client = [], None
        for line in result.lines():
            parts = line.split("\t")
            if parts[0] == "col":
                columns.append((unescape(parts[1]), int(parts[2])))
            elif parts[0] == "client":
                client = int(parts[1])
        return columns, client

    def listbox(self, title, control_id):
        """(lines, index of the selected line or -1) of a list box."""
        lines, selected = [], -1
        for index, line in enumerate(self.probe("listbox", title, control_id).check().lines()):
            if line.startswith("*"):
                selected, line = index, line[1:]
            lines.append(unescape(line))
        return lines, selected

    def lbselect(self, title, control_id, row):
        return self.probe("lbselect", title, control_id, row).ok

    def child_rect(self, title, control_id):
        """(left, top, right, bottom) of a control on the screen."""
        return tuple(map(int, self.probe("childrect", title, control_id).check().stdout.split()[:4]))

    def click_control(self, title, control_id):
        """A real mouse click in the middle of a control."""
        left, top, right, bottom = self.child_rect(title, control_id)
        click_at((left + right) // 2, (top + bottom) // 2)

    def edittext(self, match="Notepad"):
        return self.probe("edittext", match).check().stdout

    # --- registry -----------------------------------------------------------

    def reg_query(self, key=STORE_KEY):
        """The subtree under key in the 32-bit view, as
        {path relative to key: {value name: (type, data)}}; None when the
        key does not exist.

        The program opens HKLM with KEY_WOW64_32KEY; reg.exe's /reg:32 reads
        that same view (Software\\Wow6432Node in a 64-bit prefix).
        """
        result = self.run(["reg", "query", key, "/s", "/reg:32"], timeout=120)
        if result.returncode != 0:
            return None
        full = key.replace("HKLM", "HKEY_LOCAL_MACHINE", 1).lower()
        tree, current = {}, None
        for line in result.stdout.decode("latin-1").splitlines():
            if line.startswith("HKEY_"):
                relative = line[len(full):] if line.lower().startswith(full) else line
                current = tree.setdefault(relative.lstrip("\\"), {})
            elif line.startswith("    ") and current is not None:
                parts = line[4:].split("    ", 2)
                name, kind, data = (parts + ["", ""])[:3]
                current[name] = (kind, data)
        return tree

    def reg_import(self, text, name="import"):
        """Imports a .reg text into the 32-bit view: key paths are written as
        the program sees them (HKEY_LOCAL_MACHINE\\Software\\Tallow Labs\\...).
        """
        path = self.prefix / "drive_c" / f"{name}.reg"
        if not text.startswith("Windows Registry Editor"):
            text = "Windows Registry Editor Version 5.00\r\n\r\n" + text
        path.write_bytes(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("latin-1"))
        result = self.run(["reg", "import", f"C:\\{name}.reg", "/reg:32"], timeout=120)
        return result.returncode == 0


# --- X side ----------------------------------------------------------------

def screenshot(name):
    SHOTS.mkdir(parents=True, exist_ok=True)
    path = SHOTS / name
    subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def window_shot(wine, title, name):
    """The window of that title, cut out of the screen, into SHOTS/docs:
    the pictures the README shows are copies of these (docs/)."""
    left, top, right, bottom = wine.rect(title)
    folder = SHOTS / "docs"
    folder.mkdir(parents=True, exist_ok=True)
    path = folder / name
    subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                    str(path)], check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=60)


def key(*combos):
    xdotool("key", "--delay", 50, *combos)


def type_text(text):
    xdotool("type", "--delay", 40, text)


def click_at(x, y):
    xdotool("mousemove", x, y, "click", 1)


def clipboard_text():
    """The X clipboard, which Wine shares with its own."""
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=30)
    return result.stdout.decode("utf-8", "replace") if result.returncode == 0 else None


def wait_until(predicate, seconds=WAIT_MS / 1000, interval=0.2):
    """Polls predicate until it is true or the time is up. A window that is
    not there yet counts as false while polling; any other probe failure
    ends the wait with its ProbeError."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = predicate()
        except ProbeError as error:
            if error.returncode != PROBE_NOT_FOUND:
                raise
            value = None
        if value:
            return value
        if time.monotonic() >= deadline:
            return value
        time.sleep(interval)


# --- stored macros and a Keyloom with Notepad beside it ---------------------

STORE_REG_PATH = r"HKEY_LOCAL_MACHINE\Software\Tallow Labs\Keyloom"
NOTEPAD = "Untitled - Notepad"
IDOK = 1
IDC_CLOSE = 1151


def stroke(vk):
    """A key stroke: the key's down and up instructions."""
    return [(vk, {"KeyPressed": 0}), (vk, {"KeyPressed": 2})]


def reg_dword(value):
    return f"dword:{value & 0xFFFFFFFF:08x}"


def macros_reg(macros):
    """.reg text for {name: (virtual key, modifiers, [(code, {value: data})])}:
    each macro with its "vk", "fsModifiers", an "id" that start-up rewrites,
    and its instructions with their values (ints as DWORDs, else strings)."""
    lines = []
    for name, (vk, modifiers, instructions) in macros.items():
        key = f"{STORE_REG_PATH}\\Macros\\{name}"
        lines += [f"[{key}]", f'"vk"={reg_dword(vk)}', f'"fsModifiers"={reg_dword(modifiers)}',
                  f'"id"={reg_dword(-1)}', "", f"[{key}\\Commands]", ""]
        for position, (code, values) in enumerate(instructions):
            lines += [f"[{key}\\Commands\\{position}]", f'"id"={reg_dword(code)}']
            for value, data in values.items():
                if isinstance(data, int):
                    lines.append(f'"{value}"={reg_dword(data)}')
                else:
                    escaped = data.replace("\\", "\\\\")
                    lines.append(f'"{value}"="{escaped}"')
            lines.append("")
    return "\r\n".join(lines) + "\r\n"


KEY_DOWN, KEY_UP, SCAN_Q = 0x0100, 0x0101, 0x10
KEYBOARD = 2
# A key-down and key-up of "q" as a recording of one chunk.
Q_CHUNK = b"".join(struct.pack("<5I", message, ord("Q") | SCAN_Q << 8, 1, time_ms, 0)
                   for message, time_ms in ((KEY_DOWN, 500), (KEY_UP, 700)))


def typed_q_reg(macros):
    """.reg text of the keyboard recording "Typed q" (Q_CHUNK) and `macros`
    (as macros_reg takes them)."""
    chunk = ",".join(f"{byte:02x}" for byte in Q_CHUNK)
    return "\r\n".join([f"[{STORE_REG_PATH}\\Journals\\Typed q]", '"Count"=dword:00000001',
                         f'"Type"=dword:{KEYBOARD:08x}', f'"0"=hex:{chunk}', ""]) + "\r\n" + macros_reg(macros)


KEYLOOMC_EXE = WINDOWS_BUILD / "keyloomc.exe"


def keyloomc(wine, *args):
    """(exit code, stdout, stderr) of one keyloomc run in `wine`'s prefix,
    Wine's own messages left out of stderr."""
    if not KEYLOOMC_EXE.exists():
        raise AssertionError(f"{KEYLOOMC_EXE} is not built")
    # Files, not pipes: Wine's services inherit the handles and would hold a
    # pipe open.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(["wine", str(KEYLOOMC_EXE), *args], stdout=out, stderr=err,
                                env=wine.env, timeout=600)
        out.seek(0)
        err.seek(0)
        errors = [line for line in err.read().decode("utf-8", "replace").splitlines()
                  if not line.startswith(("fixme:", "warn:", "err:"))]
        return result.returncode, out.read().decode("utf-8"), "\n".join(errors)


class KeyloomSession(unittest.TestCase):
    """One prefix with the stored data of reg_text() imported and one
    Keyloom for all cases of the class."""

    session = "keyloom"
    with_notepad = False

    @classmethod
    def reg_text(cls):
        return ""

    @classmethod
    def setUpClass(cls):
        cls.wine = WineSession(cls.session)
        try:
            text = cls.reg_text()
            if text and not cls.wine.reg_import(text, cls.session):
                raise AssertionError("the stored data could not be imported")
            cls.keyloom = cls.wine.start_keyloom()
            if cls.with_notepad:
                cls.wine.start(["notepad"])
                if not cls.wine.wait_window(NOTEPAD):
                    raise AssertionError("Notepad did not start")
        except BaseException:
            cls.wine.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()


class KeyloomWithNotepad(KeyloomSession):
    """A KeyloomSession with Wine's Notepad beside it, for macros to type into."""

    with_notepad = True

    def notepad_text(self):
        return self.wine.edittext()

    def fresh_notepad(self):
        self.wine.click_into(NOTEPAD)
        key("ctrl+a", "Delete")
        self.assertTrue(wait_until(lambda: self.notepad_text() == "", 10), "Notepad could not be emptied")

    def press(self, combo):
        """Gives Notepad the focus and presses a macro's hot key."""
        self.wine.click_into(NOTEPAD)
        time.sleep(0.3)
        key(combo)

    def wait_text(self, expected, seconds=15):
        wait_until(lambda: self.notepad_text() == expected, seconds)
        return self.notepad_text()

    def show_main(self):
        self.assertTrue(self.wine.post(MAIN_TITLE, WM_TRAY_NOTIFY, 0, WM_LBUTTONDOWN))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, True), "the main window was not shown")

    def hide_main(self):
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_CLOSE))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, False))

    def texts_of(self, title):
        return [text for _, _, text in self.wine.texts(title)]

    def shut_down_and_delete_store(self):
        """Ends Keyloom as the main window's OK does and deletes its whole
        key, as a fresh machine has none."""
        self.wine.post(MAIN_TITLE, WM_COMMAND, IDOK)
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("Shutdown did not end Keyloom")
        self.assertEqual(self.wine.run(["reg", "delete", STORE_KEY, "/reg:32", "/f"]).returncode, 0)
        self.assertIsNone(self.wine.reg_query())

    def close_box(self, title="Attention"):
        self.assertTrue(self.wine.click(title, IDOK))
        self.assertTrue(self.wine.wait_gone(title), f"the \"{title}\" box did not close")
