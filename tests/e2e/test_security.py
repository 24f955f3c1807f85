"""Who may open the store, and how Keyloom knows its own running instance.

A tree as today's Keyloom leaves it (keys with the registry's default
access lists) is imported; Keyloom tightens it at start-up.
"""

import harness

ROOT_DACL = "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)"
BELOW_DACL = "D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)"
STORE = r"Software\Tallow Labs\Keyloom"


class StoreAccess(harness.KeyloomSession):
    session = "security"

    @classmethod
    def reg_text(cls):
        text = harness.macros_reg({"Logon": (0x4C, 2, harness.stroke(0x50))})
        text += f'[{harness.STORE_REG_PATH}\\Journals\\Typing]\r\n"Count"=dword:00000000\r\n"Type"=dword:00000000\r\n'
        return text

    def dacl(self, path):
        result = self.wine.probe("dacl", path)
        self.assertTrue(result.ok, f"no access list for {path}: {result}")
        return result.lines()[0].strip()

    def test_1_the_store_is_closed_to_everyone_but_administrators_and_system(self):
        self.assertEqual(self.dacl(STORE), ROOT_DACL)
        for below in ["Macros", r"Macros\Logon", r"Macros\Logon\Commands\1", "Journals", r"Journals\Typing"]:
            self.assertEqual(self.dacl(f"{STORE}\\{below}"), BELOW_DACL, below)
        tree = self.wine.reg_query()
        self.assertIn(r"Macros\Logon\Commands\1", tree, "the macros are still there")
