"""Lumidot for Linux follows the desktop's language: English menus, dialogs and questions on an
English desktop (the other tests run a Japanese one)."""
import unittest

from lumidot_linux import LinuxTestCase


class LanguageTest(LinuxTestCase):
    def test_an_english_desktop_shows_english_menus_dialogs_and_questions(self):
        ini = "[Setting]\nPortDevice={led}\n"
        with self.session(ports=["led"], ini=ini, env={"LANG": "en_US.UTF-8"}) as s:
            s.wait_lamp("dark crossed")
            self.assertEqual([entry["label"] for entry in s.menu()],
                             ["&Connect", "", "&Settings", "", "&About", "E&xit"])

            s.click_menu("&Settings")
            dialog = s.dialog("Settings")
            self.assertIn("Poll interval", dialog["texts"])
            s.click(dialog["buttons"]["OK"])
            name = s.pty["led"].rsplit("/", 1)[1]
            box = s.dialog("lumidot")
            self.assertIn(f"Connect with {name}?", box["texts"])
            s.click(box["buttons"]["No"])
            s.wait_lamp("dark crossed")


if __name__ == "__main__":
    unittest.main()
