"""Backup and restore with the two reg commands the README gives, word for
word: a stored macro and a recording are exported, the key is deleted,
the file is imported again, and the restarted Keyloom runs the macro.

One Keyloom and one Notepad; the cases run in name order.
"""

import subprocess
import unittest

import harness
from harness import MAIN_TITLE

ALT, CTRL = 1, 2
IDC_MACRO_LIST = 1002
IDC_RECORDING_LIST = 1129

# The commands as the README prints them, run in C:\ as a person would run
# them in a Command Prompt there.
EXPORT = ["reg", "export", r"HKLM\Software\Tallow Labs\Keyloom", "keyloom-backup.reg", "/reg:32"]
IMPORT = ["reg", "import", "keyloom-backup.reg", "/reg:32"]

MACROS = {"Greeting": (ord("K"), CTRL | ALT, harness.stroke(ord("H")) + harness.stroke(ord("I")))}


class BackupAndRestore(harness.KeyloomWithNotepad):
    session = "backup"

    @classmethod
    def reg_text(cls):
        return harness.typed_q_reg(MACROS)

    def reg(self, args):
        return subprocess.run(["wine", *args], cwd=self.wine.prefix / "drive_c", env=self.wine.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)

    def test_1_export_writes_the_whole_tree(self):
        # What Keyloom wrote at start-up (the macros' ids) is part of it.
        self.__class__.stored = self.wine.reg_query()
        self.assertIn("Macros\\Greeting\\Commands\\1", self.stored)
        self.assertIn("Journals\\Typed q", self.stored)
        self.assertEqual(self.reg(EXPORT).returncode, 0)
        backup = self.wine.prefix / "drive_c" / "keyloom-backup.reg"
        self.assertTrue(backup.exists())
        text = backup.read_bytes().decode("utf-16")
        self.assertTrue(text.startswith("Windows Registry Editor Version 5.00"), text[:80])
        self.assertIn("[HKEY_LOCAL_MACHINE\\Software\\Tallow Labs\\Keyloom\\Macros\\Greeting\\Commands\\0]", text)
        self.assertIn("[HKEY_LOCAL_MACHINE\\Software\\Tallow Labs\\Keyloom\\Journals\\Typed q]", text)

    def test_2_the_store_is_deleted_with_keyloom_shut_down(self):
        self.shut_down_and_delete_store()

    def test_3_import_restores_every_key_and_value(self):
        self.assertEqual(self.reg(IMPORT).returncode, 0)
        self.assertEqual(self.wine.reg_query(), self.stored)
        # In the 32-bit view only: the 64-bit Software key has no copy.
        self.assertNotEqual(self.wine.run(["reg", "query", harness.STORE_KEY, "/reg:64"]).returncode, 0)

    def test_4_the_restored_macro_runs_and_the_recording_is_listed(self):
        self.__class__.keyloom = self.wine.start_keyloom()
        self.show_main()
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST), [["Greeting", "CTRL + ALT + K"]])
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_RECORDING_LIST), [["Typed q", "Keyboard"]])
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+k")
        self.assertEqual(self.wait_text("hi"), "hi")


if __name__ == "__main__":
    unittest.main()
