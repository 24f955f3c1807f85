"""Export and Import as a user does them: the stored macros and their
recording are exported through the Export button and the system's save
dialog, the store is deleted, and the file is imported through the open
dialog and the Import dialog; the imported macros type into Notepad and play
their recording. A second import of the same file shows the taken names.
Then the same from a script with keyloomc: export of everything and of one
macro, import into a fresh store, an import whose names are taken, a file
that is refused, and a file of about 10 MB (one long recording) imported into
a fresh store and exported back.

One Keyloom and one Notepad; the cases run in name order.
"""

import base64
import json
import time
import unittest

import harness
from harness import MAIN_TITLE

ALT, CTRL = 1, 2
IDOK = 1
IDC_MACRO_LIST = 1002
IDC_RECORDING_LIST = 1129
IDC_EXPORT, IDC_IMPORT = 1180, 1181
IDC_IMPORT_LIST, IDC_IMPORT_KEEP_BOTH = 1182, 1184
EXPORT_BOX, IMPORT_TITLE = "Keyloom - Export", "Keyloom - Import"
# The file name box of the system's save and open dialogs (cmb13), and the
# edit the dialog of an older style has there (edt1).
FILE_NAME_IDS = (1148, 1152)
PLAYBACK = 0x1005
FILE = r"C:\keyloom-macros.json"

MACROS = {
    "Greeting": (ord("K"), CTRL | ALT, harness.stroke(ord("H")) + harness.stroke(ord("I"))),
    "Plays q": (ord("J"), CTRL | ALT, [(PLAYBACK, {"JournalName": "Typed q", "PlayBackSpeed": 0, "PlayBackEvent": 1})]),
}


