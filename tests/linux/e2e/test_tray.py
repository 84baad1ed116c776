"""The lamp whenever a tray can show it: a desktop whose tray host comes late or never, and one whose
tray host restarts. The LED never waits for the tray."""
import unittest

from lumidot_linux import CONNECTED, OFF, ON, LinuxTestCase, wait_for

INI = "[Setting]\nPortDevice={led}\nUpdateTime=1\nAutoConnect=1\n"
NOTICE = "org.kde.StatusNotifierWatcher"  # what the notice names as missing


class TrayTest(LinuxTestCase):
    def notice(self, s):
        box = s.dialog("lumidot", timeout=15)
        self.assertTrue(any(NOTICE in text for text in box["texts"]), box["texts"])
        return box

    def test_without_a_tray_the_led_works_the_user_is_told_and_the_lamp_comes_with_the_host(self):
        with self.session(ports=["led"], ini=INI, start=False) as s:
            s.start_without_tray()
            s.focus_typing()
            s.key("Zenkaku_Hankaku")
            s.wait_lines("led", CONNECTED + ON)

            # after a few seconds: a message box and a line on stderr, both naming what is missing
            s.click(self.notice(s)["buttons"]["OK"])
            wait_for(lambda: NOTICE in s.log(), what="the notice on stderr")
            wait_for(lambda: not s.windows(), what="the notice to close")

            # a second start does not end silently: the running one tells it again, and the
            # notice leads to the settings
            self.assertEqual(s.wait_exit(pid=s.start(wait=False)), 0)
            settings = next(node for label, node in self.notice(s)["buttons"].items() if label.startswith("設定"))
            s.click(settings)
            s.click(s.dialog("動作設定")["buttons"]["ｷｬﾝｾﾙ"])

            # the panel comes at last: the lamp shows what the LED shows
            s.focus_typing()
            s.tray_host(True)
            wait_for(lambda: s.items(s.pid), 10, what="the tray item")
            s.wait_lamp("bright")
            self.assertEqual(s.line_changes("led")[-2:], ON)

    def test_a_watcher_without_a_host_is_no_tray_until_a_panel_registers(self):
        with self.session(ports=["led"], ini=INI, start=False) as s:
            s.tray_host(True, host=False)
            s.start(wait=False)
            s.wait_window("lumidot", timeout=15)
            s.call("register_host")
            wait_for(lambda: s.items(s.pid), 10, what="the tray item")

    def test_a_tray_host_gone_as_the_icon_is_made_is_no_tray(self):
        with self.session(ports=["led"], ini=INI, start=False) as s:
            s.start_without_tray()
            s.tray_host(True, host=False)
            # the panel registers, and the whole tray host is gone before Qt can ask for it
            s.call("register_host", flapping=True)
            s.wait_window("lumidot", timeout=15)
            self.assertFalse(s.items(s.pid))
            s.click(self.notice(s)["buttons"]["OK"])
            wait_for(lambda: not s.windows(), what="the notice to close")
            self.assertEqual(s.wait_exit(pid=s.start(wait=False)), 0)
            s.wait_window("lumidot")

    def test_an_xembed_tray_that_starts_later_shows_the_lamp(self):
        with self.session(ports=["led"], ini=INI, start=False) as s:
            s.start_without_tray()
            s.call("trayer")
            # the lamp is a small window of the program, embedded in trayer's
            wait_for(lambda: [w for w in s.windows() if w["w"] <= 64], 10, what="the lamp in trayer")

    def test_a_restarted_tray_host_shows_the_lamp_as_it_is_now(self):
        with self.session(ports=["led"], ini=INI) as s:
            s.focus_typing()
            s.wait_lamp("dark")
            s.tray_host(False)
            s.key("Zenkaku_Hankaku")
            s.wait_lines("led", CONNECTED + ON)
            s.tray_host(True)
            wait_for(lambda: s.items(s.pid), 10, what="the tray item registered again")
            s.wait_lamp("bright")
            self.assertEqual(s.tooltip(), "IME ON")


if __name__ == "__main__":
    unittest.main()
