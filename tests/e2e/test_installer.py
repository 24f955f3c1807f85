"""The setup program under Wine: a silent install, Keyloom started from the
installed path, a silent upgrade refused while Keyloom has a box open, one
over the running program that starts it again, and a silent uninstall that
shuts it down and keeps the stored tree with its access list; the sign-in
option's task in a folder outside Program Files; every page of the
interactive setup and uninstall, each saved as a screenshot; and the
portable zip's two programs with their version records.

This machine may run no 32-bit code; then the 64-bit twin of the setup
program (same script, scripts/package.sh) is what runs here.
"""

import struct
import subprocess
import time
import unittest
import zipfile

import harness
from harness import MAIN_TITLE
from test_security import ROOT_DACL, STORE

VERSION = (harness.ROOT / "VERSION").read_text().strip()
MAIN_CLASS = "KeyloomMainWindow"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyloom"
PORTABLE_ZIP = harness.BUILD / "dist" / f"Keyloom-{VERSION}-portable.zip"
IDOK, IDCANCEL, IDNO = 1, 2, 7
EXIT_BUSY = 2


def runs_x86_code():
    return subprocess.run(["bash", "-c", f'. "{harness.WINE_ENV}" && kl_runs_x86_code']).returncode == 0


def keyloom_windows(wine):
    """Keyloom's main windows (by its class), as the probe lists them."""
    return [line for line in wine.probe("list").lines() if line.split("\t")[3:4] == [MAIN_CLASS]]


class _NoTask:
    def exists(self):
        return False


def task_file(wine):
    """The scheduler's definition of the signed-in user's sign-in task
    ("Keyloom <SID>"), in Wine's System32, or one that does not exist."""
    found = sorted((wine.prefix / "drive_c" / "windows" / "system32" / "tasks").glob("Keyloom S-1-*"))
    return found[0] if found else _NoTask()


SHIPPED_SETUP = harness.BUILD / "dist" / f"Keyloom-{VERSION}-setup.exe"


def setup_program():
    runs_x86 = subprocess.run(["bash", "-c", f'. "{harness.WINE_ENV}" && kl_wine_runs_x86']).returncode == 0
    return SHIPPED_SETUP if runs_x86 else harness.BUILD / "setup-amd64" / f"Keyloom-{VERSION}-setup-amd64.exe"


