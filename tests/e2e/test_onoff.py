"""Macros switched off, hot keys suspended and macros run from the tray
menu, in the real Keyloom with Wine's Notepad beside it.

One Keyloom and one Notepad serve every case; the cases run in name order.
"""

import time
import unittest

import harness
from harness import MAIN_TITLE, NOTEPAD

ALT, CTRL = 1, 2
IDC_MACRO_LIST = 1002

stroke = harness.stroke

# name: (virtual key, modifiers, instructions); "Resting" is stored with
# Enabled 0, the others as an earlier Keyloom stored them (no Enabled).
STORED = {
    "Greeting": (ord("G"), CTRL | ALT, stroke(ord("H")) + stroke(ord("I"))),
    "Resting": (ord("O"), CTRL | ALT, stroke(ord("Q"))),
}


class MacrosOnAndOff(harness.KeyloomWithNotepad):
    session = "onoff"

    @classmethod
    def reg_text(cls):
        off = f"[{harness.STORE_REG_PATH}\\Macros\\Resting]\r\n\"Enabled\"={harness.reg_dword(0)}\r\n\r\n"
        return harness.macros_reg(STORED) + off

    def test_1_a_macro_switched_off_is_listed_off(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        self.assertEqual(rows, [["Greeting", "CTRL + ALT + G"], ["Resting", "CTRL + ALT + O (off)"]])
        self.hide_main()

    def test_2_an_off_macros_hot_key_goes_to_the_program_in_front(self):
        self.fresh_notepad()
        self.press("ctrl+alt+o")
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "", "a macro switched off typed")
        # The macro beside it, stored without Enabled, runs as before.
        self.press("ctrl+alt+g")
        self.assertEqual(self.wait_text("hi"), "hi")


if __name__ == "__main__":
    unittest.main()
