"""keyloomc.exe against the running Keyloom: run types into Notepad as the
hot key would, list prints names and hot keys, stop ends a long DELAY, and
each answer has its exit code, Keyloom not running included.

One Keyloom and one Notepad serve every case; the cases run in name order,
the last one ends Keyloom.
"""

import subprocess
import tempfile
import time
import unittest

import harness
from harness import MAIN_TITLE

DELAY = 0x1000
ALT, CTRL = 1, 2
VK_SPACE = 0x20
IDOK = 1

stroke = harness.stroke

STORED = {
    "Greeting": (ord("K"), CTRL | ALT, stroke(ord("H")) + stroke(ord("I")) + stroke(VK_SPACE) + stroke(ord("Y"))),
    "Long Wait": (ord("W"), CTRL | ALT, [(DELAY, {"DelayInterval": 10000})] + stroke(ord("X"))),
}


class KeyloomcTalksToKeyloom(harness.KeyloomWithNotepad):
    session = "keyloomc"

    @classmethod
    def reg_text(cls):
        return harness.macros_reg(STORED)

    def keyloomc(self, *args):
        """(exit code, stdout, stderr) of one keyloomc run."""
        return harness.keyloomc(self.wine, *args)

    def test_1_list_prints_every_name_and_hot_key(self):
        code, out, err = self.keyloomc("list")
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(out.splitlines()), ["Greeting\tCTRL + ALT + K", "Long Wait\tCTRL + ALT + W"])
        self.assertTrue(out.endswith("\r\n"), repr(out))

    def test_2_run_types_into_the_window_in_front(self):
        self.fresh_notepad()
        time.sleep(0.3)
        code, out, err = self.keyloomc("run", "greeting")  # names compare as the registry does
        self.assertEqual((code, out), (0, ""), err)
        self.assertEqual(self.wait_text("hi y"), "hi y")

    def test_3_unknown_names_and_command_lines(self):
        code, _, err = self.keyloomc("run", "No Such Macro")
        self.assertEqual(code, 1)
        self.assertIn('There is no macro named "No Such Macro".', err)
        code, _, err = self.keyloomc("run", "Macros\\Greeting")
        self.assertEqual(code, 1, err)
        code, _, err = self.keyloomc("jump")
        self.assertEqual(code, 4)
        self.assertIn("Unknown command: jump", err)
        code, out, _ = self.keyloomc("help")
        self.assertEqual(code, 0)
        self.assertIn("run NAME", out)

    def test_4_stop_ends_a_long_delay(self):
        self.fresh_notepad()
        time.sleep(0.3)
        started = time.monotonic()
        code, _, err = self.keyloomc("run", "Long", "Wait")
        self.assertEqual(code, 0, err)
        time.sleep(1)
        code, _, err = self.keyloomc("run", "Greeting")
        self.assertEqual(code, 3, "a second run was not refused while the DELAY waits")
        self.assertIn("A macro is already running.", err)
        code, _, err = self.keyloomc("stop")
        self.assertEqual(code, 0, err)
        stopped = time.monotonic() - started
        # The next run starts at once, well before the DELAY's 10 s are up.
        code, _, err = self.keyloomc("run", "Greeting")
        self.assertEqual(code, 0, err)
        self.assertEqual(self.wait_text("hi y"), "hi y")
        time.sleep(max(0.0, 11 - (time.monotonic() - started)))
        self.assertEqual(self.notepad_text(), "hi y", "the stopped macro went on after its DELAY")
        print(f"stop came {stopped:.1f} s after the run started", flush=True)

    def test_9_without_keyloom_keyloomc_says_so(self):
        self.assertTrue(self.wine.post(MAIN_TITLE, harness.WM_COMMAND, IDOK, 0))
        self.assertTrue(self.wine.wait_gone(MAIN_TITLE), "Keyloom did not end")
        code, _, err = self.keyloomc("list")
        self.assertEqual(code, 2)
        self.assertIn("Keyloom is not running.", err)


if __name__ == "__main__":
    unittest.main()