class SilentInstall(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("installer")
        cls.setup = setup_program()
        cls.program = cls.wine.prefix / "drive_c" / "Program Files" / "Keyloom"
        cls.shortcut = (cls.wine.prefix / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu"
                        / "Programs" / "Keyloom.lnk")

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def entry(self):
        result = self.wine.run(["reg", "query", UNINSTALL_KEY, "/reg:64"])
        return result.stdout.decode("latin-1") if result.returncode == 0 else None

    def test_0_the_setup_program_is_the_shipped_32_bit_one(self):
        # Where the 64-bit twin stands in, the run lists the shipped one as
        # skipped instead of passing it silently.
        if self.setup != SHIPPED_SETUP:
            self.skipTest("this Wine runs no 32-bit code: these cases ran the 64-bit twin of the setup program")
        self.assertEqual(pe_header(self.setup)[:2], (IMAGE_FILE_MACHINE_I386, PE32))

    def test_1_installs_program_shortcut_and_entry(self):
        self.assertTrue(self.setup.exists(), self.setup)
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, 0)
        self.assertTrue((self.program / "Keyloom.exe").exists())
        self.assertTrue(self.shortcut.exists())
        entry = self.entry()
        self.assertIsNotNone(entry)
        for text in ("DisplayVersion    REG_SZ    " + VERSION, "Publisher    REG_SZ    Tallow Labs",
                     '"C:\\Program Files\\Keyloom\\Uninstall.exe" /S'):
            self.assertIn(text, entry)
        # The sign-in option is off unless asked for.
        self.assertFalse(task_file(self.wine).exists())

    def test_2_installed_keyloom_shows_its_icon_makes_its_tree_and_runs_a_macro(self):
        ctrl_alt = 2 | 1
        self.assertTrue(self.wine.reg_import(harness.macros_reg({"Installed": (ord("K"), ctrl_alt, harness.stroke(ord("I")))}),
                                             "installed"))
        self.__class__.keyloom = self.wine.start([r"C:\Program Files\Keyloom\Keyloom.exe"])
        self.assertTrue(self.wine.wait_window(MAIN_TITLE, harness.START_WAIT_MS))
        self.assertTrue(self.wine.wait_window(harness.WINE_TRAY_TITLE), "no tray icon")
        tree = self.wine.reg_query()
        self.assertIsNotNone(tree)
        self.assertIn("Macros", tree)
        self.assertIn("Journals", tree)
        # The installed program runs a macro by its hot key into Notepad.
        self.wine.start(["notepad"])
        self.assertTrue(self.wine.wait_window(harness.NOTEPAD, harness.START_WAIT_MS))
        self.wine.click_into(harness.NOTEPAD)
        harness.key("ctrl+alt+k")
        self.assertTrue(harness.wait_until(lambda: self.wine.edittext() == "i", 15), self.wine.edittext())

    def test_3_a_silent_upgrade_while_keyloom_has_a_box_open_changes_nothing(self):
        program = self.program / "Keyloom.exe"
        before = program.stat().st_mtime_ns
        self.assertTrue(self.wine.probe("postclass", MAIN_CLASS, harness.WM_SYSCOMMAND, harness.IDM_ABOUT, 0).ok)
        self.assertTrue(self.wine.wait_window("About Keyloom"), "no About box")
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, EXIT_BUSY)
        self.assertIsNone(self.keyloom.poll(), "Keyloom ended although it had a box open")
        self.assertEqual(program.stat().st_mtime_ns, before, "the program file was replaced")
        self.assertIn("DisplayVersion    REG_SZ    " + VERSION, self.entry())
        self.assertTrue(self.wine.click("About Keyloom", IDOK))
        self.assertTrue(self.wine.wait_gone("About Keyloom"))

    def test_4_a_silent_upgrade_shuts_keyloom_down_and_starts_it_again(self):
        old = keyloom_windows(self.wine)
        self.assertEqual(len(old), 1, old)
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, 0)
        try:
            self.keyloom.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.fail("the running Keyloom did not end")
        # Setup returns once the Keyloom it started again has its window.
        new = keyloom_windows(self.wine)
        self.assertEqual(len(new), 1, new)
        self.assertNotEqual(new[0].split("\t")[0], old[0].split("\t")[0], "the same window as before")
        self.assertTrue(self.wine.wait_window(harness.WINE_TRAY_TITLE), "no tray icon")
        # The store keeps the access list Keyloom gave it: Administrators
        # and SYSTEM only.
        dacl = self.wine.probe("dacl", STORE)
        print(f"store access list after the upgrade: {dacl.stdout.strip()}", flush=True)
        self.assertEqual(dacl.stdout.strip(), ROOT_DACL)

    def test_5_silent_uninstall_shuts_keyloom_down_and_removes_all_but_the_store(self):
        self.wine.run([self.program / "Uninstall.exe", "/S"], timeout=300)
        harness.wait_until(lambda: not (self.program / "Uninstall.exe").exists(), 60)
        self.assertTrue(harness.wait_until(lambda: not keyloom_windows(self.wine), 60), "Keyloom still runs")
        self.assertFalse((self.program / "Keyloom.exe").exists())
        self.assertFalse(self.shortcut.exists())
        self.assertIsNone(self.entry())
        self.assertIsNotNone(self.wine.reg_query(), "the stored tree was removed")
        self.assertEqual(self.wine.probe("dacl", STORE).stdout.strip(), ROOT_DACL)


class SignInOption(unittest.TestCase):
    """/SIGNIN registers the sign-in task, in a folder outside Program Files
    whose name XML must escape; an install over it keeps it; the uninstall
    removes it.

    Wine's scheduler keeps a task's registration info and settings but
    writes its triggers, principal and action back empty, and Wine's icacls
    answers 0 without changing anything (its files' access lists are made
    up from Unix modes): the logon delay, the user's SID in the principal,
    the working folder and the folder's access list are Windows' to show."""

    # No space: Wine would quote the argument, and /D= must start it.
    FOLDER = "Tools&Co's"

    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("installer-signin")
        cls.setup = setup_program()
        cls.program = cls.wine.prefix / "drive_c" / cls.FOLDER / "Keyloom"

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def task_text(self):
        task = task_file(self.wine)
        self.assertTrue(task.exists(), "no sign-in task")
        # Wine's scheduler keeps the definition in UTF-8; Windows' in UTF-16.
        data = task.read_bytes()
        return task.name, data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8-sig")

    def test_1_silent_install_with_signin_registers_the_users_task(self):
        folder = f"C:\\{self.FOLDER}\\Keyloom"
        self.assertEqual(self.wine.run([self.setup, "/S", "/SIGNIN", f"/D={folder}"], timeout=300).returncode, 0)
        self.assertTrue((self.program / "Keyloom.exe").exists())
        name, text = self.task_text()
        # Named by the signed-in user's SID (Wine's one user).
        self.assertRegex(name, r"^Keyloom S-1-5-21-[0-9-]+$")
        self.assertIn("<Description>Starts Keyloom when you sign in.</Description>", text)
        self.assertIn("<Priority>4</Priority>", text)
        self.assertIn("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>", text)
        self.assertIn("<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>", text)

    def test_2_an_install_over_it_keeps_the_task(self):
        self.assertEqual(self.wine.run([self.setup, "/S"], timeout=300).returncode, 0)
        self.assertTrue((self.program / "Keyloom.exe").exists(), "the install over went elsewhere")
        self.assertIn("<Priority>4</Priority>", self.task_text()[1])

    def test_3_silent_uninstall_removes_the_task(self):
        self.wine.run([self.program / "Uninstall.exe", "/S"], timeout=300)
        harness.wait_until(lambda: not (self.program / "Uninstall.exe").exists(), 60)
        self.assertFalse((self.program / "Keyloom.exe").exists())
        self.assertFalse(task_file(self.wine).exists())


