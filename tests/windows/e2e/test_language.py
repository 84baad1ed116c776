"""The real Lumidot.exe in Windows' display language: Japanese on a Japanese Windows, English on any
other, whatever the regional format; with a Korean input method the settings dialog points at the
option it needs."""
import unittest

from lumidot_e2e import IDNO, IDYES, LumidotTestCase

ID_MENU_SETTING, ID_MENU_EXIT = 1021, 1001
IDC_INTERVAL_COMBO, IDC_ALNUM_OFF_CHECK, IDC_ALNUM_OFF_HINT = 1020, 1024, 1029

# locale variables of Wine; what Lumidot shows: menu, settings caption, alphanumeric box, first
# interval, exit question, whether the hint shows
ROWS = [
    ({"LANG": "en_US.UTF-8", "LC_MESSAGES": "ja_JP.UTF-8"},
     ["接続(&P)", "", "設定(&S)", "", "このプログラムについて(&A)", "終了(&X)"],
     "動作設定", "英数入力中は消灯する", "100msec", "終了しますか？", False),
    ({"LANG": "ja_JP.UTF-8", "LC_MESSAGES": "en_US.UTF-8"},
     ["&Connect", "", "&Settings", "", "&About", "E&xit"],
     "Settings", "LED off in English mode", "100 ms", "Exit Lumidot?", False),
    ({"LC_ALL": "ko_KR.UTF-8"},
     ["&Connect", "", "&Settings", "", "&About", "E&xit"],
     "Settings", "LED off in English mode", "100 ms", "Exit Lumidot?", True),
]


class LanguageTest(LumidotTestCase):
    def test_menu_dialog_message_and_tip_follow_the_display_language(self):
        for locale, menu, caption, alnum, interval, question, hint in ROWS:
            with self.subTest(locale=locale), self.session(locale=locale, ini="[Setting]\nAlnumOff=0\n") as s:
                self.assertEqual([item["text"] for item in s.open_menu()], menu)
                s.close_menu()

                s.command(ID_MENU_SETTING)
                dialog = s.wait_window(caption)["hwnd"]
                controls = {c["id"]: c for c in s.children(dialog)}
                self.assertEqual(controls[IDC_ALNUM_OFF_CHECK]["text"], alnum)
                self.assertEqual(s.drv("combo", controls[IDC_INTERVAL_COMBO]["hwnd"])["items"][0], interval)
                self.assertEqual(bool(controls[IDC_ALNUM_OFF_HINT]["visible"]), hint)
                s.screenshot("settings")
                if hint:
                    # ticking the box it points at takes the hint away
                    s.drv("check_set", controls[IDC_ALNUM_OFF_CHECK]["hwnd"], 1)
                    s.sync()
                    self.assertFalse(s.info(controls[IDC_ALNUM_OFF_HINT]["hwnd"])["visible"])
                s.post(0x0111, 2, hwnd=dialog)  # WM_COMMAND IDCANCEL
                s.sync()

                s.command(ID_MENU_EXIT)
                box = s.message_box()
                self.assertEqual((box["text"], sorted(box["buttons"])), (question, [IDYES, IDNO]))
                s.answer(box, IDNO)
                s.sync()

                s.ime_off()
                s.wait_lamp("dark crossed")
                self.assertEqual(s.tray_tip(), "IME OFF")


if __name__ == "__main__":
    unittest.main()
