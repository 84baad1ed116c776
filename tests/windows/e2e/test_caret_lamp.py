"""The lamp at the text caret of the real Lumidot.exe under Wine: beside the caret of another
program's text field, following it and the IME, never taking the focus, and only while ticked."""
import unittest

from lumidot_e2e import IDNO, IDOK, LumidotTestCase, wait_for

ID_MENU_SETTING, IDC_CARET_LAMP_CHECK = 1021, 1035
VK_KANJI = 0x19
WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_EX_TRANSPARENT = 0x8, 0x80, 0x20
WS_EX_LAYERED, WS_EX_NOACTIVATE = 0x80000, 0x8000000
# Slow enough that every move and change seen here comes from the system's events.
INI = "[Setting]\nUpdateTime=600\nCaretLamp=1\n"


class CaretLampTest(LumidotTestCase):
    def lamp_at(self, s, where):
        """Waits until the lamp shows just below and to the right of where, the caret {x, y, h}."""
        def placed():
            lamp = s.drv("caret_lamp")
            right_of, below = lamp.get("x", 0) - where["x"], lamp.get("y", 0) - (where["y"] + where["h"])
            return lamp if lamp["hwnd"] and lamp["visible"] and 0 < right_of <= 6 and 0 <= below <= 4 else None
        return wait_for(placed, 20, what=f"the lamp below right of the caret at {where}")

    def shows(self, s, kind):
        """Whether the middle of the lamp shows kind, 'bright' or 'dark', on the screen."""
        lamp = s.drv("caret_lamp")
        return s.colour_at(kind, lamp["x"] + lamp["w"] // 2, lamp["y"] + lamp["h"] // 2) == kind

    def test_the_lamp_follows_the_caret_and_the_ime_and_never_takes_the_focus(self):
        # Without Wine's virtual desktop, where WinEvents are known to arrive.
        with self.session(ini=INI, desktop=False) as s:
            s.sync()  # started up: its hooks are set
            foreign = s.drv("front_foreign")["hwnd"]
            lamp = self.lamp_at(s, s.drv("caret"))
            want = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_LAYERED | WS_EX_NOACTIVATE
            self.assertEqual(lamp["exstyle"] & want, want)
            self.assertEqual(lamp["pid"], s.pids()[0])
            self.assertEqual((lamp["w"], lamp["h"]), (8, 8))
            wait_for(lambda: self.shows(s, "dark"), what="a dark lamp")
            # typing moves the caret, and the lamp with it
            lamp = self.lamp_at(s, s.drv("caret", "Lumidot lamp"))
            self.assertEqual(s.drv("foreground")["hwnd"], foreign, "the lamp took the front")
            # Lumidot's own window in front, an IME key opens its IME: the lamp lights up
            s.front_target()
            s.drv("key", VK_KANJI)
            wait_for(lambda: self.shows(s, "bright"), 20, what="a bright lamp")
            s.drv("front_foreign")
            self.lamp_at(s, s.drv("caret"))
            wait_for(lambda: self.shows(s, "dark"), what="dark again")
            self.assertEqual(s.drv("foreground")["hwnd"], foreign, "the lamp took the front")

    def test_only_a_ticked_box_makes_the_lamp_and_unticking_removes_it(self):
        with self.session(ini="[Setting]\nUpdateTime=1\n") as s:
            s.ime_off()
            ticks = s.ticks()
            wait_for(lambda: s.ticks() >= ticks + 3, what="three polls")
            self.assertEqual(s.drv("caret_lamp")["hwnd"], 0)
            for checked in (1, 0):
                s.command(ID_MENU_SETTING)
                dialog = s.wait_window("動作設定")
                box = s.control(dialog["hwnd"], IDC_CARET_LAMP_CHECK)
                self.assertEqual(s.drv("check", box)["checked"], 1 - checked)
                s.drv("check_set", box, checked)
                s.answer(dialog, IDOK)
                s.answer(s.message_box(), IDNO)
                wait_for(lambda: (s.drv("caret_lamp")["hwnd"] != 0) == bool(checked),
                         what=f"the lamp {'made' if checked else 'gone'}")
            wait_for(lambda: b"CaretLamp=0" in s.ini(), what="the unticked box saved")


if __name__ == "__main__":
    unittest.main()
