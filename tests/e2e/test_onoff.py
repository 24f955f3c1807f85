"""Macros switched off, hot keys suspended and macros run from the tray
menu, in the real Keyloom with Wine's Notepad beside it.

One Keyloom and one Notepad serve every case; the cases run in name order.
"""

import subprocess
import time
import unittest

import harness
from harness import MAIN_TITLE, NOTEPAD

ALT, CTRL = 1, 2
IDOK = 1
IDC_MACRO_LIST, IDC_EDIT_MACRO = 1002, 1004
IDC_ENABLED = 1172
BM_GETCHECK = 0x00F0
EDIT_TITLE = "Keyloom - Edit Macro"

stroke = harness.stroke

# name: (virtual key, modifiers, instructions); "Resting" is stored with
# Enabled 0, the others as an earlier Keyloom stored them (no Enabled).
STORED = {
    "Greeting": (ord("G"), CTRL | ALT, stroke(ord("H")) + stroke(ord("I"))),
    "Resting": (ord("O"), CTRL | ALT, stroke(ord("Q"))),
}


class MacrosOnAndOff(harness.KeyloomWithNotepad):
    session = "onoff"

    @classmethod
    def reg_text(cls):
        off = f"[{harness.STORE_REG_PATH}\\Macros\\Resting]\r\n\"Enabled\"={harness.reg_dword(0)}\r\n\r\n"
        return harness.macros_reg(STORED) + off

    def test_1_a_macro_switched_off_is_listed_off(self):
        self.show_main()
        rows = self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)
        self.assertEqual(rows, [["Greeting", "CTRL + ALT + G"], ["Resting", "CTRL + ALT + O (off)"]])
        self.hide_main()

    def test_2_an_off_macros_hot_key_goes_to_the_program_in_front(self):
        self.fresh_notepad()
        self.press("ctrl+alt+o")
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "", "a macro switched off typed")
        # The macro beside it, stored without Enabled, runs as before.
        self.press("ctrl+alt+g")
        self.assertEqual(self.wait_text("hi"), "hi")

    # --- the tray menu ------------------------------------------------------

    def tray_corner(self):
        """The left and bottom edges of Wine's tray window, raised above the
        others. Under load the window was seen gone between two looks (found,
        then not found), so the look is repeated until it holds."""
        deadline = time.monotonic() + harness.WAIT_MS / 1000
        while True:
            try:
                if self.wine.wait_window(harness.WINE_TRAY_TITLE):
                    left, _, _, bottom = self.wine.rect(harness.WINE_TRAY_TITLE)
                    break
            except harness.ProbeError:
                pass
            if time.monotonic() >= deadline:
                self.fail("no tray window")
            time.sleep(0.5)
        # With no window manager Notepad covers the tray window, which is
        # raised as a click on a taskbar would find it, above the windows.
        subprocess.run(["xdotool", "search", "--name", harness.WINE_TRAY_TITLE, "windowraise"], timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return left, bottom

    def open_tray_menu(self):
        """A real right click on the icon in Wine's tray window; returns the
        menu's rectangle."""
        left, bottom = self.tray_corner()
        for _ in range(3):
            harness.xdotool("mousemove", left + 13, bottom - 13, "click", 3)
            if self.wine.wait_window(harness.POPUP_MENU, 3000):
                return self.wine.rect(harness.POPUP_MENU)
        self.fail("a right click on the icon opened no menu")

    def tray_tip(self, shot="tray-tip.png"):
        """The tip Wine's tray window shows while the pointer rests on the
        icon, read from the tooltip window itself."""
        left, bottom = self.tray_corner()
        tip = None
        for _ in range(3):
            # A tip shows after the pointer moved onto the icon and rested.
            harness.xdotool("mousemove", left + 40, bottom - 40)
            time.sleep(0.3)
            harness.xdotool("mousemove", left + 13, bottom - 13)
            if self.wine.wait_visible("class=tooltips_class32", seconds=4):
                tip = harness.unescape(self.wine.probe("wmtext", "class=tooltips_class32").check().stdout.rstrip("\n"))
                harness.screenshot(shot)
                break
        harness.xdotool("mousemove", left + 200, bottom - 200)
        return tip

    @staticmethod
    def item_y(menu, from_bottom):
        """The middle of an item counted from the bottom (0 "Settings...",
        1 "Suspend Hot Keys", 2 "Run"): below "Run" are only items of one
        height, above it the separator."""
        _, top, _, bottom = menu
        height = (bottom - top - 10) // 5
        return bottom - 3 - height * from_bottom - height // 2

    def choose(self, from_bottom, submenu_row=None):
        menu = self.open_tray_menu()
        x, y = (menu[0] + menu[2]) // 2, self.item_y(menu, from_bottom)
        harness.click_at(x, y)
        if submenu_row is not None:
            # The submenu opens beside "Run", its first item level with it.
            time.sleep(0.5)
            height = (menu[3] - menu[1] - 10) // 5
            harness.screenshot("tray-menu-run.png")
            harness.xdotool("mousemove", menu[2] + 20, y)
            harness.click_at(menu[2] + 30, y + height * submenu_row)
        self.assertTrue(self.wine.wait_gone(harness.POPUP_MENU), "the menu stayed open")

    def test_3_run_from_the_tray_menu_types_into_the_window_that_had_the_focus(self):
        self.fresh_notepad()
        self.choose(2, submenu_row=0)
        self.assertEqual(self.wait_text("hi"), "hi")
        # A macro switched off is in the submenu too, and runs from it.
        self.choose(2, submenu_row=1)
        self.assertEqual(self.wait_text("hiq"), "hiq")

    def test_4_suspend_and_resume_from_the_tray_menu(self):
        self.assertEqual(self.tray_tip(), "Keyloom")
        self.choose(1)
        self.assertEqual(self.tray_tip("tray-tip-suspended.png"), "Keyloom (suspended)")
        self.fresh_notepad()
        self.press("ctrl+alt+g")
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "", "a hot key ran a macro while suspended")
        menu = self.open_tray_menu()
        harness.screenshot("tray-menu-suspended.png")
        harness.click_at((menu[0] + menu[2]) // 2, self.item_y(menu, 1))
        self.assertTrue(self.wine.wait_gone(harness.POPUP_MENU))
        self.assertEqual(self.tray_tip(), "Keyloom")
        self.press("ctrl+alt+g")
        self.assertEqual(self.wait_text("hi"), "hi")

    # --- the editor's Enabled box -------------------------------------------

    def enabled_box(self):
        result = self.wine.probe("sendto", EDIT_TITLE, IDC_ENABLED, hex(BM_GETCHECK), "0", "0").check()
        return result.stdout.strip() == "1"

    def edit_greeting(self):
        self.show_main()
        self.assertTrue(self.wine.probe("listselect", MAIN_TITLE, IDC_MACRO_LIST, 0).ok)
        self.assertTrue(self.wine.click(MAIN_TITLE, IDC_EDIT_MACRO))
        self.assertTrue(self.wine.wait_window(EDIT_TITLE), "the editor did not open")

    def test_5_the_editor_switches_a_macro_off_and_on(self):
        self.edit_greeting()
        self.assertTrue(self.enabled_box(), "a macro stored without Enabled opened off")
        harness.window_shot(self.wine, EDIT_TITLE, "editor-enabled.png")
        self.wine.click_control(EDIT_TITLE, IDC_ENABLED)
        self.assertTrue(harness.wait_until(lambda: not self.enabled_box()), "the box did not uncheck")
        self.assertTrue(self.wine.click(EDIT_TITLE, IDOK))
        self.assertTrue(self.wine.wait_gone(EDIT_TITLE))
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)[0], ["Greeting", "CTRL + ALT + G (off)"])
        stored = self.wine.reg_query(harness.STORE_KEY + "\\Macros\\Greeting")
        self.assertEqual(stored[""]["Enabled"], ("REG_DWORD", "0x0"))
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+g")
        time.sleep(1.5)
        self.assertEqual(self.notepad_text(), "", "a macro switched off in the editor typed")

        self.edit_greeting()
        self.assertFalse(self.enabled_box())
        self.wine.click_control(EDIT_TITLE, IDC_ENABLED)
        self.assertTrue(harness.wait_until(self.enabled_box), "the box did not check")
        self.assertTrue(self.wine.click(EDIT_TITLE, IDOK))
        self.assertTrue(self.wine.wait_gone(EDIT_TITLE))
        self.assertEqual(self.wine.listview(MAIN_TITLE, IDC_MACRO_LIST)[0], ["Greeting", "CTRL + ALT + G"])
        self.hide_main()
        self.fresh_notepad()
        self.press("ctrl+alt+g")
        self.assertEqual(self.wait_text("hi"), "hi")


if __name__ == "__main__":
    unittest.main()
