"""Macros that work only in some programs, used in Wine's Notepad and
WordPad side by side: a Shift+letter macro of Notepad's types its text there
and, in WordPad, the key reaches WordPad as if Keyloom were not there; two
macros that share one hot key each run in their own program; the editor
shows "Works in:" with the stored scope, and its Pick list names the
programs with windows open.

One Keyloom, one Notepad and one WordPad serve every case, in name order.
"""

import time
import unittest

import harness
from harness import MAIN_TITLE, NOTEPAD, STORE_REG_PATH

ALT, CTRL, SHIFT = 1, 2, 4
WORDPAD = "Document - Wine Wordpad"
WORDPAD_EXE = "C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"
EDIT_TITLE = "Keyloom - Edit Macro"
PICK_TITLE = "Keyloom - Pick Program"
IDC_MACRO_LIST, IDC_EDIT_MACRO = 1002, 1004
IDC_SCOPE_MODE, IDC_SCOPE_PROGRAMS, IDC_SCOPE_PICK, IDC_PICK_PROGRAMS = 1173, 1174, 1175, 1176
IDCANCEL = 2
CB_GETCURSEL = 0x0147

stroke = harness.stroke


def letters(word):
    return [step for character in word for step in stroke(ord(character.upper()))]


# name: (virtual key, modifiers, instructions), then where each works.
STORED = {
    "Notes only": (ord("Q"), SHIFT, letters("notes")),
    "In Notepad": (ord("J"), CTRL | ALT, letters("np")),
    "In WordPad": (ord("J"), CTRL | ALT, letters("wp")),
}
SCOPES = {
    "Notes only": (1, "notepad.exe"),
    "In Notepad": (1, "NOTEPAD.EXE"),
    "In WordPad": (2, "notepad.exe;winword.exe"),
}


def reg_text():
    lines = [harness.macros_reg(STORED)]
    for name, (mode, programs) in SCOPES.items():
        lines += [f"[{STORE_REG_PATH}\\Macros\\{name}]", f'"Scope"={harness.reg_dword(mode)}',
                  f'"ScopePrograms"="{programs}"', ""]
    return "\r\n".join(lines) + "\r\n"


class MacrosWorkWhereTheirScopeSays(harness.KeyloomWithNotepad):
    session = "scope"

    @classmethod
    def reg_text(cls):
        return reg_text()

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.wine.start([WORDPAD_EXE])
            if not cls.wine.wait_window(WORDPAD):
                raise AssertionError("WordPad did not start")
            # Side by side, so that a click in the middle of each reaches it.
            cls.wine.probe("move", NOTEPAD, "0", "0", "500", "400").check()
            cls.wine.probe("move", WORDPAD, "520", "0", "500", "400").check()
        except BaseException:
            cls.wine.close()
            raise

    def wordpad_text(self):
        return self.wine.edittext("WORDPADTOP").replace("\r", "")

    def in_wordpad(self, combo):
        self.wine.click_into(WORDPAD)
        time.sleep(0.3)
        harness.key(combo)

    def test_1_the_list_shows_where_each_macro_works(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        self.assertEqual(sorted(rows), sorted([["In Notepad", "CTRL + ALT + J (in 1 program)"],
                                               ["In WordPad", "CTRL + ALT + J (not in 2 programs)"],
                                               ["Notes only", "SHIFT + Q (in 1 program)"]]))
        # The hot-key column takes the rest of the list and fits its text.
        columns, client = self.wine.listcols(MAIN_TITLE, IDC_MACRO_LIST)
        harness.window_shot(self.wine, MAIN_TITLE, "scope-main-window.png")
        self.assertEqual(columns[0][1] + columns[1][1], client, columns)
        self.assertGreaterEqual(columns[1][1], 230, columns)
        self.hide_main()

    def test_2_a_scoped_shift_letter_types_in_notepad_and_is_wordpads_own_elsewhere(self):
        self.fresh_notepad()
        self.press("shift+q")
        self.assertEqual(self.wait_text("notes"), "notes")
        self.in_wordpad("shift+q")
        self.assertTrue(harness.wait_until(lambda: self.wordpad_text().endswith("Q"), 10), self.wordpad_text())
        self.assertEqual(self.wordpad_text(), "Q")
        self.assertEqual(self.notepad_text(), "notes", "nothing ran in Notepad")
        # Nothing is left held: plain letters type as letters.
        harness.type_text("a")
        self.assertTrue(harness.wait_until(lambda: self.wordpad_text() == "Qa", 10), self.wordpad_text())

    def test_3_two_macros_share_one_hot_key_each_in_its_own_program(self):
        self.fresh_notepad()
        self.press("ctrl+alt+j")
        self.assertEqual(self.wait_text("np"), "np")
        self.in_wordpad("ctrl+alt+j")
        self.assertTrue(harness.wait_until(lambda: self.wordpad_text().endswith("wp"), 10), self.wordpad_text())
        self.assertEqual(self.notepad_text(), "np")

    def test_4_the_editor_shows_works_in_and_picks_a_running_program(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        row = [name for name, _ in rows].index("In WordPad")
        self.wine.probe("listselect", MAIN_TITLE, str(IDC_MACRO_LIST), str(row)).check()
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_EDIT_MACRO))
        self.assertTrue(self.wine.wait_window(EDIT_TITLE), "the editor did not open")
        texts = {control: text for _, control, text in self.wine.texts(EDIT_TITLE)}
        self.assertEqual(texts.get(str(IDC_SCOPE_PROGRAMS)), "notepad.exe;winword.exe")
        self.assertEqual(self.wine.probe("sendto", EDIT_TITLE, str(IDC_SCOPE_MODE), str(CB_GETCURSEL), "0", "0")
                         .check().stdout.strip(), "2")
        harness.window_shot(self.wine, EDIT_TITLE, "scope-editor.png")
        self.assertTrue(self.wine.click(EDIT_TITLE, IDC_SCOPE_PICK))
        self.assertTrue(self.wine.wait_window(PICK_TITLE), "the Pick list did not open")
        programs, _ = self.wine.listbox(PICK_TITLE, IDC_PICK_PROGRAMS)
        harness.window_shot(self.wine, PICK_TITLE, "scope-pick.png")
        self.assertIn("notepad.exe", [p.lower() for p in programs])
        self.assertIn("wordpad.exe", [p.lower() for p in programs])
        self.assertNotIn("keyloom.exe", [p.lower() for p in programs])
        wordpad_row = [p.lower() for p in programs].index("wordpad.exe")
        self.assertTrue(self.wine.lbselect(PICK_TITLE, IDC_PICK_PROGRAMS, wordpad_row))
        self.assertTrue(self.wine.click(PICK_TITLE, harness.IDOK))
        self.assertTrue(self.wine.wait_gone(PICK_TITLE))
        texts = {control: text for _, control, text in self.wine.texts(EDIT_TITLE)}
        self.assertEqual(texts.get(str(IDC_SCOPE_PROGRAMS)).lower(), "notepad.exe;winword.exe;wordpad.exe")
        self.assertTrue(self.wine.click(EDIT_TITLE, IDCANCEL))
        self.assertTrue(self.wine.wait_gone(EDIT_TITLE))
        self.hide_main()


if __name__ == "__main__":
    unittest.main()
