"""The macro editor used as a person would: a macro made in it from the
on-screen keyboard in its three key modes, a DELAY entered after a refused
number, a clipboard pair, DATE and a PLAYBACK RECORDING chosen in the
selection dialog; lines put ahead of a selected line and deleted; saved,
run by its hot key into Notepad; then reopened with Edit, renamed and
changed, and run again. Every dialog of the editor is opened once and
photographed.

One Keyloom and one Notepad serve every case; the cases run in name order
and build on each other.
"""

import time
import unittest

import harness
from harness import MAIN_TITLE
from test_recordings import KEYBOARD, journal, typed

ADD_TITLE = "Keyloom - Add Macro"
EDIT_TITLE = "Keyloom - Edit Macro"
IDOK, IDCANCEL = 1, 2
IDC_MACRO_LIST, IDC_ADD_MACRO, IDC_EDIT_MACRO = 1002, 1003, 1004
# The editor's controls.
IDC_HOT_KEY, IDC_MACRO_NAME, IDC_BODY, IDC_DELETE, IDC_COMMANDS, IDC_INSERT, IDC_EDIT = (
    1118, 1119, 1120, 1121, 1122, 1123, 1127)
KEY_DOWN_ONLY, KEY_UP_ONLY, NORMAL_STROKE = 1124, 1125, 1126
COMMANDS = ["DELAY", "REBOOT", "SHUTDOWN", "COPY FROM CLIP BOARD", "PASTE TO CLIP BOARD", "PLAYBACK RECORDING",
            "PAUSE", "TIME", "DATE", "MESSAGE BOX", "RUN", "TYPE TEXT"]
# Keyboard buttons.
SHIFT, KEY_H, KEY_I, KEY_V, KEY_X, KEY_O, CTRL, KEY_1, KEY_A = 1073, 1067, 1056, 1077, 1075, 1057, 1084, 1006, 1045
# Property dialogs.
DELAY_TITLE, PASTE_TITLE, COPY_TITLE = "Keyloom - DELAY", "Keyloom - Copy to Clip Board", "Keyloom - Copy from Clip Board"
BOX_TITLE, RUN_TITLE, SELECT_TITLE = "Keyloom - Message Box", "Keyloom - RUN", "Keyloom - Select Recording"
IDC_NUMBER, IDC_INITIAL_VALUE, IDC_BROWSE_COMMAND, IDC_BROWSE_START_IN = 1004, 1127, 1160, 1163
IDC_RECORDINGS, IDC_INCREASE, IDC_PERCENT = 1129, 1137, 1139
OPEN_TITLE = "Select file to be ran:"
HKM_GETHOTKEY = 0x0402
BM_GETCHECK = 0x00F0
IDC_EVENTS_ALL, IDC_EVENTS_KEYBOARD, IDC_EVENTS_MOUSE = 1126, 1141, 1140

STORE = harness.STORE_REG_PATH
# "zz", keys only, 100 ms apart.
RECORDING = journal(typed("ZZ", 1000, 100))


def reg_text():
    return "\r\n".join([f"[{STORE}\\Journals\\Stored all]", '"Count"=dword:00000000',
                        f'"Type"={harness.reg_dword(1)}', "",
                        f"[{STORE}\\Journals\\Stored zz]", '"Count"=dword:00000001',
                        f'"Type"={harness.reg_dword(KEYBOARD)}',
                        '"0"=hex:' + ",".join(f"{byte:02x}" for byte in RECORDING), ""]) + "\r\n"


