#!/usr/bin/env python3
"""Soak under Wine: many hot-key runs and playbacks in one Keyloom process.

    python3 bench/soak.py [--runs 2000] [--playbacks 200] [--every 500]

Keyloom starts once, beside Wine's Notepad, with two stored macros: one
types "a" from its hot key, the other replays a stored recording that types
"b". Each run waits for its letter to appear in Notepad, so a missed run
shows as a letter that never comes and a doubled one as a letter too many.
Keyloom's handles, USER and GDI objects, windows and memory are read at the
start, after every --every runs, after every quarter of the playbacks and
at the end. Not part of the test command: the full soak takes about half an
hour. Exit code 1 when a run was missed or doubled.

Wine reports no per-process handle, USER or GDI counts (it answers 0); the
handles come from the system handle table instead, the windows stand in
for USER objects, and the memory is also read from the Unix side
(/proc/PID/status of the Wine process). GDI objects are only measured on
Windows.
"""

import argparse
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "e2e"))

import harness  # noqa: E402
from harness import MAIN_TITLE, NOTEPAD  # noqa: E402
from test_recordings import KEYBOARD, STORE, hex_bytes, journal, playback, typed  # noqa: E402

ALT, CTRL = 1, 2
TAP_KEY, PLAY_KEY = "ctrl+alt+k", "ctrl+alt+j"
RECORDING = "Soak b"
MACROS = {
    "Soak tap": (ord("K"), CTRL | ALT, harness.stroke(ord("A"))),
    "Soak play": (ord("J"), CTRL | ALT, playback(RECORDING, 0, KEYBOARD)),
}
# One letter each run, so the wait for it is short.
RUN_WAIT_S = 15


def reg_text():
    chunk = journal(typed("B", 100, 20))
    lines = [f"[{STORE}\\Journals\\{RECORDING}]", f'"Count"={harness.reg_dword(1)}',
             f'"Type"={harness.reg_dword(KEYBOARD)}', f'"0"=hex:{hex_bytes(chunk)}', ""]
    return "\r\n".join(lines) + "\r\n" + harness.macros_reg(MACROS)


def unix_status(pid):
    """VmRSS and RssAnon (kB) and the open file descriptors of a Unix process."""
    figures = {}
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            name, _, value = line.partition(":")
            if name in ("VmRSS", "RssAnon"):
                figures[name] = int(value.split()[0])
        figures["fds"] = len(list(Path(f"/proc/{pid}/fd").iterdir()))
    except OSError:
        pass
    return figures


def keyloom_unix_pid(prefix):
    """The Unix process of the Keyloom.exe that runs in this prefix."""
    found = subprocess.run(["pgrep", "-f", "Keyloom.exe"], stdout=subprocess.PIPE, text=True).stdout.split()
    for pid in found:
        try:
            environment = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environment:
            return int(pid)
    return None


class Soak:
    def __init__(self, wine):
        self.wine = wine
        self.unix_pid = keyloom_unix_pid(wine.prefix)
        self.rows = []

    def letters(self):
        text = self.wine.edittext() or ""
        return text.count("a"), text.count("b")

    def sample(self, label):
        stats = self.wine.probe("procstats", MAIN_TITLE)
        fields = stats.stdout.split() if stats.ok else []
        figures = dict(zip(fields[0::2], fields[1::2]))
        figures.update({key: str(value) for key, value in unix_status(self.unix_pid).items()})
        self.rows.append((label, figures))
        print(f"{label:>16}  " + "  ".join(f"{key} {value}" for key, value in figures.items()), flush=True)

    def run_once(self, combo, expected, index):
        """Presses the hot key and waits for the count of its letter to
        reach expected; returns the count seen."""
        harness.key(combo)
        deadline = time.monotonic() + RUN_WAIT_S
        while True:
            count = self.letters()[index]
            if count >= expected or time.monotonic() >= deadline:
                return count
            time.sleep(0.05)


    def series(self, combo, index, count, every, what, label, problems):
        """Runs the hot key `count` times, sampling every `every` runs and at
        the end; stops at the first run that is missed or doubled."""
        for run in range(1, count + 1):
            seen = self.run_once(combo, run, index)
            if seen != run:
                problems.append(f"{what} {run}: {seen} letters instead of {run}")
                print(problems[-1], flush=True)
                return
            if run % every == 0 or run == count:
                self.sample(f"{run} {label}")


def report_growth(rows):
    """Growth of each figure from the first sample after warm-up to the end."""
    if len(rows) < 3:
        return
    warm, last = rows[1][1], rows[-1][1]
    for key in last:
        if key in warm and key != "pid":
            try:
                print(f"growth after warm-up: {key} {int(last[key]) - int(warm[key]):+d}", flush=True)
            except ValueError:
                pass


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=2000)
    parser.add_argument("--playbacks", type=int, default=200)
    parser.add_argument("--every", type=int, default=500)
    options = parser.parse_args()

    xvfb = harness.ensure_display()
    wine = harness.WineSession("soak")
    problems = []
    started = time.monotonic()
    try:
        if not wine.reg_import(reg_text(), "soak"):
            raise RuntimeError("the soak's macros could not be imported")
        wine.start_keyloom()
        wine.start(["notepad"])
        if not wine.wait_window(NOTEPAD):
            raise RuntimeError("Notepad did not start")
        wine.click_into(NOTEPAD)
        time.sleep(0.5)
        soak = Soak(wine)
        soak.sample("start")
        soak.series(TAP_KEY, 0, options.runs, options.every, "hot-key run", "runs", problems)
        if not problems:
            soak.series(PLAY_KEY, 1, options.playbacks, max(1, options.playbacks // 4), "playback", "playbacks",
                        problems)
        # A late doubled run would only show now.
        time.sleep(2)
        final = soak.letters()
        soak.sample("end")
        print(f"typed: {final[0]} a of {options.runs} runs, {final[1]} b of {options.playbacks} playbacks", flush=True)
        if not problems and final != (options.runs, options.playbacks):
            problems.append(f"the final text holds {final[0]} a and {final[1]} b")
        report_growth(soak.rows)
    finally:
        wine.close()
        harness.stop_display(xvfb)
    minutes = (time.monotonic() - started) / 60
    print(f"soak: {minutes:.1f} minutes, {'no run missed or doubled' if not problems else '; '.join(problems)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
