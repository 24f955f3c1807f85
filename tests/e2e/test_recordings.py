"""Recordings: stored journals replayed into Wine's Notepad by a macro's
PLAYBACK RECORDING, a macro that names a missing recording, the Record
dialog used the way a person would (record typing in Notepad, stop with
Ctrl+Break, save, replay), renaming and deleting from the main window, and
a playback cancelled with Ctrl+Esc while it holds Shift, beside another
window titled "Keyloom".

One Keyloom and one Notepad serve every case; the cases run in name order
and the later ones build on the earlier ones. Macros are read at start-up,
so every macro (including the one that replays the recording made in the
Record dialog) is imported before Keyloom starts.
"""

import struct
import subprocess
import time
import unittest

import harness
from harness import MAIN_TITLE

PLAYBACK = 0x1005
KEY_DOWN, KEY_UP, MOUSE_MOVE = 0x0100, 0x0101, 0x0200
VK_CANCEL = 0x03
ALT, CTRL = 1, 2
ALL_EVENTS, KEYBOARD = 1, 2
IDOK = 1

IDC_RECORDING_LIST = 1129
IDC_ADD_RECORDING = 1130
IDC_DELETE_RECORDING = 1131
IDC_EDIT_RECORDING = 1132
IDC_CLOSE = 1151

RECORD_TITLE = "Keyloom - Record"
IDC_RECORD_NAME = 1131
IDC_RECORD = 1132
IDC_START_WINDOWS = 1146

RENAME_TITLE = "Keyloom - Edit Recording"
IDC_RECORDING_NAME = 1131

NOTEPAD = harness.NOTEPAD
STORE = harness.STORE_REG_PATH
JOURNALS_QUERY = harness.STORE_KEY + "\\Journals"

# US layout scan codes of the letters the stored recordings type.
SCAN = {"A": 0x1E, "B": 0x30, "C": 0x2E, "Q": 0x10, "Z": 0x2C}


def key_event(message, letter, time_ms):
    vk = ord(letter)
    return (message, vk | SCAN[letter] << 8, 1, time_ms, 0)


def journal(events):
    return b"".join(struct.pack("<5I", *event) for event in events)


def events_of(data):
    usable = len(data) - len(data) % 20
    return [struct.unpack_from("<5I", data, at) for at in range(0, usable, 20)]


def hex_bytes(data):
    return ",".join(f"{byte:02x}" for byte in data)


def typed(letters, start, step):
    """Key-down and key-up of each letter, `step` ms apart."""
    events = []
    for letter in letters:
        events.append(key_event(KEY_DOWN, letter, start))
        events.append(key_event(KEY_UP, letter, start + step))
        start += 2 * step
    return events


# "abc" typed with 200 ms between events; a mouse move to the top-left
# corner sits in the middle, which a keyboard-only replay must leave out.
ABC = typed("AB", 1000, 200) + [(MOUSE_MOVE, 3, 3, 1800, 0)] + typed("C", 2000, 200)
# "q" as two chunks: the key-down in "0", the key-up in "1".
Q_CHUNKS = [journal([key_event(KEY_DOWN, "Q", 500)]), journal([key_event(KEY_UP, "Q", 700)])]

VK_SHIFT, SHIFT_SCAN = 0x10, 0x2A
# Shift held from the first second across a pause of some forty seconds,
# with an "A" typed while it is down; Shift is let go only after the pause.
HELD_SHIFT = [(KEY_DOWN, VK_SHIFT | SHIFT_SCAN << 8, 1, 1000, 0)] + typed("A", 1100, 100) + typed("B", 40000, 100) + [
    (KEY_UP, VK_SHIFT | SHIFT_SCAN << 8, 1, 40300, 0)]

# name: (Type, [chunks])
RECORDINGS = {
    "Held shift": (KEYBOARD, [journal(HELD_SHIFT)]),
    "Stored abc": (KEYBOARD, [journal(ABC)]),
    "Old name": (KEYBOARD, Q_CHUNKS),
    "Odd": (7, []),
}


def stroke(letter):
    return harness.stroke(ord(letter))


def playback(name, speed, events):
    return [(PLAYBACK, {"JournalName": name, "PlayBackSpeed": speed, "PlayBackEvent": events})]


