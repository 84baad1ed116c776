"""Start-up, the hidden host window and shutdown of the real Lumidot.exe under Wine."""
import unittest

from lumidot_e2e import (IDCANCEL, VK_ESCAPE, VK_RETURN, WM_CLOSE, WM_KEYDOWN, WS_EX_APPWINDOW,
                         WS_EX_TOOLWINDOW, LumidotTestCase, wait_for)

DEFAULTS = ["[Setting]", "PortNumber=1", "UpdateTime=5", "AutoConnect=0"]
MUTEX = "Lumidot Viewer for Windows"
WM_QUERYENDSESSION, WM_ENDSESSION = 0x0011, 0x0016


def ini_lines(data):
    """The file's lines without line ends and blank lines, which Wine's profile writer may add."""
    return [line for line in data.decode("ascii").splitlines() if line.strip()]


class ShellTest(LumidotTestCase):
    def test_first_start_without_ini_runs_on_defaults_and_close_saves_them(self):
        with self.session() as s:
            s.wait_lamp("dark crossed")
            self.assertIsNone(s.ini(), "nothing is written while running")
            s.post(WM_CLOSE)
            s.wait_exit()
            self.assertEqual(s.lamp("after-exit"), "none")
            self.assertEqual(ini_lines(s.ini()), DEFAULTS)
            self.assertFalse(s.drv("mutex", MUTEX)["exists"])

    def test_lit_lamp_shows_until_the_first_tick(self):
        with self.session(ini="[Setting]\nUpdateTime=10\n", start=False) as s:
            s.start(wait=False)
            s.wait_lamp("bright", timeout=20)
            s.wait_lamp("dark crossed", timeout=5)

    def test_second_instance_ends_at_once_and_leaves_the_first_alone(self):
        # Leading zeros would be lost by any save, and a second open of the port would be logged.
        with self.session(ports=[3], ini="[Setting]\nPortNumber=03\nUpdateTime=05\nAutoConnect=1\n") as s:
            first = s.pids()
            s.wait_lamp("dark")
            self.assertTrue(s.drv("mutex", MUTEX)["exists"])
            before = s.ini(), s.line_events(3)
            second = s.start(wait=False)
            s.wait_exit(proc=second)
            self.assertEqual(s.pids(), first)
            self.assertEqual(s.lamps("after-second"), ["dark"])
            self.assertEqual((s.ini(), s.line_events(3)), before)
            self.assertIsNone(s.lumidot.poll())

    def test_enter_and_escape_cannot_close_the_hidden_window(self):
        with self.session() as s:
            for key in (VK_RETURN, VK_ESCAPE):
                s.post(WM_KEYDOWN, key)
            s.sync()
            self.assertIsNone(s.lumidot.poll())
            self.assertEqual(s.info()["hwnd"], s.main)
            s.wait_lamp("dark crossed")

    def test_main_window_is_never_seen_and_has_no_taskbar_button(self):
        with self.session() as s:
            s.wait_lamp("dark crossed")
            main = s.info()
            self.assertTrue(not main["visible"] or main["w"] == 0 or main["h"] == 0, main)
            self.assertTrue(main["exstyle"] & WS_EX_TOOLWINDOW)
            self.assertFalse(main["exstyle"] & WS_EX_APPWINDOW)
            self.assertEqual(s.windows(), [])

    def test_auto_connect_starts_dark_and_follows_the_ime_from_the_first_tick(self):
        with self.session(ports=[5], ini="[Setting]\nPortNumber=5\nUpdateTime=5\nAutoConnect=1\n") as s:
            # opening raises both lines; the connect sequence drops DTR, then RTS
            # (the main window exists before start-up has opened the port)
            wait_for(lambda: s.line_changes(5) == ["open", "DTR=0", "RTS=0"], what="the connect sequence")
            s.ime_off()
            s.wait_lamp("dark")
            # the first tick wrote both lines (still off), later ticks with the same status do not
            after_connect = lambda: s.line_events(5)[s.line_events(5).index("RTS=0") + 1:]
            wait_for(lambda: after_connect() == ["unchanged", "unchanged"], what="the first tick's writes")

            s.ime_on()
            s.wait_lamp("bright")
            wait_for(lambda: s.line_changes(5)[3:] == ["DTR=1", "RTS=1"], what="both lines raised, DTR first")
            s.ime_off()
            s.wait_lamp("dark")
            wait_for(lambda: s.line_changes(5)[3:] == ["DTR=1", "RTS=1", "DTR=0", "RTS=0"], what="both lines dropped")

            s.post(WM_CLOSE)
            s.wait_exit()
            self.assertEqual(s.line_events(5)[-1], "close")

    def test_tray_lamp_keeps_following_after_taskbar_created_with_or_without_a_new_shell(self):
        with self.session() as s:
            s.wait_lamp("dark crossed")
            # also sent when the display scaling changes, while the shell still has the icon
            s.drv("taskbar_created")
            s.ime_on()
            s.wait_lamp("bright crossed")
            s.restart_shell()
            s.wait_lamp("bright crossed")
            s.ime_off()
            s.wait_lamp("dark crossed")

    def test_end_of_session_saves_closes_the_port_and_ends(self):
        ini = "[Setting]\nPortNumber=5\nUpdateTime=05\nAutoConnect=1\n"
        with self.session(ports=[5], ini=ini) as s:
            s.ime_off()
            s.wait_lamp("dark")
            self.assertEqual(s.drv("send", s.main, WM_QUERYENDSESSION, 0, 0)["result"], 1)
            s.drv("send", s.main, WM_ENDSESSION, 1, 0)
            # Windows would end the process right after the message; by then all is put away
            self.assertEqual(s.line_events(5)[-1], "close")
            self.assertEqual(ini_lines(s.ini()), ["[Setting]", "PortNumber=5", "UpdateTime=5", "AutoConnect=1"])
            s.wait_exit()

    def test_ini_keeps_other_lines_and_saves_values_in_plain_decimal(self):
        ini = ("; written by hand\n[Other]\nKey=Value\n\n[Setting]\n; period in 100 ms\n"
               "PortNumber=4\nUpdateTime=007\nAutoConnect=0\nExtra=kept\n\n[Tail]\nX=1\n")
        with self.session(ini=ini) as s:
            s.wait_lamp("dark crossed")
            s.command(IDCANCEL)
            s.wait_exit()
            self.assertEqual(s.lamp("after-exit"), "none")
            self.assertEqual(ini_lines(s.ini()), ini_lines(ini.replace("=007", "=7").encode()))


if __name__ == "__main__":
    unittest.main()
