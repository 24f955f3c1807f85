"""Start-up, the hidden main window, the tray callback, the About box and
Shutdown, on one running Keyloom (the second-instance case starts one more).

The cases run in the order of their names and build on each other: the
program started in setUpClass is shut down by the last one.
"""

import subprocess
import unittest

import harness
from harness import MAIN_TITLE

IDOK = 1
IDC_CLOSE = 1151
IDC_MACRO_LIST = 1002
IDC_RECORDING_LIST = 1129


class StartupAndMainWindow(harness.KeyloomSession):
    session = "startup"

    def assert_still_running(self):
        self.assertIsNone(self.keyloom.poll(), "Keyloom.exe has exited")
        exists, _ = self.wine.find(MAIN_TITLE)
        self.assertTrue(exists, "the main window is gone")

    def test_1_starts_with_no_visible_window(self):
        exists, visible = self.wine.find(MAIN_TITLE)
        self.assertTrue(exists)
        self.assertFalse(visible)
        # Nothing else of the program's is on screen either.
        windows = [line.split("\t") for line in self.wine.probe("list").lines()]
        pids = {pid for _, _, pid, _, title in windows if title == MAIN_TITLE}
        self.assertEqual(len(pids), 1, windows)
        shown = [w for w in windows if w[2] in pids and w[1] == "1"]
        self.assertEqual(shown, [])

    def test_2_creates_the_store_tree(self):
        tree = self.wine.reg_query()
        self.assertIsNotNone(tree, "no Software\\Tallow Labs\\Keyloom in the 32-bit registry view")
        self.assertIn("Macros", tree)
        self.assertIn("Journals", tree)

    def test_3_second_instance_ends_by_itself(self):
        second = self.wine.start([harness.KEYLOOM_EXE])
        try:
            second.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("the second Keyloom.exe is still running")
        self.assert_still_running()
        _, visible = self.wine.find(MAIN_TITLE)
        self.assertFalse(visible, "the second start brought the first one forward")

    def test_4_tray_click_shows_and_close_hides_the_main_window(self):
        self.assertTrue(self.wine.post(MAIN_TITLE, harness.WM_TRAY_NOTIFY, 0, harness.WM_LBUTTONDOWN))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, True), "the main window was not shown")
        harness.screenshot("main-window.png")

        columns, client = self.wine.listcols(MAIN_TITLE, IDC_MACRO_LIST)
        self.assertEqual([text for text, _ in columns], ["Macro Name", "Hot Key"])
        self.assertEqual(columns[0][1], 125)
        self.assertEqual(columns[1][1], client - 125)
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST), [])

        columns, client = self.wine.listcols(MAIN_TITLE, IDC_RECORDING_LIST)
        self.assertEqual([text for text, _ in columns], ["Recording Name", "Recording Type"])
        self.assertEqual(columns[0][1], 125)
        self.assertEqual(columns[1][1], client - 125)
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_RECORDING_LIST), [])

        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_CLOSE))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, False), "Close did not hide the main window")
        self.assert_still_running()

    def test_5_tray_icon_clicks_and_menu(self):
        # Wine shows the icons in its own tray window when the X desktop has
        # no tray of its own; a real click on the icon goes the whole way.
        self.assertTrue(self.wine.wait_window(harness.WINE_TRAY_TITLE), "no tray window")
        left, _, _, bottom = self.wine.rect(harness.WINE_TRAY_TITLE)
        icon = (left + 13, bottom - 13)

        harness.click_at(*icon)
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, True), "a left click on the icon did not show the window")
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_CLOSE))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, False))

        harness.xdotool("mousemove", *icon, "click", 3)
        self.assertTrue(self.wine.wait_window(harness.POPUP_MENU), "a right click on the icon opened no menu")
        harness.screenshot("tray-menu.png")
        left, top, right, bottom = self.wine.rect(harness.POPUP_MENU)
        # "Shutdown", "Show Main Window", a separator, "Run", "Suspend Hot
        # Keys", "Settings...": five items of one height and the separator.
        height = (bottom - top - 10) // 5
        harness.click_at((left + right) // 2, top + 3 + height + height // 2)
        self.assertTrue(self.wine.wait_gone(harness.POPUP_MENU))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, True), "\"Show Main Window\" did not show the window")
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_CLOSE))
        self.assertTrue(self.wine.wait_visible(MAIN_TITLE, False))
        self.assert_still_running()

    def test_6_about_box_from_the_window_menu(self):
        self.assertTrue(self.wine.post(MAIN_TITLE, harness.WM_SYSCOMMAND, harness.IDM_ABOUT, 0))
        self.assertTrue(self.wine.wait_window("About Keyloom"), "no About box")
        texts = [text for _, _, text in self.wine.texts("About Keyloom")]
        self.assertIn("Version " + (harness.ROOT / "VERSION").read_text().strip(), texts)
        self.assertIn("Keyloom 2000", texts)
        disclaimers = [text for text in texts if text.startswith("DISCLAIMER - AGREEMENT")]
        self.assertEqual(len(disclaimers), 1, texts)
        self.assertIn("\r\n", disclaimers[0])
        harness.wait_until(lambda: self.wine.find("About Keyloom")[1])
        harness.screenshot("about-box.png")

        self.assertTrue(self.wine.click("About Keyloom", IDOK))
        self.assertTrue(self.wine.wait_gone("About Keyloom"), "OK did not close the About box")
        self.assert_still_running()

    def test_7_shutdown_ends_the_process(self):
        self.assertTrue(self.wine.click(MAIN_TITLE, IDOK))
        self.assertTrue(self.wine.wait_gone(MAIN_TITLE), "the main window is still there")
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("Keyloom.exe did not exit after Shutdown")


if __name__ == "__main__":
    unittest.main()


def pe_layout(path):
    """The file and section alignment of a PE file and the DLLs it imports."""
    import struct

    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    section_alignment, file_alignment = struct.unpack_from("<II", data, optional + 32)
    directories = optional + (112 if plus else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return rva - address + raw
        raise AssertionError(f"RVA {rva:#x} is in no section")

    names = []
    at = offset(import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, at + 12)[0]
        if name_rva == 0:
            break
        start = offset(name_rva)
        names.append(data[start:data.index(b"\0", start)].decode().lower())
        at += 20
    return section_alignment, file_alignment, names


class TheProgramFile(unittest.TestCase):
    def test_maps_from_the_file_and_loads_the_file_boxes_late(self):
        # Sections not page-aligned in the file are copied into Keyloom's own
        # memory by Wine's loader, and comdlg32 imported at start-up brings
        # the printing system's libraries along: both would cost private
        # memory for the whole run.
        section_alignment, file_alignment, imports = pe_layout(harness.KEYLOOM_EXE)
        self.assertEqual(file_alignment, section_alignment)
        self.assertIn("user32.dll", imports)
        self.assertNotIn("comdlg32.dll", imports)