class ExportAndImport(harness.KeyloomWithNotepad):
    session = "exchange"

    @classmethod
    def reg_text(cls):
        return harness.typed_q_reg(MACROS)

    def file_dialog(self, title, path):
        """Types `path` into the system's file dialog and presses its OK."""
        self.assertTrue(self.wine.wait_window(title), f"no \"{title}\" dialog")
        controls = {ident for _, ident, _ in self.wine.texts(title)}
        box = next((ident for ident in map(str, FILE_NAME_IDS) if ident in controls), None)
        self.assertIsNotNone(box, f"no file name box in {controls}")
        self.assertTrue(self.wine.probe("settext", title, box, path).ok)
        self.assertTrue(self.wine.click(title, IDOK))
        self.assertTrue(self.wine.wait_gone(title), f"the \"{title}\" dialog did not close")

    def box_text(self, title):
        """The text of the note box `title`, once it is there (the Import
        dialog before it has the same caption)."""
        def note():
            texts = self.wine.texts(title)
            if any(ident == str(IDC_IMPORT_LIST) for _, ident, _ in texts):
                return None
            return "\n".join(text for _, ident, text in texts if ident not in ("top", "1", "2"))
        text = harness.wait_until(note)
        self.assertTrue(text, f"no \"{title}\" box")
        return text

    def host_file(self):
        return self.wine.prefix / "drive_c" / "keyloom-macros.json"

    def test_1_export_writes_every_macro_and_recording(self):
        self.show_main()
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_EXPORT))
        self.file_dialog("Save As", FILE)
        note = self.box_text(EXPORT_BOX)
        self.assertIn("Exported 2 macros and 1 recording to C:\\keyloom-macros.json.", note)
        self.close_box(EXPORT_BOX)
        document = json.loads(self.host_file().read_text(encoding="utf-8"))
        self.assertEqual((document["format"], document["version"]), ("keyloom", 1))
        self.assertEqual(sorted(macro["name"] for macro in document["macros"]), ["Greeting", "Plays q"])
        self.assertEqual([recording["name"] for recording in document["recordings"]], ["Typed q"])

    def test_2_the_store_is_deleted_and_keyloom_starts_empty(self):
        self.shut_down_and_delete_store()
        self.__class__.keyloom = self.wine.start_keyloom()
        self.show_main()
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST), [])

    def test_3_import_shows_the_file_and_writes_it(self):
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_IMPORT))
        self.file_dialog("Open", FILE)
        self.assertTrue(self.wine.wait_window(IMPORT_TITLE))
        rows = self.wine.listview(IMPORT_TITLE, IDC_IMPORT_LIST)
        self.assertEqual(sorted(rows), [["Greeting", "Macro", "New"], ["Plays q", "Macro", "New"],
                                        ["Typed q", "Recording", "New"]])
        harness.screenshot("import-dialog.png")
        harness.window_shot(self.wine, IMPORT_TITLE, "import-dialog.png")
        self.assertTrue(self.wine.click(IMPORT_TITLE, IDOK))
        self.assertIn("Imported 2 macros", self.box_text(IMPORT_TITLE))
        self.close_box(IMPORT_TITLE)
        self.assertEqual(sorted(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)),
                         [["Greeting", "CTRL + ALT + K"], ["Plays q", "CTRL + ALT + J"]])
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_RECORDING_LIST), [["Typed q", "Keyboard"]])
        self.hide_main()

    def test_4_the_imported_macros_type_and_play(self):
        self.fresh_notepad()
        self.press("ctrl+alt+k")
        self.assertEqual(self.wait_text("hi"), "hi")
        self.press("ctrl+alt+j")
        self.assertEqual(self.wait_text("hiq"), "hiq")

    def test_5_a_second_import_offers_the_choices_for_taken_names(self):
        self.show_main()
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_IMPORT))
        self.file_dialog("Open", FILE)
        self.assertTrue(self.wine.wait_window(IMPORT_TITLE))
        rows = self.wine.listview(IMPORT_TITLE, IDC_IMPORT_LIST)
        self.assertEqual([row[2] for row in rows], ["Skip", "Skip", "Skip"])
        # Keep both for the recording: it comes beside the stored one.
        self.assertTrue(self.wine.probe("listselect", IMPORT_TITLE, IDC_IMPORT_LIST, 2).ok)
        self.assertTrue(self.wine.click(IMPORT_TITLE, IDC_IMPORT_KEEP_BOTH))
        self.assertTrue(harness.wait_until(
            lambda: self.wine.listview(IMPORT_TITLE, IDC_IMPORT_LIST)[2][2] == "Keep both", 10))
        harness.window_shot(self.wine, IMPORT_TITLE, "import-dialog-clashes.png")
        self.assertTrue(self.wine.click(IMPORT_TITLE, IDOK))
        note = self.box_text(IMPORT_TITLE)
        self.assertIn("Imported 0 macros and 1 recording (Typed q (2)).", note)
        self.assertIn("Skipped, since the name is taken: Greeting, Plays q.", note)
        self.close_box(IMPORT_TITLE)
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_RECORDING_LIST),
                         [["Typed q", "Keyboard"], ["Typed q (2)", "Keyboard"]])
        self.hide_main()

    # ---- the same from a script ------------------------------------------

    def keyloomc(self, *args):
        return harness.keyloomc(self.wine, *args)

    def document(self, name):
        return json.loads((self.wine.prefix / "drive_c" / name).read_text(encoding="utf-8"))

    def test_6_keyloomc_exports_everything_or_one_macro(self):
        code, out, err = self.keyloomc("export", r"C:\all.json")
        self.assertEqual((code, out, err), (0, "", ""))
        everything = self.document("all.json")
        self.assertEqual(sorted(macro["name"] for macro in everything["macros"]), ["Greeting", "Plays q"])
        self.assertEqual(sorted(recording["name"] for recording in everything["recordings"]),
                         ["Typed q", "Typed q (2)"])
        # One macro, named in another case, with the recording it plays.
        code, out, err = self.keyloomc("export", r"C:\one.json", "plays", "Q")
        self.assertEqual(code, 0, err)
        one = self.document("one.json")
        self.assertEqual([macro["name"] for macro in one["macros"]], ["Plays q"])
        self.assertEqual([recording["name"] for recording in one["recordings"]], ["Typed q"])
        code, _, err = self.keyloomc("export", r"C:\none.json", "Nobody")
        self.assertEqual(code, 1)
        self.assertIn('There is no macro named "Nobody".', err)
        self.assertFalse((self.wine.prefix / "drive_c" / "none.json").exists())

    def test_7_keyloomc_imports_into_a_fresh_store_value_for_value(self):
        self.shut_down_and_delete_store()
        self.__class__.keyloom = self.wine.start_keyloom()
        self.assertTrue(self.wine.wait_window(MAIN_TITLE))
        code, out, err = self.keyloomc("import", r"C:\all.json")
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(out.splitlines()),
                         ['Imported macro "Greeting".', 'Imported macro "Plays q".',
                          'Imported recording "Typed q (2)".', 'Imported recording "Typed q".'])
        code, _, err = self.keyloomc("export", r"C:\again.json")
        self.assertEqual(code, 0, err)
        by_name = lambda items: sorted(items, key=lambda item: item["name"])
        before, after = self.document("all.json"), self.document("again.json")
        self.assertEqual(by_name(after["macros"]), by_name(before["macros"]))
        self.assertEqual(by_name(after["recordings"]), by_name(before["recordings"]))
        # The Macros list and the hot keys follow.
        self.fresh_notepad()
        self.press("ctrl+alt+j")
        self.assertEqual(self.wait_text("q"), "q")

    def test_8_keyloomc_skips_taken_names_and_says_so(self):
        stored = self.wine.reg_query()
        code, out, err = self.keyloomc("import", r"C:\one.json")
        self.assertEqual(code, 1, err)
        self.assertEqual(out.splitlines(), ['Skipped "Typed q": the name is taken.',
                                            'Skipped "Plays q": the name is taken.'])
        self.assertEqual(self.wine.reg_query(), stored)

    def test_9_keyloomc_refuses_a_file_and_writes_nothing(self):
        stored = self.wine.reg_query()
        later = self.document("one.json")
        later["version"] = 2
        later["macros"][0]["name"] = "Later"
        (self.wine.prefix / "drive_c" / "later.json").write_text(json.dumps(later), encoding="utf-8")
        code, out, err = self.keyloomc("import", r"C:\later.json")
        self.assertEqual(code, 5, err)
        self.assertEqual(out, "")
        self.assertIn(r"C:\later.json was written by a later Keyloom (file version 2)", err)
        self.assertIn("Nothing was imported.", err)
        code, _, err = self.keyloomc("import", r"C:\missing.json")
        self.assertEqual(code, 5)
        self.assertIn(r"C:\missing.json cannot be opened.", err)
        self.assertEqual(self.wine.reg_query(), stored)

    def test_9b_keyloomc_carries_a_file_of_ten_megabytes_each_way(self):
        # One recording of many events: the typed q's events over and over.
        big = self.document("one.json")
        big["macros"] = []
        events = base64.b64decode(big["recordings"][0]["events"])
        events *= 7_500_000 // len(events) + 1
        big["recordings"] = [dict(big["recordings"][0], name="Long q", events=base64.b64encode(events).decode())]
        path = self.wine.prefix / "drive_c" / "big.json"
        path.write_text(json.dumps(big), encoding="utf-8")
        size = path.stat().st_size
        self.assertGreater(size, 10_000_000)
        self.shut_down_and_delete_store()
        self.__class__.keyloom = self.wine.start_keyloom()
        self.assertTrue(self.wine.wait_window(MAIN_TITLE))
        started = time.monotonic()
        code, out, err = self.keyloomc("import", r"C:\big.json")
        imported = time.monotonic() - started
        self.assertEqual((code, out.splitlines()), (0, ['Imported recording "Long q".']), err)
        started = time.monotonic()
        code, _, err = self.keyloomc("export", r"C:\bigagain.json")
        exported = time.monotonic() - started
        self.assertEqual(code, 0, err)
        again = self.document("bigagain.json")
        self.assertEqual(again["macros"], [])
        self.assertEqual(again["recordings"], big["recordings"])
        print(f"\n{size} bytes: keyloomc import {imported:.1f} s, export {exported:.1f} s")


if __name__ == "__main__":
    unittest.main()