# name: (virtual key, modifiers, instructions); each plays a recording and
# then strikes one key of its own.
MACROS = {
    "Play stored": (ord("A"), CTRL | ALT, playback("Stored abc", -200, KEYBOARD) + stroke("Z")),
    "Play missing": (ord("M"), CTRL | ALT, playback("Never recorded", 0, ALL_EVENTS) + stroke("W")),
    "Play kite": (ord("K"), CTRL | ALT, playback("Kite", -100, ALL_EVENTS) + stroke("Z")),
    "Play new": (ord("N"), CTRL | ALT, playback("New name", 0, KEYBOARD) + stroke("Z")),
    "Play old": (ord("O"), CTRL | ALT, playback("Old name", 0, KEYBOARD) + stroke("Z")),
    "Play held shift": (ord("H"), CTRL | ALT, playback("Held shift", 0, KEYBOARD) + stroke("Z")),
}


def reg_text():
    lines = []
    for name, (kind, chunks) in RECORDINGS.items():
        lines += [f"[{STORE}\\Journals\\{name}]", f'"Count"={harness.reg_dword(len(chunks))}',
                  f'"Type"={harness.reg_dword(kind)}']
        lines += [f'"{index}"=hex:{hex_bytes(chunk)}' for index, chunk in enumerate(chunks)]
        lines.append("")
    return "\r\n".join(lines) + "\r\n" + harness.macros_reg(MACROS)


def mouse_location():
    output = subprocess.run(["xdotool", "getmouselocation"], stdout=subprocess.PIPE, text=True, check=True,
                            timeout=30).stdout
    fields = dict(part.split(":", 1) for part in output.split() if ":" in part)
    return int(fields["x"]), int(fields["y"])


