"""Macros stored in the registry run when their hot keys are pressed on the
X server, and type into Wine's Notepad: key strokes, Shift, DATE and TIME,
the clipboard buffers, MESSAGE BOX, PAUSE, a failing RUN; and a macro is
deleted from the main window.

One Keyloom and one Notepad serve every case; the cases run in name order.
"""

import time
import unittest

import harness
from harness import MAIN_TITLE

DELAY, COPY, PASTE, PAUSE, TIME, DATE, MESSAGE_BOX, RUN = 0x1000, 0x1003, 0x1004, 0x1006, 0x1007, 0x1008, 0x1009, 0x100A
ALT, CTRL, SHIFT = 1, 2, 4
VK_SHIFT, VK_CONTROL, VK_SPACE, VK_END = 0x10, 0x11, 0x20, 0x23
IDOK = 1
IDC_MACRO_LIST = 1002
IDC_DELETE_MACRO = 1005
NOTEPAD = harness.NOTEPAD


stroke = harness.stroke


def down(vk):
    return [(vk, {"KeyPressed": 0})]


def up(vk):
    return [(vk, {"KeyPressed": 2})]


def text_of(word):
    """Key instructions that type a word of letters and spaces."""
    instructions = []
    for character in word:
        if character.isupper():
            instructions += down(VK_SHIFT) + stroke(ord(character)) + up(VK_SHIFT)
        elif character == " ":
            instructions += stroke(VK_SPACE)
        else:
            instructions += stroke(ord(character.upper()))
    return instructions


def ctrl(vk):
    return down(VK_CONTROL) + stroke(vk) + up(VK_CONTROL)


# name: (virtual key, modifiers, instructions)
STORED = {
    "Greeting": (ord("K"), CTRL | ALT, text_of("Hi there")),
    "Clock": (ord("D"), CTRL | ALT, [(DATE, {"KeyPressed": 0})] + stroke(VK_SPACE) + [(TIME, {"KeyPressed": 0})]),
    "Paste": (ord("P"), CTRL | ALT, [(PASTE, {"BufIndex": 7, "DefPasteString": "from buffer seven"})] + ctrl(ord("V"))),
    "Copy": (ord("C"), CTRL | ALT, [(COPY, {"BufIndex": 8}),
                                    (PASTE, {"BufIndex": 9, "DefPasteString": "other"}),
                                    (PASTE, {"BufIndex": 8, "DefPasteString": "unused"})]
             + stroke(VK_END) + ctrl(ord("V"))),
    "Boxes": (ord("M"), CTRL | ALT, [(MESSAGE_BOX, {"WindowTitle": "Notice", "MessageBody": "Done"}),
                                     (PAUSE, {"KeyPressed": 0}),
                                     (DELAY, {"DelayInterval": 1500})] + stroke(ord("Z"))),
    "Run": (ord("R"), CTRL | ALT, [(RUN, {"FileName": "C:\\no such program.exe", "Arguments": "",
                                          "DirName": "", "ShowStyle": 1}),
                                   (DELAY, {"DelayInterval": 1500})] + stroke(ord("Y"))),
    "Doomed": (ord("X"), CTRL | SHIFT, stroke(ord("Q"))),
    "Patient": (ord("L"), CTRL | ALT, [(DELAY, {"DelayInterval": 8000})] + stroke(ord("L"))),
}