class InteractivePages(unittest.TestCase):
    """The setup program and the uninstaller clicked through page by page,
    with a screenshot of each: the defaults install without the sign-in
    task and start Keyloom; the uninstaller shuts it down and, answered No,
    deletes the store."""

    # The wizard is the one visible dialog-class window while no message box
    # is up (Keyloom's own main window is hidden); its title changes a
    # little from page to page.
    WIZARD = "class=#32770"
    UNINSTALL_BOX = f"box=Keyloom {VERSION} Uninstall"

    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("installer-pages")
        cls.setup = setup_program()
        cls.program = cls.wine.prefix / "drive_c" / "Program Files" / "Keyloom"

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def texts(self, window):
        return [text for _, _, text in self.wine.texts(window)]

    def wait_page(self, text, window=WIZARD, seconds=60):
        shown = harness.wait_until(lambda: any(text in line for line in self.texts(window)), seconds)
        self.assertTrue(shown, f"no page saying {text!r}: {self.texts(window)}")
        # Drawn before the screenshot.
        time.sleep(1)

    def next(self, button=IDOK):
        self.assertTrue(self.wine.click(self.WIZARD, button))

    def test_1_welcome(self):
        self.wine.start([self.setup])
        self.wait_page("Welcome to Keyloom Setup")
        harness.screenshot("setup-welcome.png")

    def test_2_components_with_the_sign_in_option(self):
        self.next()
        self.wait_page("Choose Components")
        # The option's check box is drawn in a tree view, which the probe
        # cannot read: the screenshot shows it, and test_4 finds no task.
        harness.screenshot("setup-components.png")

    def test_3_directory(self):
        self.next()
        self.wait_page("Choose Install Location")
        self.assertIn("C:\\Program Files\\Keyloom", self.texts(self.WIZARD))
        harness.screenshot("setup-directory.png")

    def test_4_install_then_finish_starts_keyloom(self):
        self.next()
        # Once the files are in, the wizard goes on to its last page by itself.
        self.wait_page("Completing Keyloom Setup", seconds=300)
        self.assertIn("Start Keyloom now", self.texts(self.WIZARD))
        harness.screenshot("setup-finish.png")
        self.next()
        self.assertTrue(self.wine.wait_window(harness.MAIN_TITLE, harness.START_WAIT_MS), "Finish did not start Keyloom")
        self.assertTrue(self.wine.wait_gone(f"Keyloom {VERSION} Setup "), "the wizard did not close")
        self.assertTrue((self.program / "Keyloom.exe").exists())
        self.assertFalse(task_file(self.wine).exists(), "the unchecked sign-in option registered a task")
        self.assertIsNotNone(self.wine.reg_query(), "the started Keyloom made no store")

    def test_5_uninstall_confirmation(self):
        # The uninstaller copies itself to a temporary folder and runs from
        # there, so the process started here ends at once.
        self.wine.start([self.program / "Uninstall.exe"])
        self.wait_page("Uninstall Keyloom")
        harness.screenshot("uninstall-confirm.png")

    def test_6_uninstall_shuts_keyloom_down_then_asks_to_keep_the_data(self):
        self.next()
        self.assertTrue(self.wine.wait_window(self.UNINSTALL_BOX, 60000), "no question about the running Keyloom")
        self.assertTrue(any("Keyloom is running." in text for text in self.texts(self.UNINSTALL_BOX)))
        harness.screenshot("uninstall-keyloom-running.png")
        self.assertTrue(self.wine.click(self.UNINSTALL_BOX, IDOK))
        self.assertTrue(self.wine.wait_gone(harness.MAIN_TITLE, 60000), "Keyloom was not shut down")
        keep = lambda: any("Keep your Keyloom macros and recordings?" in text  # noqa: E731
                           for text in self.texts(self.UNINSTALL_BOX))
        self.assertTrue(harness.wait_until(keep, 60), "no question about the macros and recordings")
        time.sleep(1)
        harness.screenshot("uninstall-keep-data.png")
        self.assertIsNotNone(self.wine.reg_query())
        self.assertTrue(self.wine.click(self.UNINSTALL_BOX, IDNO))
        self.wait_page("Uninstallation Complete", seconds=120)
        harness.screenshot("uninstall-finished.png")
        self.assertIsNone(self.wine.reg_query(), "No kept the stored macros")
        self.assertFalse((self.program / "Keyloom.exe").exists())
        self.next()
        self.assertTrue(harness.wait_until(lambda: not self.wine.find(self.WIZARD)[0], 60), "the uninstaller stayed")


