"""TYPE TEXT made in the editor as a person would: its dialog refuses an
empty text, takes "Grüße – 日本語 🙂" and a second line, the body shows its
line, the macro is saved, stored as a UTF-16 REG_SZ, and its hot key types
the text exactly into Notepad, read back in UTF-16. Edit reopens the
dialog with the whole text.

One Keyloom and one Notepad serve every case; the cases run in name order
and build on each other.
"""

import time
import unittest

import harness
from harness import MAIN_TITLE

ADD_TITLE = "Keyloom - Add Macro"
EDIT_TITLE = "Keyloom - Edit Macro"
TEXT_TITLE = "Keyloom - TYPE TEXT"
IDOK, IDCANCEL = 1, 2
IDC_MACRO_LIST, IDC_ADD_MACRO, IDC_EDIT_MACRO = 1002, 1003, 1004
IDC_HOT_KEY, IDC_MACRO_NAME, IDC_BODY, IDC_COMMANDS, IDC_INSERT, IDC_EDIT = 1118, 1119, 1120, 1122, 1123, 1127
IDC_TYPED_TEXT = 1170
TYPE_TEXT_ENTRY = 11  # the twelfth command

TEXT = "Grüße – 日本語 🙂\r\nzweite Zeile"
# The body line: the list box shows the code page's characters (1252 here),
# the rest as "?" (each unit of the emoji's pair); the probe prints them byte
# for byte, read as Latin-1.
LINE = "TYPE TEXT: Grüße – ??? ?? zweite Zeile".encode("cp1252").decode("latin-1")


def utf16_hex(text):
    return text.encode("utf-16-le").hex()


class TypeTextMadeInTheEditor(harness.KeyloomWithNotepad):
    session = "typetext"

    def click(self, control_id, title=ADD_TITLE):
        self.assertTrue(self.wine.click(title, control_id), f"no control {control_id} in {title}")

    def dialog_text(self, title=TEXT_TITLE):
        """The TYPE TEXT edit's text, asked in UTF-16."""
        result = self.wine.probe("edittextw", title).check()
        return bytes.fromhex(result.stdout.strip()).decode("utf-16-le")

    def notepad_text_w(self):
        return bytes.fromhex(self.wine.probe("edittextw", "Notepad").check().stdout.strip()).decode("utf-16-le")

    def test_1_an_empty_text_is_refused_then_the_text_is_taken(self):
        self.show_main()
        self.click(IDC_ADD_MACRO, MAIN_TITLE)
        self.assertTrue(self.wine.wait_window(ADD_TITLE))
        self.assertTrue(self.wine.probe("settext", ADD_TITLE, IDC_MACRO_NAME, "Typed text").ok)
        self.wine.click_control(ADD_TITLE, IDC_HOT_KEY)
        harness.key("ctrl+alt+t")
        self.assertEqual(self.wine.listbox(ADD_TITLE, IDC_COMMANDS)[0][TYPE_TEXT_ENTRY], "TYPE TEXT")
        self.assertTrue(self.wine.lbselect(ADD_TITLE, IDC_COMMANDS, TYPE_TEXT_ENTRY))
        self.click(IDC_INSERT)
        self.assertTrue(self.wine.wait_window(TEXT_TITLE), "no TYPE TEXT dialog")
        self.assertTrue(self.wine.wait_visible(TEXT_TITLE, True))
        ids = [ident for _, ident, _ in self.wine.texts(TEXT_TITLE)]
        self.assertIn(str(IDC_TYPED_TEXT), ids)

        self.click(IDOK, TEXT_TITLE)
        self.assertTrue(self.wine.wait_window("box=Keyloom"), "no refusal")
        self.assertIn("Please enter the text to type.", self.texts_of("box=Keyloom"))
        self.click(IDOK, "box=Keyloom")
        self.assertTrue(self.wine.wait_gone("box=Keyloom"))
        self.assertTrue(self.wine.find(TEXT_TITLE)[1], "the dialog stays open")

        # Typed into the edit from the keyboard: Enter and Tab are text.
        self.wine.click_control(TEXT_TITLE, IDC_TYPED_TEXT)
        harness.type_text("ab")
        harness.key("Tab", "Return")
        harness.type_text("c")
        harness.wait_until(lambda: self.dialog_text() == "ab\t\r\nc", 10)
        self.assertEqual(self.dialog_text(), "ab\t\r\nc")
        # Characters of any language, set in UTF-16.
        self.assertTrue(self.wine.probe("settextw", TEXT_TITLE, IDC_TYPED_TEXT, utf16_hex(TEXT)).ok)
        time.sleep(0.5)
        harness.screenshot("type-text-dialog.png")
        harness.window_shot(self.wine, TEXT_TITLE, "type-text-dialog.png")
        self.click(IDOK, TEXT_TITLE)
        self.assertTrue(self.wine.wait_gone(TEXT_TITLE))
        self.assertTrue(harness.wait_until(lambda: self.wine.listbox(ADD_TITLE, IDC_BODY)[0] == [LINE], 10))

    def test_2_saved_as_utf16_it_types_the_text_exactly_into_notepad(self):
        self.click(IDOK)  # Save
        self.assertTrue(self.wine.wait_gone(ADD_TITLE))
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST), [["Typed text", "CTRL + ALT + T"]])
        tree = self.wine.reg_query()
        self.assertEqual(tree["Macros\\Typed text\\Commands\\0"]["id"][1], "0x100b")
        self.assertEqual(tree["Macros\\Typed text\\Commands\\0"]["Text"][0], "REG_SZ")
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+t")
        harness.wait_until(lambda: self.notepad_text_w() == TEXT, 20)
        self.assertEqual(self.notepad_text_w(), TEXT)
        harness.screenshot("type-text-notepad.png")

    def test_3_edit_reopens_the_dialog_with_the_whole_text(self):
        self.show_main()
        self.assertTrue(self.wine.probe("listselect", MAIN_TITLE, IDC_MACRO_LIST, 0).ok)
        self.click(IDC_EDIT_MACRO, MAIN_TITLE)
        self.assertTrue(self.wine.wait_window(EDIT_TITLE))
        self.assertEqual(self.wine.listbox(EDIT_TITLE, IDC_BODY)[0], [LINE])
        self.assertTrue(self.wine.lbselect(EDIT_TITLE, IDC_BODY, 0))
        self.click(IDC_EDIT, EDIT_TITLE)
        self.assertTrue(self.wine.wait_window(TEXT_TITLE))
        self.assertEqual(self.dialog_text(), TEXT)
        self.click(IDCANCEL, TEXT_TITLE)
        self.assertTrue(self.wine.wait_gone(TEXT_TITLE))
        self.click(IDCANCEL, EDIT_TITLE)
        self.assertTrue(self.wine.wait_gone(EDIT_TITLE))


if __name__ == "__main__":
    unittest.main()