class MacroMadeInTheEditor(harness.KeyloomWithNotepad):
    session = "editor"

    @classmethod
    def reg_text(cls):
        return reg_text()

    # --- helpers ------------------------------------------------------------

    def body(self, title=ADD_TITLE):
        return self.wine.listbox(title, IDC_BODY)[0]

    def click(self, control_id, title=ADD_TITLE):
        self.assertTrue(self.wine.click(title, control_id), f"no control {control_id} in {title}")

    def command(self, name, title=ADD_TITLE):
        """Chooses a command in the list and clicks "<---"."""
        self.assertTrue(self.wine.lbselect(title, IDC_COMMANDS, COMMANDS.index(name)))
        self.click(IDC_INSERT, title)

    def dialog(self, title, shot=None):
        self.assertTrue(self.wine.wait_window(title), f"no {title} dialog")
        self.assertTrue(self.wine.wait_visible(title, True))
        if shot:
            time.sleep(0.5)
            harness.screenshot(shot)
        return self.texts_of(title)

    def ok(self, title):
        self.click(IDOK, title)
        self.assertTrue(self.wine.wait_gone(title), f"{title} did not close")

    def cancel(self, title):
        self.click(IDCANCEL, title)
        self.assertTrue(self.wine.wait_gone(title), f"{title} did not close")

    def wait_body(self, expected, title=ADD_TITLE):
        harness.wait_until(lambda: self.body(title) == expected, 10)
        return self.body(title)

    def hot_key(self, title=ADD_TITLE):
        """The hot-key control's key and flags (1 Shift, 2 Ctrl, 4 Alt)."""
        result = self.wine.probe("sendto", title, IDC_HOT_KEY, hex(HKM_GETHOTKEY), "0", "0").check()
        value = int(result.stdout.strip())
        return value & 0xFF, value >> 8

    def radio(self, title, control_id):
        """(checked, enabled) of a radio button."""
        checked = self.wine.probe("sendto", title, control_id, hex(BM_GETCHECK), "0", "0").check()
        enabled = self.wine.probe("childrect", title, control_id).check().stdout.split()
        return checked.stdout.strip() == "1", enabled[-1] == "1"

    def caption(self, control_id, title=ADD_TITLE):
        return {int(ident): text for _, ident, text in self.wine.texts(title) if ident.lstrip("-").isdigit()}[control_id]

    # --- cases ----------------------------------------------------------------

    def test_1_add_opens_the_editor_with_its_controls(self):
        self.show_main()
        self.click(IDC_ADD_MACRO, MAIN_TITLE)
        texts = self.dialog(ADD_TITLE, "editor-add.png")
        for label in ("Macro name:", "Hot Key:", "Delete", "Edit", "Key Down Only", "Key Up Only", "Normal Key Stroke",
                      "Macro body:", "<---", "Macro commands", "Save", "Cancel", "Esc", "Backspace", "Space", "Ent."):
            self.assertIn(label, texts)
        controls = [(cls, ident) for cls, ident, _ in self.wine.texts(ADD_TITLE)[1:]]
        keys = [int(ident) for cls, ident in controls if cls == "Button" and 1005 <= int(ident) <= 1117]
        self.assertEqual(sorted(keys), list(range(1005, 1118)))
        self.assertEqual(self.wine.listbox(ADD_TITLE, IDC_COMMANDS)[0], COMMANDS)

    def test_2_name_and_hot_key_are_typed_in(self):
        self.wine.click_control(ADD_TITLE, IDC_MACRO_NAME)
        harness.type_text("Typed by editor")
        self.wine.click_control(ADD_TITLE, IDC_HOT_KEY)
        harness.key("ctrl+alt+e")
        self.assertTrue(harness.wait_until(lambda: self.caption(IDC_MACRO_NAME) == "Typed by editor", 10))
        self.assertEqual(self.hot_key(), (ord("E"), 2 | 4))

    def test_3_keys_in_the_three_modes_with_the_shift_captions(self):
        self.click(KEY_DOWN_ONLY)
        self.click(SHIFT)
        self.assertTrue(harness.wait_until(lambda: self.caption(KEY_1) == "!", 10), "no shifted captions")
        self.assertEqual(self.caption(KEY_A), "A")
        harness.screenshot("editor-shift-captions.png")
        self.click(KEY_H)
        self.click(KEY_UP_ONLY)
        self.click(KEY_H)
        self.click(SHIFT)
        self.assertTrue(harness.wait_until(lambda: self.caption(KEY_1) == "1", 10), "the captions stayed shifted")
        self.click(NORMAL_STROKE)
        self.click(KEY_I)
        self.assertEqual(self.wait_body(["SHIFT (Down)", "hH (Down)", "hH (Up)", "SHIFT (Up)", "iI (Down)", "iI (Up)"]),
                         ["SHIFT (Down)", "hH (Down)", "hH (Up)", "SHIFT (Up)", "iI (Down)", "iI (Up)"])

    def test_4_a_delay_is_entered_after_a_refused_number(self):
        self.command("DELAY")
        self.dialog(DELAY_TITLE, "delay-dialog.png")
        self.assertTrue(self.wine.probe("settext", DELAY_TITLE, IDC_NUMBER, "12ab").ok)
        self.click(IDOK, DELAY_TITLE)
        self.assertTrue(self.wine.wait_window("box=Keyloom"), "no refusal")
        self.assertIn("Please enter an integer.", self.texts_of("box=Keyloom"))
        harness.screenshot("delay-refused.png")
        self.click(IDOK, "box=Keyloom")
        self.assertTrue(self.wine.wait_gone("box=Keyloom"))
        self.assertTrue(self.wine.probe("settext", DELAY_TITLE, IDC_NUMBER, "300").ok)
        self.ok(DELAY_TITLE)
        self.assertEqual(self.wait_body(self.body()[:6] + ["DELAY 300 millisecond(s)"])[-1], "DELAY 300 millisecond(s)")

    def test_5_a_clipboard_pair_date_and_a_playback(self):
        self.command("PASTE TO CLIP BOARD")
        self.dialog(PASTE_TITLE, "paste-dialog.png")
        self.assertTrue(self.wine.probe("settext", PASTE_TITLE, IDC_NUMBER, "5").ok)
        self.assertTrue(self.wine.probe("settext", PASTE_TITLE, IDC_INITIAL_VALUE, "pasted").ok)
        self.ok(PASTE_TITLE)
        self.click(KEY_DOWN_ONLY)
        self.click(CTRL)
        self.click(NORMAL_STROKE)
        self.click(KEY_V)
        self.click(KEY_UP_ONLY)
        self.click(CTRL)
        self.click(NORMAL_STROKE)
        self.command("COPY FROM CLIP BOARD")
        self.dialog(COPY_TITLE, "copy-dialog.png")
        self.assertTrue(self.wine.probe("settext", COPY_TITLE, IDC_NUMBER, "6").ok)
        self.ok(COPY_TITLE)
        self.command("DATE")
        self.command("PLAYBACK RECORDING")
        self.dialog(SELECT_TITLE)
        self.assertEqual(self.wine.listview(SELECT_TITLE, IDC_RECORDINGS),
                         [["Stored all", "Keyboard & Mouse"], ["Stored zz", "Keyboard"]])
        # A real click on the first row, then End and Home: the event radios
        # follow the row the keyboard moved to, whatever key moved it.
        left, top, right, _ = self.wine.child_rect(SELECT_TITLE, IDC_RECORDINGS)
        harness.click_at(left + 30, top + 28)
        self.assertTrue(harness.wait_until(lambda: self.radio(SELECT_TITLE, IDC_EVENTS_MOUSE) == (False, True), 10),
                        "choosing a keyboard-and-mouse recording did not enable Mouse")
        self.assertEqual(self.radio(SELECT_TITLE, IDC_EVENTS_ALL), (True, True))
        harness.key("End")
        self.assertTrue(harness.wait_until(lambda: self.radio(SELECT_TITLE, IDC_EVENTS_KEYBOARD) == (True, True), 10),
                        "moving to a keyboard recording by key did not check Keyboard")
        harness.screenshot("select-recording-by-key.png")
        harness.key("Home")
        self.assertTrue(harness.wait_until(lambda: self.radio(SELECT_TITLE, IDC_EVENTS_MOUSE) == (False, True), 10),
                        "moving back by key did not enable Mouse")
        harness.key("End")
        self.assertTrue(harness.wait_until(lambda: self.radio(SELECT_TITLE, IDC_EVENTS_KEYBOARD) == (True, True), 10))
        self.assertEqual(self.radio(SELECT_TITLE, IDC_EVENTS_ALL), (False, False))
        self.assertEqual(self.radio(SELECT_TITLE, IDC_EVENTS_MOUSE), (False, False))
        self.click(IDC_INCREASE, SELECT_TITLE)
        self.assertTrue(self.wine.probe("settext", SELECT_TITLE, IDC_PERCENT, "100").ok)
        time.sleep(0.5)
        harness.screenshot("select-recording-dialog.png")
        self.ok(SELECT_TITLE)
        self.assertEqual(self.wait_body(self.body()[:7] + [
            "PASTE TO CLIP BOARD ID: 5", "CTRL (Down)", "vV (Down)", "vV (Up)", "CTRL (Up)",
            "COPY FROM CLIP BOARD ID: 6", "DATE", "PLAYBACK RECORDING: Stored zz"])[7:], [
            "PASTE TO CLIP BOARD ID: 5", "CTRL (Down)", "vV (Down)", "vV (Up)", "CTRL (Up)",
            "COPY FROM CLIP BOARD ID: 6", "DATE", "PLAYBACK RECORDING: Stored zz"])

    def test_6_the_message_box_and_run_dialogs_and_the_system_choosers(self):
        self.command("MESSAGE BOX")
        self.dialog(BOX_TITLE, "message-box-dialog.png")
        self.cancel(BOX_TITLE)
        self.command("RUN")
        self.dialog(RUN_TITLE, "run-dialog.png")
        self.assertIn("Normal Window", self.texts_of(RUN_TITLE))
        self.assertTrue(self.wine.probe("settext", RUN_TITLE, 1161, "typed arguments").ok)
        self.click(IDC_BROWSE_COMMAND, RUN_TITLE)
        self.dialog(OPEN_TITLE, "file-chooser.png")
        self.cancel(OPEN_TITLE)
        self.click(IDC_BROWSE_START_IN, RUN_TITLE)
        self.assertTrue(harness.wait_until(lambda: any(
            "Select the directory you want the application to start in." in line
            for line in self.wine.probe("list").lines()) or self.folder_browser(), 15), "no folder browser")
        time.sleep(0.5)
        harness.screenshot("folder-browser.png")
        self.cancel(self.folder_browser())
        self.assertIn("typed arguments", self.texts_of(RUN_TITLE), "a browse changed another field")
        self.cancel(RUN_TITLE)
        self.assertNotIn("RUN ()", self.body(), "a cancelled dialog inserted its command")

    def folder_browser(self):
        """The title of the open folder browser: the dialog that shows the prompt."""
        for line in self.wine.probe("list").lines():
            fields = line.split("\t")
            if len(fields) == 5 and fields[1] == "1" and fields[3] == "#32770" and fields[4] not in (
                    ADD_TITLE, RUN_TITLE, MAIN_TITLE):
                texts = self.texts_of(fields[4])
                if "Select the directory you want the application to start in." in texts:
                    return fields[4]
        return None

    def test_7_lines_go_ahead_of_a_selected_line_and_are_deleted(self):
        before = self.body()
        self.assertTrue(self.wine.lbselect(ADD_TITLE, IDC_BODY, 0))
        self.click(KEY_X)
        self.click(KEY_O)
        self.assertEqual(self.wait_body(["xX (Down)", "xX (Up)", "oO (Down)", "oO (Up)"] + before)[:5],
                         ["xX (Down)", "xX (Up)", "oO (Down)", "oO (Up)", "SHIFT (Down)"])
        self.assertEqual(self.wine.listbox(ADD_TITLE, IDC_BODY)[1], 4, "the selected line stayed selected")
        for _ in range(4):
            self.assertTrue(self.wine.lbselect(ADD_TITLE, IDC_BODY, 0))
            self.click(IDC_DELETE)
            time.sleep(0.3)
        self.assertEqual(self.wait_body(before), before)

    def test_8_saved_it_runs_by_its_hot_key(self):
        self.ok(ADD_TITLE)
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        self.assertEqual(rows, [["Typed by editor", "CTRL + ALT + E"]])
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+e")
        expected = "Hipasted" + time.strftime("%m/%d/%Y") + "zz"
        self.assertEqual(self.wait_text(expected, 20), expected)
        self.assertEqual(harness.clipboard_text(), "pasted")

    def test_9_edit_loads_it_and_a_changed_macro_runs_again(self):
        self.show_main()
        self.assertTrue(self.wine.probe("listselect", MAIN_TITLE, IDC_MACRO_LIST, 0).ok)
        self.click(IDC_EDIT_MACRO, MAIN_TITLE)
        self.dialog(EDIT_TITLE, "editor-edit.png")
        harness.window_shot(self.wine, EDIT_TITLE, "editor.png")
        self.assertEqual(self.caption(IDC_MACRO_NAME, EDIT_TITLE), "Typed by editor")
        self.assertEqual(self.hot_key(EDIT_TITLE), (ord("E"), 2 | 4))
        body = self.body(EDIT_TITLE)
        self.assertEqual(body[-1], "PLAYBACK RECORDING : Stored zz")
        self.assertIn("DELAY 300 millisecond(s)", body)

        self.assertTrue(self.wine.probe("settext", EDIT_TITLE, IDC_MACRO_NAME, "Edited macro").ok)
        self.assertTrue(self.wine.lbselect(EDIT_TITLE, IDC_BODY, body.index("DELAY 300 millisecond(s)")))
        self.click(IDC_EDIT, EDIT_TITLE)
        self.dialog(DELAY_TITLE)
        self.assertIn("300", self.texts_of(DELAY_TITLE))
        self.assertTrue(self.wine.probe("settext", DELAY_TITLE, IDC_NUMBER, "100").ok)
        self.ok(DELAY_TITLE)
        self.click(KEY_O, EDIT_TITLE)  # nothing selected after the change: appended
        self.assertEqual(self.wait_body(body[:6] + ["DELAY 100 millisecond(s)"] + body[7:] + ["oO (Down)", "oO (Up)"],
                                        EDIT_TITLE)[-3:],
                         ["PLAYBACK RECORDING : Stored zz", "oO (Down)", "oO (Up)"])
        self.ok(EDIT_TITLE)
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST), [["Edited macro", "CTRL + ALT + E"]])
        stored = self.wine.reg_query(harness.STORE_KEY + "\\Macros")
        self.assertNotIn("Typed by editor", stored)
        self.assertNotIn("|Keyloom|", stored)  # the new tree was renamed into place, the old one removed
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+e")
        expected = "Hipasted" + time.strftime("%m/%d/%Y") + "zzo"
        self.assertEqual(self.wait_text(expected, 20), expected)


if __name__ == "__main__":
    unittest.main()