class RecordingsRecordedAndReplayed(harness.KeyloomWithNotepad):
    session = "recordings"

    @classmethod
    def reg_text(cls):
        return reg_text()

    # --- helpers ------------------------------------------------------------

    def recording_rows(self):
        return self.wine.listview(MAIN_TITLE, IDC_RECORDING_LIST)

    def select_recording(self, name):
        names = [row[0] for row in self.recording_rows()]
        self.assertIn(name, names)
        self.assertTrue(self.wine.probe("listselect", MAIN_TITLE, IDC_RECORDING_LIST, names.index(name)).ok)

    def journals(self):
        return self.wine.reg_query(JOURNALS_QUERY) or {}

    def stored_chunks(self, values):
        """The chunks "0".."Count-1" of a recording's values, as bytes."""
        count = int(values["Count"][1], 16)
        chunks = []
        for index in range(count):
            kind, data = values[str(index)]
            self.assertEqual(kind, "REG_BINARY")
            chunks.append(bytes.fromhex(data))
        return chunks

    # --- cases ----------------------------------------------------------------

    def test_1_the_list_shows_the_stored_recordings_with_their_types(self):
        self.show_main()
        self.assertEqual(sorted(self.recording_rows()), sorted([
            ["Held shift", "Keyboard"], ["Odd", "Unknown"], ["Old name", "Keyboard"], ["Stored abc", "Keyboard"]]))
        self.hide_main()

    def test_2_a_stored_recording_is_replayed_faster_keys_only_and_the_macro_goes_on(self):
        self.fresh_notepad()
        self.press("ctrl+alt+a")
        pointer = mouse_location()
        self.assertEqual(self.wait_text("abcz"), "abcz")
        # The mouse move in the middle of the recording was not played.
        self.assertEqual(mouse_location(), pointer)
        self.assertFalse(self.wine.find("Attention")[0], "a box came up during the replay")

    def test_3_a_macro_naming_a_missing_recording_reports_it_and_ends(self):
        self.fresh_notepad()
        self.press("ctrl+alt+m")
        self.assertTrue(self.wine.wait_window("Attention"), "no message about the missing recording")
        texts = self.texts_of("Attention")
        prefix = "Error opening key in reigistry at: Software\\Tallow Labs\\Keyloom\\Journals\\Never recorded, error: "
        messages = [text for text in texts if text.startswith(prefix)]
        self.assertEqual(len(messages), 1, texts)
        self.assertGreater(len(messages[0]), len(prefix), "the system's error text is missing")
        harness.screenshot("missing-recording.png")
        self.close_box()
        self.wine.click_into(NOTEPAD)
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "", "the macro went on after the failed playback")

    def test_4_record_in_notepad_save_and_replay(self):
        self.fresh_notepad()
        self.show_main()
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_ADD_RECORDING))
        self.assertTrue(self.wine.wait_window(RECORD_TITLE), "the Record dialog did not open")
        self.assertTrue(self.wine.wait_visible(RECORD_TITLE, True))

        texts = self.texts_of(RECORD_TITLE)
        for label in ("Recording Name:", "Record which events:", "Keyboard + Mouse", "Keyboard", "Mouse",
                      "Minimize Keyloom", "Record", "Save", "Cancel"):
            self.assertIn(label, texts)
        self.assertIn("Be sure to select the window to the right that you wish to begin recording in and click "
                      "Record.  When you are finished recording press Ctrl-Break.", texts)
        columns, client = self.wine.listcols(RECORD_TITLE, IDC_START_WINDOWS)
        self.assertEqual(columns, [("Begin recording in the following window:", client)])
        windows = [row[0] for row in self.wine.listview(RECORD_TITLE, IDC_START_WINDOWS)]
        self.assertIn(NOTEPAD, windows)
        # Keyloom's main window is shown now, so it is offered too.
        self.assertIn(MAIN_TITLE, windows)

        self.assertTrue(self.wine.probe("settext", RECORD_TITLE, IDC_RECORD_NAME, "Kite").ok)
        self.assertTrue(self.wine.probe("listselect", RECORD_TITLE, IDC_START_WINDOWS, windows.index(NOTEPAD)).ok)
        harness.screenshot("record-dialog.png")
        harness.window_shot(self.wine, RECORD_TITLE, "record-dialog.png")

        # Record brings Notepad forward; what is typed now goes to Notepad
        # and into the recording.
        self.assertTrue(self.wine.click(RECORD_TITLE, IDC_RECORD))
        time.sleep(1.5)
        harness.type_text("kite")
        self.assertEqual(self.wait_text("kite"), "kite", "the typing did not reach Notepad while recording")
        time.sleep(0.5)
        harness.key("ctrl+Break")
        # The box stays up until the user has read it and clicked OK: the
        # Break key-down must not reach it as Cancel.
        self.assertTrue(self.wine.wait_window("Attention", 5000), "no \"Recording stopped!\" box")
        time.sleep(1)
        self.assertTrue(self.wine.wait_visible("Attention", True, 2), "the box closed by itself")
        self.assertIn("Recording stopped!", self.texts_of("Attention"))
        harness.screenshot("record-stopped.png")
        self.close_box()

        self.assertTrue(self.wine.click(RECORD_TITLE, IDOK))
        self.assertTrue(self.wine.wait_gone(RECORD_TITLE), "Save did not close the Record dialog")
        self.assertTrue(harness.wait_until(lambda: ["Kite", "Keyboard & Mouse"] in self.recording_rows()),
                        self.recording_rows())
        self.hide_main()

        values = self.journals().get("Kite")
        self.assertIsNotNone(values, "no Journals\\Kite key")
        self.assertEqual(values["Type"], ("REG_DWORD", "0x1"))
        chunks = self.stored_chunks(values)
        self.assertGreaterEqual(len(chunks), 1)
        self.assertTrue(all(len(chunk) % 20 == 0 and 0 < len(chunk) <= 16000 for chunk in chunks),
                        [len(chunk) for chunk in chunks])
        events = events_of(b"".join(chunks))
        keys = [(message, paramL & 0xFF) for message, paramL, _, _, _ in events if message in (KEY_DOWN, KEY_UP)]
        self.assertEqual([vk for message, vk in keys if message == KEY_DOWN], [ord(c) for c in "KITE"], keys)
        self.assertNotIn((KEY_DOWN, VK_CANCEL), keys)
        # Nothing is left pressed at the end: the Ctrl of the Ctrl+Break is
        # not kept as a key-down without its key-up.
        held = set()
        for message, vk in keys:
            (held.add if message == KEY_DOWN else held.discard)(vk)
        self.assertEqual(held, set(), keys)

        # The replay, by a macro that names the recording, into an empty
        # Notepad; the macro's own "Z" follows it.
        self.fresh_notepad()
        self.press("ctrl+alt+k")
        self.assertEqual(self.wait_text("kitez"), "kitez")
        # No key of the replay stays down: a letter typed now is a plain one.
        time.sleep(0.5)
        harness.type_text("x")
        self.assertEqual(self.wait_text("kitezx"), "kitezx")

    def test_5_rename_keeps_the_recording_playable_and_delete_removes_it(self):
        before = self.journals()["Old name"]
        self.show_main()
        names_before = [row[0] for row in self.recording_rows()]
        self.select_recording("Old name")
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_EDIT_RECORDING))
        self.assertTrue(self.wine.wait_window(RENAME_TITLE), "the rename dialog did not open")
        self.assertTrue(self.wine.wait_visible(RENAME_TITLE, True))
        texts = self.texts_of(RENAME_TITLE)
        for label in ("Recording name:", "OK", "Cancel", "Old name"):
            self.assertIn(label, texts)
        harness.screenshot("rename-dialog.png")
        self.assertTrue(self.wine.probe("settext", RENAME_TITLE, IDC_RECORDING_NAME, "New name").ok)
        self.assertTrue(self.wine.click(RENAME_TITLE, IDOK))
        self.assertTrue(self.wine.wait_gone(RENAME_TITLE), "OK did not close the rename dialog")

        self.assertTrue(harness.wait_until(lambda: ["New name", "Keyboard"] in self.recording_rows()),
                        self.recording_rows())
        names = [row[0] for row in self.recording_rows()]
        self.assertEqual(names, [("New name" if name == "Old name" else name) for name in names_before])
        journals = self.journals()
        self.assertNotIn("Old name", journals)
        self.assertIn("New name", journals)
        self.assertEqual(journals["New name"], before)
        self.assertEqual(self.stored_chunks(journals["New name"]), Q_CHUNKS)
        self.hide_main()

        # A macro that names the new name plays it; one that names the old
        # name no longer finds it.
        self.fresh_notepad()
        self.press("ctrl+alt+n")
        self.assertEqual(self.wait_text("qz"), "qz")
        self.fresh_notepad()
        self.press("ctrl+alt+o")
        self.assertTrue(self.wine.wait_window("Attention"), "no message about the old name")
        self.assertTrue(any(text.startswith("Error opening key in reigistry at: Software\\Tallow Labs\\Keyloom"
                                            "\\Journals\\Old name, error: ") for text in self.texts_of("Attention")))
        self.close_box()

        # Delete: the row and the key go, and the macro no longer finds it.
        self.show_main()
        self.select_recording("New name")
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_DELETE_RECORDING))
        self.assertTrue(harness.wait_until(
            lambda: "New name" not in [row[0] for row in self.recording_rows()]), self.recording_rows())
        self.assertEqual([row[0] for row in self.recording_rows()], [name for name in names_before if name != "Old name"])
        self.assertFalse(self.wine.find("Attention")[0], "Delete showed a box")
        journals = self.journals()
        self.assertNotIn("New name", journals)
        self.assertIn("Stored abc", journals)
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+n")
        self.assertTrue(self.wine.wait_window("Attention"), "the deleted recording was still found")
        self.close_box()
        self.wine.click_into(NOTEPAD)
        time.sleep(1)
        self.assertEqual(self.notepad_text(), "")

    def test_6_ctrl_esc_inside_a_pause_lets_go_of_shift_whatever_else_is_titled_keyloom(self):
        # Another program's window under Keyloom's own title, newer and so
        # found first by title: the cancel must still reach Keyloom.
        decoy = self.wine.start([harness.PROBE_EXE, "decoy", MAIN_TITLE, 60])
        try:
            time.sleep(4)
            self.assertIsNone(decoy.poll(), "the window titled Keyloom did not stay up")
            self.fresh_notepad()
            self.press("ctrl+alt+h")
            self.assertEqual(self.wait_text("A"), "A", "the playback did not type its shifted letter")
            time.sleep(1)
            harness.key("ctrl+Escape")
            self.assertTrue(self.wine.wait_window("Attention", 10000), "the cancel was not told")
            self.assertIn("Play back of recording has been terminated by the system!", self.texts_of("Attention"))
            harness.screenshot("playback-cancelled.png")
            self.close_box()
            # The run has ended (no "Z"), and the next hot key arrives
            # without a Shift that Keyloom left down: its letters are lower
            # case and the macro runs at all.
            self.press("ctrl+alt+a")
            self.assertEqual(self.wait_text("Aabcz"), "Aabcz")
            harness.type_text("x")
            self.assertEqual(self.wait_text("Aabczx"), "Aabczx")
        finally:
            decoy.kill()
            decoy.wait(timeout=30)


if __name__ == "__main__":
    unittest.main()
