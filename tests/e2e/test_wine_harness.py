"""The harness and the probe against Wine's own programs, so that a failure
in the Keyloom cases points at Keyloom and not at the tools."""

import unittest

import harness


class WineHarness(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("harness")

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def test_notepad_receives_typed_text(self):
        self.wine.start(["notepad"])
        self.assertTrue(self.wine.wait_window("Untitled - Notepad", harness.START_WAIT_MS))
        self.wine.click_into("Untitled - Notepad")
        harness.type_text("hello")
        self.assertEqual(harness.wait_until(lambda: self.wine.edittext("Notepad") == "hello"), True,
                         self.wine.edittext("Notepad"))
        children = self.wine.texts("Untitled - Notepad")
        self.assertEqual(children[0][2], "Untitled - Notepad")
        self.assertIn(("Edit", "0", "hello"), children[1:])
        shot = harness.screenshot("harness-notepad.png")
        self.assertGreater(shot.stat().st_size, 0)

        # Select all and copy: the text reaches the X clipboard.
        harness.key("ctrl+a", "ctrl+c")
        self.assertEqual(harness.wait_until(lambda: harness.clipboard_text() == "hello"), True,
                         harness.clipboard_text())

    def test_registry_import_lands_in_the_32_bit_view(self):
        ok = self.wine.reg_import(
            "[HKEY_LOCAL_MACHINE\\Software\\Tallow Labs\\Keyloom\\Macros\\Probe]\n"
            '"vk"=dword:00000041\n'
            '"Text"="a\\\\b"\n', name="harness")
        self.assertTrue(ok)
        tree = self.wine.reg_query()
        self.assertIsNotNone(tree)
        self.assertEqual(tree["Macros\\Probe"]["vk"], ("REG_DWORD", "0x41"))
        self.assertEqual(tree["Macros\\Probe"]["Text"], ("REG_SZ", "a\\b"))
        # The same key is not in the 64-bit view.
        native = self.wine.run(["reg", "query", harness.STORE_KEY, "/reg:64"])
        self.assertNotEqual(native.returncode, 0)
        self.assertIsNone(self.wine.reg_query(harness.STORE_KEY + "\\Journals"))

    def test_probe_clicks_only_what_a_user_could(self):
        # Notepad's Find box has a disabled "Find Next" while the text to
        # find is empty and a hidden "Help" button.
        if not self.wine.find("Untitled - Notepad")[0]:
            self.wine.start(["notepad"])
            self.assertTrue(self.wine.wait_window("Untitled - Notepad", harness.START_WAIT_MS))
        self.wine.click_into("Untitled - Notepad")
        harness.key("ctrl+f")
        self.assertTrue(self.wine.wait_visible("Find"), "no Find box")
        find_next, cancel, help_button, no_such_control = 1, 2, 1038, 4242
        for control in (find_next, help_button, no_such_control):
            self.assertEqual(self.wine.probe("click", "Find", control).returncode, harness.PROBE_ERROR, control)
        self.assertTrue(self.wine.find("Find")[1], "a refused click did nothing")
        self.assertTrue(self.wine.click("Find", cancel))
        self.assertTrue(self.wine.wait_gone("Find"))

    def test_probe_reports_missing_windows(self):
        with self.assertRaises(harness.ProbeError) as missing:
            self.wine.listview("No Such Window Title", 1)
        self.assertEqual(missing.exception.returncode, harness.PROBE_NOT_FOUND)
        self.assertEqual(self.wine.probe("find", "No Such Window Title").returncode, 1)
        self.assertEqual(self.wine.probe("wait", "No Such Window Title", 200).returncode, 1)
        self.assertEqual(self.wine.probe("wait-gone", "No Such Window Title", 200).returncode, 0)
        self.assertEqual(self.wine.probe("bogus").returncode, 2)

    def test_probe_refuses_a_title_two_windows_share(self):
        # Two windows of one title: every command says so, with its own exit
        # code, instead of acting on whichever comes first; waiting for it
        # to go fails at once.
        title = "Untitled - Notepad"
        two = harness.PROBE_AMBIGUOUS
        for _ in range(2 if self.wine.probe("find", title).returncode == 1 else 1):
            self.wine.start(["notepad"])
        self.assertTrue(harness.wait_until(lambda: self.wine.probe("find", title).returncode == two))
        self.assertEqual(self.wine.probe("wait", title, 200).returncode, two)
        self.assertEqual(self.wine.probe("wait-gone", title, 200).returncode, two)
        self.assertEqual(self.wine.probe("click", title, 1).returncode, two)
        with self.assertRaises(harness.ProbeError):
            self.wine.find(title)


if __name__ == "__main__":
    unittest.main()
