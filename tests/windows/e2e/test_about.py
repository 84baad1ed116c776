"""The About box of the real Lumidot.exe under Wine: its text, its focus and the help-page button."""
import os
import subprocess
import unittest

from lumidot_e2e import IDNO, IDOK, IDYES, LumidotTestCase, wait_for

ID_MENU_ABOUT, IDC_HELP_PAGE, IDC_ABOUT_TEXT, IDC_INI_PATH = 32771, 1004, 1005, 1030
WM_CHAR, EM_SETSEL, DM_GETDEFID, DC_HASDEFID, ES_READONLY = 0x0102, 0x00B1, 0x0400, 0x534B, 0x0800
CAPTION = "ﾀﾞｲｱﾛｸﾞ"
TEXT = "Lumidot Version1.00\r\nCopyright (C) 2026 Lumidot developers\r\n\r\nhttp://lumidot.example.jp/hw/\r\n"
HELP_URL = "http://lumidot.example.jp/hw/ravar/lumidot/index.html"


class AboutTest(LumidotTestCase):
    def open_about(self, s):
        s.command(ID_MENU_ABOUT)
        about = s.wait_window(CAPTION)["hwnd"]
        return about, {c["id"]: c for c in s.children(about)}

    def test_text_is_read_only_and_the_space_key_presses_ok(self):
        with self.session() as s:
            about, controls = self.open_about(s)
            text = controls[IDC_ABOUT_TEXT]
            self.assertEqual(text["text"], TEXT)
            self.assertTrue(text["style"] & ES_READONLY)
            # under it, the settings file in use: beside the exe, whose folder is open to the user
            self.assertRegex(controls[IDC_INI_PATH]["text"], r"^[A-Z]:\\.*\\app\\Lumidot\.ini$")
            self.assertEqual(controls[IDC_HELP_PAGE]["text"], "作者Webページ")
            self.assertLess(controls[IDC_HELP_PAGE]["x"], controls[IDOK]["x"])
            # Typing over the whole text: a mere insertion proves nothing, as the box is full and
            # an edit control without ES_AUTOVSCROLL refuses lines that do not fit.
            s.drv("send", text["hwnd"], EM_SETSEL, 0, -1)
            s.post(WM_CHAR, ord("x"), hwnd=text["hwnd"])
            s.sync()
            self.assertEqual(s.drv("text", text["hwnd"])["text"], TEXT)

            default = s.drv("send", about, DM_GETDEFID, 0, 0)["result"]
            self.assertEqual((default & 0xFFFF, default >> 16), (IDOK, DC_HASDEFID))
            # a real key press goes to the focused control: only OK closes the box on Space
            subprocess.run(["xdotool", "key", "space"], env=dict(os.environ, DISPLAY=f":{s.x.display}"),
                           check=True, timeout=10)
            wait_for(lambda: s.windows() == [], what="the About box to close")
            s.wait_lamp("dark crossed")

    def test_help_button_asks_and_opens_the_help_page_only_on_yes(self):
        with self.session() as s:
            about, controls = self.open_about(s)
            only_about = lambda: [w["hwnd"] for w in s.windows()] == [about]
            for answer in (IDNO, IDYES):
                s.drv("click", controls[IDC_HELP_PAGE]["hwnd"])
                box = s.message_box()
                self.assertEqual(box["text"], f"ヘルプを表示するため\r\n{HELP_URL}\r\nへ接続しますか？")
                self.assertEqual(set(box["buttons"]), {IDYES, IDNO})
                s.answer(box, answer)
                wait_for(only_about, what="the question to close and the About box to stay")
            wait_for(s.urls, what="the browser to be started")

            s.drv("click", controls[IDOK]["hwnd"])
            wait_for(lambda: s.windows() == [], what="the About box to close")
            s.wait_lamp("dark crossed")
            # checked last, so that a browser started on No would have had time to show up too
            self.assertEqual(s.urls(), [HELP_URL])


if __name__ == "__main__":
    unittest.main()
