"""The real Lumidot.exe in Windows' display language: Japanese on a Japanese Windows, English on any
other, whatever the regional format; with a Korean input method the settings dialog points at the
option it needs."""
import unittest

from lumidot_e2e import IDCANCEL, IDNO, IDYES, LumidotTestCase

ID_MENU_SETTING, ID_MENU_EXIT = 1021, 1001
IDC_INTERVAL_COMBO, IDC_ALNUM_OFF_CHECK, IDC_ALNUM_OFF_HINT = 1020, 1024, 1029
WM_COMMAND = 0x0111
INI = "[Setting]\nPortNumber=5\nAutoConnect=1\n"

JAPANESE = dict(menu=["切断[COM5](&P)", "", "設定(&S)", "", "このプログラムについて(&A)", "終了(&X)"],
                caption="動作設定", alnum="英数入力中は消灯する", interval="100msec", question="終了しますか？")
ENGLISH = dict(menu=["&Disconnect [COM5]", "", "&Settings", "", "&About", "E&xit"],
               caption="Settings", alnum="LED off in English mode", interval="100 ms", question="Exit Lumidot?")


class LanguageTest(LumidotTestCase):
    def check(self, locale, shown, hint=False):
        """Menu, settings dialog, a question and the lamp's tip as Lumidot shows them under locale."""
        with self.session(ports=[5], ini=INI, locale=locale) as s:
            self.assertEqual([item["text"] for item in s.open_menu()], shown["menu"])
            s.close_menu()

            s.command(ID_MENU_SETTING)
            dialog = s.wait_window(shown["caption"])["hwnd"]
            controls = {c["id"]: c for c in s.children(dialog)}
            self.assertEqual(controls[IDC_ALNUM_OFF_CHECK]["text"], shown["alnum"])
            self.assertEqual(s.drv("combo", controls[IDC_INTERVAL_COMBO]["hwnd"])["items"][0], shown["interval"])
            self.assertEqual(bool(controls[IDC_ALNUM_OFF_HINT]["visible"]), hint)
            s.screenshot("settings")
            if hint:
                # ticking the box it points at takes the hint away
                s.drv("check_set", controls[IDC_ALNUM_OFF_CHECK]["hwnd"], 1)
                s.sync()
                self.assertFalse(s.info(controls[IDC_ALNUM_OFF_HINT]["hwnd"])["visible"])
            s.post(WM_COMMAND, IDCANCEL, hwnd=dialog)

            s.command(ID_MENU_EXIT)
            box = s.message_box()
            self.assertEqual((box["text"], sorted(box["buttons"])), (shown["question"], [IDYES, IDNO]))
            s.answer(box, IDNO)

            s.ime_off()
            s.wait_lamp("dark")
            self.assertEqual(s.tray_tip(), "IME OFF")

    def test_japanese_display_language_with_english_formats(self):
        self.check({"LANG": "en_US.UTF-8", "LC_MESSAGES": "ja_JP.UTF-8"}, JAPANESE)

    def test_english_display_language_with_japanese_formats(self):
        self.check({"LANG": "ja_JP.UTF-8", "LC_MESSAGES": "en_US.UTF-8"}, ENGLISH)

    def test_korean_windows_is_english_and_points_at_the_alphanumeric_option(self):
        # Wine gives a Korean Windows the Korean IME as its keyboard layout
        self.check({"LC_ALL": "ko_KR.UTF-8"}, ENGLISH, hint=True)


if __name__ == "__main__":
    unittest.main()
