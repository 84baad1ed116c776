"""Whose IME the LED shows, and how soon: the real Lumidot.exe under Wine following the focus into
another program, an IME key, and the shell's windows that pass through the front."""
import unittest

from lumidot_e2e import CONNECTED, OFF, ON, LumidotTestCase, wait_for

PORT = 5
VK_KANJI = 0x19
# Alt+Tab, task view, the activation hand-over, the taskbars: in front, yet nobody types there.
SHELL_CLASSES = ["XamlExplorerHostIslandWindow", "MultitaskingViewFrame", "TaskSwitcherWnd",
                 "ForegroundStaging", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"]


class FocusTest(LumidotTestCase):
    def test_the_focus_and_an_ime_key_are_followed_long_before_the_poll(self):
        # One poll a minute: whatever the LED does before then, the events did. Without Wine's
        # virtual desktop (and so without a tray), where WinEvents are known to arrive.
        ini = f"[Setting]\nPortNumber={PORT}\nUpdateTime=600\nAutoConnect=1\n"
        with self.session(ports=[PORT], ini=ini, desktop=False) as s:
            s.wait_lines(PORT, CONNECTED)
            # the focus moving into another program's text field runs a tick: it writes both lines
            s.ime_off()
            after_connect = lambda: s.line_events(PORT)[s.line_events(PORT).index("RTS=0") + 1:]
            wait_for(lambda: after_connect() == ["unchanged", "unchanged"], 20, what="a tick on the focus event")
            # Lumidot's own window in front with its IME closed, then the IME key opens it
            s.front_target()
            s.drv("key", VK_KANJI)
            s.wait_lines(PORT, CONNECTED + ON, timeout=20)
            s.ime_off()
            s.wait_lines(PORT, CONNECTED + ON + OFF, timeout=20)

    def test_the_shells_passing_windows_keep_the_led_as_it_was(self):
        with self.session(ports=[PORT], ini=f"[Setting]\nPortNumber={PORT}\nUpdateTime=1\nAutoConnect=1\n") as s:
            s.ime_on()
            s.wait_lamp("bright")
            s.wait_lines(PORT, CONNECTED + ON)
            for name in SHELL_CLASSES:
                s.drv("front_class", name)
                ticks = s.ticks()
                wait_for(lambda: s.ticks() >= ticks + 3, what=f"three polls with {name} in front")
                self.assertEqual(s.line_changes(PORT), CONNECTED + ON, name)
            self.assertEqual(s.lamp(), "bright")
            # any other program's window reads as off
            s.drv("front_class", "Notepad")
            s.wait_lines(PORT, CONNECTED + ON + OFF)
            s.wait_lamp("dark")


if __name__ == "__main__":
    unittest.main()