class MacrosRunFromHotKeys(harness.KeyloomWithNotepad):
    session = "macros"

    @classmethod
    def reg_text(cls):
        return harness.macros_reg(STORED)

    def test_1_the_macro_list_shows_names_and_hot_keys(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        harness.screenshot("macro-list.png")
        harness.window_shot(self.wine, MAIN_TITLE, "main-window.png")
        self.assertEqual(sorted(rows), sorted([
            ["Boxes", "CTRL + ALT + M"], ["Clock", "CTRL + ALT + D"], ["Copy", "CTRL + ALT + C"],
            ["Doomed", "CTRL + SHIFT + X"], ["Greeting", "CTRL + ALT + K"], ["Paste", "CTRL + ALT + P"],
            ["Patient", "CTRL + ALT + L"], ["Run", "CTRL + ALT + R"]]))
        # Ids are handed out from 0 in enumeration order at every start.
        tree = self.wine.reg_query(harness.STORE_KEY + "\\Macros")
        ids = sorted(int(tree[name]["id"][1], 16) for name in STORED)
        self.assertEqual(ids, list(range(len(STORED))))
        self.hide_main()

    def test_2_key_strokes_with_shift(self):
        self.fresh_notepad()
        self.press("ctrl+alt+k")
        self.assertEqual(self.wait_text("Hi there"), "Hi there")

    def test_3_date_and_time_are_typed_from_the_clock(self):
        self.fresh_notepad()
        before = time.localtime()
        self.press("ctrl+alt+d")
        typed = harness.wait_until(lambda: len(self.notepad_text()) >= 16 and self.notepad_text(), 15)
        after = time.localtime()
        expected = {time.strftime("%m/%d/%Y %H:%M", moment) for moment in (before, after)}
        self.assertIn(typed, expected)

    def test_4_paste_to_clip_board_then_ctrl_v(self):
        self.fresh_notepad()
        self.press("ctrl+alt+p")
        self.assertEqual(self.wait_text("from buffer seven"), "from buffer seven")
        self.assertEqual(harness.clipboard_text(), "from buffer seven")

    def test_5_copy_from_clip_board_keeps_text_copied_in_notepad(self):
        self.fresh_notepad()
        harness.type_text("alpha")
        self.assertEqual(self.wait_text("alpha"), "alpha")
        harness.key("ctrl+a", "ctrl+c", "End")
        self.press("ctrl+alt+c")
        self.assertEqual(self.wait_text("alphaalpha"), "alphaalpha")
        self.assertEqual(harness.clipboard_text(), "alpha")

    def test_6_message_box_then_pause_box(self):
        self.fresh_notepad()
        self.press("ctrl+alt+m")
        self.assertTrue(self.wine.wait_window("Notice"), "no message box")
        self.assertIn("Done", [text for _, _, text in self.wine.texts("Notice")])
        harness.screenshot("message-box.png")
        # Hot keys pressed while the box is up, its own macro's included,
        # are dropped: no second box, nothing typed once the run goes on.
        self.click_notepad()
        harness.key("ctrl+alt+k", "ctrl+alt+m")
        time.sleep(2)
        self.assertEqual(self.notepad_text(), "", "a hot key ran a macro during MESSAGE BOX")
        boxes = [w for w in self.wine.probe("list").lines() if w.endswith("\tNotice")]
        self.assertEqual(len(boxes), 1, boxes)
        self.assertTrue(self.wine.click("Notice", IDOK))
        self.assertTrue(self.wine.wait_window("Attention"), "no PAUSE box")
        self.assertIn("Click OK to continue...", [text for _, _, text in self.wine.texts("Attention")])
        harness.screenshot("pause-box.png")
        # A hot key while the macro waits is dropped: with Notepad in front
        # (clicked away from the box), the greeting it would type never
        # comes, neither while the box is up nor once the macro goes on.
        self.click_notepad()
        harness.key("ctrl+alt+k")
        time.sleep(2)
        self.assertEqual(self.notepad_text(), "", "the hot key ran a macro during PAUSE")
        self.assertTrue(self.wine.click("Attention", IDOK))
        self.assertTrue(self.wine.wait_gone("Attention"))
        self.wine.click_into(NOTEPAD)
        self.assertEqual(self.wait_text("z"), "z")
        time.sleep(2)
        self.assertEqual(self.notepad_text(), "z", "the hot key ran a macro after PAUSE")

    def click_notepad(self):
        """Brings Notepad in front of a box by a click on its text."""
        left, _, _, bottom = self.wine.rect(NOTEPAD)
        harness.click_at(left + 30, bottom - 30)
        time.sleep(0.3)

    def test_7_a_failing_run_is_reported_and_the_macro_goes_on(self):
        self.fresh_notepad()
        self.press("ctrl+alt+r")
        self.assertTrue(self.wine.wait_window("Error"), "no error box")
        self.assertIn("Error running: C:\\no such program.exe", [text for _, _, text in self.wine.texts("Error")])
        harness.screenshot("run-error.png")
        self.assertTrue(self.wine.click("Error", IDOK))
        self.assertTrue(self.wine.wait_gone("Error"))
        self.wine.click_into(NOTEPAD)
        self.assertEqual(self.wait_text("y"), "y")

    def test_8_delete_removes_the_macro_and_its_hot_key(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        row = [name for name, _ in rows].index("Doomed")
        self.assertTrue(self.wine.probe("listselect", MAIN_TITLE, IDC_MACRO_LIST, row).ok)
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_DELETE_MACRO))
        self.assertTrue(harness.wait_until(
            lambda: "Doomed" not in [name for name, _ in self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)]))
        self.assertNotIn("Doomed", self.wine.reg_query(harness.STORE_KEY + "\\Macros"))
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+shift+x")
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "")

    def test_9_the_main_window_answers_during_a_delay(self):
        # The probe gives a window 5 s to answer; the DELAY has 7 s left.
        self.fresh_notepad()
        self.press("ctrl+alt+l")
        time.sleep(1)
        self.assertIn(MAIN_TITLE, [text for _, _, text in self.wine.texts(MAIN_TITLE)])
        self.assertEqual(self.notepad_text(), "", "the DELAY was cut short")
        self.assertEqual(self.wait_text("l", seconds=30), "l")


if __name__ == "__main__":
    unittest.main()
