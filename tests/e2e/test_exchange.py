"""Export and Import as a user does them: the stored macros and their
recording are exported through the Export button and the system's save
dialog, the store is deleted, and the file is imported through the open
dialog and the Import dialog; the imported macros type into Notepad and play
their recording. A second import of the same file shows the taken names.

One Keyloom and one Notepad; the cases run in name order.
"""

import json
import struct
import subprocess
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
KEYBOARD = 2
FILE = r"C:\keyloom-macros.json"

KEY_DOWN, KEY_UP, SCAN_Q = 0x0100, 0x0101, 0x10
Q_CHUNK = b"".join(struct.pack("<5I", message, ord("Q") | SCAN_Q << 8, 1, time_ms, 0)
                   for message, time_ms in ((KEY_DOWN, 500), (KEY_UP, 700)))
MACROS = {
    "Greeting": (ord("K"), CTRL | ALT, harness.stroke(ord("H")) + harness.stroke(ord("I"))),
    "Plays q": (ord("J"), CTRL | ALT, [(PLAYBACK, {"JournalName": "Typed q", "PlayBackSpeed": 0, "PlayBackEvent": 1})]),
}


def reg_text():
    chunk = ",".join(f"{byte:02x}" for byte in Q_CHUNK)
    return "\r\n".join([f"[{harness.STORE_REG_PATH}\\Journals\\Typed q]", '"Count"=dword:00000001',
                        f'"Type"=dword:{KEYBOARD:08x}', f'"0"=hex:{chunk}', ""]) + "\r\n" + harness.macros_reg(MACROS)


class ExportAndImport(harness.KeyloomWithNotepad):
    session = "exchange"

    @classmethod
    def reg_text(cls):
        return reg_text()

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
        self.wine.post(MAIN_TITLE, harness.WM_COMMAND, IDOK)
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("Shutdown did not end Keyloom")
        self.assertEqual(self.wine.run(["reg", "delete", harness.STORE_KEY, "/reg:32", "/f"]).returncode, 0)
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


if __name__ == "__main__":
    unittest.main()