def pe_header(path):
    """(machine, optional header magic, subsystem) of a Windows program."""
    data = path.read_bytes()
    if data[:2] != b"MZ":
        return None
    at = struct.unpack_from("<I", data, 0x3C)[0]
    if data[at:at + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, at + 4)[0]
    optional = at + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    subsystem = struct.unpack_from("<H", data, optional + 68)[0]
    return machine, magic, subsystem


def version_strings(path):
    """The String entries of a program's version record, read from its
    VS_VERSIONINFO: each String is a header of three 16-bit fields, its
    UTF-16 key, padding to 32 bits, and its UTF-16 value."""
    data = path.read_bytes()
    record = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    found = {}
    for key in ("ProductVersion", "FileVersion"):
        at = data.find((key + "\0").encode("utf-16-le"), record)
        if record < 0 or at < 0:
            continue
        length, value_length = struct.unpack_from("<HH", data, at - 6)
        value = (at + 2 * (len(key) + 1) + 3) & ~3
        found[key] = data[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
    return found


IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64 = 0x014C, 0x8664
PE32, PE32_PLUS = 0x10B, 0x20B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


class PortableZip(unittest.TestCase):
    """The zip's two programs and its note; each program started from the
    unpacked folder, the 32-bit one where this machine runs 32-bit code."""

    @classmethod
    def setUpClass(cls):
        cls.wine = harness.WineSession("portable")
        cls.folder = cls.wine.prefix / "drive_c" / "Keyloom portable"
        with zipfile.ZipFile(PORTABLE_ZIP) as archive:
            cls.names = sorted(archive.namelist())
            archive.extractall(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def start_and_shut_down(self, program):
        process = self.wine.start([program])
        self.assertTrue(self.wine.wait_window(harness.MAIN_TITLE, harness.START_WAIT_MS), "no main window")
        exists, visible = self.wine.find(harness.MAIN_TITLE)
        self.assertTrue(exists)
        self.assertFalse(visible, "the main window is shown at start")
        tree = self.wine.reg_query()
        self.assertIsNotNone(tree, "no store tree in the 32-bit view")
        self.assertIn("Macros", tree)
        self.assertIn("Journals", tree)
        self.assertTrue(self.wine.post(harness.MAIN_TITLE, harness.WM_COMMAND, IDOK))
        process.wait(timeout=60)

    def test_1_holds_both_programs_and_the_note(self):
        self.assertEqual(self.names, ["Where Keyloom keeps its data.txt", "x64/Keyloom.exe", "x64/keyloomc.exe", "x86/Keyloom.exe",
                                      "x86/keyloomc.exe"])
        note = (self.folder / "Where Keyloom keeps its data.txt").read_bytes().decode("utf-8")
        # Lines end as Notepad on every Windows expects.
        self.assertNotIn("\n", note.replace("\r\n", ""))
        self.assertIn("HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Tallow Labs\\Keyloom", note)

    def test_2_the_programs_are_x86_64_and_i386_windows_gui_programs_of_this_version(self):
        self.assertEqual(pe_header(self.folder / "x64" / "Keyloom.exe"),
                         (IMAGE_FILE_MACHINE_AMD64, PE32_PLUS, IMAGE_SUBSYSTEM_WINDOWS_GUI))
        self.assertEqual(pe_header(self.folder / "x86" / "Keyloom.exe"),
                         (IMAGE_FILE_MACHINE_I386, PE32, IMAGE_SUBSYSTEM_WINDOWS_GUI))
        for program in ("x64", "x86"):
            record = version_strings(self.folder / program / "Keyloom.exe")
            self.assertEqual((record.get("ProductVersion"), record.get("FileVersion")), (VERSION, VERSION), program)

    def test_3_the_64_bit_program_starts_hidden_and_makes_its_store(self):
        self.start_and_shut_down(self.folder / "x64" / "Keyloom.exe")

    @unittest.skipUnless(runs_x86_code(), "this machine runs no 32-bit x86 code (its kernel refuses it)")
    def test_4_the_32_bit_program_starts_hidden_and_makes_its_store(self):
        self.wine.run(["reg", "delete", harness.STORE_KEY, "/reg:32", "/f"])
        self.start_and_shut_down(self.folder / "x86" / "Keyloom.exe")


if __name__ == "__main__":
    unittest.main()
