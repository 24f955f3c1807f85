"""Who may open the store, and how Keyloom knows its own running instance.

A tree as today's Keyloom leaves it (keys with the registry's default
access lists) is imported; Keyloom tightens it at start-up.
"""

import subprocess
import sys
import time
import unittest

import harness

ROOT_DACL = "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)"
BELOW_DACL = "D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)"
STORE = r"Software\Tallow Labs\Keyloom"


class StoreAccess(harness.KeyloomSession):
    session = "security"

    @classmethod
    def reg_text(cls):
        text = harness.macros_reg({"Logon": (0x4C, 2, harness.stroke(0x50))})
        text += f'[{harness.STORE_REG_PATH}\\Journals\\Typing]\r\n"Count"=dword:00000000\r\n"Type"=dword:00000000\r\n'
        return text

    def dacl(self, path):
        result = self.wine.probe("dacl", path)
        self.assertTrue(result.ok, f"no access list for {path}: {result}")
        return result.lines()[0].strip()

    def test_1_the_store_is_closed_to_everyone_but_administrators_and_system(self):
        self.assertEqual(self.dacl(STORE), ROOT_DACL)
        for below in ["Macros", r"Macros\Logon", r"Macros\Logon\Commands\1", "Journals", r"Journals\Typing"]:
            self.assertEqual(self.dacl(f"{STORE}\\{below}"), BELOW_DACL, below)
        tree = self.wine.reg_query()
        self.assertIn(r"Macros\Logon\Commands\1", tree, "the macros are still there")


class SingleInstance(unittest.TestCase):
    """Another program's window titled "Keyloom" is there before Keyloom
    starts; the setup program's shutdown request goes to Keyloom's own
    window class."""

    CLASS = "KeyloomMainWindow"
    REQUEST = "KeyloomShutdownRequest"

    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("instance")
        try:
            cls.wine.start([harness.PROBE_EXE, "decoy", harness.MAIN_TITLE, 600])
            if not cls.wine.wait_window(harness.MAIN_TITLE):
                raise AssertionError("the other program's window did not appear")
            cls.keyloom = cls.wine.start([harness.KEYLOOM_EXE])
        except BaseException:
            cls.wine.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def windows_of_class(self, name):
        return [line.split("\t") for line in self.wine.probe("list").lines() if line.split("\t")[3:4] == [name]]

    def request(self):
        result = self.wine.probe("sendclass", self.CLASS, self.REQUEST, 0, 0)
        self.assertTrue(result.ok, result)
        return int(result.lines()[0])

    def test_1_starts_beside_another_programs_window_titled_keyloom(self):
        self.assertTrue(harness.wait_until(lambda: self.windows_of_class(self.CLASS), seconds=30),
                        "Keyloom did not start")
        self.assertIsNone(self.keyloom.poll())
        titled = [w for w in self.wine.probe("list").lines() if w.endswith("\t" + harness.MAIN_TITLE)]
        self.assertEqual(len(titled), 2, titled)

    def test_2_a_second_keyloom_still_ends_by_itself(self):
        second = self.wine.start([harness.KEYLOOM_EXE])
        try:
            second.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("the second Keyloom.exe is still running")
        self.assertEqual(len(self.windows_of_class(self.CLASS)), 1)

    def test_3_the_shutdown_request_is_refused_while_a_box_is_open_then_accepted(self):
        self.assertTrue(self.wine.probe("postclass", self.CLASS, harness.WM_SYSCOMMAND, harness.IDM_ABOUT, 0).ok)
        self.assertTrue(self.wine.wait_window("About Keyloom"), "no About box")
        self.assertEqual(self.request(), 2)
        time.sleep(1)
        self.assertIsNone(self.keyloom.poll(), "Keyloom ended although it refused")
        self.assertTrue(self.wine.click("About Keyloom", 1))
        self.assertTrue(self.wine.wait_gone("About Keyloom"))

        self.assertEqual(self.request(), 1)
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("Keyloom.exe did not exit after accepting the request")
        self.assertEqual(self.windows_of_class("KlProbeDecoy")[0][4], harness.MAIN_TITLE,
                         "the other program's window is left alone")


class RunWithoutAdministratorRights(harness.KeyloomWithNotepad):
    """A RUN stored with "Start without administrator rights" checked: its
    dialog shows the box checked, and its hot key starts Notepad through the
    desktop shell, or, where there is none, after saying so."""

    session = "unelevated"
    with_notepad = False
    FOCUS = "Hot keys go here"
    RUN_TITLE = "Keyloom - RUN"
    EDIT_TITLE = "Keyloom - Edit Macro"
    RUN = 0x100A
    IDC_UNELEVATED = 1165

    @classmethod
    def reg_text(cls):
        values = {"FileName": "notepad.exe", "Arguments": "", "DirName": "", "ShowStyle": 1, "Unelevated": 1}
        return harness.macros_reg({"Plain user": (0x55, 1 | 2, [(cls.RUN, values)])})

    def test_1_the_run_dialog_shows_the_box_checked(self):
        self.show_main()
        self.assertTrue(self.wine.probe("listselect", harness.MAIN_TITLE, 1002, 0).ok)
        self.assertTrue(self.wine.click(harness.MAIN_TITLE, 1004))
        self.assertTrue(self.wine.wait_window(self.EDIT_TITLE), "no editor")
        self.assertTrue(self.wine.lbselect(self.EDIT_TITLE, 1120, 0))
        self.assertTrue(self.wine.click(self.EDIT_TITLE, 1127))
        self.assertTrue(self.wine.wait_window(self.RUN_TITLE), "no RUN dialog")
        self.assertTrue(self.wine.wait_visible(self.RUN_TITLE, True))
        time.sleep(0.5)
        harness.screenshot("run-dialog-unelevated.png")
        harness.window_shot(self.wine, self.RUN_TITLE, "run-dialog.png")
        self.assertIn("Start without administrator rights", self.texts_of(self.RUN_TITLE))
        checked = self.wine.probe("sendto", self.RUN_TITLE, self.IDC_UNELEVATED, "0xF0", "0", "0")
        self.assertEqual(checked.stdout.strip(), "1")
        self.assertTrue(self.wine.click(self.RUN_TITLE, 2))
        self.assertTrue(self.wine.wait_gone(self.RUN_TITLE))
        self.assertTrue(self.wine.click(self.EDIT_TITLE, 2))
        self.assertTrue(self.wine.wait_gone(self.EDIT_TITLE))
        self.hide_main()

    def test_2_its_hot_key_starts_the_program(self):
        # Wine delivers hot keys while one of its windows has the focus.
        self.wine.start([harness.PROBE_EXE, "decoy", self.FOCUS, 300])
        self.assertTrue(self.wine.wait_window(self.FOCUS))
        self.wine.click_into(self.FOCUS)
        time.sleep(0.3)
        harness.key("ctrl+alt+u")
        started = lambda: self.wine.find(harness.NOTEPAD)[0] or self.wine.find("Attention")[0]
        self.assertTrue(harness.wait_until(started, seconds=30), "neither Notepad nor a message")
        if self.wine.find("Attention")[0]:
            texts = self.texts_of("Attention")
            print(f"\nno desktop shell under Wine: {texts}", file=sys.stderr, flush=True)
            self.assertIn("No desktop shell can start notepad.exe without administrator rights. It starts with "
                          "Keyloom's rights.", texts)
            harness.screenshot("run-unelevated-fallback.png")
            self.close_box()
        else:
            print("\nthe desktop shell started Notepad", file=sys.stderr, flush=True)
        self.assertTrue(self.wine.wait_window(harness.NOTEPAD), "Notepad did not start")
