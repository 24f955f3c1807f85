"""The setup program under Wine: a silent install, Keyloom started from the
installed path, a second install over the running program, and a silent
uninstall that keeps the stored tree.

This machine may run no 32-bit code; then the 64-bit twin of the setup
program (same script, scripts/package.sh) is what runs here.
"""

import subprocess
import unittest

import harness
from harness import MAIN_TITLE

VERSION = "1.0.0.3"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyloom"


def setup_program():
    shipped = harness.BUILD / "dist" / f"Keyloom-{VERSION}-setup.exe"
    runs_x86 = subprocess.run(["bash", "-c", f'. "{harness.WINE_ENV}" && kl_wine_runs_x86']).returncode == 0
    return shipped if runs_x86 else harness.BUILD / "setup-amd64" / f"Keyloom-{VERSION}-setup-amd64.exe"


class SilentInstall(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("installer")
        cls.setup = setup_program()
        cls.program = cls.wine.prefix / "drive_c" / "Program Files" / "Keyloom"
        cls.shortcut = (cls.wine.prefix / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu"
                        / "Programs" / "Keyloom.lnk")

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def entry(self):
        result = self.wine.run(["reg", "query", UNINSTALL_KEY, "/reg:64"])
        return result.stdout.decode("latin-1") if result.returncode == 0 else None

    def test_1_installs_program_shortcut_and_entry(self):
        self.assertTrue(self.setup.exists(), self.setup)
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, 0)
        self.assertTrue((self.program / "Keyloom.exe").exists())
        self.assertTrue(self.shortcut.exists())
        entry = self.entry()
        self.assertIsNotNone(entry)
        for text in ("DisplayVersion    REG_SZ    " + VERSION, "Publisher    REG_SZ    Tallow Labs",
                     '"C:\\Program Files\\Keyloom\\Uninstall.exe" /S'):
            self.assertIn(text, entry)

    def test_2_installed_keyloom_shows_its_icon_and_makes_its_tree(self):
        self.__class__.keyloom = self.wine.start([r"C:\Program Files\Keyloom\Keyloom.exe"])
        self.assertTrue(self.wine.wait_window(MAIN_TITLE, harness.START_WAIT_MS))
        self.assertTrue(self.wine.wait_window(harness.WINE_TRAY_TITLE), "no tray icon")
        tree = self.wine.reg_query()
        self.assertIsNotNone(tree)
        self.assertIn("Macros", tree)
        self.assertIn("Journals", tree)

    def test_3_second_install_shuts_the_running_keyloom_down(self):
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, 0)
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("the running Keyloom did not end")
        self.assertFalse(self.wine.find(MAIN_TITLE)[0])
        self.assertTrue((self.program / "Keyloom.exe").exists())

    def test_4_silent_uninstall_removes_all_but_the_store(self):
        self.wine.run([self.program / "Uninstall.exe", "/S"], timeout=300)
        harness.wait_until(lambda: not (self.program / "Uninstall.exe").exists(), 60)
        self.assertFalse((self.program / "Keyloom.exe").exists())
        self.assertFalse(self.shortcut.exists())
        self.assertIsNone(self.entry())
        self.assertIsNotNone(self.wine.reg_query(), "the stored tree was removed")


if __name__ == "__main__":
    unittest.main()
